#pragma once
// The registry service's cases, run against more than one registry: each test file
// instantiates them with a backend that supplies
//
//   platform::RegistryApi& Registry();  platform::TextApi& Text();  platform::PathsApi& Paths();
//   std::wstring KeyPath();              the test's own key under HKEY_LOCAL_MACHINE, empty
//   void SetText(const wchar_t* name, std::uint32_t type, std::wstring_view text);
//                                        text stored as the platform stores it, with exactly
//                                        the characters given (a NUL among them included)
//   void SetBytes(const wchar_t* name, std::uint32_t type, std::vector<std::uint8_t> bytes);
//   Stored Raw(const char* name);        type and bytes as the "A" functions see them;
//                                        REG_NONE and no bytes when there is no value
//   bool KeyIsEmpty();                   the test's key has no subkeys and no values
//   std::wstring SystemRoot();           the SystemRoot environment variable
//   std::optional<std::size_t> OpenKeys(); keys still open, where the backend can tell

#include "platform/advapi32.h"
#include "services/registry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qb::services::cases {

using Stored = std::pair<std::uint32_t, std::vector<std::uint8_t>>;
namespace rt = platform::reg_type;

template <typename Backend>
class RegistryService : public ::testing::Test {
protected:
    void SetUp() override { keyPath = b.KeyPath(); }
    void TearDown() override {
        // Every operation closes the keys it opened.
        if (const auto open = b.OpenKeys()) {
            EXPECT_EQ(*open, 0u);
        }
    }

    bool Read(const std::wstring& name, RegistryValue& result) {
        return ReadRegistryValue(b.Registry(), b.Text(), b.Paths(), platform::HkeyLocalMachine,
                                 keyPath, name, result);
    }
    bool Write(const std::wstring& name, const RegistryValue& value, bool asBinary = false) {
        return WriteRegistryValue(b.Registry(), b.Text(), platform::HkeyLocalMachine, keyPath, name,
                                  value, asBinary);
    }
    bool Delete(const std::wstring& name) {
        return DeleteRegistryValue(b.Registry(), b.Text(), platform::HkeyLocalMachine, keyPath,
                                   name);
    }

    Backend b;
    std::wstring keyPath; // the key the service is asked about
};

TYPED_TEST_SUITE_P(RegistryService);

TYPED_TEST_P(RegistryService, MissingValuesAndKeysReadAsZeroOrEmptyAndFail) {
    for (const wchar_t* below : {L"", L"\\Missing"}) {
        this->keyPath = this->b.KeyPath() + below;
        RegistryValue number = std::int32_t{17};
        EXPECT_FALSE(this->Read(L"Missing", number));
        EXPECT_EQ(number, RegistryValue(std::int32_t{0}));
        RegistryValue text = std::wstring(L"stale");
        EXPECT_FALSE(this->Read(L"Missing", text));
        EXPECT_EQ(text, RegistryValue(std::wstring()));
    }
}

TYPED_TEST_P(RegistryService, NumbersAndTextReadAsStored) {
    using namespace std::string_view_literals;
    this->b.SetBytes(L"Three hundred", rt::Dword, {0x2C, 0x01, 0, 0});
    this->b.SetBytes(L"All ones", rt::Dword, {0xFF, 0xFF, 0xFF, 0xFF});
    this->b.SetText(L"Terminated", rt::Sz, L"abc\0"sv);
    this->b.SetText(L"Unterminated", rt::Sz, L"abc"sv);
    this->b.SetText(L"Path", rt::ExpandSz, L"%SystemRoot%\\system32\0"sv);

    const std::pair<const wchar_t*, RegistryValue> expected[] = {
        {L"Three hundred", std::int32_t{300}},           {L"All ones", std::int32_t{-1}},
        {L"Terminated", std::wstring(L"abc")},           {L"Unterminated", std::wstring(L"abc")},
        {L"Path", this->b.SystemRoot() + L"\\system32"},
    };
    for (const auto& [name, value] : expected) {
        RegistryValue result = std::wstring(L"stale");
        EXPECT_TRUE(this->Read(name, result)) << name;
        EXPECT_EQ(result, value) << name;
    }
}

TYPED_TEST_P(RegistryService, WritesStoreFourByteIntegersAndTextWithItsZeroByte) {
    ASSERT_TRUE(this->Write(L"One", std::int32_t{1}));
    ASSERT_TRUE(this->Write(L"Minus two", std::int32_t{-2}));
    ASSERT_TRUE(this->Write(L"Run", std::wstring(L"C:\\q.exe")));
    ASSERT_TRUE(this->Write(L"Blob", std::wstring(L"abc"), true));
    EXPECT_EQ(this->b.Raw("One"), (Stored{rt::Dword, {1, 0, 0, 0}}));
    EXPECT_EQ(this->b.Raw("Minus two"), (Stored{rt::Dword, {0xFE, 0xFF, 0xFF, 0xFF}}));
    EXPECT_EQ(this->b.Raw("Run"), (Stored{rt::Sz, {'C', ':', '\\', 'q', '.', 'e', 'x', 'e', 0}}));
    EXPECT_EQ(this->b.Raw("Blob"), (Stored{rt::Binary, {'a', 'b', 'c', 0}}));

    // What the program writes, it reads back as written.
    RegistryValue back = std::int32_t{0};
    EXPECT_TRUE(this->Read(L"Blob", back));
    EXPECT_EQ(back, RegistryValue(std::wstring(L"abc")));

    EXPECT_TRUE(this->Delete(L"Run"));
    EXPECT_EQ(this->b.Raw("Run").first, rt::None);
    EXPECT_FALSE(this->Delete(L"Run"));
}

TYPED_TEST_P(RegistryService, MissingKeysAreNeverCreated) {
    this->keyPath = this->b.KeyPath() + L"\\Missing";
    EXPECT_FALSE(this->Write(L"Value", std::int32_t{1}));
    EXPECT_FALSE(this->Write(L"Value", std::wstring(L"text"), true));
    EXPECT_FALSE(this->Delete(L"Value"));
    EXPECT_TRUE(this->b.KeyIsEmpty());
}

TYPED_TEST_P(RegistryService, OddValuesNeverBreakTheReader) {
    using namespace std::string_view_literals;
    const std::wstring big(64 * 1024, L'w');
    this->b.SetBytes(L"Short dword", rt::Dword, {0x2C, 0x01});
    this->b.SetText(L"Multi", rt::MultiSz, L"one\0two\0\0"sv);
    this->b.SetBytes(L"Quad", rt::Qword, {0xEF, 0xCD, 0xAB, 0x89, 0x67, 0x45, 0x23, 0x01});
    this->b.SetBytes(L"Empty", rt::Binary, {});
    this->b.SetText(L"Big", rt::Sz, big + L'\0');

    RegistryValue result = std::wstring();
    EXPECT_TRUE(this->Read(L"Short dword", result));
    EXPECT_EQ(result, RegistryValue(std::int32_t{300}));
    EXPECT_TRUE(this->Read(L"Big", result));
    EXPECT_EQ(result, RegistryValue(big));
    // Types the program does not handle leave the result as it was.
    for (const wchar_t* name : {L"Multi", L"Quad"}) {
        RegistryValue untouched = std::int32_t{1234};
        EXPECT_TRUE(this->Read(name, untouched)) << name;
        EXPECT_EQ(untouched, RegistryValue(std::int32_t{1234})) << name;
    }
    result = std::wstring(L"stale");
    EXPECT_FALSE(this->Read(L"Empty", result));
    EXPECT_EQ(result, RegistryValue(std::wstring()));
}

REGISTER_TYPED_TEST_SUITE_P(RegistryService, MissingValuesAndKeysReadAsZeroOrEmptyAndFail,
                            NumbersAndTextReadAsStored,
                            WritesStoreFourByteIntegersAndTextWithItsZeroByte,
                            MissingKeysAreNeverCreated, OddValuesNeverBreakTheReader);

} // namespace qb::services::cases
