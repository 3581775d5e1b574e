#pragma once
// The account store: reading the machine's local accounts into records, the built-in
// groups and user types, and writing changed records back.

#include "accounts/user_info.h"
#include "platform/netapi32.h"
#include "platform/sid.h"
#include "startup/globals.h"

#include <optional>
#include <string>

namespace qb {

// The four built-in groups, as indexes into the group table; each has one bit in
// userInfo::UserGroups: 1 << index.
enum BuiltinGroup : int {
    GuestsGroup = 0,
    UsersGroup = 1,
    AdministratorsGroup = 2,
    PowerUsersGroup = 3,
};

// --- Reading ---
std::wstring GetLoggedOnUserName(Globals& g);
// The level-2 information of `name` (the logged-on user when empty), texts cleared.
bool GetAccountInfo(Globals& g, const std::wstring& name, platform::UserInfo2& info);
bool CurrentUserHasAdminPrivilege(Globals& g);
// Text from the platform as the system's ANSI code page renders it (characters it cannot
// hold read as "0"); a null pointer gives empty text.
std::wstring WideToAnsi(Globals& g, const wchar_t* text);
void LoadAccounts(Globals& g);
bool ReadAccount(Globals& g, userInfo& record);

// --- Built-in groups ---
std::wstring GetBuiltinGroupName(Globals& g, int index);
std::wstring GroupDisplayName(Globals& g, int index);
bool IsGroupMember(Globals& g, const std::wstring& accountName, int index);
std::wstring GetAdministratorAccountName(Globals& g);
std::optional<platform::Sid> BuildAccountSid(Globals& g, std::uint32_t rid);

// --- Writing ---
bool SaveAccount(Globals& g, userInfo& record);
void MakePlainUser(Globals& g, const std::wstring& name);

} // namespace qb
