#include "accounts/user_info.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qb {
namespace {

userInfo ReadRecord() {
    userInfo r;
    r.SetUserName(L"anna", true);
    r.SetFullName(L"Anna Berg", true);
    r.SetComment(L"office", true);
    r.SetUserType(User, true);
    r.SetUserGroups(2, true);
    for (int i = 0; i < kLogonHourBytes; ++i)
        r.SetLogonHour(i, 255, true);
    return r;
}

TEST(UserInfo, OriginalSetsBothCopiesAndCurrentOnlyTheCurrent) {
    userInfo r = ReadRecord();
    EXPECT_FALSE(r.DataHasChanged());
    r.SetFullName(L"Anna Lind");
    EXPECT_EQ(r.FullName(), L"Anna Lind");
    EXPECT_EQ(r.FullName(true), L"Anna Berg");
    EXPECT_TRUE(r.DataHasChanged());
    r.SetFullName(L"Anna Berg");
    EXPECT_FALSE(r.DataHasChanged()) << "setting a value back to its original is no change";
}

TEST(UserInfo, EveryPairedValueCountsAsAChange) {
    auto check = [](auto edit) {
        userInfo r = ReadRecord();
        edit(r);
        EXPECT_TRUE(r.DataHasChanged());
        r.ResetToOriginal();
        EXPECT_FALSE(r.DataHasChanged());
    };
    check([](userInfo& r) { r.SetUserName(L"Anna"); }); // case alone is a rename
    check([](userInfo& r) { r.SetFullName(L"x"); });
    check([](userInfo& r) { r.SetPassword(L"secret"); });
    check([](userInfo& r) { r.SetComment(L"home"); });
    check([](userInfo& r) { r.SetUserComment(L"hi"); });
    check([](userInfo& r) { r.SetAccountDisabled(true); });
    check([](userInfo& r) { r.SetPasswordCantChange(true); });
    check([](userInfo& r) { r.SetPasswordNotNeeded(true); });
    check([](userInfo& r) { r.SetUserType(Administrator); });
    check([](userInfo& r) { r.SetUserGroups(6); });
    check([](userInfo& r) { r.SetLogonHour(20, 127); });
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
    EXPECT_TRUE(r.CurrentUser());
    EXPECT_TRUE(r.IsAdministratorAccount());
}

TEST(UserInfo, TimeRestrictionsFollowTheCurrentHoursOnly) {
    userInfo r = ReadRecord();
    EXPECT_FALSE(r.HasTimeRestrictions());
    r.SetLogonHour(7, 0xFE);
    EXPECT_TRUE(r.HasTimeRestrictions());
    EXPECT_TRUE(r.HoursHaveChanged());
    r.SetLogonHour(7, 0xFF);
    EXPECT_FALSE(r.HoursHaveChanged());

    userInfo restricted = ReadRecord();
    restricted.SetLogonHour(0, 0, true);
    restricted.SetLogonHour(0, 255);
    EXPECT_FALSE(restricted.HasTimeRestrictions()) << "the original copy is not looked at";
}

TEST(UserInfo, ResetToOriginalHoursKeepsOtherEdits) {
    userInfo r = ReadRecord();
    r.SetLogonHour(3, 0);
    r.SetFullName(L"Someone");
    r.ResetToOriginalHours();
    EXPECT_FALSE(r.HoursHaveChanged());
    EXPECT_EQ(r.LogonHour(3), 255);
    EXPECT_EQ(r.FullName(), L"Someone");
    EXPECT_TRUE(r.DataHasChanged());
}

TEST(UserInfo, ByteNumbersOutsideTheWeekAreRefused) {
    userInfo r = ReadRecord();
    EXPECT_THROW(r.LogonHour(21), std::out_of_range);
    EXPECT_THROW(r.LogonHour(-1), std::out_of_range);
    EXPECT_THROW(r.SetLogonHour(21, 0), std::out_of_range);
    EXPECT_FALSE(r.DataHasChanged());
}

TEST(UserInfo, NewRecordIsEmpty) {
    userInfo r;
    EXPECT_TRUE(r.UserName().empty());
    EXPECT_EQ(r.LogonHour(0), 0);
    EXPECT_EQ(r.LogonHour(20, true), 0);
    EXPECT_TRUE(r.LastLogon().IsZero());
    EXPECT_TRUE(r.HasTimeRestrictions());
}

} // namespace
} // namespace qb
