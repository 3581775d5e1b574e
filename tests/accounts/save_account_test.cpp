// Writing a changed record back: only what differs, in order, under the old name, then
// read back.

#include "accounts/account_store.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

#include <set>

namespace qb {
namespace {

using Lines = std::vector<std::string>;

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

std::set<std::wstring> GroupsOf(const simulated::SimulatedMachine& m, std::wstring_view name) {
    const std::vector<std::wstring> groups = m.GroupsOf(name);
    return {groups.begin(), groups.end()};
}

class SaveAccountTest : public ::testing::Test {
protected:
    void SetUp() override {
        w.machine->AddAccount({.name = L"anna", .groups = {L"Administrators"}});
        w.machine->SetLoggedOnUser(L"anna");
        w.Load();
        Add(L"ben", {L"Users"});
    }
    // Adds an account and reads it into its own record.
    userInfo& Add(const std::wstring& name, std::vector<std::wstring> groups) {
        w.machine->AddAccount({.name = name,
                               .fullName = L"Full " + name,
                               .comment = L"school",
                               .groups = std::move(groups)});
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

// Restricted hours that did not change are not written, so that hours another
// administrator changed since they were read stay as the machine holds them; clearing
// every restriction is one write of 21 bytes of 255.
TEST_F(SaveAccountTest, HoursAreWrittenExactlyWhenTheyChanged) {
    platform::LogonHoursBytes schoolDays;
    schoolDays.fill(0x0F);
    Held(L"ben").logonHours = schoolDays;
    ASSERT_TRUE(w.Read(ben()));
    platform::LogonHoursBytes changedElsewhere = schoolDays;
    changedElsewhere[7] = 0;
    Held(L"ben").logonHours = changedElsewhere;
    w.machine->ClearCalls();
    ben().SetComment(L"only this");
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), Lines{"set 1007 ben"});
    EXPECT_EQ(Held(L"ben").logonHours, changedElsewhere);

    w.machine->ClearCalls();
    for (int i = 0; i < kLogonHourBytes; ++i)
        ben().SetLogonHour(i, kAllHoursAllowed);
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), Lines{"set 1020 ben"});
    platform::LogonHoursBytes unrestricted;
    unrestricted.fill(255);
    EXPECT_EQ(Held(L"ben").logonHours, unrestricted);
}

// The window makes a normal user of an administrator with type User and an empty mask:
// the type change alone leaves it in Users and nothing else, renamed in the same save or not.
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

} // namespace
} // namespace qb
