// The account database through netapi32: paging, reading, writing, group membership,
// rights, status codes, fault injection and the call log.

#include "machine_fixture.h"

namespace qb::simulated {
namespace {

using testing::NewAccount;
using testing::Office;
namespace st = platform::net_status;
namespace uf = platform::user_flags;
using platform::MaxPreferredLength;

LogonHoursBytes AfternoonsOnly() {
    LogonHoursBytes hours{};
    for (int day = 0; day < 7; ++day)
        for (int hour = 15; hour < 20; ++hour) {
            const int bit = day * 24 + hour;
            hours[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(1 << (bit % 8));
        }
    return hours;
}

// --- Paging ---

struct Batch {
    NetApiStatus status;
    std::vector<platform::NetDisplayUser> entries;
};

std::vector<Batch> Enumerate(platform::Netapi32& net, std::uint32_t perCall,
                             std::uint32_t preferredLength = MaxPreferredLength) {
    std::vector<Batch> batches;
    std::uint32_t index = 0;
    for (int guard = 0; guard < 1000; ++guard) {
        Batch batch;
        batch.status = net.QueryDisplayInformation(index, perCall, preferredLength, batch.entries);
        batches.push_back(batch);
        if (batch.status != st::MoreData || batch.entries.empty())
            break;
        index = batch.entries.back().nextIndex;
    }
    return batches;
}

TEST_F(Office, EnumerationPagesInInsertionOrderWithMoreDataUntilTheLastBatch) {
    AccountSpec trust = NewAccount(L"OFFICE-PC$", {});
    trust.flags = uf::Script | uf::WorkstationTrustAccount;
    m.AddAccount(trust);
    for (const wchar_t* name : {L"emil", L"fritz", L"gwen", L"hugo", L"ida"})
        m.AddAccount(NewAccount(name, {L"Users"}));
    // 2 built-in + 4 + trust + 5 = 12 accounts: batches of 5, 5 and 2.
    const std::vector<Batch> batches = Enumerate(net, 5);
    ASSERT_EQ(batches.size(), 3u);
    EXPECT_EQ(batches[0].status, st::MoreData);
    EXPECT_EQ(batches[1].status, st::MoreData);
    EXPECT_EQ(batches[2].status, st::Success);
    EXPECT_EQ(batches[2].entries.size(), 2u);

    std::vector<const SimAccount*> expected = m.AccountsInOrder();
    std::size_t position = 0;
    for (const Batch& batch : batches)
        for (const platform::NetDisplayUser& entry : batch.entries) {
            ASSERT_LT(position, expected.size());
            EXPECT_EQ(entry.name, expected[position]->name);
            EXPECT_EQ(entry.userId, expected[position]->rid);
            EXPECT_EQ(entry.flags, expected[position]->flags);
            EXPECT_EQ(entry.nextIndex, position + 1);
            ++position;
        }
    EXPECT_EQ(position, 12u);
    EXPECT_EQ(batches[1].entries[1].name, L"OFFICE-PC$") << "trust accounts are listed too";
    EXPECT_EQ(batches[0].entries[0].comment,
              L"Built-in account for administering the computer/domain");
}

TEST(Paging, AnExactMultipleEndsWithSuccessAndIndexesPastTheEndGiveNothing) {
    auto m = SimulatedMachine::Bare();
    for (int i = 0; i < 10; ++i)
        m->AddAccount(NewAccount(L"u" + std::to_wstring(i), {}));
    const std::vector<Batch> batches = Enumerate(m->Netapi(), 5);
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].status, st::MoreData);
    EXPECT_EQ(batches[1].status, st::Success) << "nothing remains after the tenth";
    EXPECT_EQ(batches[1].entries.back().name, L"u9");

    std::vector<platform::NetDisplayUser> entries{{L"stale"}};
    EXPECT_EQ(m->Netapi().QueryDisplayInformation(10, 5, MaxPreferredLength, entries), st::Success);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(m->Netapi().QueryDisplayInformation(7, 5, MaxPreferredLength, entries), st::Success);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, L"u7");
}

TEST(Paging, BatchesAreCappedAtAHundredAndBySmallPreferredLengthsButAlwaysProgress) {
    auto m = SimulatedMachine::Bare();
    for (int i = 0; i < 150; ++i)
        m->AddAccount(NewAccount(L"user" + std::to_wstring(i), {}));
    std::vector<platform::NetDisplayUser> entries;
    EXPECT_EQ(m->Netapi().QueryDisplayInformation(0, 1000, MaxPreferredLength, entries),
              st::MoreData);
    EXPECT_EQ(entries.size(), 100u);

    const std::vector<Batch> tiny = Enumerate(m->Netapi(), 5, 1);
    EXPECT_EQ(tiny.size(), 150u) << "one entry per call, never none";
    EXPECT_EQ(tiny.back().status, st::Success);
}

// --- Reading ---

TEST_F(Office, AccountInformationHidesThePasswordAndGivesHoursOrNone) {
    SimAccount* ben = m.FindAccount(L"ben");
    ben->password = L"secret";
    ben->fullName = L"Ben Hansen";
    ben->comment = L"school";
    ben->userComment = L"likes trains";
    ben->lastLogon = 1'700'000'000;
    ben->logonHours = AfternoonsOnly();

    platform::UserInfo2 info;
    ASSERT_EQ(net.UserGetInfo(L"ben", info), st::Success);
    EXPECT_EQ(info.name, L"ben");
    EXPECT_EQ(info.password, L"") << "the platform never returns a password";
    EXPECT_EQ(info.fullName, L"Ben Hansen");
    EXPECT_EQ(info.comment, L"school");
    EXPECT_EQ(info.usrComment, L"likes trains");
    EXPECT_EQ(info.lastLogon, 1'700'000'000u);
    EXPECT_EQ(info.flags, uf::Script | uf::NormalAccount);
    EXPECT_EQ(info.unitsPerWeek, 168u);
    ASSERT_TRUE(info.logonHours.has_value());
    EXPECT_EQ(*info.logonHours, AfternoonsOnly());

    ASSERT_EQ(net.UserGetInfo(L"carla", info), st::Success);
    EXPECT_FALSE(info.logonHours.has_value()) << "no restrictions: a null pointer";
}

TEST_F(Office, NamesAreExactAndCaseSensitive) {
    platform::UserInfo2 info;
    EXPECT_EQ(net.UserGetInfo(L"Ben", info), st::UserNotFound);
    EXPECT_EQ(net.UserGetInfo(L"ben ", info), st::UserNotFound);
    EXPECT_EQ(net.UserGetInfo(L"", info), st::UserNotFound);
    std::vector<std::wstring> groups;
    EXPECT_EQ(net.UserGetLocalGroups(L"BEN", 0, MaxPreferredLength, groups), st::UserNotFound);
    EXPECT_EQ(net.LocalGroupAddMember(L"administrators", L"ben"), st::GroupNotFound);
}

TEST_F(Office, PrivilegeFollowsAdministratorsThenUsersOrPowerUsers) {
    m.AddAccount(NewAccount(L"power", {L"Power Users"}));
    m.AddAccount(NewAccount(L"loner", {}));
    m.AddAccount(NewAccount(L"boss", {L"Guests", L"Administrators", L"Power Users"}));
    const std::vector<std::pair<const wchar_t*, std::uint32_t>> expected = {
        {L"anna", 2},  {L"ben", 1},  {L"carla", 1}, {L"dora", 0},         {L"power", 1},
        {L"loner", 0}, {L"boss", 2}, {L"Guest", 0}, {L"Administrator", 2}};
    for (const auto& [name, priv] : expected) {
        platform::UserInfo2 info;
        ASSERT_EQ(net.UserGetInfo(name, info), st::Success) << name;
        EXPECT_EQ(info.priv, priv) << name;
        EXPECT_EQ(m.PrivilegeOf(name), priv) << name;
    }
}

TEST_F(Office, LocalGroupsComeInTheMachinesOrderUnderTheirCurrentNames) {
    m.AddLocalGroup(L"Remote Desktop Users");
    m.AddMember(L"Remote Desktop Users", L"carla");
    m.RenameBuiltinGroup(BuiltinAlias::PowerUsers, L"Hauptbenutzer");
    std::vector<std::wstring> groups{L"stale"};
    ASSERT_EQ(net.UserGetLocalGroups(L"carla", 0, MaxPreferredLength, groups), st::Success);
    EXPECT_EQ(groups,
              (std::vector<std::wstring>{L"Users", L"Hauptbenutzer", L"Remote Desktop Users"}));
    EXPECT_EQ(m.GroupsOf(L"carla"), groups);

    EXPECT_EQ(net.UserGetLocalGroups(L"QUILLBAY-PC\\carla", platform::LgIncludeIndirect,
                                     MaxPreferredLength, groups),
              st::Success)
        << "a name qualified with the machine's own domain";
    EXPECT_EQ(groups.size(), 3u);
    EXPECT_EQ(net.UserGetLocalGroups(L"OTHER\\carla", 0, MaxPreferredLength, groups),
              st::UserNotFound);
    EXPECT_TRUE(groups.empty());
    ASSERT_EQ(net.UserGetLocalGroups(L"ben", 0, MaxPreferredLength, groups), st::Success);
    EXPECT_EQ(groups, std::vector<std::wstring>{L"Users"});
}

// --- Writing ---

TEST_F(Office, ARenameKeepsTheIdentityAndMembershipsAndFreesTheOldName) {
    m.AddLocalGroup(L"Backup Operators");
    m.AddMember(L"Backup Operators", L"carla");
    const std::uint32_t rid = m.FindAccount(L"carla")->rid;

    ASSERT_EQ(net.UserSetInfo(L"carla", platform::UserInfo0{L"Carla Maria"}), st::Success);
    EXPECT_EQ(m.FindAccount(L"carla"), nullptr);
    ASSERT_NE(m.FindAccount(L"Carla Maria"), nullptr);
    EXPECT_EQ(m.FindAccount(L"Carla Maria")->rid, rid);
    EXPECT_EQ(m.FindAccountByRid(rid)->name, L"Carla Maria");
    EXPECT_EQ(m.GroupsOf(L"Carla Maria"),
              (std::vector<std::wstring>{L"Users", L"Power Users", L"Backup Operators"}));
    platform::UserInfo2 info;
    EXPECT_EQ(net.UserGetInfo(L"carla", info), st::UserNotFound);
    EXPECT_EQ(net.UserGetInfo(L"Carla Maria", info), st::Success);

    // The old name is free again: another account may take it.
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"carla"}), st::Success);
    EXPECT_EQ(m.GroupsOf(L"carla"), std::vector<std::wstring>{L"Users"});
    // Renaming to the name it already has changes nothing and succeeds.
    EXPECT_EQ(net.UserSetInfo(L"carla", platform::UserInfo0{L"carla"}), st::Success);
}

TEST_F(Office, ARenameToATakenOrInvalidNameIsRefusedAndChangesNothing) {
    m.AddLocalGroup(L"Backup Operators");
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"carla"}), st::UserExists);
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"Backup Operators"}), 2223u)
        << "accounts and groups share one name space";
    for (const wchar_t* bad :
         {L"", L"   ", L"ben.", L"a\"b", L"a/b", L"a\\b", L"a[b", L"a]b", L"a:b", L"a;b", L"a|b",
          L"a=b", L"a,b", L"a+b", L"a*b", L"a?b", L"a<b", L"a>b", L"tab\tname"})
        EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{bad}), st::BadUsername)
            << testing::Narrow(bad);
    EXPECT_NE(m.FindAccount(L"ben"), nullptr);
    EXPECT_EQ(m.AccountCount(), 6u);
    EXPECT_EQ(net.UserSetInfo(L"ghost", platform::UserInfo0{L"spirit"}), st::UserNotFound);
    // Dots and spaces inside a name are fine.
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"B. en"}), st::Success);
}

TEST_F(Office, EachTextLevelSetsItsOwnField) {
    ASSERT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1003{L"n3w-pass"}), st::Success);
    ASSERT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"the comment"}), st::Success);
    ASSERT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1011{L"Ben Hansen"}), st::Success);
    ASSERT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1012{L"the user comment"}), st::Success);
    const SimAccount* ben = m.FindAccount(L"ben");
    EXPECT_EQ(ben->password, L"n3w-pass");
    EXPECT_EQ(ben->comment, L"the comment");
    EXPECT_EQ(ben->fullName, L"Ben Hansen");
    EXPECT_EQ(ben->userComment, L"the user comment");
    platform::UserInfo2 info;
    ASSERT_EQ(net.UserGetInfo(L"ben", info), st::Success);
    EXPECT_EQ(info.password, L"") << "write-only";
    EXPECT_EQ(m.FindAccount(L"carla")->comment, L"") << "no other account touched";
}

TEST_F(Office, AFlagWordWithoutAnAccountTypeKeepsTheTypeAndLockoutCanOnlyBeCleared) {
    ASSERT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1008{uf::Script | uf::AccountDisable}),
              st::Success);
    EXPECT_EQ(m.FindAccount(L"ben")->flags, uf::Script | uf::AccountDisable | uf::NormalAccount);

    AccountSpec trust = NewAccount(L"PC$", {});
    trust.flags = uf::Script | uf::WorkstationTrustAccount;
    m.AddAccount(trust);
    ASSERT_EQ(net.UserSetInfo(L"PC$", platform::UserInfo1008{uf::Script}), st::Success);
    EXPECT_EQ(m.FindAccount(L"PC$")->flags, uf::Script | uf::WorkstationTrustAccount);
    ASSERT_EQ(net.UserSetInfo(L"PC$", platform::UserInfo1008{uf::Script | uf::NormalAccount}),
              st::Success);
    EXPECT_EQ(m.FindAccount(L"PC$")->flags, uf::Script | uf::NormalAccount)
        << "a type given replaces the old one";

    // A caller cannot lock an account out, only unlock it.
    ASSERT_EQ(net.UserSetInfo(L"carla", platform::UserInfo1008{uf::Script | uf::Lockout}),
              st::Success);
    EXPECT_EQ(m.FindAccount(L"carla")->flags & uf::Lockout, 0u);
    m.FindAccount(L"carla")->flags |= uf::Lockout;
    ASSERT_EQ(net.UserSetInfo(
                  L"carla", platform::UserInfo1008{uf::Script | uf::Lockout | uf::AccountDisable}),
              st::Success);
    EXPECT_EQ(m.FindAccount(L"carla")->flags,
              uf::Script | uf::Lockout | uf::AccountDisable | uf::NormalAccount);
    ASSERT_EQ(net.UserSetInfo(L"carla", platform::UserInfo1008{uf::Script}), st::Success);
    EXPECT_EQ(m.FindAccount(L"carla")->flags & uf::Lockout, 0u);
}

TEST_F(Office, LogonHoursNeedAHundredAndSixtyEightUnitsPerWeek) {
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1020{84, AfternoonsOnly()}),
              st::InvalidParameter);
    EXPECT_FALSE(m.FindAccount(L"ben")->logonHours.has_value());
    ASSERT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1020{168, AfternoonsOnly()}), st::Success);
    ASSERT_TRUE(m.FindAccount(L"ben")->logonHours.has_value());
    EXPECT_EQ(*m.FindAccount(L"ben")->logonHours, AfternoonsOnly());
}

// --- Group membership ---

TEST_F(Office, MembershipChangesAnswerWithTheAliasStatuses) {
    EXPECT_EQ(net.LocalGroupAddMember(L"Administrators", L"ben"), st::Success);
    EXPECT_TRUE(m.IsMember(L"Administrators", L"ben"));
    EXPECT_EQ(m.PrivilegeOf(L"ben"), platform::user_priv::Admin);
    EXPECT_EQ(net.LocalGroupAddMember(L"Administrators", L"ben"), st::MemberInAlias);
    EXPECT_EQ(net.LocalGroupDelMember(L"Administrators", L"ben"), st::Success);
    EXPECT_FALSE(m.IsMember(L"Administrators", L"ben"));
    EXPECT_EQ(net.LocalGroupDelMember(L"Administrators", L"ben"), st::MemberNotInAlias);

    EXPECT_EQ(net.LocalGroupAddMember(L"Nobodies", L"ben"), st::GroupNotFound);
    EXPECT_EQ(net.LocalGroupDelMember(L"Nobodies", L"ben"), st::GroupNotFound);
    EXPECT_EQ(net.LocalGroupAddMember(L"Users", L"ghost"), st::NoSuchMember);
    EXPECT_EQ(net.LocalGroupDelMember(L"Users", L"ghost"), st::NoSuchMember);
    EXPECT_EQ(net.LocalGroupAddMember(L"Users", L"Guests"), st::InvalidMember)
        << "a group cannot be a member of a local group";

    EXPECT_EQ(net.LocalGroupAddMember(L"Power Users", L"QUILLBAY-PC\\ben"), st::Success);
    EXPECT_TRUE(m.IsMember(L"Power Users", L"ben"));
    EXPECT_EQ(net.LocalGroupAddMember(L"Guests", L"ELSEWHERE\\ben"), st::NoSuchMember);
}

TEST_F(Office, BuiltinGroupsAreKnownByTheirLocalizedNames) {
    m.RenameBuiltinGroup(BuiltinAlias::Administrators, L"Administratoren");
    EXPECT_EQ(net.LocalGroupAddMember(L"Administrators", L"ben"), st::GroupNotFound);
    EXPECT_EQ(net.LocalGroupAddMember(L"Administratoren", L"ben"), st::Success);
    EXPECT_EQ(m.PrivilegeOf(L"ben"), platform::user_priv::Admin)
        << "privilege follows the group, not its name";
    EXPECT_EQ(m.BuiltinGroupName(BuiltinAlias::Administrators), L"Administratoren");
}

// --- Rights ---

TEST_F(Office, OnlyAnAdministratorMayWriteButEveryoneMayRead) {
    for (const wchar_t* caller : {L"ben", L"carla", L"", L"somebody-else"}) {
        m.SetLoggedOnUser(caller);
        EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"mine"}), st::AccessDenied);
        EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"benny"}), st::AccessDenied);
        EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1020{168, {}}), st::AccessDenied);
        EXPECT_EQ(net.LocalGroupAddMember(L"Administrators", L"ben"), st::AccessDenied);
        EXPECT_EQ(net.LocalGroupDelMember(L"Users", L"ben"), st::AccessDenied);
        // What does not exist is reported as such before rights are checked.
        EXPECT_EQ(net.UserSetInfo(L"ghost", platform::UserInfo1007{L"x"}), st::UserNotFound);
        EXPECT_EQ(net.LocalGroupAddMember(L"Nobodies", L"ben"), st::GroupNotFound);

        platform::UserInfo2 info;
        EXPECT_EQ(net.UserGetInfo(L"anna", info), st::Success);
        std::vector<platform::NetDisplayUser> entries;
        EXPECT_EQ(net.QueryDisplayInformation(0, 5, MaxPreferredLength, entries), st::MoreData);
    }
    EXPECT_EQ(m.FindAccount(L"ben")->comment, L"");
    EXPECT_EQ(m.GroupsOf(L"ben"), std::vector<std::wstring>{L"Users"});
    EXPECT_FALSE(m.FindAccount(L"ben")->logonHours.has_value());

    m.SetLoggedOnUser(L"anna");
    m.RemoveMember(L"Administrators", L"anna");
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"x"}), st::AccessDenied)
        << "rights are checked at every call";
    m.SetLoggedOnUser(L"Administrator");
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"x"}), st::Success);
}

// --- Faults ---

TEST_F(Office, AFaultFailsItsCallsTheGivenNumberOfTimesWithoutEffect) {
    m.FailCall({"NetUserSetInfo", std::nullopt, 1007u, st::AccessDenied, 2});
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"one"}), st::AccessDenied);
    EXPECT_EQ(net.UserSetInfo(L"carla", platform::UserInfo1007{L"two"}), st::AccessDenied);
    EXPECT_EQ(m.FindAccount(L"ben")->comment, L"");
    EXPECT_EQ(m.FindAccount(L"carla")->comment, L"");
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"three"}), st::Success);
    EXPECT_EQ(m.FindAccount(L"ben")->comment, L"three");

    std::vector<NetApiStatus> statuses;
    for (const CallRecord& call : m.Calls())
        statuses.push_back(call.status);
    EXPECT_EQ(statuses, (std::vector<NetApiStatus>{5, 5, 0})) << "failed calls are logged too";
}

TEST_F(Office, AFaultMatchesOnlyItsFunctionTargetAndLevel) {
    m.FailCall({"NetUserSetInfo", std::wstring(L"ben"), 1011u, 2245});
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"c"}), st::Success) << "level";
    EXPECT_EQ(net.UserSetInfo(L"carla", platform::UserInfo1011{L"C"}), st::Success) << "target";
    EXPECT_EQ(net.LocalGroupAddMember(L"Power Users", L"ben"), st::Success) << "function";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1011{L"B"}), 2245u) << "always";
    EXPECT_EQ(m.FindAccount(L"ben")->fullName, L"");

    m.FailCall({"NetUserSetInfo", std::wstring(L"ben"), 0u, st::UserExists, 1});
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"benny"}), st::UserExists);
    EXPECT_NE(m.FindAccount(L"ben"), nullptr) << "a failed rename renames nothing";

    m.ClearFaults();
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1011{L"B"}), st::Success);

    m.FailCall({"NetUserGetInfo", std::wstring(L"carla"), std::nullopt, st::UserNotFound, 0});
    platform::UserInfo2 info;
    EXPECT_EQ(net.UserGetInfo(L"carla", info), st::Success) << "zero times never fails";
}

TEST_F(Office, ReadsAndGroupChangesCanFailToo) {
    m.FailCall({"NetQueryDisplayInformation", std::nullopt, std::nullopt, st::AccessDenied, 1});
    std::vector<platform::NetDisplayUser> entries{{L"stale"}};
    EXPECT_EQ(net.QueryDisplayInformation(0, 5, MaxPreferredLength, entries), st::AccessDenied);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(net.QueryDisplayInformation(0, 5, MaxPreferredLength, entries), st::MoreData);

    m.FailCall({"NetLocalGroupDelMembers", std::wstring(L"Users"), std::nullopt, 1377, -1});
    EXPECT_EQ(net.LocalGroupDelMember(L"Users", L"ben"), 1377u);
    EXPECT_TRUE(m.IsMember(L"Users", L"ben"));
    EXPECT_EQ(net.LocalGroupDelMember(L"Power Users", L"carla"), st::Success);

    m.FailCall({"NetUserGetLocalGroups", std::nullopt, 0u, st::NotEnoughMemory, 1});
    std::vector<std::wstring> groups{L"stale"};
    EXPECT_EQ(net.UserGetLocalGroups(L"ben", 0, MaxPreferredLength, groups), st::NotEnoughMemory);
    EXPECT_TRUE(groups.empty());
}

// --- The call log ---

TEST_F(Office, EveryCallIsLoggedWithThePlatformsNameTargetLevelArgumentAndStatus) {
    std::vector<platform::NetDisplayUser> entries;
    platform::UserInfo2 info;
    platform::UserModalsInfo2 modals;
    std::vector<std::wstring> groups;
    std::wstring name;
    std::wstring domain;
    net.QueryDisplayInformation(0, 5, MaxPreferredLength, entries);
    net.UserGetInfo(L"ghost", info);
    net.UserGetLocalGroups(L"ben", 0, MaxPreferredLength, groups);
    net.UserModalsGet(modals);
    net.UserSetInfo(L"ben", platform::UserInfo1003{L"do-not-log-me"});
    net.UserSetInfo(L"ben", platform::UserInfo0{L"benny"});
    net.LocalGroupAddMember(L"Administrators", L"benny");
    net.LocalGroupDelMember(L"Users", L"carla");
    m.Security().QueryUserName(name);
    const auto sid = m.Security().StringToSid("S-1-5-32-544");
    m.Security().LookupSidName(*sid, name, domain);

    const std::vector<CallRecord> expected = {
        {"NetQueryDisplayInformation", L"", 1, L"", st::MoreData},
        {"NetUserGetInfo", L"ghost", 2, L"", st::UserNotFound},
        {"NetUserGetLocalGroups", L"ben", 0, L"", st::Success},
        {"NetUserModalsGet", L"", 2, L"", st::Success},
        {"NetUserSetInfo", L"ben", 1003, L"", st::Success},
        {"NetUserSetInfo", L"ben", 0, L"benny", st::Success},
        {"NetLocalGroupAddMembers", L"Administrators", 3, L"benny", st::Success},
        {"NetLocalGroupDelMembers", L"Users", 3, L"carla", st::Success},
        {"GetUserNameA", L"", 0, L"", 0},
        {"ConvertStringSidToSidA", L"S-1-5-32-544", 0, L"S-1-5-32-544", 0},
        {"LookupAccountSidA", L"S-1-5-32-544", 0, L"S-1-5-32-544", 0},
    };
    EXPECT_EQ(modals.domainName, L"QUILLBAY-PC");
    EXPECT_EQ(modals.domainId, m.DomainSid());
    const std::vector<CallRecord>& calls = m.Calls();
    ASSERT_EQ(calls.size(), expected.size());
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].function, expected[i].function) << i;
        EXPECT_EQ(calls[i].target, expected[i].target) << i;
        EXPECT_EQ(calls[i].level, expected[i].level) << i;
        EXPECT_EQ(calls[i].argument, expected[i].argument) << i;
        EXPECT_EQ(calls[i].status, expected[i].status) << i;
    }

    // Changes made directly on the machine are not calls.
    m.ClearCalls();
    m.AddAccount(NewAccount(L"eve", {L"Users"}));
    m.AddMember(L"Power Users", L"eve");
    m.Kernel().GetTickCount();
    EXPECT_TRUE(m.Calls().empty());
}

// --- Direct set-up ---

TEST(MachineContent, DefaultsAndSetUpRules) {
    SimulatedMachine m;
    ASSERT_EQ(m.AccountCount(), 2u);
    EXPECT_EQ(m.FindAccountByRid(500)->name, L"Administrator");
    EXPECT_EQ(m.FindAccountByRid(501)->name, L"Guest");
    EXPECT_NE(m.FindAccountByRid(501)->flags & uf::AccountDisable, 0u);
    EXPECT_EQ(m.GroupsOf(L"Administrator"), std::vector<std::wstring>{L"Administrators"});
    EXPECT_EQ(m.GroupsOf(L"Guest"), std::vector<std::wstring>{L"Guests"});
    EXPECT_EQ(m.LoggedOnUser(), L"");
    EXPECT_EQ(m.CodePage(), 1252u);
    EXPECT_EQ(SimulatedMachine::Bare()->AccountCount(), 0u);
    EXPECT_EQ(SimulatedMachine::Bare()->BuiltinGroupName(BuiltinAlias::PowerUsers), L"Power Users");

    // New accounts take the next free identifier from 1000 on, also past taken ones.
    AccountSpec fixed = NewAccount(L"fixed", {});
    fixed.rid = 1001;
    EXPECT_EQ(m.AddAccount(fixed), 1001u);
    EXPECT_EQ(m.AddAccount(NewAccount(L"a", {})), 1000u);
    EXPECT_EQ(m.AddAccount(NewAccount(L"b", {})), 1002u);
    m.AddLocalGroup(L"Team");
    EXPECT_EQ(m.AddAccount(NewAccount(L"c", {L"Team"})), 1004u) << "groups take identifiers too";
    EXPECT_TRUE(m.IsMember(L"Team", L"c"));

    EXPECT_THROW(m.AddAccount(NewAccount(L"a", {})), std::invalid_argument);
    EXPECT_THROW(m.AddAccount(NewAccount(L"Team", {})), std::invalid_argument);
    EXPECT_THROW(m.AddAccount(NewAccount(L"bad/name", {})), std::invalid_argument);
    EXPECT_THROW(m.AddAccount(NewAccount(L"d", {L"No Such Group"})), std::invalid_argument);
    EXPECT_THROW(m.AddAccount(fixed), std::invalid_argument);
    EXPECT_THROW(m.AddLocalGroup(L"Users"), std::invalid_argument);
    EXPECT_THROW(m.RenameBuiltinGroup(BuiltinAlias::Users, L"Guests"), std::invalid_argument);
    EXPECT_THROW(m.SetCodePage(437), std::invalid_argument);
    EXPECT_EQ(m.FindAccount(L"d"), nullptr) << "a refused account is not half added";
}

TEST(MachineContent, ANameChangedThroughFindAccountIsFoundUnderItsNewName) {
    SimulatedMachine m;
    SimAccount* builtin = m.FindAccount(L"Administrator");
    builtin->name = L"Verwalter";
    EXPECT_EQ(m.FindAccount(L"Administrator"), nullptr);
    ASSERT_NE(m.FindAccount(L"Verwalter"), nullptr);
    EXPECT_EQ(m.FindAccount(L"Verwalter")->rid, 500u);
    m.AddAccount(NewAccount(L"Administrator", {L"Users"}));
    EXPECT_EQ(m.FindAccount(L"Administrator")->rid, 1000u);
    EXPECT_EQ(m.GroupsOf(L"Verwalter"), std::vector<std::wstring>{L"Administrators"});
    platform::UserInfo2 info;
    EXPECT_EQ(m.Netapi().UserGetInfo(L"Verwalter", info), st::Success);
    EXPECT_EQ(info.priv, platform::user_priv::Admin);
}

} // namespace
} // namespace qb::simulated
