#include "platform/sid.h"

#include <charconv>

namespace qb::platform {

namespace {

// Reads one decimal or 0x-prefixed hexadecimal number of up to 64 bits.
bool ReadNumber(std::string_view& text, std::uint64_t& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [next, error] = std::from_chars(begin, end, value, base);
    if (error != std::errc() || next == begin)
        return false;
    text.remove_prefix(static_cast<std::size_t>(next - begin));
    return true;
}

} // namespace

std::optional<Sid> ParseSidString(std::string_view text) {
    if (text.size() < 2 || (text[0] != 'S' && text[0] != 's') || text[1] != '-')
        return std::nullopt;
    text.remove_prefix(2);
    std::uint64_t revision = 0;
    if (!ReadNumber(text, revision) || revision != 1 || text.empty() || text[0] != '-')
        return std::nullopt;
    text.remove_prefix(1);
    std::uint64_t authority = 0;
    if (!ReadNumber(text, authority) || authority > 0xFFFFFFFFFFFFull)
        return std::nullopt;
    Sid sid;
    sid.revision = 1;
    for (int i = 0; i < 6; ++i)
        sid.identifierAuthority[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(authority >> (8 * (5 - i)));
    while (!text.empty()) {
        if (text[0] != '-')
            return std::nullopt;
        text.remove_prefix(1);
        std::uint64_t sub = 0;
        if (!ReadNumber(text, sub) || sub > 0xFFFFFFFFull)
            return std::nullopt;
        sid.subAuthorities.push_back(static_cast<std::uint32_t>(sub));
        if (sid.subAuthorities.size() > 15)
            return std::nullopt;
    }
    return sid;
}

std::string SidToString(const Sid& sid) {
    std::uint64_t authority = 0;
    for (std::uint8_t byte : sid.identifierAuthority)
        authority = (authority << 8) | byte;
    std::string text = "S-" + std::to_string(sid.revision) + "-" + std::to_string(authority);
    for (std::uint32_t sub : sid.subAuthorities)
        text += "-" + std::to_string(sub);
    return text;
}

} // namespace qb::platform
