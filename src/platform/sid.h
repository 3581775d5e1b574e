#pragma once
// A security identifier as a value: revision, 48-bit identifier authority and
// sub-authorities. The Win32 binding converts it to and from the platform's PSID.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qb::platform {

struct Sid {
    std::uint8_t revision = 1;
    std::array<std::uint8_t, 6> identifierAuthority{};
    std::vector<std::uint32_t> subAuthorities;

    bool operator==(const Sid&) const = default;
};

// Parses the "S-1-5-32-544" form; nullopt for anything else.
std::optional<Sid> ParseSidString(std::string_view text);
// The "S-1-5-32-544" form.
std::string SidToString(const Sid& sid);

} // namespace qb::platform
