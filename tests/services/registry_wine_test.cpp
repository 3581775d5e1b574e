// The registry service and its Win32 binding against Wine's registry. Every test works in
// a key of its own under HKEY_LOCAL_MACHINE\SOFTWARE that the fixture creates and removes;
// test values are set and checked with the raw Win32 API.

#include "platform/win32/handles.h"
#include "platform/win32/kernel32_win32.h"
#include "platform/win32/registry_win32.h"
#include "services/registry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qb::services {
namespace {

using platform::HkeyLocalMachine;
using Stored = std::pair<DWORD, std::vector<std::uint8_t>>; // type and bytes

class RegistryWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int keysMade = 0;
        created = L"SOFTWARE\\QuillBayTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(++keysMade);
        keyPath = created;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, created.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        key.Reset();
        EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, created.c_str()), ERROR_SUCCESS);
    }

    template <typename Data>
    void Set(const wchar_t* name, DWORD type, const Data& data, std::size_t size = sizeof(Data)) {
        ASSERT_EQ(RegSetValueExW(key.Get(), name, 0, type, reinterpret_cast<const BYTE*>(&data),
                                 static_cast<DWORD>(size)),
                  ERROR_SUCCESS);
    }
    // As the program's "A" calls see it; REG_NONE and no bytes when there is no value.
    Stored Raw(const char* name) {
        Stored value{REG_NONE, std::vector<std::uint8_t>(256)};
        DWORD size = 256;
        if (RegQueryValueExA(key.Get(), name, nullptr, &value.first, value.second.data(), &size))
            return {REG_NONE, {}};
        value.second.resize(size);
        return value;
    }
    bool Read(const std::wstring& name, RegistryValue& result) {
        return ReadRegistryValue(registry, kernel, HkeyLocalMachine, keyPath, name, result);
    }
    bool Write(const std::wstring& name, const RegistryValue& value, bool asBinary = false) {
        return WriteRegistryValue(registry, kernel, HkeyLocalMachine, keyPath, name, value,
                                  asBinary);
    }
    bool Delete(const std::wstring& name) {
        return DeleteRegistryValue(registry, kernel, HkeyLocalMachine, keyPath, name);
    }

    std::wstring created; // the test's own key
    std::wstring keyPath; // the key the service is asked about
    win32::UniqueKey key;
    win32::Win32Registry registry;
    win32::Win32Kernel32 kernel;
};

TEST_F(RegistryWineTest, MissingValuesAndKeysReadAsZeroOrEmptyAndFail) {
    for (const wchar_t* below : {L"", L"\\Missing"}) {
        keyPath = created + below;
        RegistryValue number = std::int32_t{17};
        EXPECT_FALSE(Read(L"Missing", number));
        EXPECT_EQ(number, RegistryValue(std::int32_t{0}));
        RegistryValue text = std::wstring(L"stale");
        EXPECT_FALSE(Read(L"Missing", text));
        EXPECT_EQ(text, RegistryValue(std::wstring()));
    }
}

TEST_F(RegistryWineTest, NumbersAndTextReadAsStored) {
    Set(L"Three hundred", REG_DWORD, DWORD{300});
    Set(L"All ones", REG_DWORD, DWORD{0xFFFFFFFF});
    Set(L"Terminated", REG_SZ, L"abc");
    Set(L"Unterminated", REG_SZ, L"abc", 3 * sizeof(wchar_t));
    Set(L"Path", REG_EXPAND_SZ, L"%SystemRoot%\\system32");
    wchar_t systemRoot[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH), 0u);

    const std::pair<const wchar_t*, RegistryValue> expected[] = {
        {L"Three hundred", std::int32_t{300}},
        {L"All ones", std::int32_t{-1}},
        {L"Terminated", std::wstring(L"abc")},
        {L"Unterminated", std::wstring(L"abc")},
        {L"Path", std::wstring(systemRoot) + L"\\system32"},
    };
    for (const auto& [name, value] : expected) {
        RegistryValue result = std::wstring(L"stale");
        EXPECT_TRUE(Read(name, result)) << name;
        EXPECT_EQ(result, value) << name;
    }
}

TEST_F(RegistryWineTest, WritesStoreFourByteIntegersAndTextWithItsZeroByte) {
    ASSERT_TRUE(Write(L"One", std::int32_t{1}));
    ASSERT_TRUE(Write(L"Minus two", std::int32_t{-2}));
    ASSERT_TRUE(Write(L"Run", std::wstring(L"C:\\q.exe")));
    ASSERT_TRUE(Write(L"Blob", std::wstring(L"abc"), true));
    EXPECT_EQ(Raw("One"), (Stored{REG_DWORD, {1, 0, 0, 0}}));
    EXPECT_EQ(Raw("Minus two"), (Stored{REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}}));
    EXPECT_EQ(Raw("Run"), (Stored{REG_SZ, {'C', ':', '\\', 'q', '.', 'e', 'x', 'e', 0}}));
    EXPECT_EQ(Raw("Blob"), (Stored{REG_BINARY, {'a', 'b', 'c', 0}}));

    // What the program writes, it reads back as written.
    RegistryValue back = std::int32_t{0};
    EXPECT_TRUE(Read(L"Blob", back));
    EXPECT_EQ(back, RegistryValue(std::wstring(L"abc")));

    EXPECT_TRUE(Delete(L"Run"));
    EXPECT_EQ(Raw("Run").first, static_cast<DWORD>(REG_NONE));
    EXPECT_FALSE(Delete(L"Run"));
}

TEST_F(RegistryWineTest, MissingKeysAreNeverCreated) {
    keyPath = created + L"\\Missing";
    EXPECT_FALSE(Write(L"Value", std::int32_t{1}));
    EXPECT_FALSE(Write(L"Value", std::wstring(L"text"), true));
    EXPECT_FALSE(Delete(L"Value"));
    DWORD subKeys = 99;
    DWORD values = 99;
    ASSERT_EQ(RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 0u);
}

TEST_F(RegistryWineTest, OddValuesNeverBreakTheReader) {
    const std::wstring big(64 * 1024, L'w');
    Set(L"Short dword", REG_DWORD, "\x2C\x01", 2);
    Set(L"Multi", REG_MULTI_SZ, L"one\0two\0");
    Set(L"Quad", REG_QWORD, 0x0123456789ABCDEFull);
    Set(L"Empty", REG_BINARY, 0, 0);
    Set(L"Big", REG_SZ, *big.c_str(), (big.size() + 1) * sizeof(wchar_t));

    RegistryValue result = std::wstring();
    EXPECT_TRUE(Read(L"Short dword", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{300}));
    EXPECT_TRUE(Read(L"Big", result));
    EXPECT_EQ(result, RegistryValue(big));
    // Types the program does not handle leave the result as it was.
    for (const wchar_t* name : {L"Multi", L"Quad"}) {
        RegistryValue untouched = std::int32_t{1234};
        EXPECT_TRUE(Read(name, untouched)) << name;
        EXPECT_EQ(untouched, RegistryValue(std::int32_t{1234})) << name;
    }
    result = std::wstring(L"stale");
    EXPECT_FALSE(Read(L"Empty", result));
    EXPECT_EQ(result, RegistryValue(std::wstring()));
}

} // namespace
} // namespace qb::services
