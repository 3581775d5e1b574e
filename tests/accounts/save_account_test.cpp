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

// The account ends in exactly the built-in groups ticked, whatever its type did, compared
// with the machine as it is at the save; no other group is touched.
TEST_F(SaveAccountTest, MembershipsEndExactlyAsTicked) {
    w.machine->AddLocalGroup(L"Backup Operators");
    userInfo& meg = Add(L"meg", {L"Administrators", L"Power Users", L"Backup Operators"});
    meg.SetUserGroups(8);
    meg.SetUserType(PowerUser);
    EXPECT_TRUE(w.Save(meg));
    EXPECT_EQ(Writes(*w.machine), Lines{"del Administrators"}) << "Power Users stays";
    EXPECT_EQ(GroupsOf(*w.machine, L"meg"),
              (std::set<std::wstring>{L"Power Users", L"Backup Operators"}));
    EXPECT_EQ(meg.UserType(), PowerUser);

    // Put into Power Users elsewhere since it was read, ben is made an administrator.
    w.machine->AddMember(L"Power Users", L"ben");
    w.machine->ClearCalls();
    ben().SetUserGroups(2 | 4);
    ben().SetUserType(Administrator);
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(Writes(*w.machine), (Lines{"add Administrators", "del Power Users"}));
    EXPECT_EQ(GroupsOf(*w.machine, L"ben"), (std::set<std::wstring>{L"Users", L"Administrators"}));

    // An empty mask never changes a membership: no account leaves every built-in group.
    ben().SetUserGroups(0);
    EXPECT_TRUE(w.Save(ben()));
    EXPECT_EQ(GroupsOf(*w.machine, L"ben"), (std::set<std::wstring>{L"Users", L"Administrators"}));
}

// Restricted hours that did not change are not written, so that hours another
// administrator changed since they were read stay as the machine holds them.
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
}

} // namespace
} // namespace qb
