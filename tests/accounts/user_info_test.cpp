#include "accounts/user_info.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qb {
namespace {

userInfo ReadRecord() {
    userInfo r;
    r.SetUserName(L"anna", true);
    r.SetFullName(L"Anna Berg", true);
    r.SetUserType(User, true);
    r.SetUserGroups(2, true);
    for (int i = 0; i < kLogonHourBytes; ++i)
        r.SetLogonHour(i, 255, true);
    return r;
}

// Which values count as edits, and what Undo does, the closing property test follows
// through the window; here, what the window cannot reach.
TEST(UserInfo, SingleValuesTakeNoPartInChangesOrUndo) {
    userInfo r = ReadRecord();
    r.SetLastLogon(DateTime::UnixEpoch());
    r.SetFlags(0x211);
    r.SetCurrentUser(true);
    r.SetIsAdministratorAccount(true);
    EXPECT_FALSE(r.DataHasChanged());
    r.ResetToOriginal();
    EXPECT_EQ(r.LastLogon(), DateTime::UnixEpoch());
    EXPECT_EQ(r.Flags(), 0x211u);
    EXPECT_TRUE(r.CurrentUser() && r.IsAdministratorAccount());

    EXPECT_THROW(r.LogonHour(21), std::out_of_range);
    EXPECT_THROW(r.SetLogonHour(-1, 0), std::out_of_range);
}

} // namespace
} // namespace qb
