// Writing a changed record back: only what differs, in order, under the old name, then
// read back.

#include "accounts/account_store.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

#include <set>

namespace qb {
namespace {

using simulated::AccountSpec;
using Lines = std::vector<std::string>;
namespace uf = platform::user_flags;

// The writes since the last ClearCalls, as "set <level>" or "add|del <group>" lines.
Lines Writes(const simulated::SimulatedMachine& m) {
    Lines lines;
    auto narrow = [](const std::wstring& s) { return std::string(s.begin(), s.end()); };
    for (const auto& c : m.Calls()) {
        if (c.function == "NetUserSetInfo")
            lines.push_back("set " + std::to_string(c.level) + " " + narrow(c.target));
        else if (c.function == "NetLocalGroupAddMembers" || c.function == "NetLocalGroupDelMembers")
            lines.push_back((c.function == "NetLocalGroupAddMembers" ? "add " : "del ") +
                            narrow(c.target));
    }
    return lines;
}

// The member named by every group change since the last ClearCalls.
std::vector<std::wstring> GroupMembers(const simulated::SimulatedMachine& m) {
    std::vector<std::wstring> members;
    for (const auto& c : m.Calls())
        if (c.function.starts_with("NetLocalGroup"))
            members.push_back(c.argument);
    return members;
}

std::set<std::wstring> GroupsOf(const simulated::SimulatedMachine& m, std::wstring_view name) {
    const std::vector<std::wstring> groups = m.GroupsOf(name);
    return {groups.begin(), groups.end()};
}

// The account the save read back: the first NetUserGetInfo after the last write.
std::wstring ReadBack(const simulated::SimulatedMachine& m) {
    std::wstring target;
    for (const auto& c : m.Calls()) {
        if (c.function == "NetUserSetInfo" || c.function.starts_with("NetLocalGroup"))
            target = L"(none)";
        else if (c.function == "NetUserGetInfo" && target == L"(none)")
            target = c.target;
    }
    return target;
}

class SaveAccountTest : public ::testing::Test {
protected:
    void SetUp() override {
        AccountSpec anna;
        anna.name = L"anna";
        anna.groups = {L"Administrators"};
        w.machine->AddAccount(anna);
        w.machine->SetLoggedOnUser(L"anna");
        w.Load();
        Add(L"ben", {L"Users"}, uf::Lockout);
    }
    // Adds an account and reads it into its own record.
    userInfo& Add(std::wstring name, std::vector<std::wstring> groups, std::uint32_t flags = 0) {
        AccountSpec account;
        account.name = name;
        account.fullName = L"Full " + name;
        account.comment = L"school";
        account.groups = std::move(groups);
        account.flags |= flags;
        w.machine->AddAccount(account);
        records.emplace_back(std::make_unique<userInfo>());
        records.back()->SetUserName(name);
        EXPECT_TRUE(w.Read(*records.back()));
        w.machine->ClearCalls();
        return *records.back();
    }
    simulated::SimAccount& Held(const std::wstring& name) { return *w.machine->FindAccount(name); }
    userInfo& ben() { return *records.front(); }

    testing::SimWorld w;
    std::vector<std::unique_ptr<userInfo>> records;
};

TEST_F(SaveAccountTest, OnlyTheCommentChangedGivesExactlyOneWriteThenTheReadBack) {
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), Lines{}) << "an unchanged record writes nothing";

    ben().SetComment(L"homework");
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), Lines{"set 1007 ben"});
    EXPECT_EQ(ReadBack(*w.machine), L"ben");
    EXPECT_EQ(Held(L"ben").comment, L"homework");
    EXPECT_FALSE(ben().DataHasChanged());
}

TEST_F(SaveAccountTest, PasswordsAreWrittenNotKeptAndEmptiedOnEverySaveWhenNoneIsNeeded) {
    ben().SetPassword(L"s3cret!");
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Held(L"ben").password, L"s3cret!");
    EXPECT_EQ(ben().Password(), L"") << "the read-back forgets it";

    w.machine->ClearCalls();
    ben().SetPasswordNotNeeded(true);
    ben().SetPassword(L"typed-before-ticking");
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), (Lines{"set 1003 ben", "set 1008 ben"}));
    EXPECT_EQ(Held(L"ben").password, L"");

    Held(L"ben").password = L"set-elsewhere";
    w.machine->ClearCalls();
    ben().SetComment(L"only this");
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), (Lines{"set 1003 ben", "set 1007 ben"}));
    EXPECT_EQ(Held(L"ben").password, L"");
}

TEST_F(SaveAccountTest, AFlagsWriteKeepsTheLockoutBitAndEveryOtherBit) {
    ben().SetAccountDisabled(true);
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), Lines{"set 1008 ben"});
    EXPECT_EQ(Held(L"ben").flags,
              uf::Script | uf::NormalAccount | uf::Lockout | uf::AccountDisable);

    Held(L"ben").flags = uf::NormalAccount | uf::DontExpirePassword;
    ASSERT_TRUE(w.Read(ben()));
    ben().SetAccountDisabled(false);
    ben().SetPasswordCantChange(true);
    ben().SetPasswordNotNeeded(true);
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Held(L"ben").flags, uf::Script | uf::NormalAccount | uf::DontExpirePassword |
                                      uf::PasswordCantChange | uf::PasswordNotRequired);
}

TEST_F(SaveAccountTest, GroupBitsAreAddedAndRemovedButAnEmptyMaskChangesNothing) {
    userInfo& carl = Add(L"carl", {L"Administrators", L"Power Users"});
    ASSERT_EQ(carl.UserGroups(), 12);
    carl.SetUserGroups(2);
    EXPECT_TRUE(w.Save(carl));
    EXPECT_EQ(Writes(*w.machine), (Lines{"add Users", "del Administrators", "del Power Users"}));
    EXPECT_EQ(carl.UserGroups(), 2);

    userInfo& dave = Add(L"dave", {L"Power Users"});
    ASSERT_EQ(dave.UserGroups(), 8);
    dave.SetUserGroups(0);
    EXPECT_TRUE(w.Save(dave));
    EXPECT_EQ(Writes(*w.machine), Lines{}) << "never out of every built-in group";
    EXPECT_EQ(dave.UserGroups(), 8);
}

TEST_F(SaveAccountTest, ANewUserTypeFirstMakesAPlainUserThenAppliesTheGroupBits) {
    ben().SetUserType(Administrator);
    ben().SetUserGroups(2 | 4);
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), Lines{"add Administrators"}) << "already a plain user";
    EXPECT_EQ(ben().UserType(), Administrator);

    // And back: removing a membership the first step already removed fails harmlessly.
    w.machine->ClearCalls();
    ben().SetUserType(User);
    ben().SetUserGroups(2);
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), (Lines{"del Administrators", "del Administrators"}));
    EXPECT_EQ(ben().UserType(), User);

    w.machine->AddLocalGroup(L"Backup Operators");
    Add(L"eve", {L"Administrators", L"Power Users", L"Backup Operators"});
    w.g.Store.MakePlainUser(L"eve");
    EXPECT_EQ(w.machine->GroupsOf(L"eve"),
              (std::vector<std::wstring>{L"Users", L"Backup Operators"}));
}

TEST_F(SaveAccountTest, EveryKindOfChangeInItsOrderWithTheRenameLast) {
    ben().SetUserName(L"b2");
    ben().SetUserComment(L"uc");
    ben().SetComment(L"c");
    ben().SetPasswordCantChange(true);
    ben().SetPassword(L"pw");
    ben().SetFullName(L"fn");
    ben().SetUserGroups(2 | 1);
    ben().SetLogonHour(5, 0);
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine),
              (Lines{"set 1020 ben", "add Guests", "set 1011 ben", "set 1003 ben", "set 1008 ben",
                     "set 1007 ben", "set 1012 ben", "set 0 ben"}))
        << "every write under the old name";
    EXPECT_EQ(ReadBack(*w.machine), L"b2") << "read back under the new one";
    const platform::LogonHoursBytes& hours = *Held(L"b2").logonHours;
    EXPECT_EQ(hours[5], 0);
    EXPECT_EQ(hours[4], 255);
    EXPECT_EQ(Held(L"b2").fullName, L"fn");
    EXPECT_EQ(ben().UserName(true), L"b2");
    EXPECT_FALSE(ben().DataHasChanged());
}

TEST_F(SaveAccountTest, HoursAreWrittenExactlyWhenTheyChanged) {
    platform::LogonHoursBytes schoolDays;
    schoolDays.fill(0x0F);
    Held(L"ben").logonHours = schoolDays;
    ASSERT_TRUE(w.Read(ben()));
    ASSERT_TRUE(ben().HasTimeRestrictions());

    // Restricted but unchanged: the hours are not written, so that hours changed since
    // they were read (by another administrator, say) stay as the machine holds them.
    platform::LogonHoursBytes changedElsewhere = schoolDays;
    changedElsewhere[7] = 0;
    Held(L"ben").logonHours = changedElsewhere;
    w.machine->ClearCalls();
    ben().SetComment(L"only this");
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), Lines{"set 1007 ben"});
    EXPECT_EQ(Held(L"ben").logonHours, changedElsewhere);

    // Every restriction cleared: one write, and the machine holds 21 bytes of 255.
    w.machine->ClearCalls();
    for (int i = 0; i < kLogonHourBytes; ++i)
        ben().SetLogonHour(i, kAllHoursAllowed);
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), Lines{"set 1020 ben"});
    platform::LogonHoursBytes unrestricted;
    unrestricted.fill(255);
    EXPECT_EQ(Held(L"ben").logonHours, unrestricted);
    EXPECT_FALSE(ben().HasTimeRestrictions());
}

TEST_F(SaveAccountTest, TypeAndGroupChangesInARenamingSaveLandOnTheRenamedAccount) {
    ben().SetUserName(L"bert");
    ben().SetUserType(Administrator);
    ben().SetUserGroups(1 | 2 | 4);
    EXPECT_TRUE(w.Save(ben()));
    const std::vector<std::wstring> members = GroupMembers(*w.machine);
    EXPECT_EQ(members.size(), 2u) << "Guests and Administrators added";
    for (const std::wstring& member : members)
        EXPECT_EQ(member, L"ben") << "by the name the system knows then";
    EXPECT_EQ(GroupsOf(*w.machine, L"bert"),
              (std::set<std::wstring>{L"Guests", L"Users", L"Administrators"}));
    EXPECT_EQ(ben().UserType(true), Administrator);
    EXPECT_EQ(ben().UserGroups(true), 1 | 2 | 4);
}

TEST_F(SaveAccountTest, AnAdministratorOnlyAccountMadeANormalUserEndsInUsersAlone) {
    for (const auto& [name, newName] : {std::pair{L"ada", L"ada"}, {L"alan", L"al"}}) {
        userInfo& admin = Add(name, {L"Administrators"});
        admin.SetUserName(newName);
        admin.SetUserType(User);
        admin.SetUserGroups(0);
        EXPECT_TRUE(w.Save(admin)) << name;
        EXPECT_EQ(GroupsOf(*w.machine, newName), std::set<std::wstring>{L"Users"}) << name;
        EXPECT_EQ(admin.UserType(), User) << name;
        EXPECT_EQ(admin.UserGroups(), 2) << name;
    }
}

TEST_F(SaveAccountTest, AnAccountThatNeedsNoPasswordLosesItAlsoWhenItsRenameIsRefused) {
    Add(L"taken", {L"Users"});
    Held(L"taken").password = L"taken's own";
    Held(L"ben").flags |= uf::PasswordNotRequired;
    Held(L"ben").password = L"set elsewhere";
    ASSERT_TRUE(w.Read(ben()));
    w.machine->ClearCalls();
    ben().SetPassword(L"typed");
    ben().SetUserName(L"taken");
    EXPECT_FALSE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), (Lines{"set 1003 ben", "set 0 ben"}));
    EXPECT_EQ(Held(L"ben").password, L"");
    EXPECT_EQ(Held(L"taken").password, L"taken's own");
    EXPECT_EQ(ben().Password(), L"") << "not kept for a later save either";
}

TEST_F(SaveAccountTest, AFailingWriteMakesTheSaveFalseWhileTheOthersStillHappen) {
    w.machine->FailCall({"NetUserSetInfo", L"ben", 1011u});
    ben().SetFullName(L"Refused");
    ben().SetComment(L"accepted");
    EXPECT_FALSE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), (Lines{"set 1011 ben", "set 1007 ben"}));
    EXPECT_EQ(Held(L"ben").comment, L"accepted");
    EXPECT_EQ(ben().FullName(), L"Full ben") << "read back as the machine holds it";

    w.machine->SetLoggedOnUser(L"ben"); // without administrator rights nothing is written
    ben().SetComment(L"mine");
    EXPECT_FALSE(w.Save(ben()));
    EXPECT_EQ(Held(L"ben").comment, L"accepted");
}

TEST_F(SaveAccountTest, ARefusedRenameKeepsTheEditsAndNeverTakesOverAnotherAccount) {
    Add(L"taken", {L"Users"});
    for (const wchar_t* newName : {L"b/en", L"taken"}) {
        ben().SetUserName(newName);
        ben().SetComment(L"new comment");
        EXPECT_FALSE(w.Save(ben())) << newName;
        EXPECT_EQ(Held(L"ben").comment, L"new comment") << "earlier writes stand";
        EXPECT_EQ(ben().UserName(), newName);
        EXPECT_EQ(ben().UserName(true), L"ben");
        EXPECT_EQ(ben().FullName(), L"Full ben") << "not the other account's values";
        EXPECT_TRUE(ben().DataHasChanged()) << "still counts as changed";
    }
}

} // namespace
} // namespace qb
