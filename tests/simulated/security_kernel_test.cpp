// The advapi32 look-ups (logged-on user, SIDs) and kernel32 of the simulated machine.

#include "machine_fixture.h"

namespace qb::simulated {
namespace {

using testing::NewAccount;
using testing::Office;

platform::Sid AccountSid(const SimulatedMachine& m, std::uint32_t rid) {
    platform::Sid sid = m.DomainSid();
    sid.subAuthorities.push_back(rid);
    return sid;
}

platform::Sid Parse(const char* text) {
    auto sid = platform::ParseSidString(text);
    EXPECT_TRUE(sid) << text;
    return sid.value_or(platform::Sid{});
}

// --- The logged-on user ---

TEST_F(Office, TheLoggedOnUsersNameComesThroughTheCodePage) {
    std::wstring name = L"stale";
    ASSERT_TRUE(m.Security().QueryUserName(name));
    EXPECT_EQ(name, L"anna");

    m.SetLoggedOnUser(L"Zoë");
    ASSERT_TRUE(m.Security().QueryUserName(name));
    EXPECT_EQ(name, L"Zoë");
    m.SetLoggedOnUser(L"Łukasz");
    ASSERT_TRUE(m.Security().QueryUserName(name));
    EXPECT_EQ(name, L"?ukasz") << "as GetUserNameA hands it over";

    m.SetLoggedOnUser(std::wstring(256, L'x'));
    EXPECT_FALSE(m.Security().QueryUserName(name)) << "does not fit 256 characters with its NUL";
    m.SetLoggedOnUser(std::wstring(255, L'x'));
    EXPECT_TRUE(m.Security().QueryUserName(name));

    m.SetLoggedOnUser(L"");
    EXPECT_FALSE(m.Security().QueryUserName(name));
    m.SetLoggedOnUser(L"anna");
    m.FailCall({"GetUserNameA", std::nullopt, std::nullopt, 5, 1});
    EXPECT_FALSE(m.Security().QueryUserName(name));
    EXPECT_EQ(m.Calls().back().status, 5u);
    EXPECT_TRUE(m.Security().QueryUserName(name));
}

// --- SIDs ---

TEST_F(Office, StringToSidParsesTheTextFormAndTheAbbreviations) {
    auto sid = m.Security().StringToSid("S-1-5-32-547");
    ASSERT_TRUE(sid);
    EXPECT_EQ(*sid, Parse("S-1-5-32-547"));
    EXPECT_EQ(m.Security().StringToSid("BA"), Parse("S-1-5-32-544"));
    EXPECT_EQ(m.Security().StringToSid("LA"), AccountSid(m, 500));
    for (const char* bad : {"", "S-1", "S-1-5-x", "S-2-5-32", "Administrators", "ba"}) {
        EXPECT_FALSE(m.Security().StringToSid(bad)) << bad;
        EXPECT_EQ(m.Calls().back().status, 1337u) << bad;
    }
    m.FailCall({"ConvertStringSidToSidA", std::wstring(L"S-1-5-32-544"), std::nullopt, 8, -1});
    EXPECT_FALSE(m.Security().StringToSid("S-1-5-32-544"));
    EXPECT_TRUE(m.Security().StringToSid("S-1-5-32-545"));
}

TEST_F(Office, LookupNamesBuiltinGroupsAccountsAndLocalGroups) {
    m.RenameBuiltinGroup(BuiltinAlias::Administrators, L"Administratoren");
    m.AddLocalGroup(L"Backup Operators");
    std::wstring name;
    std::wstring domain;
    ASSERT_TRUE(m.Security().LookupSidName(Parse("S-1-5-32-544"), name, domain));
    EXPECT_EQ(name, L"Administratoren");
    EXPECT_EQ(domain, L"BUILTIN");
    ASSERT_TRUE(m.Security().LookupSidName(Parse("S-1-5-32-546"), name, domain));
    EXPECT_EQ(name, L"Guests");

    ASSERT_TRUE(m.Security().LookupSidName(AccountSid(m, 500), name, domain));
    EXPECT_EQ(name, L"Administrator");
    EXPECT_EQ(domain, L"QUILLBAY-PC");
    const std::uint32_t ben = m.FindAccount(L"ben")->rid;
    ASSERT_EQ(m.Netapi().UserSetInfo(L"ben", platform::UserInfo0{L"Benoît"}), 0u);
    ASSERT_TRUE(m.Security().LookupSidName(AccountSid(m, ben), name, domain));
    EXPECT_EQ(name, L"Benoît") << "found by identifier under the new name";

    const std::uint32_t groupRid = ben + 3; // the next identifier after carla and dora
    ASSERT_TRUE(m.Security().LookupSidName(AccountSid(m, groupRid), name, domain));
    EXPECT_EQ(name, L"Backup Operators");
    EXPECT_EQ(domain, L"QUILLBAY-PC");

    ASSERT_TRUE(m.Security().LookupSidName(m.DomainSid(), name, domain));
    EXPECT_EQ(name, L"QUILLBAY-PC");
}

TEST_F(Office, LookupOfAnUnknownSidFailsWithEmptyTexts) {
    std::wstring name = L"stale";
    std::wstring domain = L"stale";
    EXPECT_FALSE(m.Security().LookupSidName(AccountSid(m, 4242), name, domain));
    EXPECT_EQ(name, L"");
    EXPECT_EQ(domain, L"");
    EXPECT_EQ(m.Calls().back().status, 1332u);
    EXPECT_FALSE(m.Security().LookupSidName(Parse("S-1-5-21-1-2-3-500"), name, domain))
        << "another machine's administrator";
    EXPECT_FALSE(m.Security().LookupSidName(Parse("S-1-5-32-999"), name, domain));
    EXPECT_FALSE(m.Security().LookupSidName(Parse("S-1-5-32-544-1"), name, domain));
}

TEST_F(Office, LookupTextsComeThroughTheCodePageAndFaultsMatchTheSidText) {
    m.AddAccount(NewAccount(L"Łukasz", {L"Users"}));
    std::wstring name;
    std::wstring domain;
    ASSERT_TRUE(
        m.Security().LookupSidName(AccountSid(m, m.FindAccount(L"Łukasz")->rid), name, domain));
    EXPECT_EQ(name, L"?ukasz");

    m.FailCall({"LookupAccountSidA", std::wstring(L"S-1-5-32-547"), std::nullopt, 1332, -1});
    EXPECT_FALSE(m.Security().LookupSidName(Parse("S-1-5-32-547"), name, domain));
    EXPECT_TRUE(m.Security().LookupSidName(Parse("S-1-5-32-545"), name, domain));
    EXPECT_EQ(name, L"Users");
}

TEST_F(Office, AUtf8MachineHandsTextsOverUnchanged) {
    m.SetCodePage(65001);
    m.SetLoggedOnUser(L"Łukasz");
    std::wstring name;
    ASSERT_TRUE(m.Security().QueryUserName(name));
    EXPECT_EQ(name, L"Łukasz");
    EXPECT_EQ(m.Kernel().WideCharToMultiByte(platform::CpAcp, L"Ł", '0'), "\xC5\x81");
}

// --- kernel32 ---

TEST(Kernel, NamedMutexesLiveWhileAHandleIsOpen) {
    SimulatedMachine m;
    platform::Kernel32& k = m.Kernel();
    std::uint32_t error = 99;
    const platform::Handle first = k.CreateNamedMutex(true, "QuillbayMutex", error);
    EXPECT_NE(first, 0u);
    EXPECT_EQ(error, 0u);
    const platform::Handle second = k.CreateNamedMutex(true, "QuillbayMutex", error);
    EXPECT_NE(second, 0u);
    EXPECT_NE(second, first);
    EXPECT_EQ(error, platform::ErrorAlreadyExists);

    k.CreateNamedMutex(false, "quillbaymutex", error);
    EXPECT_EQ(error, 0u) << "object names are case-sensitive";
    k.CreateNamedMutex(false, "Local\\QuillbayMutex", error);
    EXPECT_EQ(error, platform::ErrorAlreadyExists) << "the session's own name space";

    EXPECT_TRUE(k.CloseHandle(first));
    EXPECT_FALSE(k.CloseHandle(first)) << "closed already";
    k.CreateNamedMutex(true, "Other", error);
    EXPECT_EQ(error, 0u);
    EXPECT_FALSE(k.CloseHandle(0));
}

TEST(Kernel, AMutexDisappearsWithItsLastHandle) {
    SimulatedMachine m;
    platform::Kernel32& k = m.Kernel();
    std::uint32_t error = 0;
    const platform::Handle a = k.CreateNamedMutex(true, "M", error);
    const platform::Handle b = k.CreateNamedMutex(true, "M", error);
    EXPECT_TRUE(k.CloseHandle(a));
    const platform::Handle c = k.CreateNamedMutex(true, "M", error);
    EXPECT_EQ(error, platform::ErrorAlreadyExists) << "b still holds it";
    EXPECT_TRUE(k.CloseHandle(b));
    EXPECT_TRUE(k.CloseHandle(c));
    k.CreateNamedMutex(true, "M", error);
    EXPECT_EQ(error, 0u) << "a fresh mutex";

    k.CreateNamedMutex(true, "", error);
    k.CreateNamedMutex(true, "", error);
    EXPECT_EQ(error, 0u) << "unnamed mutexes never meet";
}

TEST(Kernel, VersionAndTimeZoneComeFromTheMachine) {
    SimulatedMachine m;
    platform::Kernel32& k = m.Kernel();
    platform::OsVersionInfo info;
    ASSERT_TRUE(k.QueryVersion(info, true));
    EXPECT_EQ(info.majorVersion, 10u);
    EXPECT_EQ(info.platformId, platform::platform_id::WindowsNt);
    m.version = {4, 10, 2222, platform::platform_id::Windows, " A "};
    m.failExtendedVersion = true;
    EXPECT_FALSE(k.QueryVersion(info, true));
    ASSERT_TRUE(k.QueryVersion(info, false));
    EXPECT_EQ(info.platformId, platform::platform_id::Windows);
    EXPECT_EQ(info.csdVersion, " A ");
    m.failVersion = true;
    EXPECT_FALSE(k.QueryVersion(info, false));

    platform::TimeZoneInformation zone;
    EXPECT_EQ(k.GetTimeZoneInformation(zone), platform::time_zone_id::Unknown);
    EXPECT_EQ(zone.bias, 0);
    m.SetTimeZone(platform::time_zone_id::Daylight, {-60, 0, -60});
    EXPECT_EQ(k.GetTimeZoneInformation(zone), platform::time_zone_id::Daylight);
    EXPECT_EQ(zone.bias, -60);
    EXPECT_EQ(zone.daylightBias, -60);
}

TEST(Kernel, ConversionsUseTheMachinesCodePage) {
    SimulatedMachine m;
    platform::Kernel32& k = m.Kernel();
    EXPECT_EQ(k.WideCharToMultiByte(platform::CpAcp, L"Zoë €5", '0'), "Zo\xEB \x80"
                                                                      "5");
    EXPECT_EQ(k.WideCharToMultiByte(1252, L"Łódź", '0'), "0\xF3"
                                                         "d0");
    EXPECT_EQ(k.WideCharToMultiByte(platform::CpAcp, L"\u4E2D", '?'), "?");
    EXPECT_EQ(k.MultiByteToWideChar(platform::CpAcp, "\x80\x81\xFF"), L"\u20AC\u0081\u00FF");
    EXPECT_EQ(k.WideCharToMultiByte(65001, L"Ł", '?'), "\xC5\x81");
    EXPECT_EQ(k.MultiByteToWideChar(65001, "\xC5\x81"), L"Ł");
    EXPECT_EQ(k.WideCharToMultiByte(437, L"abc", '?'), "") << "a code page it does not have";
    EXPECT_EQ(k.MultiByteToWideChar(437, "abc"), L"");
}

TEST(Kernel, EnvironmentReferencesExpandLikeWindows) {
    SimulatedMachine m;
    m.environment["ProgramFiles"] = "C:\\Program Files";
    platform::Kernel32& k = m.Kernel();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"%SystemRoot%\\system32", "C:\\windows\\system32"},
        {"%SYSTEMROOT%", "C:\\windows"},
        {"%programfiles%\\Quill Bay\\quillsvc.exe", "C:\\Program Files\\Quill Bay\\quillsvc.exe"},
        {"%SystemRoot%%ProgramFiles%", "C:\\windowsC:\\Program Files"},
        {"%NoSuchThing%\\x", "%NoSuchThing%\\x"},
        {"100% sure", "100% sure"},
        {"%%", "%%"},
        {"a%b%c%SystemRoot%", "a%b%cC:\\windows"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) {
        std::string expanded = "stale";
        EXPECT_TRUE(k.ExpandEnvironment(text, expanded)) << text;
        EXPECT_EQ(expanded, expected) << text;
    }
    EXPECT_EQ(k.ProgramPath(), L"C:\\Program Files\\Quill Bay\\quillbay.exe");
}

} // namespace
} // namespace qb::simulated
