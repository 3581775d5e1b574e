// Reading the machine's accounts into records: enumeration, visibility, user types and
// groups, and how many platform calls it takes. What every record reads as, texts through
// the code page included, is checked against a plain statement of the rules by the accounts'
// fuzz target (fuzz/) on machines of any names, texts, flags and hours.

#include "accounts/account_store.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qb {
namespace {

using simulated::AccountSpec;
using simulated::BuiltinAlias;
using testing::SimWorld;
namespace uf = platform::user_flags;

AccountSpec NewAccount(std::wstring name, std::vector<std::wstring> groups = {L"Users"}) {
    AccountSpec account;
    account.name = std::move(name);
    account.groups = std::move(groups);
    return account;
}

std::vector<std::wstring> Names(const Globals& g) {
    std::vector<std::wstring> names;
    for (int i = 1; i <= g.Accounts.Count(); ++i)
        names.push_back(g.Accounts.Item(i).UserName());
    return names;
}

// How many calls of `function` the machine received, of those only the ones addressed to
// `target` when one is given.
int Calls(const simulated::SimulatedMachine& m, std::string_view function,
          std::wstring_view target = {}) {
    return static_cast<int>(std::count_if(m.Calls().begin(), m.Calls().end(), [&](const auto& c) {
        return c.function == function && (target.empty() || c.target == target);
    }));
}

class ReadAccounts : public ::testing::Test {
protected:
    void SetUp() override {
        w.machine->AddAccount(NewAccount(L"anna", {L"Administrators", L"Users"}));
        w.machine->SetLoggedOnUser(L"anna");
    }
    SimWorld w;
};

TEST_F(ReadAccounts, AllNormalAccountsAcrossBatchesWithOneReadAndOneGroupListingEach) {
    for (const wchar_t* name : {L"ben", L"carla", L"dora", L"emil", L"fritz", L"gwen"})
        w.machine->AddAccount(NewAccount(name));
    AccountSpec trust = NewAccount(L"OFFICE-PC$", {});
    trust.flags = uf::Script | uf::WorkstationTrustAccount;
    w.machine->AddAccount(trust);
    w.machine->AddAccount(NewAccount(L"hugo"));
    w.Load();

    EXPECT_EQ(Names(w.g),
              (std::vector<std::wstring>{L"Administrator", L"Guest", L"anna", L"ben", L"carla",
                                         L"dora", L"emil", L"fritz", L"gwen", L"hugo"}));
    EXPECT_EQ(w.g.CurrentUserIndex, 3);
    for (int i = 1; i <= w.g.Accounts.Count(); ++i) {
        EXPECT_EQ(w.g.Accounts.Item(i).CurrentUser(), i == 3);
        EXPECT_FALSE(w.g.Accounts.Item(i).DataHasChanged()) << "a fresh read has no edits";
    }
    EXPECT_EQ(Calls(*w.machine, "NetQueryDisplayInformation"), 3) << "batches of five";
    EXPECT_EQ(Calls(*w.machine, "NetUserGetInfo"), 10 + 1) << "plus the logged-on user's";
    EXPECT_EQ(Calls(*w.machine, "NetUserGetLocalGroups"), 10);
    EXPECT_EQ(Calls(*w.machine, "LookupAccountSidA"), 4 + 1)
        << "each built-in group's name once, and the built-in administrator's";
    w.machine->ClearCalls();
    w.Load();
    EXPECT_EQ(Calls(*w.machine, "LookupAccountSidA"), 1) << "group names last the whole run";
}

TEST_F(ReadAccounts, UnreadableAccountsAreLeftOutAndAFailedEnumerationKeepsWhatWasRead) {
    for (const wchar_t* name : {L"ben", L"carla", L"dora", L"emil", L"fritz"})
        w.machine->AddAccount(NewAccount(name));
    w.machine->FailCall({"NetUserGetInfo", L"carla"});
    w.Load();
    EXPECT_EQ(Names(w.g), (std::vector<std::wstring>{L"Administrator", L"Guest", L"anna", L"ben",
                                                     L"dora", L"emil", L"fritz"}));

    std::vector<platform::NetDisplayUser> first; // the second batch starts where it ends
    w.machine->Netapi().QueryDisplayInformation(0, 5, platform::MaxPreferredLength, first);
    const std::wstring second = std::to_wstring(first.back().nextIndex);
    // The second batch refused, or "more data" without any entry: the first batch stays,
    // and the request is not repeated (it would succeed the second time).
    for (const std::uint32_t status :
         {platform::net_status::AccessDenied, platform::net_status::MoreData}) {
        w.machine->FailCall({"NetQueryDisplayInformation", {}, {}, status, 1, second});
        w.machine->ClearCalls();
        w.Load();
        EXPECT_EQ(Names(w.g),
                  (std::vector<std::wstring>{L"Administrator", L"Guest", L"anna", L"ben"}))
            << status;
        EXPECT_EQ(Calls(*w.machine, "NetQueryDisplayInformation"), 2) << status;
    }
}

TEST_F(ReadAccounts, GroupsAreFoundByIdentifierAndOneThePlatformCannotNameCountsForNoOne) {
    w.machine->RenameBuiltinGroup(BuiltinAlias::Users, L"Benutzer");
    w.machine->RenameBuiltinGroup(BuiltinAlias::Guests, L"Gäste");
    w.machine->AddAccount(NewAccount(L"power", {L"Benutzer", L"Power Users"}));
    w.machine->FailCall({"LookupAccountSidA", L"S-1-5-32-547", {}, 1332});
    w.Load();
    EXPECT_EQ(w.g.Store.GetBuiltinGroupName(GuestsGroup), L"Gäste");
    EXPECT_EQ(w.g.Store.GroupDisplayName(UsersGroup), L"Benutzer");
    EXPECT_EQ(w.g.Store.GetBuiltinGroupName(PowerUsersGroup), L"");
    EXPECT_EQ(w.g.Store.GroupDisplayName(PowerUsersGroup), L"Not known");
    EXPECT_EQ(w.Record(L"power")->UserType(), User) << "never typed PowerUser then";
    EXPECT_EQ(w.Record(L"power")->UserGroups(), 2);
    EXPECT_EQ(w.Record(L"Guest")->UserGroups(), 1);
    EXPECT_TRUE(w.g.Store.IsGroupMember(L"anna", AdministratorsGroup));
    EXPECT_FALSE(w.g.Store.IsGroupMember(L"power", PowerUsersGroup));
    EXPECT_EQ(w.g.Store.GetBuiltinGroupName(4), L"");
    EXPECT_EQ(w.g.Store.GroupDisplayName(4), L"Not known");
}

TEST_F(ReadAccounts, AGroupNameTheLookUpMissedOnceIsAskedForAgainAndThenKept) {
    w.machine->AddAccount(NewAccount(L"power", {L"Users", L"Power Users"}));
    // Fails while the built-in administrator's groups are listed, the first account read.
    w.machine->FailCall({"LookupAccountSidA", L"S-1-5-32-547", {}, 1332, 1});
    w.Load();
    EXPECT_EQ(w.Record(L"power")->UserType(), PowerUser);
    EXPECT_EQ(w.Record(L"power")->UserGroups(), 2 | 8);
    auto lookups = [&] { return Calls(*w.machine, "LookupAccountSidA", L"S-1-5-32-547"); };
    EXPECT_EQ(lookups(), 2) << "the failed look-up and the one that found it";

    w.machine->FailCall({"LookupAccountSidA", L"S-1-5-32-547", {}, 1332, 1});
    w.machine->ClearCalls();
    EXPECT_EQ(w.g.Store.GroupDisplayName(PowerUsersGroup), L"Power Users");
    w.Load();
    EXPECT_EQ(lookups(), 0) << "a name once found is kept for the run";

    // A failure before any name was found shows as "Not known" only while it lasts.
    SimWorld fresh;
    fresh.machine->FailCall({"LookupAccountSidA", L"S-1-5-32-545", {}, 1332, 1});
    EXPECT_EQ(fresh.g.Store.GroupDisplayName(UsersGroup), L"Not known");
    EXPECT_EQ(fresh.g.Store.GroupDisplayName(UsersGroup), L"Users");
}

TEST_F(ReadAccounts, TheBuiltinAdministratorIsKnownByItsIdentifierNotItsName) {
    w.machine->FindAccount(L"Administrator")->name = L"Verwalter";
    w.machine->AddAccount(NewAccount(L"Administrator"));
    w.Load();
    EXPECT_EQ(w.g.AdministratorAccountName, L"Verwalter");
    EXPECT_TRUE(w.Record(L"Verwalter")->IsAdministratorAccount());
    EXPECT_FALSE(w.Record(L"Administrator")->IsAdministratorAccount());
    platform::Sid expected = w.machine->DomainSid();
    expected.subAuthorities.push_back(500);
    EXPECT_EQ(w.g.Store.BuildAccountSid(500), expected);

    w.machine->FailCall({"NetUserModalsGet"});
    w.Load();
    EXPECT_EQ(w.g.AdministratorAccountName, L"");
    EXPECT_FALSE(w.Record(L"Verwalter")->IsAdministratorAccount());
}

TEST_F(ReadAccounts, UnknownNamesAndPrivilege) {
    w.machine->AddAccount(NewAccount(L"ben"));
    w.Load();
    userInfo ghost;
    ghost.SetUserName(L"ghost");
    ghost.SetFullName(L"edited");
    EXPECT_FALSE(w.Read(ghost));
    EXPECT_EQ(ghost.FullName(), L"edited") << "a failed read leaves the record alone";

    for (const auto& [name, admin] :
         {std::pair{L"anna", true}, {L"ben", false}, {L"ghost", false}, {L"", false}})
        EXPECT_EQ(w.g.Store.CurrentUserHasAdminPrivilege(name), admin) << name;
    platform::UserInfo2 info;
    ASSERT_TRUE(w.g.Store.GetAccountInfo(L"", info)) << "the logged-on user";
    EXPECT_EQ(info.priv, platform::user_priv::Admin);
    EXPECT_EQ(info.name, L"") << "texts are not handed on";
}

} // namespace
} // namespace qb
