// Reading the machine's accounts into records: enumeration, visibility, user types and
// groups, texts through the code page, and how many platform calls it takes.

#include "accounts/users.h"
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
    AccountSpec wanted;
    wanted.name = std::move(name);
    wanted.groups = std::move(groups);
    return wanted;
}

std::vector<std::wstring> Names(const Globals& g) {
    std::vector<std::wstring> names;
    for (int i = 1; i <= g.Accounts.Count(); ++i)
        names.push_back(g.Accounts.Item(i).UserName());
    return names;
}

int CountCalls(const simulated::SimulatedMachine& m, std::string_view function) {
    const auto& calls = m.Calls();
    return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                          [&](const auto& c) { return c.function == function; }));
}

class ReadAccounts : public ::testing::Test {
protected:
    void SetUp() override {
        w.machine->AddAccount(NewAccount(L"anna", {L"Administrators", L"Users"}));
        w.machine->SetLoggedOnUser(L"anna");
    }
    SimWorld w;
};

TEST_F(ReadAccounts, EveryNormalAccountIsReadAcrossBatchesInThePlatformsOrder) {
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
    EXPECT_TRUE(w.g.Accounts.Item(3).CurrentUser());
    EXPECT_FALSE(w.g.Accounts.Item(4).CurrentUser());
    EXPECT_GE(CountCalls(*w.machine, "NetQueryDisplayInformation"), 3) << "batches of five";
    for (int i = 1; i <= w.g.Accounts.Count(); ++i)
        EXPECT_FALSE(w.g.Accounts.Item(i).DataHasChanged()) << "a fresh read has no edits";
}

TEST_F(ReadAccounts, PlatformCallsStayAtOneReadAndOneGroupListingPerAccount) {
    for (int i = 0; i < 23; ++i)
        w.machine->AddAccount(NewAccount(L"user" + std::to_wstring(i)));
    w.Load();
    ASSERT_EQ(w.g.Accounts.Count(), 26);
    EXPECT_EQ(CountCalls(*w.machine, "NetUserGetInfo"), 26 + 1) << "plus the logged-on user's";
    EXPECT_EQ(CountCalls(*w.machine, "NetUserGetLocalGroups"), 26);
    EXPECT_EQ(CountCalls(*w.machine, "LookupAccountSidA"), 4 + 1)
        << "each built-in group's name once, and the built-in administrator's";

    // The names stay known for the rest of the run.
    w.machine->ClearCalls();
    LoadAccounts(w.g);
    EXPECT_EQ(CountCalls(*w.machine, "LookupAccountSidA"), 1);
}

TEST_F(ReadAccounts, AUserWithoutAdministratorPrivilegeSeesExactlyTheirOwnRecord) {
    w.machine->AddAccount(NewAccount(L"ben"));
    w.machine->AddAccount(NewAccount(L"carla"));
    w.machine->SetLoggedOnUser(L"carla");
    w.Load();
    EXPECT_FALSE(w.g.CurrentUserIsAdmin);
    ASSERT_EQ(Names(w.g), std::vector<std::wstring>{L"carla"});
    EXPECT_EQ(w.g.CurrentUserIndex, 1);
}

TEST_F(ReadAccounts, WithoutALoggedOnUserNameNoRecordIsCurrentAndANonAdministratorSeesNone) {
    w.machine->SetLoggedOnUser(L"");
    w.Load();
    EXPECT_EQ(w.g.CurrentUserName, L"");
    EXPECT_FALSE(w.g.CurrentUserIsAdmin);
    EXPECT_EQ(w.g.Accounts.Count(), 0);
    EXPECT_EQ(w.g.CurrentUserIndex, 0);
}

// Passes every call on to the machine, but fails the enumeration after `goodBatches`.
class EnumerationFailingAfter : public platform::Netapi32 {
public:
    EnumerationFailingAfter(platform::Netapi32& inner, int goodBatches)
        : inner_(inner), left_(goodBatches) {}
    platform::NetApiStatus
    QueryDisplayInformation(std::uint32_t index, std::uint32_t count, std::uint32_t length,
                            std::vector<platform::NetDisplayUser>& entries) override {
        if (left_-- <= 0)
            return platform::net_status::AccessDenied;
        return inner_.QueryDisplayInformation(index, count, length, entries);
    }
    platform::NetApiStatus UserGetInfo(std::wstring_view name, platform::UserInfo2& info) override {
        return inner_.UserGetInfo(name, info);
    }
    platform::NetApiStatus UserGetLocalGroups(std::wstring_view name, std::uint32_t flags,
                                              std::uint32_t length,
                                              std::vector<std::wstring>& groups) override {
        return inner_.UserGetLocalGroups(name, flags, length, groups);
    }
    platform::NetApiStatus UserModalsGet(platform::UserModalsInfo2& info) override {
        return inner_.UserModalsGet(info);
    }
    platform::NetApiStatus UserSetInfo(std::wstring_view name,
                                       const platform::UserSetInfoData& data) override {
        return inner_.UserSetInfo(name, data);
    }
    platform::NetApiStatus LocalGroupAddMember(std::wstring_view group,
                                               std::wstring_view member) override {
        return inner_.LocalGroupAddMember(group, member);
    }
    platform::NetApiStatus LocalGroupDelMember(std::wstring_view group,
                                               std::wstring_view member) override {
        return inner_.LocalGroupDelMember(group, member);
    }

private:
    platform::Netapi32& inner_;
    int left_;
};

TEST_F(ReadAccounts, UnreadableAccountsAreLeftOutAndAFailedEnumerationKeepsWhatWasRead) {
    for (const wchar_t* name : {L"ben", L"carla", L"dora", L"emil", L"fritz"})
        w.machine->AddAccount(NewAccount(name));
    w.machine->FailCall(
        {"NetUserGetInfo", L"carla", std::nullopt, platform::net_status::AccessDenied});
    w.Load();
    EXPECT_EQ(Names(w.g), (std::vector<std::wstring>{L"Administrator", L"Guest", L"anna", L"ben",
                                                     L"dora", L"emil", L"fritz"}));

    w.machine->ClearFaults();
    EnumerationFailingAfter failing(w.machine->Netapi(), 1);
    Globals g(
        platform::Ports{failing, w.machine->Security(), w.registry, w.machine->Kernel(), w.user});
    g.CurrentUserName = L"anna";
    g.CurrentUserIsAdmin = true;
    LoadAccounts(g);
    EXPECT_EQ(Names(g),
              (std::vector<std::wstring>{L"Administrator", L"Guest", L"anna", L"ben", L"carla"}))
        << "the first batch stays when the second cannot be had";
}

TEST_F(ReadAccounts, ValuesComeFromTheAccountInformation) {
    AccountSpec wanted = NewAccount(L"ben");
    wanted.fullName = L"Ben Hansen";
    wanted.comment = L"Homework only";
    wanted.userComment = L"hi";
    wanted.password = L"secret";
    wanted.flags = uf::Script | uf::NormalAccount | uf::AccountDisable | uf::PasswordCantChange |
                   uf::Lockout | uf::DontExpirePassword;
    wanted.lastLogon = 86400;
    platform::LogonHoursBytes hours{};
    hours.fill(0);
    hours[4] = 0x81;
    wanted.logonHours = hours;
    w.machine->AddAccount(wanted);
    w.Load();

    userInfo* ben = w.Record(L"ben");
    ASSERT_NE(ben, nullptr);
    EXPECT_EQ(ben->FullName(true), L"Ben Hansen");
    EXPECT_EQ(ben->Comment(true), L"Homework only");
    EXPECT_EQ(ben->UserComment(true), L"hi");
    EXPECT_EQ(ben->Password(true), L"") << "passwords are never read";
    EXPECT_EQ(ben->Flags(), wanted.flags);
    EXPECT_TRUE(ben->AccountDisabled(true));
    EXPECT_TRUE(ben->PasswordCantChange(true));
    EXPECT_FALSE(ben->PasswordNotNeeded(true));
    EXPECT_EQ(ben->LogonHour(4, true), 0x81);
    EXPECT_EQ(ben->LogonHour(0), 0);
    EXPECT_TRUE(ben->HasTimeRestrictions());
    EXPECT_EQ(ben->LastLogon(), DateTime::FromCivil({1970, 1, 2, 0, 0, 0}));
    EXPECT_FALSE(ben->IsAdministratorAccount());

    userInfo* anna = w.Record(L"anna");
    ASSERT_NE(anna, nullptr);
    EXPECT_TRUE(anna->LastLogon().IsZero()) << "never logged on";
    for (int i = 0; i < kLogonHourBytes; ++i)
        EXPECT_EQ(anna->LogonHour(i, true), 255) << "no bitmap means no restrictions";
    EXPECT_FALSE(anna->HasTimeRestrictions());
}

TEST_F(ReadAccounts, TheDisabledGuestIsListedAsAGuest) {
    w.Load();
    userInfo* guest = w.Record(L"Guest");
    ASSERT_NE(guest, nullptr);
    EXPECT_TRUE(guest->AccountDisabled());
    EXPECT_EQ(guest->UserType(), Guest);
    EXPECT_EQ(guest->UserGroups(), 1);
}

TEST_F(ReadAccounts, UserTypesAndGroupsFollowPrivilegeAndBuiltinMembership) {
    w.machine->AddLocalGroup(L"Remote Desktop Users");
    w.machine->AddAccount(NewAccount(L"admin2", {L"Administrators", L"Power Users", L"Users"}));
    w.machine->AddAccount(NewAccount(L"power", {L"Users", L"Power Users"}));
    w.machine->AddAccount(NewAccount(L"plain", {L"Users", L"Remote Desktop Users"}));
    w.machine->AddAccount(NewAccount(L"nobody", {}));
    w.machine->AddAccount(NewAccount(L"visitor", {L"Guests"}));
    w.Load();

    struct Expected {
        const wchar_t* name;
        std::int32_t type;
        std::int32_t groups;
    };
    for (const Expected& e : {Expected{L"Administrator", Administrator, 4},
                              Expected{L"admin2", Administrator, 2 | 4 | 8},
                              Expected{L"power", PowerUser, 2 | 8}, Expected{L"plain", User, 2},
                              Expected{L"nobody", Guest, 0}, Expected{L"visitor", Guest, 1}}) {
        userInfo* r = w.Record(e.name);
        ASSERT_NE(r, nullptr) << e.name;
        EXPECT_EQ(r->UserType(), e.type) << e.name;
        EXPECT_EQ(r->UserGroups(), e.groups) << e.name;
    }
}

TEST_F(ReadAccounts, LocalizedGroupNamesAreFoundByTheirIdentifiers) {
    w.machine->RenameBuiltinGroup(BuiltinAlias::Administrators, L"Administratoren");
    w.machine->RenameBuiltinGroup(BuiltinAlias::Users, L"Benutzer");
    w.machine->RenameBuiltinGroup(BuiltinAlias::PowerUsers, L"Hauptbenutzer");
    w.machine->RenameBuiltinGroup(BuiltinAlias::Guests, L"Gäste");
    w.machine->AddAccount(NewAccount(L"power", {L"Benutzer", L"Hauptbenutzer"}));
    w.Load();
    EXPECT_EQ(GetBuiltinGroupName(w.g, GuestsGroup), L"Gäste");
    EXPECT_EQ(GroupDisplayName(w.g, AdministratorsGroup), L"Administratoren");
    EXPECT_EQ(w.Record(L"power")->UserType(), PowerUser);
    EXPECT_EQ(w.Record(L"power")->UserGroups(), 10);
    EXPECT_EQ(w.Record(L"Guest")->UserGroups(), 1);
    EXPECT_TRUE(IsGroupMember(w.g, L"anna", AdministratorsGroup));
    EXPECT_FALSE(IsGroupMember(w.g, L"anna", PowerUsersGroup));
}

TEST_F(ReadAccounts, AGroupThePlatformCannotNameCountsForNoOne) {
    w.machine->AddAccount(NewAccount(L"power", {L"Users", L"Power Users"}));
    w.machine->FailCall({"LookupAccountSidA", L"S-1-5-32-547", std::nullopt, 1332});
    w.Load();
    EXPECT_EQ(GetBuiltinGroupName(w.g, PowerUsersGroup), L"");
    EXPECT_EQ(GroupDisplayName(w.g, PowerUsersGroup), L"Not known");
    EXPECT_EQ(w.Record(L"power")->UserType(), User) << "never typed PowerUser then";
    EXPECT_EQ(w.Record(L"power")->UserGroups(), 2);
    EXPECT_FALSE(IsGroupMember(w.g, L"power", PowerUsersGroup));

    EXPECT_EQ(GetBuiltinGroupName(w.g, 4), L"");
    EXPECT_EQ(GroupDisplayName(w.g, 4), L"Not known");
    EXPECT_EQ(GetBuiltinGroupName(w.g, -1), L"");
}

TEST_F(ReadAccounts, TheBuiltinAdministratorIsKnownByItsIdentifierNotItsName) {
    SimWorld renamed;
    simulated::SimAccount* builtin = renamed.machine->FindAccount(L"Administrator");
    ASSERT_NE(builtin, nullptr);
    builtin->name = L"Verwalter";
    renamed.machine->AddAccount(NewAccount(L"Administrator", {L"Users"}));
    renamed.machine->AddAccount(NewAccount(L"anna", {L"Administrators"}));
    renamed.machine->SetLoggedOnUser(L"anna");
    renamed.Load();
    EXPECT_EQ(renamed.g.AdministratorAccountName, L"Verwalter");
    ASSERT_NE(renamed.Record(L"Verwalter"), nullptr);
    EXPECT_TRUE(renamed.Record(L"Verwalter")->IsAdministratorAccount());
    ASSERT_NE(renamed.Record(L"Administrator"), nullptr);
    EXPECT_FALSE(renamed.Record(L"Administrator")->IsAdministratorAccount());

    std::optional<platform::Sid> sid = BuildAccountSid(renamed.g, 500);
    ASSERT_TRUE(sid);
    platform::Sid expected = renamed.machine->DomainSid();
    expected.subAuthorities.push_back(500);
    EXPECT_EQ(*sid, expected);
}

TEST_F(ReadAccounts, WithoutTheDomainIdentifierNoAccountIsTheBuiltinAdministrator) {
    w.machine->FailCall({"NetUserModalsGet", std::nullopt, std::nullopt, 5});
    w.Load();
    EXPECT_EQ(w.g.AdministratorAccountName, L"");
    EXPECT_FALSE(BuildAccountSid(w.g, 500));
    EXPECT_FALSE(w.Record(L"Administrator")->IsAdministratorAccount());
}

TEST_F(ReadAccounts, TextsGoThroughTheSystemCodePage) {
    EXPECT_EQ(WideToAnsi(w.g, L"Łukasz"), L"0ukasz") << "Ł is not in code page 1252";
    EXPECT_EQ(WideToAnsi(w.g, L"Zoë Müller"), L"Zoë Müller");
    EXPECT_EQ(WideToAnsi(w.g, L"€"), L"€");
    EXPECT_EQ(WideToAnsi(w.g, nullptr), L"");
    EXPECT_EQ(WideToAnsi(w.g, L""), L"");

    AccountSpec wanted = NewAccount(L"zoe");
    wanted.fullName = L"Zoë Łukasz";
    w.machine->AddAccount(wanted);
    w.Load();
    ASSERT_NE(w.Record(L"zoe"), nullptr);
    EXPECT_EQ(w.Record(L"zoe")->FullName(), L"Zoë 0ukasz");
}

TEST_F(ReadAccounts, AnAccountWhoseNameTheCodePageCannotHoldCannotBeAddressedAndIsLeftOut) {
    w.machine->AddAccount(NewAccount(L"Łukasz"));
    w.machine->AddAccount(NewAccount(L"marek"));
    w.Load();
    EXPECT_EQ(w.Record(L"0ukasz"), nullptr);
    EXPECT_NE(w.Record(L"marek"), nullptr) << "the others still load";
}

TEST_F(ReadAccounts, LoadingAgainStartsAfresh) {
    w.Load();
    const int count = w.g.Accounts.Count();
    w.machine->SetLoggedOnUser(L"nobody-here");
    w.g.CurrentUserName = L"nobody-here";
    LoadAccounts(w.g);
    EXPECT_EQ(w.g.Accounts.Count(), count);
    EXPECT_EQ(w.g.CurrentUserIndex, 0);
}

TEST_F(ReadAccounts, ReadAccountFailsForAnUnknownNameAndLeavesTheRecordAlone) {
    w.Load();
    userInfo record;
    record.SetUserName(L"ghost");
    record.SetFullName(L"edited");
    EXPECT_FALSE(ReadAccount(w.g, record));
    EXPECT_EQ(record.FullName(), L"edited");
    EXPECT_EQ(record.UserName(), L"ghost");
}

TEST_F(ReadAccounts, AdminPrivilegeIsTheLoggedOnUsersPrivilegeBit) {
    w.machine->AddAccount(NewAccount(L"ben"));
    w.g.CurrentUserName = L"anna";
    EXPECT_TRUE(CurrentUserHasAdminPrivilege(w.g));
    w.g.CurrentUserName = L"ben";
    EXPECT_FALSE(CurrentUserHasAdminPrivilege(w.g));
    w.g.CurrentUserName = L"ghost";
    EXPECT_FALSE(CurrentUserHasAdminPrivilege(w.g));

    platform::UserInfo2 info;
    w.g.CurrentUserName = L"anna";
    ASSERT_TRUE(GetAccountInfo(w.g, L"", info));
    EXPECT_EQ(info.priv, platform::user_priv::Admin);
    EXPECT_EQ(info.name, L"") << "texts are not handed on";
    EXPECT_FALSE(info.logonHours);
}

} // namespace
} // namespace qb
