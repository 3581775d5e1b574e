// The account database as the account store meets it: paging, the status codes it acts
// on, writes, privilege, SID look-ups and the code page their texts come through, the
// call log and fault injection.

#include "machine_fixture.h"

#include "platform/simulated/text.h"

#include <tuple>

namespace qb::simulated {
namespace {

using detail::EncodeCodePage;
using platform::MaxPreferredLength;
using testing::Office;
namespace st = platform::net_status;
namespace uf = platform::user_flags;

// Reads the display list in batches of five as the program does, each batch starting at
// the previous one's last nextIndex; gives the batches' statuses. A list that never ends
// stops after as many batches as the largest machine here needs.
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
    } while (statuses.back() == st::MoreData && statuses.size() <= 2'000);
    return statuses;
}

// Batches of five chain by the last entry's next index, with "more data" until the last,
// in the order the accounts were added. Next indexes are the platform's opaque values,
// not positions: each resumes after its entry, and a reader that counts entries instead
// of passing back the last entry's next index reads accounts twice.
TEST(Paging, BatchesChainByOpaqueNextIndexesWithMoreDataUntilTheLast) {
    for (int count : {10, 12}) {
        SCOPED_TRACE(count);
        SimulatedMachine m; // Administrator 500 and Guest 501 first
        std::vector<std::wstring> names{L"Administrator", L"Guest", L"late"};
        m.AddAccount({.name = L"late", .rid = 4711});
        while (names.size() < static_cast<std::size_t>(count)) {
            names.push_back(L"u" + std::to_wstring(names.size())); // 1000 on, after 4711
            m.AddAccount({.name = names.back()});
        }
        std::vector<platform::NetDisplayUser> all;
        std::vector<NetApiStatus> expected(static_cast<std::size_t>(count - 1) / 5, st::MoreData);
        expected.push_back(st::Success);
        ASSERT_EQ(ReadAll(m.Netapi(), all), expected);
        std::vector<std::wstring> read;
        for (std::size_t k = 0; k < all.size(); ++k) {
            read.push_back(all[k].name);
            EXPECT_EQ(all[k].userId, m.FindAccount(all[k].name)->rid);
            std::vector<platform::NetDisplayUser> next;
            m.Netapi().QueryDisplayInformation(all[k].nextIndex, 1, MaxPreferredLength, next);
            if (k + 1 < all.size()) {
                ASSERT_EQ(next.size(), 1u);
                EXPECT_EQ(next[0].name, all[k + 1].name) << "after " << all[k].name;
            }
        }
        EXPECT_EQ(read, names);

        std::vector<std::wstring> counted;
        for (std::uint32_t index = 0; index < all.size(); index += 5) {
            std::vector<platform::NetDisplayUser> entries;
            m.Netapi().QueryDisplayInformation(index, 5, MaxPreferredLength, entries);
            for (const platform::NetDisplayUser& entry : entries)
                counted.push_back(entry.name);
        }
        EXPECT_NE(counted, names) << "a position is no next index";
    }
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
    // Rights come with the logon, as from an access token: taken at the program's first
    // call and kept, whatever happens to the caller's groups, until the next logon.
    m.SetLoggedOnUser(L"anna");
    EXPECT_EQ(net.UserGetInfo(L"anna", info), st::Success);
    m.RemoveMember(L"Administrators", L"anna");
    EXPECT_EQ(net.UserSetInfo(L"ben", platform::UserInfo1007{L"still"}), st::Success);
    m.SetLoggedOnUser(L"anna");
    writesAnswer(st::AccessDenied);
    EXPECT_EQ(m.FindAccount(L"ben")->comment, L"still");
    EXPECT_EQ(m.GroupsOf(L"ben"), std::vector<std::wstring>{L"Users"});

    // A rename keeps the account's identity, values and memberships, and frees the name.
    const std::uint32_t rid = m.FindAccount(L"ben")->rid;
    m.SetLoggedOnUser(L"Administrator");
    writesAnswer(st::Success);
    EXPECT_EQ(m.FindAccountByRid(rid)->name, L"benny");
    EXPECT_EQ(m.FindAccount(L"benny")->comment, L"mine");
    EXPECT_EQ(m.GroupsOf(L"benny"), std::vector<std::wstring>{L"Administrators"});
    EXPECT_EQ(net.UserSetInfo(L"carla", platform::UserInfo0{L"ben"}), st::Success);
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

// The platform's conversion without flags: a character the code page lacks takes its best
// fit where the code page has one, and the caller's default character only where it has none.
TEST(CodePages, BestFitWhereThereIsOneElseTheDefaultCharacter) {
    using Case = std::tuple<std::uint32_t, std::wstring, char, std::string>;
    for (const auto& [cp, text, defaultChar, bytes] : std::vector<Case>{
             {1252, L"Łódź – 5 €", '0', "L\363dz \x96 5 \x80"},
             {1252, L"Łódź – 5 €", '?', "L\363dz \x96 5 \x80"},
             {1252, L"李 \uFF10", '0', "0 0"}, // no fit, and the fullwidth digit zero
             {1252, L"李 \uFF10", '?', "? 0"},
             {1250, L"Łódź – 5 €", '0', "\xA3\363d\x9F \x96 5 \x80"},
             {1250, L"Ångström", '0', "Angstr\xF6m"},
             {932, L"日本 ｶﾅ ¥", '0', "\x93\xFA\x96\x7B \xB6\xC5 \\"},
             {932, L"Ł李", '0', "0\x97\x9B"},
             {932, L"À«\u0E01", '?', "A\x81\xE1?"}, // a fit of two bytes
             // a character beyond U+FFFF counts as its two surrogates, which have no fit
             {1252, L"a\U0001F600b", '0', "a00b"},
             {932, L"a\U0001F600b", '0', "a00b"},
         })
        EXPECT_EQ(EncodeCodePage(cp, text, defaultChar), bytes) << cp << " with " << defaultChar;
}

// The machine file may name each code page the machine knows; the "A" functions then
// speak it.
TEST(CodePages, AMachineMayHaveEachKnownCodePage) {
    for (std::uint32_t cp : {1252u, 1250u, 932u, 65001u}) {
        auto m = SimulatedMachine::FromJsonText(
            R"({"codePage": )" + std::to_string(cp) + R"(, "loggedOnUser": "Łukasz"})", "test");
        ASSERT_EQ(m->CodePage(), cp);
        std::wstring user;
        ASSERT_TRUE(m->Security().QueryUserName(user));
        EXPECT_EQ(user, cp == 1252 ? L"Lukasz" : cp == 932 ? L"?ukasz" : L"Łukasz") << cp;
        EXPECT_EQ(m->Kernel().WideCharToMultiByte(platform::CpAcp, L"日", '0'),
                  EncodeCodePage(cp, L"日", '0'));
    }
    EXPECT_THROW(SimulatedMachine::FromJsonText(R"({"codePage": 1251})", "test"), MachineFileError);
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
