// Windows-1252, the machine's ANSI code page, byte for byte.

#include "platform/simulated/simulated_machine.h"

#include <gtest/gtest.h>

#include <set>

namespace qb::simulated {
namespace {

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes.push_back(static_cast<char>(b));
    return bytes;
}

TEST(CodePage1252, EveryByteDecodesAndEncodesBackToItself) {
    const std::wstring decoded = DecodeCodePage1252(AllBytes());
    ASSERT_EQ(decoded.size(), 256u);
    EXPECT_EQ(EncodeCodePage1252(decoded, '?'), AllBytes());
}

TEST(CodePage1252, TheHighHalfFollowsWindowsTable) {
    const std::vector<std::pair<unsigned char, wchar_t>> table = {
        {0x80, L'\u20AC'},
        {0x82, L'\u201A'},
        {0x83, L'\u0192'},
        {0x85, L'\u2026'},
        {0x88, L'\u02C6'},
        {0x8A, L'\u0160'},
        {0x8C, L'\u0152'},
        {0x8E, L'\u017D'},
        {0x91, L'\u2018'},
        {0x94, L'\u201D'},
        {0x96, L'\u2013'},
        {0x97, L'\u2014'},
        {0x98, L'\u02DC'},
        {0x99, L'\u2122'},
        {0x9C, L'\u0153'},
        {0x9F, L'\u0178'},
        // Undefined in the code page: Windows gives the C1 control of the same value.
        {0x81, L'\u0081'},
        {0x8D, L'\u008D'},
        {0x8F, L'\u008F'},
        {0x90, L'\u0090'},
        {0x9D, L'\u009D'},
        // Latin-1 above.
        {0xA0, L'\u00A0'},
        {0xC4, L'\u00C4'},
        {0xEB, L'\u00EB'},
        {0xFF, L'\u00FF'},
        {0x7F, L'\u007F'},
        {0x00, L'\0'}};
    for (const auto& [byte, character] : table) {
        const std::string bytes(1, static_cast<char>(byte));
        EXPECT_EQ(DecodeCodePage1252(bytes), std::wstring(1, character)) << int(byte);
        EXPECT_EQ(EncodeCodePage1252(std::wstring(1, character), '?'), bytes) << int(byte);
    }
}

TEST(CodePage1252, ExactlyTwoHundredFiftySixCharactersAreMappable) {
    // A character is mappable when its encoding does not depend on the default character.
    std::set<unsigned char> bytes;
    int mappable = 0;
    for (std::uint32_t c = 0; c <= 0xFFFF; ++c) {
        const std::wstring text(1, static_cast<wchar_t>(c));
        const std::string a = EncodeCodePage1252(text, 'A');
        const std::string b = EncodeCodePage1252(text, 'B');
        ASSERT_EQ(a.size(), 1u);
        if (a == b) {
            ++mappable;
            bytes.insert(static_cast<unsigned char>(a[0]));
        }
    }
    EXPECT_EQ(mappable, 256);
    EXPECT_EQ(bytes.size(), 256u) << "each to a byte of its own";
}

TEST(CodePage1252, UnmappableCharactersBecomeTheDefaultCharacter) {
    EXPECT_EQ(EncodeCodePage1252(L"\u0080", '?'), "?") << "a C1 control that 1252 redefines";
    EXPECT_EQ(EncodeCodePage1252(L"Łukasz", '0'), "0ukasz");
    EXPECT_EQ(EncodeCodePage1252(L"Ωmega \u4E2D", '#'), "#mega #");
    EXPECT_EQ(EncodeCodePage1252(L"Crème brûlée – 5 €", '?'), "Cr\xE8me br\xFBl\xE9"
                                                              "e \x96 5 \x80");
    // A character beyond the basic plane is two code units where wchar_t has 16 bits.
    EXPECT_EQ(EncodeCodePage1252(L"\U0001F600", '?'),
              std::string(sizeof(wchar_t) == 2 ? 2 : 1, '?'));
    EXPECT_EQ(EncodeCodePage1252(L"", '?'), "");
}

} // namespace
} // namespace qb::simulated
