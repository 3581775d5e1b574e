#pragma once
// The conversion tables of the ANSI code pages a simulated machine can have, in the
// compact form that code_page_tables.cpp holds. code_page.cpp turns them into full
// look-up tables once, on first use.
//
// A multi-byte code is the byte itself for a single byte and lead * 256 + trail for a
// double-byte character. A code is read only when it can occur: a single byte that is
// no lead byte, or a lead byte with a trail byte other than NUL (a NUL ends the text even
// after a lead byte).

#include <cstdint>
#include <span>

namespace qb::simulated::detail {

enum class RunKind : std::uint8_t {
    Linear, // start, start + 1, start + 2, ...
    Same,   // start for every one
    Listed, // the values of the list from index start on
};

// The keys [first, first + count) map to the values that `kind` and `start` give.
struct Run {
    std::uint16_t first;
    std::uint16_t count;
    std::uint16_t start;
    RunKind kind;
};

// In the writing runs: no character of the code page, so the caller's default character.
constexpr std::uint16_t NoCode = 0xFFFF;

// The lead bytes [first, last] of a double-byte code page.
struct LeadByteRange {
    std::uint8_t first;
    std::uint8_t last;
};

struct CodePageData {
    std::uint32_t codePage;
    // What MultiByteToWideChar gives for a code in no reading run, and for a lead byte
    // at the end of the text or before a NUL.
    char16_t invalidChar;
    std::span<const LeadByteRange> leadBytes; // empty: a single-byte code page
    // MultiByteToWideChar, from code to character.
    std::span<const Run> read;
    std::span<const char16_t> readList;
    // WideCharToMultiByte, from character to code, where that differs from reading
    // backwards (each character written as the lowest code that reads as it): the "best
    // fit" replacements, such as Ł written as L in code page 1252, the one code chosen
    // where several read as the same character, and the characters without a code.
    std::span<const Run> write;
    std::span<const std::uint16_t> writeList;
};

// Every code page the tables hold.
std::span<const CodePageData> CodePageTables();

} // namespace qb::simulated::detail
