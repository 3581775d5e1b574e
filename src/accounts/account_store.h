#pragma once
// The account store: reading the machine's local accounts into records, the built-in
// groups and user types, and writing changed records back. It holds only the ports it
// needs and the built-in group names it has looked up; what it learns it returns, and
// the caller decides where to keep it.

#include "accounts/account_collection.h"
#include "accounts/builtin_groups.h"
#include "accounts/time_zone.h"
#include "accounts/user_info.h"
#include "platform/advapi32.h"
#include "platform/kernel32.h"
#include "platform/netapi32.h"
#include "platform/sid.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qb {

// Who is looking at the accounts: decides which records may be read, and which one is
// the logged-on user's or the built-in administrator's.
struct Viewer {
    std::wstring currentUserName;
    bool currentUserIsAdmin = false;
    std::wstring administratorAccountName;
};

// What reading every account gives.
struct LoadedAccounts {
    AccountCollection records;
    std::wstring administratorAccountName;
    // 1-based position of the logged-on user's record; 0 when it is not among them.
    std::int32_t currentUserIndex = 0;
};

class AccountStore {
public:
    AccountStore(platform::Netapi32& netapi, platform::AccountSecurity& security,
                 platform::TextApi& text, platform::TimeZoneApi& timeZone);
    AccountStore(const AccountStore&) = delete;
    AccountStore& operator=(const AccountStore&) = delete;
    ~AccountStore() = default;

    // --- Reading ---
    std::wstring GetLoggedOnUserName();
    // The level-2 information of `name` (the logged-on user when empty), texts cleared.
    bool GetAccountInfo(const std::wstring& name, platform::UserInfo2& info);
    bool CurrentUserHasAdminPrivilege(const std::wstring& currentUserName);
    // Text from the platform as the system's ANSI code page renders it (characters it
    // cannot hold read as "0"); a null pointer gives empty text.
    std::wstring WideToAnsi(const wchar_t* text);
    // The same for text the caller is done with, which often comes back as it went.
    std::wstring WideToAnsi(std::wstring&& text);
    // Every normal account the viewer may see, in the platform's order.
    LoadedAccounts LoadAccounts(const std::wstring& currentUserName, bool currentUserIsAdmin);
    // Fills `record` (its current UserName names the account) from the system, both
    // copies. False, leaving the record alone, when the account cannot be read or the
    // viewer may not see it.
    bool ReadAccount(userInfo& record, const Viewer& viewer);

    // --- Built-in groups ---
    // The group's name on this machine; empty for an index outside the table or when
    // the platform cannot name it.
    std::wstring GetBuiltinGroupName(int index);
    // GetBuiltinGroupName, or "Not known".
    std::wstring GroupDisplayName(int index);
    bool IsGroupMember(const std::wstring& accountName, int index);
    std::wstring GetAdministratorAccountName();
    std::optional<platform::Sid> BuildAccountSid(std::uint32_t rid);

    // --- Writing ---
    // Writes what differs between the record's copies, then reads it back. True when
    // every account write succeeded and the read-back too; group changes do not count.
    bool SaveAccount(userInfo& record, const Viewer& viewer);

private:
    // ReadAccount of the account `name`, which the record need not hold yet, with the time
    // zone already read, or read now when `zone` is empty.
    bool ReadAccount(userInfo& record, const std::wstring& name, const Viewer& viewer,
                     std::optional<ZoneNow>& zone);
    // WideToAnsi of `text`: the text itself where it would come back as it went, else its
    // conversion, kept in `converted`.
    const std::wstring& AnsiText(const std::wstring& text, std::wstring& converted);
    // The level-2 information of exactly `name`, texts cleared.
    bool AccountNumbers(const std::wstring& name, platform::UserInfo2& info);
    std::wstring LookupName(const platform::Sid& sid);
    // GetBuiltinGroupName of a built-in group's index, without a copy.
    const std::wstring& FoundGroupName(int index);
    std::optional<std::array<bool, kBuiltinGroupCount>>
    BuiltinMemberships(const std::wstring& accountName);

    platform::Netapi32& netapi_;
    platform::AccountSecurity& security_;
    platform::TextApi& text_;
    platform::TimeZoneApi& timeZone_;
    // The names found so far; empty until a look-up finds one.
    std::array<std::wstring, kBuiltinGroupCount> groupNames_;
    std::vector<std::wstring> groupsListed_; // BuiltinMemberships's, kept for its room
};

} // namespace qb
