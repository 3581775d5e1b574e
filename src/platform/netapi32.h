#pragma once
// The account database of the local machine, as netapi32 offers it. Every call goes to
// the local machine (server name null). Texts are UTF-16, as the platform keeps them;
// platform buffers never leave the binding: results are copied into these values.

#include "platform/sid.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qb::platform {

using NetApiStatus = std::uint32_t;

// Status codes the account store and the simulated machine speak.
namespace net_status {
constexpr NetApiStatus Success = 0;
constexpr NetApiStatus AccessDenied = 5;
constexpr NetApiStatus NotEnoughMemory = 8;
constexpr NetApiStatus InvalidParameter = 87;
constexpr NetApiStatus InvalidLevel = 124;
constexpr NetApiStatus MoreData = 234;
constexpr NetApiStatus MemberNotInAlias = 1377;
constexpr NetApiStatus MemberInAlias = 1378;
constexpr NetApiStatus NoSuchMember = 1387;
constexpr NetApiStatus InvalidMember = 1388;
constexpr NetApiStatus GroupNotFound = 2220;
constexpr NetApiStatus UserNotFound = 2221;
constexpr NetApiStatus UserExists = 2224;
constexpr NetApiStatus BadUsername = 2202;
constexpr NetApiStatus PasswordTooShort = 2245;
} // namespace net_status

// Bits of an account's flag word.
namespace user_flags {
constexpr std::uint32_t Script = 0x0001;
constexpr std::uint32_t AccountDisable = 0x0002;
constexpr std::uint32_t HomeDirRequired = 0x0008;
constexpr std::uint32_t Lockout = 0x0010;
constexpr std::uint32_t PasswordNotRequired = 0x0020;
constexpr std::uint32_t PasswordCantChange = 0x0040;
constexpr std::uint32_t NormalAccount = 0x0200;
constexpr std::uint32_t InterdomainTrustAccount = 0x0800;
constexpr std::uint32_t WorkstationTrustAccount = 0x1000;
constexpr std::uint32_t ServerTrustAccount = 0x2000;
constexpr std::uint32_t DontExpirePassword = 0x10000;
} // namespace user_flags

// Account privilege levels of the level-2 information.
namespace user_priv {
constexpr std::uint32_t Guest = 0;
constexpr std::uint32_t User = 1;
constexpr std::uint32_t Admin = 2;
} // namespace user_priv

constexpr std::uint32_t MaxPreferredLength = 0xFFFFFFFF;
// Flag of the local-group query that adds memberships through global groups.
constexpr std::uint32_t LgIncludeIndirect = 0x0001;

// 168 hours of a week, one bit each, day 0 = Sunday, least significant bit first.
using LogonHoursBytes = std::array<std::uint8_t, 21>;

// One entry of the user display list (NET_DISPLAY_USER, level 1).
struct NetDisplayUser {
    std::wstring name;
    std::wstring comment;
    std::uint32_t flags = 0;
    std::wstring fullName;
    std::uint32_t userId = 0;
    std::uint32_t nextIndex = 0;
};

// Account information at level 2 (USER_INFO_2), fields in the platform's order.
// logonHours is empty where the platform returns a null pointer.
struct UserInfo2 {
    std::wstring name;
    std::wstring password;
    std::uint32_t passwordAge = 0;
    std::uint32_t priv = 0;
    std::wstring homeDir;
    std::wstring comment;
    std::uint32_t flags = 0;
    std::wstring scriptPath;
    std::uint32_t authFlags = 0;
    std::wstring fullName;
    std::wstring usrComment;
    std::wstring parms;
    std::wstring workstations;
    std::uint32_t lastLogon = 0;
    std::uint32_t lastLogoff = 0;
    std::uint32_t acctExpires = 0;
    std::uint32_t maxStorage = 0;
    std::uint32_t unitsPerWeek = 0;
    std::optional<LogonHoursBytes> logonHours;
    std::uint32_t badPwCount = 0;
    std::uint32_t numLogons = 0;
    std::wstring logonServer;
    std::uint32_t countryCode = 0;
    std::uint32_t codePage = 0;
};

// The information levels NetUserSetInfo is used with; the level follows from the type.
struct UserInfo0 {
    std::wstring name;
};
struct UserInfo1003 {
    std::wstring password;
};
struct UserInfo1007 {
    std::wstring comment;
};
struct UserInfo1008 {
    std::uint32_t flags = 0;
};
struct UserInfo1011 {
    std::wstring fullName;
};
struct UserInfo1012 {
    std::wstring usrComment;
};
struct UserInfo1020 {
    std::uint32_t unitsPerWeek = 0;
    LogonHoursBytes logonHours{};
};
using UserSetInfoData = std::variant<UserInfo0, UserInfo1003, UserInfo1007, UserInfo1008,
                                     UserInfo1011, UserInfo1012, UserInfo1020>;

// The information level that a NetUserSetInfo call with this data uses.
constexpr std::uint32_t InfoLevel(const UserSetInfoData& data) {
    constexpr std::uint32_t levels[] = {0, 1003, 1007, 1008, 1011, 1012, 1020};
    return levels[data.index()];
}

// Modal information at level 2 (USER_MODALS_INFO_2): the account domain.
struct UserModalsInfo2 {
    std::wstring domainName;
    Sid domainId;
};

class Netapi32 {
public:
    virtual ~Netapi32() = default;

    // NetQueryDisplayInformation, level 1 (users), from `index`. Status 234 (MoreData)
    // when entries remain after the returned ones.
    virtual NetApiStatus QueryDisplayInformation(std::uint32_t index,
                                                 std::uint32_t entriesRequested,
                                                 std::uint32_t preferredMaximumLength,
                                                 std::vector<NetDisplayUser>& entries) = 0;
    // NetUserGetInfo, level 2.
    virtual NetApiStatus UserGetInfo(std::wstring_view userName, UserInfo2& info) = 0;
    // NetUserGetLocalGroups, level 0: the names of the local groups of an account.
    virtual NetApiStatus UserGetLocalGroups(std::wstring_view userName, std::uint32_t flags,
                                            std::uint32_t preferredMaximumLength,
                                            std::vector<std::wstring>& groupNames) = 0;
    // NetUserModalsGet, level 2.
    virtual NetApiStatus UserModalsGet(UserModalsInfo2& info) = 0;
    // NetUserSetInfo at the level of `data`. The parameter-error index is not reported.
    virtual NetApiStatus UserSetInfo(std::wstring_view userName, const UserSetInfoData& data) = 0;
    // NetLocalGroupAddMembers / NetLocalGroupDelMembers, level 3, one member by name.
    virtual NetApiStatus LocalGroupAddMember(std::wstring_view groupName,
                                             std::wstring_view memberName) = 0;
    virtual NetApiStatus LocalGroupDelMember(std::wstring_view groupName,
                                             std::wstring_view memberName) = 0;
};

} // namespace qb::platform
