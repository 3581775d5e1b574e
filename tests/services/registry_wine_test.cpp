// The registry service and its Win32 binding against Wine's real registry. Every test
// works in a key of its own under HKEY_LOCAL_MACHINE\SOFTWARE that the fixture creates
// and removes; test values are set and checked with the raw Win32 API.

#include "platform/win32/handles.h"
#include "platform/win32/kernel32_win32.h"
#include "platform/win32/registry_win32.h"
#include "services/registry.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace qb::services {
namespace {

using platform::HkeyLocalMachine;
using Bytes = std::vector<std::uint8_t>;

struct RawValue {
    DWORD type = REG_NONE;
    Bytes data;
};

class RegistryWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        keyPath = L"SOFTWARE\\QuillBayTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                  std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++keysMade);
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr),
                  ERROR_SUCCESS);
    }
    // Runs after a failed assertion too, so no test leaves its key behind.
    void TearDown() override {
        key.Reset();
        if (!keyPath.empty()) {
            EXPECT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath.c_str()), ERROR_SUCCESS);
        }
    }

    void SetRawW(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    void SetRawA(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    void SetDword(const wchar_t* name, DWORD number) {
        SetRawW(name, REG_DWORD, &number, sizeof(number));
    }
    std::optional<RawValue> Raw(const char* name) {
        DWORD size = 0;
        RawValue value;
        if (RegQueryValueExA(key.Get(), name, nullptr, &value.type, nullptr, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        value.data.resize(size);
        if (RegQueryValueExA(key.Get(), name, nullptr, &value.type, value.data.data(), &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        value.data.resize(size);
        return value;
    }

    bool Read(const std::wstring& name, RegistryValue& result) {
        return ReadRegistryValue(registry, kernel, HkeyLocalMachine, keyPath, name, result);
    }
    bool Write(const std::wstring& name, const RegistryValue& value, bool asBinary = false) {
        return WriteRegistryValue(registry, kernel, HkeyLocalMachine, keyPath, name, value,
                                  asBinary);
    }

    static inline int keysMade = 0;
    std::wstring keyPath;
    win32::UniqueKey key;
    win32::Win32Registry registry;
    win32::Win32Kernel32 kernel;
};

TEST_F(RegistryWineTest, MissingValuesReadAsEmptyAndFail) {
    RegistryValue number = std::int32_t{17};
    EXPECT_FALSE(Read(L"Missing", number));
    EXPECT_EQ(number, RegistryValue(std::int32_t{0}));

    RegistryValue text = std::wstring(L"stale");
    EXPECT_FALSE(Read(L"Missing", text));
    EXPECT_EQ(text, RegistryValue(std::wstring()));

    text = std::wstring(L"stale");
    EXPECT_FALSE(ReadRegistryValue(registry, kernel, HkeyLocalMachine, keyPath + L"\\Missing",
                                   L"Value", text));
    EXPECT_EQ(text, RegistryValue(std::wstring()));
}

TEST_F(RegistryWineTest, DwordsReadAsSignedNumbers) {
    SetDword(L"Three hundred", 300);
    SetDword(L"All ones", 0xFFFFFFFF);
    SetDword(L"Zero", 0);
    RegistryValue result = std::int32_t{5};
    EXPECT_TRUE(Read(L"Three hundred", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{300}));
    EXPECT_TRUE(Read(L"All ones", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{-1}));
    EXPECT_TRUE(Read(L"Zero", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{0}));
}

TEST_F(RegistryWineTest, TextComesBackWithoutItsTerminator) {
    SetRawA("Ansi", REG_SZ, "abc", 4);
    SetRawW(L"Unicode", REG_SZ, L"abc", 8);
    SetRawW(L"Unterminated", REG_SZ, L"abc", 6);
    SetRawA("Binary", REG_BINARY, "xyz", 4);
    RegistryValue result = std::int32_t{0};
    for (const wchar_t* name : {L"Ansi", L"Unicode", L"Unterminated"}) {
        EXPECT_TRUE(Read(name, result)) << name;
        EXPECT_EQ(result, RegistryValue(std::wstring(L"abc"))) << name;
    }
    EXPECT_TRUE(Read(L"Binary", result));
    EXPECT_EQ(result, RegistryValue(std::wstring(L"xyz")));
}

TEST_F(RegistryWineTest, ExpandableTextIsExpanded) {
    const wchar_t stored[] = L"%SystemRoot%\\system32";
    SetRawW(L"Path", REG_EXPAND_SZ, stored, sizeof(stored));
    wchar_t systemRoot[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableW(L"SystemRoot", systemRoot, MAX_PATH), 0u);

    RegistryValue result = std::wstring();
    EXPECT_TRUE(Read(L"Path", result));
    EXPECT_EQ(result, RegistryValue(std::wstring(systemRoot) + L"\\system32"));
    std::printf("[ expanded ] %ls\n", std::get<std::wstring>(result).c_str());
}

TEST_F(RegistryWineTest, IntegersAreStoredAsFourLittleEndianBytes) {
    ASSERT_TRUE(Write(L"One", std::int32_t{1}));
    ASSERT_TRUE(Write(L"Minus two", std::int32_t{-2}));
    const auto one = Raw("One");
    ASSERT_TRUE(one.has_value());
    EXPECT_EQ(one->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(one->data, (Bytes{1, 0, 0, 0}));
    const auto minusTwo = Raw("Minus two");
    ASSERT_TRUE(minusTwo.has_value());
    EXPECT_EQ(minusTwo->data, (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));

    RegistryValue back = std::wstring();
    EXPECT_TRUE(Read(L"Minus two", back));
    EXPECT_EQ(back, RegistryValue(std::int32_t{-2}));
}

TEST_F(RegistryWineTest, TextIsStoredWithItsZeroByte) {
    ASSERT_TRUE(Write(L"Run", std::wstring(L"C:\\Tools\\quillsvc.exe")));
    ASSERT_TRUE(Write(L"Blob", std::wstring(L"abc"), true));

    const auto run = Raw("Run");
    ASSERT_TRUE(run.has_value());
    EXPECT_EQ(run->type, static_cast<DWORD>(REG_SZ));
    const std::string expected("C:\\Tools\\quillsvc.exe");
    EXPECT_EQ(run->data, Bytes(expected.c_str(), expected.c_str() + expected.size() + 1));

    const auto blob = Raw("Blob");
    ASSERT_TRUE(blob.has_value());
    EXPECT_EQ(blob->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(blob->data, (Bytes{'a', 'b', 'c', 0}));

    // What the program writes, it reads back as written.
    RegistryValue back = std::int32_t{0};
    EXPECT_TRUE(Read(L"Run", back));
    EXPECT_EQ(back, RegistryValue(std::wstring(L"C:\\Tools\\quillsvc.exe")));
    EXPECT_TRUE(Read(L"Blob", back));
    EXPECT_EQ(back, RegistryValue(std::wstring(L"abc")));
}

TEST_F(RegistryWineTest, MissingKeysAreNeverCreated) {
    const std::wstring missing = keyPath + L"\\Missing";
    EXPECT_FALSE(WriteRegistryValue(registry, kernel, HkeyLocalMachine, missing, L"Value",
                                    std::int32_t{1}, false));
    EXPECT_FALSE(WriteRegistryValue(registry, kernel, HkeyLocalMachine, missing, L"Value",
                                    std::wstring(L"text"), true));
    EXPECT_FALSE(DeleteRegistryValue(registry, kernel, HkeyLocalMachine, missing, L"Value"));

    win32::UniqueKey probe;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, missing.c_str(), 0, KEY_READ, probe.Receive()),
              ERROR_FILE_NOT_FOUND);
    DWORD subKeys = 99;
    DWORD values = 99;
    ASSERT_EQ(RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr,
                               &values, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 0u);
    EXPECT_EQ(values, 0u);
}

TEST_F(RegistryWineTest, DeleteRemovesTheValueOnce) {
    SetRawA("Quillbay", REG_SZ, "C:\\Tools\\quillsvc.exe", 22);
    EXPECT_TRUE(DeleteRegistryValue(registry, kernel, HkeyLocalMachine, keyPath, L"Quillbay"));
    EXPECT_FALSE(Raw("Quillbay").has_value());
    EXPECT_FALSE(DeleteRegistryValue(registry, kernel, HkeyLocalMachine, keyPath, L"Quillbay"));
}

TEST_F(RegistryWineTest, UnexpectedTypesAndSizesNeverBreakTheReader) {
    const BYTE shortDword[] = {0x2C, 0x01};
    SetRawW(L"Short dword", REG_DWORD, shortDword, sizeof(shortDword));
    const BYTE longDword[] = {7, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    SetRawW(L"Long dword", REG_DWORD, longDword, sizeof(longDword));
    SetRawW(L"Empty", REG_BINARY, nullptr, 0);
    const wchar_t multi[] = L"one\0two\0";
    SetRawW(L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
    const ULONGLONG quad = 0x0123456789ABCDEFull;
    SetRawW(L"Quad", REG_QWORD, &quad, sizeof(quad));
    std::string big(64 * 1024 - 1, 'z');
    SetRawA("Big", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1));
    std::wstring bigWide(64 * 1024, L'w');
    SetRawW(L"Big wide", REG_SZ, bigWide.c_str(),
            static_cast<DWORD>((bigWide.size() + 1) * sizeof(wchar_t)));

    RegistryValue result = std::int32_t{0};
    EXPECT_TRUE(Read(L"Short dword", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{300}));
    EXPECT_TRUE(Read(L"Long dword", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{7}));

    result = std::wstring(L"old");
    EXPECT_FALSE(Read(L"Empty", result));
    EXPECT_EQ(result, RegistryValue(std::wstring()));

    for (const wchar_t* name : {L"Multi", L"Quad"}) {
        RegistryValue untouched = std::int32_t{1234};
        EXPECT_TRUE(Read(name, untouched)) << name;
        EXPECT_EQ(untouched, RegistryValue(std::int32_t{1234})) << name;
    }

    EXPECT_TRUE(Read(L"Big", result));
    EXPECT_EQ(result, RegistryValue(std::wstring(big.begin(), big.end())));
    EXPECT_TRUE(Read(L"Big wide", result));
    EXPECT_EQ(result, RegistryValue(bigWide));
}

} // namespace
} // namespace qb::services
