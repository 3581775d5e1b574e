#pragma once
// Text conversions of the simulated machine: UTF-8 for its file and the machine's ANSI
// code page for the "A" functions. wchar_t holds UTF-16 on Windows and UTF-32 elsewhere;
// both are handled.

#include <cstdint>
#include <string>
#include <string_view>

namespace qb::simulated::detail {

constexpr std::uint32_t CodePageWestern = 1252;
constexpr std::uint32_t CodePageUtf8 = 65001;

// Characters that cannot be written as UTF-8 (lone surrogates, values past U+10FFFF)
// become U+FFFD; so do malformed UTF-8 sequences when reading.
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

// The code pages a simulated machine can have as its ANSI code page.
bool IsKnownCodePage(std::uint32_t codePage);
std::string EncodeCodePage(std::uint32_t codePage, std::wstring_view text, char defaultChar);
std::wstring DecodeCodePage(std::uint32_t codePage, std::string_view bytes);

} // namespace qb::simulated::detail
