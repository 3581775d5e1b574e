// The account database as the account store meets it: paging, the status codes it acts
// on, writes, privilege, SID look-ups and the code page their texts come through, the
// call log and fault injection.

#include "machine_fixture.h"

#include <tuple>

namespace qb::simulated {
namespace {

using platform::MaxPreferredLength;
using testing::Office;
namespace st = platform::net_status;
namespace uf = platform::user_flags;

// Reads the display list in batches of five as the program does, each batch starting at
// the previous one's last nextIndex; gives the batches' statuses.
std::vector<NetApiStatus> ReadAll(platform::Netapi32& net,
                                  std::vector<platform::NetDisplayUser>& all) {
    std::vector<NetApiStatus> statuses;
    std::uint32_t index = 0;
    do {
        std::vector<platform::NetDisplayUser> batch;
        statuses.push_back(net.QueryDisplayInformation(index, 5, MaxPreferredLength, batch));
        if (batch.empty())
            break;
        all.insert(all.end(), batch.begin(), batch.end());
        index = batch.back().nextIndex;
    } while (statuses.back() == st::MoreData);
    return statuses;
}

TEST(Paging, BatchesChainByNextIndexWithMoreDataUntilTheLast) {
    for (int count : {10, 12}) {
        auto m = SimulatedMachine::Bare();
        for (int i = 0; i < count; ++i)
            m->AddAccount({.name = L"u" + std::to_wstring(i)});
        std::vector<platform::NetDisplayUser> all;
        std::vector<NetApiStatus> expected(static_cast<std::size_t>(count - 1) / 5, st::MoreData);
        expected.push_back(st::Success);
        EXPECT_EQ(ReadAll(m->Netapi(), all), expected) << count << " accounts";
        ASSERT_EQ(all.size(), static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < all.size(); ++i) {
            EXPECT_EQ(all[i].name, L"u" + std::to_wstring(i)) << "in the order they were added";
            EXPECT_EQ(all[i].userId, m->FindAccount(all[i].name)->rid);
        }
    }
}

// Next indexes are the platform's opaque values, not positions: a reader that counts
// entries instead of passing back the last entry's next index reads accounts twice.
TEST(Paging, EveryNextIndexResumesAfterItsEntryAndCountingEntriesDoesNotPage) {
    SimulatedMachine m; // Administrator 500 and Guest 501 first
    m.AddAccount({.name = L"late", .rid = 4711});
    for (int i = 0; i < 9; ++i)
        m.AddAccount({.name = L"u" + std::to_wstring(i)}); // 1000 on, after 4711
    std::vector<platform::NetDisplayUser> all;
    ReadAll(m.Netapi(), all);
    std::vector<std::wstring> expected;
    for (const SimAccount* account : m.AccountsInOrder())
        expected.push_back(account->name);
    std::vector<std::wstring> names;
    for (const platform::NetDisplayUser& entry : all)
        names.push_back(entry.name);
    EXPECT_EQ(names, expected);

    for (std::size_t k = 0; k + 1 < all.size(); ++k) {
        std::vector<platform::NetDisplayUser> next;
        m.Netapi().QueryDisplayInformation(all[k].nextIndex, 1, MaxPreferredLength, next);
        ASSERT_EQ(next.size(), 1u);
        EXPECT_EQ(next[0].name, all[k + 1].name) << "after " << all[k].name;
    }

    std::vector<std::wstring> counted;
    std::uint32_t index = 0;
    NetApiStatus status = st::MoreData;
    for (int batch = 0; batch < 10 && status == st::MoreData; ++batch) {
        std::vector<platform::NetDisplayUser> entries;
        status = m.Netapi().QueryDisplayInformation(index, 5, MaxPreferredLength, entries);
        for (const platform::NetDisplayUser& entry : entries)
            counted.push_back(entry.name);
        index += static_cast<std::uint32_t>(entries.size());
    }
    EXPECT_NE(counted, expected) << "a position is no next index";
}

// An index the machine never handed out goes on at the first account with a larger
// identifier; past the largest there is nothing more, and that is no error.
TEST(Paging, AnIndexNeverHandedOutGoesOnAtTheNextLargerIdentifier) {
    auto m = SimulatedMachine::Bare();
    for (std::uint32_t rid : {1000u, 1001u, 1005u, 1006u})
        m->AddAccount({.name = L"r" + std::to_wstring(rid), .rid = rid});
    const auto from = [&](std::uint32_t index) {
        std::vector<platform::NetDisplayUser> entries;
        const NetApiStatus status =
            m->Netapi().QueryDisplayInformation(index, 2, MaxPreferredLength, entries);
        std::vector<std::wstring> names;
        for (const platform::NetDisplayUser& entry : entries)
            names.push_back(entry.name);
        return std::pair{names, status};
    };
    using Names = std::vector<std::wstring>;
    EXPECT_EQ(from(999), std::pair(Names{L"r1000", L"r1001"}, st::MoreData));
    EXPECT_EQ(from(1003), std::pair(Names{L"r1005", L"r1006"}, st::Success));
    EXPECT_EQ(from(1006), std::pair(Names{}, st::Success));
    EXPECT_EQ(from(0xFFFFFFFF), std::pair(Names{}, st::Success));
}

TEST(Scale, TenThousandAccountsAreEnumeratedAndReadOneByOne) {
    // A step that costs in proportion to the number of accounts makes this take minutes.
    SimulatedMachine m;
    for (int i = 0; i < 9'998; ++i)
        m.AddAccount({.name = L"user" + std::to_wstring(i),
                      .groups = {i % 10 == 0 ? L"Administrators" : L"Users"}});
    std::vector<platform::NetDisplayUser> all;
    EXPECT_EQ(ReadAll(m.Netapi(), all).back(), st::Success);
    ASSERT_EQ(all.size(), 10'000u);
    std::size_t admins = 0;
    for (const platform::NetDisplayUser& entry : all) {
        platform::UserInfo2 info;
        std::vector<std::wstring> groups;
        ASSERT_EQ(m.Netapi().UserGetInfo(entry.name, info), st::Success);
        ASSERT_EQ(m.Netapi().UserGetLocalGroups(entry.name, 0, MaxPreferredLength, groups),
                  st::Success);
        admins += info.priv == platform::user_priv::Admin;
    }
    EXPECT_EQ(admins, 1'001u);
}

TEST_F(Office, RefusedCallsAnswerWithTheirStatusAndChangeNothing) {
    m.AddLocalGroup(L"Backup Operators");
    platform::UserInfo2 info;
    std::vector<std::wstring> groups;
    EXPECT_EQ(net.UserGetInfo(L"ghost", info), st::UserNotFound);
    EXPECT_EQ(net.UserGetInfo(L"Ben", info), st::UserNotFound) << "names are case-sensitive";
    EXPECT_EQ(net.UserGetLocalGroups(L"ghost", 0, MaxPreferredLength, groups), st::UserNotFound);
    EXPECT_EQ(net.UserSetInfo(L"ghost", platform::UserInfo1007{L"x"}), st::UserNotFound);
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"carla"}), st::UserExists);
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"Backup Operators"}), 2223u);
    EXPECT_EQ(net.LocalGroupAddMember(L"Users", L"ben"), st::MemberInAlias);
    EXPECT_EQ(net.LocalGroupDelMember(L"Power Users", L"ben"), st::MemberNotInAlias);
    EXPECT_EQ(net.LocalGroupAddMember(L"Nobodies", L"ben"), st::GroupNotFound);
    EXPECT_EQ(net.LocalGroupAddMember(L"Users", L"ghost"), st::NoSuchMember);
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1020{84, {}}), st::InvalidParameter);
    for (std::wstring bad : {L"", L"   ", L"ben.", L"a\\b", L"a:b", L"a*b", L"tab\tname"})
        EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{bad}), st::BadUsername) << bad;
    EXPECT_EQ(m.GroupsOf(L"ben"), std::vector<std::wstring>{L"Users"});
    EXPECT_FALSE(m.FindAccount(L"ben")->logonHours.has_value());
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"B. en"}), st::Success);
}

TEST_F(Office, OnlyAnAdministratorMayWriteButAnyoneMayRead) {
    const auto writesAnswer = [&](NetApiStatus expected) {
        EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"mine"}), expected);
        EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1020{168, {}}), expected);
        EXPECT_EQ(net.LocalGroupAddMember(L"Administrators", L"ben"), expected);
        EXPECT_EQ(net.LocalGroupDelMember(L"Users", L"ben"), expected);
        EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"benny"}), expected);
    };
    platform::UserInfo2 info;
    for (const wchar_t* caller : {L"ben", L"", L"somebody-else"}) {
        m.SetLoggedOnUser(caller);
        writesAnswer(st::AccessDenied);
        EXPECT_EQ(net.UserGetInfo(L"anna", info), st::Success);
    }
    m.SetLoggedOnUser(L"anna");
    m.RemoveMember(L"Administrators", L"anna");
    writesAnswer(st::AccessDenied); // rights are checked at every call
    EXPECT_EQ(m.FindAccount(L"ben")->comment, L"");
    EXPECT_EQ(m.GroupsOf(L"ben"), std::vector<std::wstring>{L"Users"});

    m.SetLoggedOnUser(L"Administrator");
    writesAnswer(st::Success);
    EXPECT_EQ(m.FindAccount(L"benny")->comment, L"mine");
    EXPECT_EQ(m.GroupsOf(L"benny"), std::vector<std::wstring>{L"Administrators"});
}

TEST_F(Office, ARenameKeepsTheAccountsIdentityAndMemberships) {
    const std::uint32_t rid = m.FindAccount(L"carla")->rid;
    ASSERT_EQ(net.UserSetInfo(L"carla", platform::UserInfo0{L"Carla Maria"}), st::Success);
    EXPECT_EQ(m.FindAccountByRid(rid)->name, L"Carla Maria");
    EXPECT_EQ(m.GroupsOf(L"Carla Maria"), (std::vector<std::wstring>{L"Users", L"Power Users"}));
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo0{L"carla"}), st::Success)
        << "the old name is free";
}

TEST_F(Office, AFlagWordWithoutAnAccountTypeKeepsTheType) {
    m.AddAccount({.name = L"PC$", .flags = uf::Script | uf::WorkstationTrustAccount});
    ASSERT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1008{uf::Script | uf::AccountDisable}),
              st::Success);
    EXPECT_EQ(m.FindAccount(L"ben")->flags, uf::Script | uf::AccountDisable | uf::NormalAccount);
    ASSERT_EQ(net.UserSetInfo(L"PC$", platform::UserInfo1008{uf::Script}), st::Success);
    EXPECT_EQ(m.FindAccount(L"PC$")->flags, uf::Script | uf::WorkstationTrustAccount);
}

TEST_F(Office, PrivilegeIsAdminInAdministratorsElseUserInUsersOrPowerUsersElseGuest) {
    m.RenameBuiltinGroup(BuiltinAlias::Administrators, L"Administratoren");
    m.AddAccount({.name = L"power", .groups = {L"Power Users"}});
    m.AddAccount({.name = L"loner"});
    m.AddAccount({.name = L"boss", .groups = {L"Guests", L"Administratoren"}});
    const std::pair<const wchar_t*, std::uint32_t> expected[] = {
        {L"anna", 2},  {L"boss", 2}, {L"ben", 1},  {L"carla", 1},
        {L"power", 1}, {L"dora", 0}, {L"loner", 0}};
    for (const auto& [name, priv] : expected) {
        platform::UserInfo2 info;
        ASSERT_EQ(net.UserGetInfo(name, info), st::Success) << name;
        EXPECT_EQ(info.priv, priv) << name;
    }
}

TEST_F(Office, SidLookupsNameBuiltinGroupsAndAccountsAndFailForUnknownSids) {
    m.RenameBuiltinGroup(BuiltinAlias::Guests, L"Gäste");
    ASSERT_EQ(net.UserSetInfo(L"Administrator", platform::UserInfo0{L"Chef"}), st::Success);
    const std::string here = platform::SidToString(m.DomainSid());
    using Case = std::tuple<std::string, const wchar_t*, const wchar_t*>;
    for (const auto& [sid, name, domain] :
         std::vector<Case>{{"S-1-5-32-544", L"Administrators", L"BUILTIN"},
                           {"S-1-5-32-546", L"Gäste", L"BUILTIN"},
                           {here + "-500", L"Chef", L"QUILLBAY-PC"},
                           {here + "-4242", L"", L""},
                           {"S-1-5-21-1-2-3-500", L"", L""}}) {
        std::wstring gotName = L"stale";
        std::wstring gotDomain = L"stale";
        EXPECT_EQ(m.Security().LookupSidName(*platform::ParseSidString(sid), gotName, gotDomain),
                  *name != L'\0')
            << sid;
        EXPECT_EQ(gotName, name);
        EXPECT_EQ(gotDomain, domain);
    }
}

TEST(CodePage1252, EveryByteRoundTripsAndOtherCharactersBecomeTheDefault) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::wstring decoded = DecodeCodePage1252(all);
    ASSERT_EQ(decoded.size(), 256u);
    EXPECT_EQ(decoded[0x81], L'\u0081') << "undefined: the C1 control of the same value";
    EXPECT_EQ(decoded[0x9F], L'\u0178');
    EXPECT_EQ(EncodeCodePage1252(decoded, '?'), all);

    EXPECT_EQ(EncodeCodePage1252(L"Łódź – 5 €", '0'), "0\xF3"
                                                      "d0 \x96 5 \x80");
    int mappable = 0; // those whose encoding does not depend on the default character
    for (std::uint32_t c = 0; c <= 0xFFFF; ++c) {
        const std::wstring one(1, static_cast<wchar_t>(c));
        mappable += EncodeCodePage1252(one, 'A') == EncodeCodePage1252(one, 'B');
    }
    EXPECT_EQ(mappable, 256) << "each byte stands for exactly one character";
}

TEST_F(Office, EveryCallIsLoggedWithFunctionTargetLevelArgumentAndStatus) {
    platform::UserInfo2 info;
    std::vector<platform::NetDisplayUser> entries;
    net.QueryDisplayInformation(0, 5, MaxPreferredLength, entries);
    net.UserGetInfo(L"ghost", info);
    net.UserSetInfo(L"ben", platform::UserInfo1003{L"do-not-log-me"});
    net.UserSetInfo(L"ben", platform::UserInfo0{L"carla"});
    net.LocalGroupAddMember(L"Administrators", L"ben");
    net.LocalGroupDelMember(L"Users", L"carla");
    m.AddMember(L"Guests", L"ben"); // set up directly on the machine: not a call

    using Row = std::tuple<std::string, std::wstring, std::uint32_t, std::wstring, NetApiStatus>;
    std::vector<Row> calls;
    for (const CallRecord& c : m.Calls())
        calls.emplace_back(c.function, c.target, c.level, c.argument, c.status);
    EXPECT_EQ(calls, (std::vector<Row>{
                         {"NetQueryDisplayInformation", L"", 1, L"0", st::MoreData},
                         {"NetUserGetInfo", L"ghost", 2, L"", st::UserNotFound},
                         {"NetUserSetInfo", L"ben", 1003, L"", st::Success},
                         {"NetUserSetInfo", L"ben", 0, L"carla", st::UserExists},
                         {"NetLocalGroupAddMembers", L"Administrators", 3, L"ben", st::Success},
                         {"NetLocalGroupDelMembers", L"Users", 3, L"carla", st::Success},
                     }));
}

TEST_F(Office, AFaultFailsOnlyMatchingCallsAsOftenAsToldAndChangesNothing) {
    m.FailCall({"NetUserSetInfo", std::wstring(L"ben"), 1011u, 2245, 2});
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"c"}), st::Success) << "level";
    EXPECT_EQ(net.UserSetInfo(L"carla", platform::UserInfo1011{L"C"}), st::Success) << "target";
    EXPECT_EQ(net.LocalGroupAddMember(L"Power Users", L"ben"), st::Success) << "function";
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1011{L"B"}), 2245u);
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1011{L"B"}), 2245u);
    EXPECT_EQ(m.FindAccount(L"ben")->fullName, L"");
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1011{L"B"}), st::Success) << "twice only";
    EXPECT_EQ(m.FindAccount(L"ben")->fullName, L"B");

    m.FailCall({"NetQueryDisplayInformation", std::nullopt, std::nullopt, st::AccessDenied, -1});
    std::vector<platform::NetDisplayUser> entries{{L"stale"}};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(net.QueryDisplayInformation(0, 5, MaxPreferredLength, entries), st::AccessDenied)
            << "every time";
    EXPECT_TRUE(entries.empty());
}

} // namespace
} // namespace qb::simulated
