#pragma once
// The four built-in local groups that make up an account's user type, and the bit each
// has in userInfo::UserGroups.

#include <array>
#include <cstdint>

namespace qb {

// Indexes into the group table; each group has one bit in UserGroups: 1 << index.
enum BuiltinGroup : int {
    GuestsGroup = 0,
    UsersGroup = 1,
    AdministratorsGroup = 2,
    PowerUsersGroup = 3,
};

inline constexpr int kBuiltinGroupCount = 4;

// Identified by well-known identifier, not by name, so that localized and renamed
// groups are found on every language edition. In BuiltinGroup order.
inline constexpr std::array<const char*, kBuiltinGroupCount> kBuiltinGroupSids = {
    "S-1-5-32-546", // Guests
    "S-1-5-32-545", // Users
    "S-1-5-32-544", // Administrators
    "S-1-5-32-547", // Power Users
};

constexpr std::int32_t GroupBit(int index) {
    return std::int32_t{1} << index;
}

constexpr bool IsBuiltinGroup(int index) {
    return index >= 0 && index < kBuiltinGroupCount;
}

} // namespace qb
