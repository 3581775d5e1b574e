// Writing a changed record back: only what differs, in order, under the old name, then
// read back.

#include "accounts/users.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

using simulated::AccountSpec;
using simulated::CallRecord;
using testing::SimWorld;
namespace uf = platform::user_flags;

// The write calls the machine received since the last ClearCalls, as "function level
// target argument" lines.
std::vector<std::string> Writes(const simulated::SimulatedMachine& m) {
    std::vector<std::string> lines;
    auto narrow = [](const std::wstring& s) { return std::string(s.begin(), s.end()); };
    for (const CallRecord& c : m.Calls()) {
        if (c.function == "NetUserSetInfo")
            lines.push_back("set " + std::to_string(c.level) + " " + narrow(c.target));
        else if (c.function == "NetLocalGroupAddMembers")
            lines.push_back("add " + narrow(c.target) + " " + narrow(c.argument));
        else if (c.function == "NetLocalGroupDelMembers")
            lines.push_back("del " + narrow(c.target) + " " + narrow(c.argument));
    }
    return lines;
}

bool ReadBackAfterLastWrite(const simulated::SimulatedMachine& m, const std::wstring& name) {
    const auto& calls = m.Calls();
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->function == "NetUserGetInfo" && it->target == name)
            return true;
        if (it->function == "NetUserSetInfo" || it->function == "NetLocalGroupAddMembers" ||
            it->function == "NetLocalGroupDelMembers")
            return false;
    }
    return false;
}

class SaveAccountTest : public ::testing::Test {
protected:
    void SetUp() override {
        AccountSpec anna;
        anna.name = L"anna";
        anna.groups = {L"Administrators"};
        w.machine->AddAccount(anna);
        AccountSpec ben;
        ben.name = L"ben";
        ben.fullName = L"Ben Hansen";
        ben.comment = L"school";
        ben.groups = {L"Users"};
        ben.flags = uf::Script | uf::NormalAccount | uf::Lockout;
        w.machine->AddAccount(ben);
        w.machine->SetLoggedOnUser(L"anna");
        w.Load();
        ben_ = w.Record(L"ben");
        ASSERT_NE(ben_, nullptr);
        w.machine->ClearCalls();
    }

    SimWorld w;
    userInfo* ben_ = nullptr;
};

TEST_F(SaveAccountTest, OnlyTheCommentChangedGivesExactlyOneWriteThenTheReadBack) {
    ben_->SetComment(L"homework");
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine), std::vector<std::string>{"set 1007 ben"});
    EXPECT_TRUE(ReadBackAfterLastWrite(*w.machine, L"ben"));
    EXPECT_EQ(w.machine->FindAccount(L"ben")->comment, L"homework");
    EXPECT_EQ(ben_->Comment(true), L"homework");
    EXPECT_FALSE(ben_->DataHasChanged());
}

TEST_F(SaveAccountTest, AnUnchangedRecordWritesNothing) {
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_TRUE(Writes(*w.machine).empty());
}

TEST_F(SaveAccountTest, NoPasswordNeededWritesAnEmptyPasswordOnEverySave) {
    ben_->SetPasswordNotNeeded(true);
    ben_->SetPassword(L"typed-before-ticking");
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine), (std::vector<std::string>{"set 1003 ben", "set 1008 ben"}));
    EXPECT_EQ(w.machine->FindAccount(L"ben")->password, L"");
    EXPECT_EQ(ben_->Password(), L"");
    EXPECT_TRUE(ben_->PasswordNotNeeded(true));

    w.machine->FindAccount(L"ben")->password = L"set-elsewhere";
    w.machine->ClearCalls();
    ben_->SetComment(L"only this");
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine), (std::vector<std::string>{"set 1003 ben", "set 1007 ben"}));
    EXPECT_EQ(w.machine->FindAccount(L"ben")->password, L"");
}

TEST_F(SaveAccountTest, ANewPasswordIsWrittenAndNotKept) {
    ben_->SetPassword(L"s3cret!");
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine), std::vector<std::string>{"set 1003 ben"});
    EXPECT_EQ(w.machine->FindAccount(L"ben")->password, L"s3cret!");
    EXPECT_EQ(ben_->Password(), L"") << "the read-back forgets it";
    EXPECT_FALSE(ben_->DataHasChanged());
}

TEST_F(SaveAccountTest, AFlagsWriteKeepsTheLockoutBitAndEveryOtherBit) {
    ben_->SetAccountDisabled(true);
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine), std::vector<std::string>{"set 1008 ben"});
    EXPECT_EQ(w.machine->FindAccount(L"ben")->flags,
              uf::Script | uf::NormalAccount | uf::Lockout | uf::AccountDisable);

    w.machine->FindAccount(L"ben")->flags = uf::NormalAccount | uf::DontExpirePassword;
    ASSERT_TRUE(ReadAccount(w.g, *ben_));
    ben_->SetAccountDisabled(false);
    ben_->SetPasswordCantChange(true);
    ben_->SetPasswordNotNeeded(true);
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(w.machine->FindAccount(L"ben")->flags,
              uf::Script | uf::NormalAccount | uf::DontExpirePassword | uf::PasswordCantChange |
                  uf::PasswordNotRequired)
        << "the script bit is always set";
}

TEST_F(SaveAccountTest, GroupsFromAdministratorsAndPowerUsersToUsers) {
    w.machine->AddMember(L"Administrators", L"ben");
    w.machine->AddMember(L"Power Users", L"ben");
    w.machine->FindAccount(L"ben"); // membership set; read it in
    ASSERT_TRUE(ReadAccount(w.g, *ben_));
    // Drop Users to see the add as well.
    ASSERT_EQ(ben_->UserGroups(), 2 | 4 | 8);
    w.machine->ClearCalls();

    ben_->SetUserGroups(2);
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine),
              (std::vector<std::string>{"del Administrators ben", "del Power Users ben"}));
    EXPECT_EQ(w.machine->GroupsOf(L"ben"), std::vector<std::wstring>{L"Users"});
    EXPECT_EQ(ben_->UserGroups(), 2);
    EXPECT_EQ(ben_->UserType(), User);
}

TEST_F(SaveAccountTest, GroupsTwelveToTwoAddsUsersAndRemovesBoth) {
    AccountSpec carl;
    carl.name = L"carl";
    carl.groups = {L"Administrators", L"Power Users"};
    w.machine->AddAccount(carl);
    userInfo record;
    record.SetUserName(L"carl");
    ASSERT_TRUE(ReadAccount(w.g, record));
    ASSERT_EQ(record.UserGroups(), 12);
    w.machine->ClearCalls();

    record.SetUserGroups(2);
    EXPECT_TRUE(SaveAccount(w.g, record));
    EXPECT_EQ(Writes(*w.machine),
              (std::vector<std::string>{"add Users carl", "del Administrators carl",
                                        "del Power Users carl"}));
    EXPECT_EQ(record.UserGroups(), 2);
}

TEST_F(SaveAccountTest, AnEmptyGroupMaskChangesNoMembership) {
    w.machine->AddMember(L"Power Users", L"ben");
    ASSERT_TRUE(ReadAccount(w.g, *ben_));
    w.machine->ClearCalls();
    ben_->SetUserGroups(0);
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_TRUE(Writes(*w.machine).empty());
    EXPECT_EQ(ben_->UserGroups(), 10);
    EXPECT_FALSE(ben_->DataHasChanged());

    AccountSpec dave;
    dave.name = L"dave";
    dave.groups = {L"Power Users"};
    w.machine->AddAccount(dave);
    userInfo record;
    record.SetUserName(L"dave");
    ASSERT_TRUE(ReadAccount(w.g, record));
    ASSERT_EQ(record.UserGroups(), 8);
    w.machine->ClearCalls();
    record.SetUserGroups(0);
    EXPECT_TRUE(SaveAccount(w.g, record));
    EXPECT_TRUE(Writes(*w.machine).empty());
}

TEST_F(SaveAccountTest, ANewUserTypeFirstMakesAPlainUserThenAppliesTheGroupBits) {
    // Turning a user into an administrator, as the window does it.
    ben_->SetUserType(Administrator);
    ben_->SetUserGroups(2 | 4);
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine), std::vector<std::string>{"add Administrators ben"})
        << "already a plain user";
    EXPECT_EQ(ben_->UserType(), Administrator);

    // And back: the plain-user step removes Administrators; the bit step's removal of
    // the same membership fails harmlessly.
    w.machine->ClearCalls();
    ben_->SetUserType(User);
    ben_->SetUserGroups(2);
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine),
              (std::vector<std::string>{"del Administrators ben", "del Administrators ben"}));
    EXPECT_EQ(w.machine->GroupsOf(L"ben"), std::vector<std::wstring>{L"Users"});
    EXPECT_EQ(ben_->UserType(), User);
}

TEST_F(SaveAccountTest, MakePlainUserLeavesOtherGroupsAlone) {
    w.machine->AddLocalGroup(L"Backup Operators");
    AccountSpec eve;
    eve.name = L"eve";
    eve.groups = {L"Administrators", L"Power Users", L"Backup Operators"};
    w.machine->AddAccount(eve);
    MakePlainUser(w.g, L"eve");
    EXPECT_EQ(w.machine->GroupsOf(L"eve"),
              (std::vector<std::wstring>{L"Users", L"Backup Operators"}));
    w.machine->ClearCalls();
    MakePlainUser(w.g, L"ghost");
    EXPECT_TRUE(Writes(*w.machine).empty()) << "an unknown account is left alone";
}

TEST_F(SaveAccountTest, RenameAndFullNameWriteTheFullNameUnderTheOldNameFirst) {
    ben_->SetUserName(L"benjamin");
    ben_->SetFullName(L"Benjamin Hansen");
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine), (std::vector<std::string>{"set 1011 ben", "set 0 ben"}));
    EXPECT_TRUE(ReadBackAfterLastWrite(*w.machine, L"benjamin"));
    EXPECT_EQ(w.machine->FindAccount(L"ben"), nullptr);
    EXPECT_EQ(w.machine->FindAccount(L"benjamin")->fullName, L"Benjamin Hansen");
    EXPECT_EQ(ben_->UserName(true), L"benjamin");
    EXPECT_FALSE(ben_->DataHasChanged());
}

TEST_F(SaveAccountTest, EveryKindOfChangeInItsOrder) {
    ben_->SetUserName(L"b2");
    ben_->SetUserComment(L"uc");
    ben_->SetComment(L"c");
    ben_->SetPasswordCantChange(true);
    ben_->SetPassword(L"pw");
    ben_->SetFullName(L"fn");
    ben_->SetUserGroups(2 | 1);
    ben_->SetLogonHour(5, 0);
    EXPECT_TRUE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(
        Writes(*w.machine),
        (std::vector<std::string>{"set 1020 ben", "add Guests ben", "set 1011 ben", "set 1003 ben",
                                  "set 1008 ben", "set 1007 ben", "set 1012 ben", "set 0 ben"}));
    const simulated::SimAccount* b2 = w.machine->FindAccount(L"b2");
    ASSERT_NE(b2, nullptr);
    ASSERT_TRUE(b2->logonHours);
    EXPECT_EQ((*b2->logonHours)[5], 0);
    EXPECT_EQ((*b2->logonHours)[4], 255);
    EXPECT_FALSE(ben_->DataHasChanged());
}

TEST_F(SaveAccountTest, AFailingWriteMakesTheSaveFalseWhileTheOthersStillHappen) {
    w.machine->FailCall({"NetUserSetInfo", L"ben", 1011u, platform::net_status::AccessDenied});
    ben_->SetFullName(L"Refused");
    ben_->SetComment(L"accepted");
    EXPECT_FALSE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine), (std::vector<std::string>{"set 1011 ben", "set 1007 ben"}));
    EXPECT_EQ(w.machine->FindAccount(L"ben")->comment, L"accepted");
    EXPECT_EQ(w.machine->FindAccount(L"ben")->fullName, L"Ben Hansen");
    // The read-back shows the machine as it is: the refused full name is gone.
    EXPECT_EQ(ben_->FullName(), L"Ben Hansen");
    EXPECT_FALSE(ben_->DataHasChanged());
}

TEST_F(SaveAccountTest, AFailingRenameKeepsTheEditedValues) {
    ben_->SetUserName(L"b/en");
    ben_->SetFullName(L"Ben H.");
    EXPECT_FALSE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(Writes(*w.machine), (std::vector<std::string>{"set 1011 ben", "set 0 ben"}));
    EXPECT_EQ(w.machine->FindAccount(L"ben")->fullName, L"Ben H.") << "earlier writes stand";
    EXPECT_EQ(ben_->UserName(), L"b/en");
    EXPECT_EQ(ben_->UserName(true), L"ben");
    EXPECT_TRUE(ben_->DataHasChanged()) << "still counts as changed";
}

TEST_F(SaveAccountTest, ARenameOntoAnotherAccountsNameNeverTakesOverThatAccount) {
    AccountSpec taken;
    taken.name = L"taken";
    taken.fullName = L"Someone Else";
    w.machine->AddAccount(taken);
    ben_->SetUserName(L"taken");
    ben_->SetComment(L"new comment");
    EXPECT_FALSE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(w.machine->FindAccount(L"ben")->comment, L"new comment");
    EXPECT_EQ(ben_->FullName(), L"Ben Hansen") << "not the other account's values";
    EXPECT_EQ(ben_->UserName(true), L"ben");
    EXPECT_TRUE(ben_->DataHasChanged());
    EXPECT_EQ(w.machine->FindAccount(L"taken")->fullName, L"Someone Else");
}

TEST_F(SaveAccountTest, AUserWithoutAdministratorRightsCannotWrite) {
    w.machine->SetLoggedOnUser(L"ben");
    SimWorld& world = w;
    world.g.CurrentUserName = L"ben";
    world.g.CurrentUserIsAdmin = false;
    ben_->SetComment(L"mine");
    EXPECT_FALSE(SaveAccount(w.g, *ben_));
    EXPECT_EQ(w.machine->FindAccount(L"ben")->comment, L"school");
    EXPECT_EQ(ben_->Comment(), L"school") << "read back as the machine holds it";
}

} // namespace
} // namespace qb
