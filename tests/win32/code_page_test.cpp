// The simulated machine's text conversions against the platform's own, under Wine: every
// character of the Basic Multilingual Plane written and every code read, in each code
// page a simulated machine can have, called as the kernel32 binding calls them (no flags;
// writing with a default character). A failure names the first disagreement.

#include "platform/simulated/code_page_tables.h"
#include "platform/simulated/text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

namespace qb::simulated {
namespace {

using detail::DecodeCodePage;
using detail::EncodeCodePage;

// Bytes as "93 FA", code units as "U+65E5 U+672C".
template <typename Text>
std::string Hex(const Text& text) {
    std::string hex;
    for (const auto c : text) {
        char one[10];
        std::snprintf(one, sizeof one, sizeof(c) == 1 ? "%02X " : "U+%04X ",
                      static_cast<unsigned>(static_cast<std::make_unsigned_t<decltype(c)>>(c)));
        hex += one;
    }
    return hex.empty() ? "(none)" : hex.substr(0, hex.size() - 1);
}

// The default character goes with a NUL after it: in a double-byte code page the platform
// may take it for a double-byte character, and Wine reads the second byte in any case.
std::string PlatformWrite(UINT codePage, std::wstring_view text, char defaultChar) {
    const char replacement[2] = {defaultChar, '\0'};
    const int length = static_cast<int>(text.size());
    const int needed =
        ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, replacement, nullptr);
    std::string bytes(static_cast<std::size_t>(needed > 0 ? needed : 0), '\0');
    const int written = ::WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(),
                                              needed, replacement, nullptr);
    bytes.resize(static_cast<std::size_t>(written > 0 ? written : 0));
    return bytes;
}

std::wstring PlatformRead(UINT codePage, std::string_view bytes) {
    const int length = static_cast<int>(bytes.size());
    const int needed = ::MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(needed > 0 ? needed : 0), L'\0');
    const int written =
        ::MultiByteToWideChar(codePage, 0, bytes.data(), length, text.data(), needed);
    text.resize(static_cast<std::size_t>(written > 0 ? written : 0));
    return text;
}

// Every code page the simulated machine knows besides UTF-8.
std::vector<std::uint32_t> MachineCodePages() {
    std::vector<std::uint32_t> codePages;
    for (const detail::CodePageData& table : detail::CodePageTables())
        codePages.push_back(table.codePage);
    return codePages;
}

class CodePageUnderWine : public ::testing::TestWithParam<std::uint32_t> {
protected:
    void SetUp() override { ASSERT_TRUE(::IsValidCodePage(GetParam())) << "not in this prefix"; }
};

TEST_P(CodePageUnderWine, EveryCharacterIsWrittenAsThePlatformWritesIt) {
    const UINT codePage = GetParam();
    // Two defaults, so that a best fit that happens to equal one of them still shows.
    for (char defaultChar : {'0', '?'}) {
        for (std::uint32_t c = 0; c <= 0xFFFF; ++c) {
            const std::wstring one(1, static_cast<wchar_t>(c));
            const std::string expected = PlatformWrite(codePage, one, defaultChar);
            const std::string got = EncodeCodePage(codePage, one, defaultChar);
            ASSERT_TRUE(got == expected) << Hex(one) << " with default '" << defaultChar
                                         << "': expected " << Hex(expected) << ", got " << Hex(got);
        }
    }
}

// Every single byte and every pair of bytes: a pair is a double-byte character, a lead
// byte with an invalid trail, or two single bytes.
TEST_P(CodePageUnderWine, EveryCodeIsReadAsThePlatformReadsIt) {
    const UINT codePage = GetParam();
    for (std::uint32_t code = 0; code <= 0xFFFF + 0x100; ++code) {
        std::string bytes;
        if (code <= 0xFFFF)
            bytes.push_back(static_cast<char>(code >> 8));
        bytes.push_back(static_cast<char>(code & 0xFF));
        const std::wstring expected = PlatformRead(codePage, bytes);
        const std::wstring got = DecodeCodePage(codePage, bytes);
        ASSERT_TRUE(got == expected)
            << "bytes " << Hex(bytes) << ": expected " << Hex(expected) << ", got " << Hex(got);
    }
}

// Whole texts in one call, as the ports convert them: every code unit in a row (with
// NUL, lone surrogates and a pair among them), and a long run of mixed bytes.
TEST_P(CodePageUnderWine, WholeTextsConvertAsThePlatformConvertsThem) {
    const UINT codePage = GetParam();
    std::wstring text;
    for (std::uint32_t c = 0; c <= 0xFFFF; ++c)
        text.push_back(static_cast<wchar_t>(c));
    text += L"Łukasz \U0001F600 日本";
    const std::string expected = PlatformWrite(codePage, text, '0');
    const std::string got = EncodeCodePage(codePage, text, '0');
    const auto firstWrong = std::mismatch(expected.begin(), expected.end(), got.begin(), got.end());
    EXPECT_TRUE(got == expected) << "from byte " << (firstWrong.first - expected.begin())
                                 << " on, of " << expected.size();

    std::string bytes;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 200'000; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes.push_back(static_cast<char>(seed >> 23));
    }
    const std::wstring read = PlatformRead(codePage, bytes);
    const std::wstring gotRead = DecodeCodePage(codePage, bytes);
    const auto firstWrongRead =
        std::mismatch(read.begin(), read.end(), gotRead.begin(), gotRead.end());
    EXPECT_TRUE(gotRead == read) << "from character " << (firstWrongRead.first - read.begin())
                                 << " on, of " << read.size();
}

INSTANTIATE_TEST_SUITE_P(Simulated, CodePageUnderWine, ::testing::ValuesIn(MachineCodePages()),
                         [](const ::testing::TestParamInfo<std::uint32_t>& param) {
                             return "CodePage" + std::to_string(param.param);
                         });

} // namespace
} // namespace qb::simulated
