#include "accounts/users.h"

#include "accounts/time_zone.h"

#include <array>
#include <memory>

namespace qb {

namespace {

using platform::NetApiStatus;
namespace net_status = platform::net_status;
namespace user_flags = platform::user_flags;

// Identified by well-known identifier, not by name, so that localized and renamed
// groups are found on every language edition.
constexpr std::array<const char*, 4> kBuiltinGroupSids = {
    "S-1-5-32-546", // Guests
    "S-1-5-32-545", // Users
    "S-1-5-32-544", // Administrators
    "S-1-5-32-547", // Power Users
};

constexpr std::uint32_t kAdministratorRid = 500;
constexpr std::uint32_t kDisplayBatch = 5;
constexpr std::uint32_t kUnitsPerWeek = 168;

std::wstring UpToFirstNul(std::wstring text) {
    const auto nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        text.resize(nul);
    return text;
}

// The name a security identifier stands for on this machine, or empty text.
std::wstring LookupName(Globals& g, const platform::Sid& sid) {
    std::wstring name;
    std::wstring domain;
    if (!g.ports.security.LookupSidName(sid, name, domain))
        return {};
    return UpToFirstNul(std::move(name));
}

// Direct membership of each built-in group, from one listing of the account's local
// groups. A failed listing means no membership at all.
std::array<bool, 4> BuiltinMemberships(Globals& g, const std::wstring& accountName) {
    std::array<bool, 4> member{};
    std::vector<std::wstring> groups;
    if (g.ports.netapi.UserGetLocalGroups(accountName, 0, platform::MaxPreferredLength, groups) !=
        net_status::Success)
        return member;
    std::array<std::wstring, 4> builtin;
    for (int i = 0; i < 4; ++i)
        builtin[static_cast<std::size_t>(i)] = GetBuiltinGroupName(g, i);
    for (const std::wstring& group : groups) {
        const std::wstring name = WideToAnsi(g, group.c_str());
        for (std::size_t i = 0; i < 4; ++i)
            if (!builtin[i].empty() && name == builtin[i])
                member[i] = true;
    }
    return member;
}

} // namespace

std::wstring GetLoggedOnUserName(Globals& g) {
    std::wstring name;
    if (!g.ports.security.QueryUserName(name))
        return {};
    return UpToFirstNul(std::move(name));
}

bool GetAccountInfo(Globals& g, const std::wstring& name, platform::UserInfo2& info) {
    const std::wstring& who = name.empty() ? g.CurrentUserName : name;
    platform::UserInfo2 read;
    if (g.ports.netapi.UserGetInfo(who, read) != net_status::Success)
        return false;
    // Only the numbers are handed on; the texts belonged to the platform's buffer.
    info = platform::UserInfo2{};
    info.passwordAge = read.passwordAge;
    info.priv = read.priv;
    info.flags = read.flags;
    info.authFlags = read.authFlags;
    info.lastLogon = read.lastLogon;
    info.lastLogoff = read.lastLogoff;
    info.acctExpires = read.acctExpires;
    info.maxStorage = read.maxStorage;
    info.unitsPerWeek = read.unitsPerWeek;
    info.badPwCount = read.badPwCount;
    info.numLogons = read.numLogons;
    info.countryCode = read.countryCode;
    info.codePage = read.codePage;
    return true;
}

bool CurrentUserHasAdminPrivilege(Globals& g) {
    platform::UserInfo2 info;
    if (!GetAccountInfo(g, std::wstring(), info))
        return false;
    return (info.priv & 2u) != 0;
}

std::wstring WideToAnsi(Globals& g, const wchar_t* text) {
    if (text == nullptr)
        return {};
    std::string bytes = g.ports.kernel.WideCharToMultiByte(platform::CpAcp, text, '0');
    const auto nul = bytes.find('\0');
    if (nul != std::string::npos)
        bytes.resize(nul);
    return g.ports.kernel.MultiByteToWideChar(platform::CpAcp, bytes);
}

void LoadAccounts(Globals& g) {
    g.Accounts.Clear();
    g.CurrentUserIndex = 0;
    g.AdministratorAccountName = GetAdministratorAccountName(g);

    std::uint32_t index = 0;
    for (;;) {
        std::vector<platform::NetDisplayUser> entries;
        const NetApiStatus status = g.ports.netapi.QueryDisplayInformation(
            index, kDisplayBatch, platform::MaxPreferredLength, entries);
        if (status != net_status::Success && status != net_status::MoreData)
            break;
        for (const platform::NetDisplayUser& entry : entries) {
            // Machine trust accounts and other kinds are not people's accounts.
            if ((entry.flags & user_flags::NormalAccount) == 0)
                continue;
            auto record = std::make_unique<userInfo>();
            record->SetUserName(WideToAnsi(g, entry.name.c_str()));
            if (!ReadAccount(g, *record))
                continue;
            const bool current = record->CurrentUser();
            g.Accounts.Add(std::move(record));
            if (current)
                g.CurrentUserIndex = g.Accounts.Count();
        }
        // An empty batch that still claims more data would repeat the same request.
        if (status != net_status::MoreData || entries.empty())
            break;
        index = entries.back().nextIndex;
    }
}

bool ReadAccount(Globals& g, userInfo& record) {
    const std::wstring name = record.UserName();
    platform::UserInfo2 info;
    if (g.ports.netapi.UserGetInfo(name, info) != net_status::Success)
        return false;
    // A user without administrator privilege sees only their own account.
    if (name != g.CurrentUserName && !g.CurrentUserIsAdmin)
        return false;

    const std::wstring readName = WideToAnsi(g, info.name.c_str());
    record.SetUserName(readName, true);
    record.SetFullName(WideToAnsi(g, info.fullName.c_str()), true);
    record.SetFlags(info.flags);
    record.SetAccountDisabled((info.flags & user_flags::AccountDisable) != 0, true);
    record.SetPasswordCantChange((info.flags & user_flags::PasswordCantChange) != 0, true);
    record.SetPasswordNotNeeded((info.flags & user_flags::PasswordNotRequired) != 0, true);

    const std::array<bool, 4> member = BuiltinMemberships(g, readName);
    std::int32_t type = static_cast<std::int32_t>(info.priv);
    // Administrator comes from the platform's privilege and outranks Power Users
    // membership, which outranks User and Guest.
    if (info.priv < platform::user_priv::Admin && member[PowerUsersGroup])
        type = PowerUser;
    std::int32_t groups = 0;
    for (int i = 0; i < 4; ++i)
        if (member[static_cast<std::size_t>(i)])
            groups |= 1 << i;
    record.SetUserType(type, true);
    record.SetUserGroups(groups, true);

    record.SetIsAdministratorAccount(readName == g.AdministratorAccountName);
    record.SetPassword(WideToAnsi(g, info.password.c_str()), true);
    record.SetLastLogon(
        LastLogonToLocal(g.ports.kernel, static_cast<std::int32_t>(info.lastLogon)));
    record.SetComment(WideToAnsi(g, info.comment.c_str()), true);
    record.SetUserComment(WideToAnsi(g, info.usrComment.c_str()), true);
    record.SetCurrentUser(readName == g.CurrentUserName);
    // No bitmap at all means, by the platform's convention, no restrictions.
    for (int i = 0; i < kLogonHourBytes; ++i)
        record.SetLogonHour(
            i, info.logonHours ? (*info.logonHours)[static_cast<std::size_t>(i)] : 255, true);
    return true;
}

std::wstring GetBuiltinGroupName(Globals& g, int index) {
    if (index < 0 || index > 3)
        return {};
    std::optional<std::wstring>& cached = g.builtinGroupNames[static_cast<std::size_t>(index)];
    if (!cached) {
        const std::optional<platform::Sid> sid =
            g.ports.security.StringToSid(kBuiltinGroupSids[static_cast<std::size_t>(index)]);
        cached = sid ? LookupName(g, *sid) : std::wstring();
    }
    return *cached;
}

std::wstring GroupDisplayName(Globals& g, int index) {
    std::wstring name = GetBuiltinGroupName(g, index);
    return name.empty() ? L"Not known" : name;
}

bool IsGroupMember(Globals& g, const std::wstring& accountName, int index) {
    if (GetBuiltinGroupName(g, index).empty())
        return false;
    return BuiltinMemberships(g, accountName)[static_cast<std::size_t>(index)];
}

std::wstring GetAdministratorAccountName(Globals& g) {
    const std::optional<platform::Sid> sid = BuildAccountSid(g, kAdministratorRid);
    return sid ? LookupName(g, *sid) : std::wstring();
}

std::optional<platform::Sid> BuildAccountSid(Globals& g, std::uint32_t rid) {
    platform::UserModalsInfo2 modals;
    if (g.ports.netapi.UserModalsGet(modals) != net_status::Success)
        return std::nullopt;
    platform::Sid sid = modals.domainId;
    sid.subAuthorities.push_back(rid);
    return sid;
}

bool SaveAccount(Globals& g, userInfo& record) {
    platform::Netapi32& netapi = g.ports.netapi;
    // Every write addresses the account by the name the system knows; the rename, if
    // any, comes last so that the earlier writes still find it.
    const std::wstring target = record.UserName(true);
    bool allWritten = true;
    auto write = [&](const platform::UserSetInfoData& data) {
        if (netapi.UserSetInfo(target, data) != net_status::Success)
            allWritten = false;
    };

    if (record.HoursHaveChanged()) {
        platform::UserInfo1020 hours;
        hours.unitsPerWeek = kUnitsPerWeek;
        for (int i = 0; i < kLogonHourBytes; ++i)
            hours.logonHours[static_cast<std::size_t>(i)] = record.LogonHour(i);
        write(hours);
    }

    if (record.UserType() != record.UserType(true))
        MakePlainUser(g, target);

    // A current mask of 0 never changes membership: an account is never taken out of
    // every built-in group. Failures here show in the read-back, not in the result.
    const std::int32_t before = record.UserGroups(true);
    const std::int32_t after = record.UserGroups();
    if (before != after && after != 0) {
        for (int i = 0; i < 4; ++i) {
            const std::int32_t bit = 1 << i;
            if (((before ^ after) & bit) == 0)
                continue;
            const std::wstring group = GetBuiltinGroupName(g, i);
            if (group.empty())
                continue;
            if (after & bit)
                netapi.LocalGroupAddMember(group, target);
            else
                netapi.LocalGroupDelMember(group, target);
        }
    }

    if (record.FullName() != record.FullName(true))
        write(platform::UserInfo1011{record.FullName()});

    // An account that needs no password gets an empty one on every save, so that a
    // password set earlier cannot linger behind the flag.
    if (record.PasswordNotNeeded()) {
        record.SetPassword(std::wstring());
        write(platform::UserInfo1003{std::wstring()});
    } else if (!record.Password().empty()) {
        write(platform::UserInfo1003{record.Password()});
    }

    if (record.AccountDisabled() != record.AccountDisabled(true) ||
        record.PasswordCantChange() != record.PasswordCantChange(true) ||
        record.PasswordNotNeeded() != record.PasswordNotNeeded(true)) {
        // Every other bit, such as the lockout bit, goes back as it was read.
        std::uint32_t flags = record.Flags();
        flags &= ~(user_flags::AccountDisable | user_flags::PasswordNotRequired |
                   user_flags::PasswordCantChange);
        flags |= user_flags::Script;
        if (record.AccountDisabled())
            flags |= user_flags::AccountDisable;
        if (record.PasswordNotNeeded())
            flags |= user_flags::PasswordNotRequired;
        if (record.PasswordCantChange())
            flags |= user_flags::PasswordCantChange;
        write(platform::UserInfo1008{flags});
    }

    if (record.Comment() != record.Comment(true))
        write(platform::UserInfo1007{record.Comment()});
    if (record.UserComment() != record.UserComment(true))
        write(platform::UserInfo1012{record.UserComment()});
    bool renameFailed = false;
    if (record.UserName() != record.UserName(true)) {
        renameFailed = netapi.UserSetInfo(target, platform::UserInfo0{record.UserName()}) !=
                       net_status::Success;
        allWritten = allWritten && !renameFailed;
    }

    // After a refused rename the new name is not this account's: it is no one's, or
    // another account's (the usual reason for the refusal), whose values must not be
    // taken for this record's. The record then keeps its edits and stays changed.
    const bool readBack = !renameFailed && ReadAccount(g, record);
    return allWritten && readBack;
}

void MakePlainUser(Globals& g, const std::wstring& name) {
    const std::wstring administrators = GetBuiltinGroupName(g, AdministratorsGroup);
    const std::wstring users = GetBuiltinGroupName(g, UsersGroup);
    const std::wstring powerUsers = GetBuiltinGroupName(g, PowerUsersGroup);

    std::vector<std::wstring> groups;
    if (g.ports.netapi.UserGetLocalGroups(name, 0, platform::MaxPreferredLength, groups) !=
        net_status::Success)
        return;
    bool inAdministrators = false;
    bool inUsers = false;
    bool inPowerUsers = false;
    for (const std::wstring& group : groups) {
        const std::wstring groupName = WideToAnsi(g, group.c_str());
        if (!administrators.empty() && groupName == administrators)
            inAdministrators = true;
        else if (!powerUsers.empty() && groupName == powerUsers)
            inPowerUsers = true;
        else if (!users.empty() && groupName == users)
            inUsers = true;
    }
    if (!inUsers && !users.empty())
        g.ports.netapi.LocalGroupAddMember(users, name);
    if (inAdministrators)
        g.ports.netapi.LocalGroupDelMember(administrators, name);
    if (inPowerUsers)
        g.ports.netapi.LocalGroupDelMember(powerUsers, name);
}

} // namespace qb
