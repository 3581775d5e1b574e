#include "accounts/account_store.h"

#include "accounts/time_zone.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace qb {

namespace {

using platform::NetApiStatus;
namespace net_status = platform::net_status;
namespace user_flags = platform::user_flags;

constexpr std::uint32_t kAdministratorRid = 500;
// How many display entries each enumeration call asks for.
constexpr std::uint32_t kDisplayBatch = 5;
// The hours bitmap is written as one unit per hour of the week.
constexpr std::uint32_t kUnitsPerWeek = 7 * 24;
// The privilege field's bit that marks an administrator (bit 1, the value 2).
constexpr std::uint32_t kAdministratorPrivilegeBit = 0x2;
// Local-group listings without flags: direct memberships only.
constexpr std::uint32_t kDirectMembershipsOnly = 0;
// The text an unnamed built-in group is shown with.
constexpr wchar_t kUnknownGroupName[] = L"Not known";

std::wstring UpToFirstNul(std::wstring text) {
    const auto nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        text.resize(nul);
    return text;
}

} // namespace

AccountStore::AccountStore(platform::Netapi32& netapi, platform::AccountSecurity& security,
                           platform::TextApi& text, platform::TimeZoneApi& timeZone)
    : netapi_(netapi), security_(security), text_(text), timeZone_(timeZone) {}

// The name a security identifier stands for on this machine, or empty text.
std::wstring AccountStore::LookupName(const platform::Sid& sid) {
    std::wstring name;
    std::wstring domain;
    if (!security_.LookupSidName(sid, name, domain))
        return {};
    return UpToFirstNul(std::move(name));
}

// Direct membership of each built-in group, from one listing of the account's local
// groups; none when the listing fails.
std::optional<std::array<bool, kBuiltinGroupCount>>
AccountStore::BuiltinMemberships(const std::wstring& accountName) {
    std::array<bool, kBuiltinGroupCount> member{};
    // One list for every account's groups: reading thousands of accounts asks for as
    // many listings.
    std::vector<std::wstring>& groups = groupsListed_;
    groups.clear();
    if (netapi_.UserGetLocalGroups(accountName, kDirectMembershipsOnly,
                                   platform::MaxPreferredLength, groups) != net_status::Success)
        return std::nullopt;
    std::array<const std::wstring*, kBuiltinGroupCount> builtin{};
    for (int i = 0; i < kBuiltinGroupCount; ++i)
        builtin[static_cast<std::size_t>(i)] = &FoundGroupName(i);
    for (std::wstring& group : groups) {
        const std::wstring name = WideToAnsi(std::move(group));
        for (std::size_t i = 0; i < builtin.size(); ++i)
            if (!builtin[i]->empty() && name == *builtin[i])
                member[i] = true;
    }
    return member;
}

std::wstring AccountStore::GetLoggedOnUserName() {
    std::wstring name;
    if (!security_.QueryUserName(name))
        return {};
    return UpToFirstNul(std::move(name));
}

bool AccountStore::GetAccountInfo(const std::wstring& name, platform::UserInfo2& info) {
    return AccountNumbers(name.empty() ? GetLoggedOnUserName() : name, info);
}

bool AccountStore::AccountNumbers(const std::wstring& name, platform::UserInfo2& info) {
    platform::UserInfo2 read;
    if (netapi_.UserGetInfo(name, read) != net_status::Success)
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

bool AccountStore::CurrentUserHasAdminPrivilege(const std::wstring& currentUserName) {
    // The name as start-up learned it: an empty one (unreadable) finds no account.
    platform::UserInfo2 info;
    if (!AccountNumbers(currentUserName, info))
        return false;
    return (info.priv & kAdministratorPrivilegeBit) != 0;
}

std::wstring AccountStore::WideToAnsi(const wchar_t* text) {
    if (text == nullptr)
        return {};
    // Every ANSI code page holds the ASCII characters as themselves, so text of them
    // alone comes back as it went: thousands of accounts need not pay for the platform's
    // conversion twice per text.
    const wchar_t* end = text;
    while (*end != L'\0' && static_cast<std::uint32_t>(*end) < 0x80)
        ++end;
    if (*end == L'\0')
        return std::wstring(text, end);
    // Kept working where the system's ANSI code page is UTF-8: every character then
    // survives and no "0" appears, just as the platform's "A" functions would hand the
    // text back there (the binding passes no default character for UTF-8, which the
    // platform would refuse).
    std::string bytes = text_.WideCharToMultiByte(platform::CpAcp, text, '0');
    const auto nul = bytes.find('\0');
    if (nul != std::string::npos)
        bytes.resize(nul);
    return text_.MultiByteToWideChar(platform::CpAcp, bytes);
}

const std::wstring& AccountStore::AnsiText(const std::wstring& text, std::wstring& converted) {
    for (const wchar_t c : text)
        if (c == L'\0' || static_cast<std::uint32_t>(c) >= 0x80)
            return converted = WideToAnsi(text.c_str());
    return text;
}

std::wstring AccountStore::WideToAnsi(std::wstring&& text) {
    const std::size_t end = std::min(text.find(L'\0'), text.size());
    for (std::size_t i = 0; i < end; ++i)
        if (static_cast<std::uint32_t>(text[i]) >= 0x80)
            return WideToAnsi(text.c_str());
    text.resize(end);
    return std::move(text);
}

LoadedAccounts AccountStore::LoadAccounts(const std::wstring& currentUserName,
                                          bool currentUserIsAdmin) {
    LoadedAccounts loaded;
    loaded.administratorAccountName = GetAdministratorAccountName();
    const Viewer viewer{currentUserName, currentUserIsAdmin, loaded.administratorAccountName};

    // Read once for every account: the bias in effect now is the same for all of them.
    std::optional<ZoneNow> zone;
    std::uint32_t index = 0;
    // Each batch in the room of the last, texts included: the names are only looked up.
    std::vector<platform::NetDisplayUser> entries;
    std::wstring converted;
    for (;;) {
        const NetApiStatus status = netapi_.QueryDisplayInformation(
            index, kDisplayBatch, platform::MaxPreferredLength, entries);
        if (status != net_status::Success && status != net_status::MoreData)
            break;
        for (const platform::NetDisplayUser& entry : entries) {
            // Machine trust accounts and other kinds are not people's accounts.
            if ((entry.flags & user_flags::NormalAccount) == 0)
                continue;
            // Read where it will stay; an account that cannot be read leaves it as it was.
            userInfo& record = loaded.records.Next();
            if (!ReadAccount(record, AnsiText(entry.name, converted), viewer, zone))
                continue;
            const bool current = record.CurrentUser();
            loaded.records.AddNext();
            if (current)
                loaded.currentUserIndex = loaded.records.Count();
        }
        if (status != net_status::MoreData)
            break;
        // A batch with no entries that still claims more data gives no next index: asking
        // again would repeat the same request for ever.
        if (entries.empty())
            break;
        index = entries.back().nextIndex;
    }
    return loaded;
}

bool AccountStore::ReadAccount(userInfo& record, const Viewer& viewer) {
    std::optional<ZoneNow> zone;
    const std::wstring name = record.UserName(); // a copy: reading replaces the name
    return ReadAccount(record, name, viewer, zone);
}

bool AccountStore::ReadAccount(userInfo& record, const std::wstring& name, const Viewer& viewer,
                               std::optional<ZoneNow>& zone) {
    platform::UserInfo2 info;
    if (netapi_.UserGetInfo(name, info) != net_status::Success)
        return false;
    // A user without administrator privilege sees only their own account.
    if (name != viewer.currentUserName && !viewer.currentUserIsAdmin)
        return false;

    record.SetUserName(WideToAnsi(std::move(info.name)), true);
    const std::wstring& readName = record.UserName();
    record.SetFullName(WideToAnsi(std::move(info.fullName)), true);
    record.SetFlags(info.flags);
    record.SetAccountDisabled((info.flags & user_flags::AccountDisable) != 0, true);
    record.SetPasswordCantChange((info.flags & user_flags::PasswordCantChange) != 0, true);
    record.SetPasswordNotNeeded((info.flags & user_flags::PasswordNotRequired) != 0, true);

    // A failed listing reads as no membership at all.
    const std::array<bool, kBuiltinGroupCount> member =
        BuiltinMemberships(readName).value_or(std::array<bool, kBuiltinGroupCount>{});
    auto type = static_cast<std::int32_t>(info.priv);
    // Administrator comes from the platform's privilege and outranks Power Users
    // membership, which outranks User and Guest.
    if (info.priv < platform::user_priv::Admin && member[PowerUsersGroup])
        type = PowerUser;
    std::int32_t groups = 0;
    for (int i = 0; i < kBuiltinGroupCount; ++i)
        if (member[static_cast<std::size_t>(i)])
            groups |= GroupBit(i);
    record.SetUserType(type, true);
    record.SetUserGroups(groups, true);

    record.SetIsAdministratorAccount(readName == viewer.administratorAccountName);
    record.SetPassword(WideToAnsi(std::move(info.password)), true);
    const auto lastLogon = static_cast<std::int32_t>(info.lastLogon);
    if (lastLogon != 0 && !zone)
        zone = ZoneNow::Read(timeZone_);
    record.SetLastLogon(lastLogon != 0 ? zone->ToLocal(lastLogon) : DateTime());
    record.SetComment(WideToAnsi(std::move(info.comment)), true);
    record.SetUserComment(WideToAnsi(std::move(info.usrComment)), true);
    record.SetCurrentUser(readName == viewer.currentUserName);
    // No bitmap at all means, by the platform's convention, no restrictions.
    userInfo::LogonHours hours{};
    if (info.logonHours)
        hours = *info.logonHours;
    else
        hours.fill(kAllHoursAllowed);
    record.SetLogonHours(hours, true);
    return true;
}

std::wstring AccountStore::GetBuiltinGroupName(int index) {
    if (!IsBuiltinGroup(index))
        return {};
    return FoundGroupName(index);
}

const std::wstring& AccountStore::FoundGroupName(int index) {
    // Only a name that was found is kept: a failed look-up is asked again next time, so
    // that one passing failure does not hide the group for the rest of the run.
    std::wstring& cached = groupNames_[static_cast<std::size_t>(index)];
    if (cached.empty()) {
        const std::optional<platform::Sid> sid =
            security_.StringToSid(kBuiltinGroupSids[static_cast<std::size_t>(index)]);
        if (sid)
            cached = LookupName(*sid);
    }
    return cached;
}

std::wstring AccountStore::GroupDisplayName(int index) {
    std::wstring name = GetBuiltinGroupName(index);
    return name.empty() ? kUnknownGroupName : name;
}

bool AccountStore::IsGroupMember(const std::wstring& accountName, int index) {
    if (GetBuiltinGroupName(index).empty())
        return false;
    const auto member = BuiltinMemberships(accountName);
    return member && (*member)[static_cast<std::size_t>(index)];
}

std::wstring AccountStore::GetAdministratorAccountName() {
    const std::optional<platform::Sid> sid = BuildAccountSid(kAdministratorRid);
    return sid ? LookupName(*sid) : std::wstring();
}

std::optional<platform::Sid> AccountStore::BuildAccountSid(std::uint32_t rid) {
    platform::UserModalsInfo2 modals;
    if (netapi_.UserModalsGet(modals) != net_status::Success)
        return std::nullopt;
    platform::Sid sid = modals.domainId;
    sid.subAuthorities.push_back(rid);
    return sid;
}

bool AccountStore::SaveAccount(userInfo& record, const Viewer& viewer) {
    // Every write addresses the account by the name the system knows; the rename, if
    // any, comes last so that the earlier writes still find it.
    const std::wstring target = record.UserName(true);
    bool allWritten = true;
    auto write = [&](const platform::UserSetInfoData& data) {
        if (netapi_.UserSetInfo(target, data) != net_status::Success)
            allWritten = false;
    };

    if (record.HoursHaveChanged()) {
        platform::UserInfo1020 hours;
        hours.unitsPerWeek = kUnitsPerWeek;
        for (int i = 0; i < kLogonHourBytes; ++i)
            hours.logonHours[static_cast<std::size_t>(i)] = record.LogonHour(i);
        write(hours);
    }

    // The account ends in exactly the built-in groups ticked in its record, whatever its
    // user type did; no other group is touched. Each group is changed only when the
    // account's membership, as the machine has it now, differs from the tick. A mask of 0
    // never changes anything, so that an account is never taken out of every group.
    // Failures here show in the read-back, not in the result.
    const std::int32_t before = record.UserGroups(true);
    const std::int32_t after = record.UserGroups();
    if (before != after && after != 0) {
        const auto now = BuiltinMemberships(target);
        for (int i = 0; i < kBuiltinGroupCount; ++i) {
            const std::int32_t bit = GroupBit(i);
            const bool member = now ? (*now)[static_cast<std::size_t>(i)] : (before & bit) != 0;
            const bool wanted = (after & bit) != 0;
            if (member == wanted)
                continue;
            const std::wstring group = GetBuiltinGroupName(i);
            if (group.empty())
                continue;
            if (wanted)
                netapi_.LocalGroupAddMember(group, target);
            else
                netapi_.LocalGroupDelMember(group, target);
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
        renameFailed = netapi_.UserSetInfo(target, platform::UserInfo0{record.UserName()}) !=
                       net_status::Success;
        allWritten = allWritten && !renameFailed;
    }

    // After a refused rename the new name is not this account's: it is no one's, or
    // another account's (the usual reason for the refusal), whose values must not be
    // taken for this record's. So there is deliberately no read-back then: the record
    // keeps its edits and stays changed, and the save reports false.
    // A renamed account is still the same account: whether it is the logged-on user's or
    // the built-in administrator stays as it was, though its name no longer says so.
    const bool currentUser = record.CurrentUser();
    const bool administratorAccount = record.IsAdministratorAccount();
    const bool readBack = !renameFailed && ReadAccount(record, viewer);
    record.SetCurrentUser(currentUser);
    record.SetIsAdministratorAccount(administratorAccount);
    return allWritten && readBack;
}

} // namespace qb
