// The account store on the real bindings under Wine, whose netapi32 lists accounts but
// cannot describe any of them: every account is left out, and nothing crashes.

#include "accounts/account_store.h"
#include "platform/win32/kernel32_win32.h"
#include "platform/win32/netapi32_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/security_win32.h"
#include "platform/win32/user32_win32.h"
#include "startup/globals.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

struct RealPlatform {
    win32::Win32Netapi32 netapi;
    win32::Win32AccountSecurity security;
    win32::Win32Registry registry;
    win32::Win32Kernel32 kernel;
    win32::Win32User32 user;
    Globals g{platform::WithOneKernel(netapi, security, registry, kernel, user)};
};

TEST(AccountStoreUnderWine, AccountsWineCannotDescribeAreLeftOutWithoutACrash) {
    RealPlatform p;
    AccountStore& store = p.g.Store;
    p.g.CurrentUserName = store.GetLoggedOnUserName();
    wchar_t wide[257];
    DWORD size = 257;
    ASSERT_TRUE(GetUserNameW(wide, &size));
    EXPECT_EQ(p.g.CurrentUserName, wide) << "the ANSI query gives the wide one's name";
    EXPECT_FALSE(store.CurrentUserHasAdminPrivilege(p.g.CurrentUserName))
        << "level 2 cannot be read here";
    p.g.CurrentUserIsAdmin = true; // as an administrator, every account would be read

    p.g.TakeAccounts(store.LoadAccounts(p.g.CurrentUserName, p.g.CurrentUserIsAdmin));
    EXPECT_EQ(p.g.Accounts.Count(), 0);
    EXPECT_EQ(p.g.CurrentUserIndex, 0);
    EXPECT_EQ(p.g.AdministratorAccountName, L"Administrator")
        << "the built-in administrator is named from the account domain and rid 500";

    userInfo record;
    record.SetUserName(L"Administrator");
    record.SetFullName(L"kept");
    EXPECT_FALSE(store.ReadAccount(record, p.g.CurrentViewer()));
    EXPECT_EQ(record.FullName(), L"kept");
    // Wine answers every account's group listing with Administrators.
    EXPECT_TRUE(store.IsGroupMember(p.g.CurrentUserName, AdministratorsGroup));
}

} // namespace
} // namespace qb
