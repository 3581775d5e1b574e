#include "controls/customlist/sort_key.h"

#include <array>

namespace qb::controls {

namespace {

// Windows-1252's codes 0x80..0x9F; 0 marks the five codes it leaves unassigned.
constexpr std::array<char16_t, 32> k1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr char32_t kDefaultCharacter = U'?';

} // namespace

AnsiBytesOf Windows1252Bytes() {
    return [](wchar_t c) -> std::string {
        const auto code = static_cast<std::uint32_t>(static_cast<char32_t>(c));
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
            return std::string(1, static_cast<char>(code));
        for (std::size_t i = 0; i < k1252High.size(); ++i) {
            if (k1252High[i] != 0 && k1252High[i] == code)
                return std::string(1, static_cast<char>(0x80 + i));
        }
        return {};
    };
}

std::wstring LowerCaseName(std::wstring_view name) {
    std::wstring lower(name);
    for (wchar_t& ch : lower)
        ch = LowerCase(ch);
    return lower;
}

wchar_t LowerCase(wchar_t ch) {
    const auto c = static_cast<std::uint32_t>(static_cast<char32_t>(ch));
    // Capitals whose small letters lie 32 further on: ASCII, Latin-1, Greek and Cyrillic.
    const bool smallAfter32 = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
                              (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F);
    std::uint32_t l = c;
    if (smallAfter32)
        l = c + 32;
    else if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A: pairs, capital first; three stretches pair odd with even.
        const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x178)
            l = 0xFF;
        else if (c != 0x130 && c != 0x138 && c != 0x149 && c != 0x17F &&
                 (oddPairs ? (c % 2 == 1) : (c % 2 == 0)))
            l = c + 1;
    } else if (c >= 0x400 && c <= 0x40F)
        l = c + 80;
    return static_cast<wchar_t>(l);
}

SortKeyBuilder::SortKeyBuilder(AnsiBytesOf ansiBytes) : ansiBytes_(std::move(ansiBytes)) {}

SortKey SortKeyBuilder::Forwards(std::wstring_view lowerName) {
    SortKey key;
    key.reserve(lowerName.size());
    for (wchar_t c : lowerName)
        key.push_back(static_cast<char32_t>(static_cast<std::uint32_t>(c)));
    return key;
}

void SortKeyBuilder::AppendForwardsOf(SortKey& key, std::wstring_view name) {
    for (wchar_t c : name)
        key.push_back(static_cast<char32_t>(static_cast<std::uint32_t>(LowerCase(c))));
}

SortKey SortKeyBuilder::Backwards(std::wstring_view lowerName) {
    SortKey key;
    key.reserve(lowerName.size());
    for (wchar_t c : lowerName)
        key += Mirrored(c);
    return key;
}

const std::u32string& SortKeyBuilder::Mirrored(wchar_t c) {
    const auto found = cache_.find(c);
    if (found != cache_.end())
        return found->second;
    std::u32string codes;
    const std::string bytes = ansiBytes_ ? ansiBytes_(c) : std::string();
    if (bytes.empty() || bytes.find('\0') != std::string::npos) {
        codes.push_back(256 - kDefaultCharacter);
    } else {
        for (char b : bytes)
            codes.push_back(static_cast<char32_t>(256 - static_cast<unsigned char>(b)));
    }
    return cache_.emplace(c, std::move(codes)).first->second;
}

} // namespace qb::controls
