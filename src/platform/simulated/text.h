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
// Appends the UTF-8 bytes of the character `c`, which must be one UTF-8 can hold.
void AppendUtf8(std::string& out, char32_t c);
std::wstring Utf8ToWide(std::string_view text);
// The same into `wide`, whose room is used again.
void Utf8ToWide(std::string_view text, std::wstring& wide);

// The code pages a simulated machine can have as its ANSI code page: 1252 (Western
// European), 1250 (Central European), 932 (Japanese, double-byte) and 65001 (UTF-8).
bool IsKnownCodePage(std::uint32_t codePage);
// WideCharToMultiByte without flags: a character the code page lacks becomes its best fit
// where the code page has one (Ł as L in 1252), else `defaultChar`. UTF-8 does not use
// `defaultChar` (see WideToUtf8).
std::string EncodeCodePage(std::uint32_t codePage, std::wstring_view text, char defaultChar);
// MultiByteToWideChar without flags.
std::wstring DecodeCodePage(std::uint32_t codePage, std::string_view bytes);

} // namespace qb::simulated::detail
