#include "accounts/user_info.h"

#include <gtest/gtest.h>

#include <functional>
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

TEST(UserInfo, EveryPairedValueIsAChangeUntilSetBackOrUndone) {
    const std::vector<std::function<void(userInfo&)>> edits = {
        [](userInfo& r) { r.SetUserName(L"Anna"); }, // case alone is a rename
        [](userInfo& r) { r.SetFullName(L"x"); },
        [](userInfo& r) { r.SetPassword(L"secret"); },
        [](userInfo& r) { r.SetComment(L"home"); },
        [](userInfo& r) { r.SetUserComment(L"hi"); },
        [](userInfo& r) { r.SetAccountDisabled(true); },
        [](userInfo& r) { r.SetPasswordCantChange(true); },
        [](userInfo& r) { r.SetPasswordNotNeeded(true); },
        [](userInfo& r) { r.SetUserType(Administrator); },
        [](userInfo& r) { r.SetUserGroups(6); },
        [](userInfo& r) { r.SetLogonHour(20, 127); }};
    for (std::size_t i = 0; i < edits.size(); ++i) {
        userInfo r = ReadRecord();
        edits[i](r);
        EXPECT_TRUE(r.DataHasChanged()) << "edit " << i;
        r.ResetToOriginal();
        EXPECT_FALSE(r.DataHasChanged()) << "edit " << i;
    }
    userInfo r = ReadRecord();
    r.SetFullName(L"Anna Lind");
    EXPECT_EQ(r.FullName(true), L"Anna Berg") << "only the current copy is edited";
    r.SetFullName(L"Anna Berg");
    EXPECT_FALSE(r.DataHasChanged()) << "set back to the original";
}

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
}

TEST(UserInfo, HoursRestrictionsAndTheirOwnUndo) {
    userInfo r = ReadRecord();
    EXPECT_FALSE(r.HasTimeRestrictions());
    r.SetLogonHour(7, 0xFE);
    r.SetFullName(L"Someone");
    EXPECT_TRUE(r.HasTimeRestrictions());
    EXPECT_TRUE(r.HoursHaveChanged());
    r.ResetToOriginalHours();
    EXPECT_FALSE(r.HoursHaveChanged());
    EXPECT_EQ(r.FullName(), L"Someone") << "only the hours are undone";
    EXPECT_TRUE(r.DataHasChanged());

    userInfo restricted = ReadRecord();
    restricted.SetLogonHour(0, 0, true);
    restricted.SetLogonHour(0, 255);
    EXPECT_FALSE(restricted.HasTimeRestrictions()) << "the original copy is not looked at";

    EXPECT_THROW(r.LogonHour(21), std::out_of_range);
    EXPECT_THROW(r.SetLogonHour(-1, 0), std::out_of_range);
}

} // namespace
} // namespace qb
