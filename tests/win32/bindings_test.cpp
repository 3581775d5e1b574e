// The Win32 bindings against the real libraries that Wine provides, and - where Wine's
// netapi32 cannot answer - against a stand-in netapi32.dll that answers like Windows.

#include "platform/sid.h"
#include "platform/win32/kernel32_win32.h"
#include "platform/win32/netapi32_win32.h"
#include "platform/win32/security_win32.h"

#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace qb::win32 {
namespace {

using platform::LogonHoursBytes;
using platform::MaxPreferredLength;
using platform::NetApiStatus;
using platform::NetDisplayUser;
using platform::ParseSidString;
using platform::Sid;
namespace net_status = platform::net_status;

// --- helpers ----------------------------------------------------------------------------

std::wstring ModulePath(HMODULE module) {
    std::wstring path(32768, L'\0');
    path.resize(::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::wstring Folder(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\'));
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

std::wstring SystemDirectory() {
    wchar_t directory[MAX_PATH];
    return std::wstring(directory, ::GetSystemDirectoryW(directory, MAX_PATH));
}

// Where the build puts the stand-in netapi32.dll: a folder beside the test program.
std::wstring PlantedFolder() {
    return Folder(Win32Kernel32().ProgramPath()) + L"\\planted";
}

std::wstring WideUserName() {
    wchar_t name[257];
    DWORD size = 257;
    return ::GetUserNameW(name, &size) ? std::wstring(name) : std::wstring();
}

std::vector<std::wstring> Names(const std::vector<NetDisplayUser>& users) {
    std::vector<std::wstring> names;
    for (const NetDisplayUser& user : users)
        names.push_back(user.name);
    return names;
}

const NetDisplayUser* FindUser(const std::vector<NetDisplayUser>& users, const std::wstring& name) {
    auto it = std::find_if(users.begin(), users.end(),
                           [&](const NetDisplayUser& user) { return user.name == name; });
    return it != users.end() ? &*it : nullptr;
}

// Walks the display list the way the account loader does: batch after batch from the
// next index of the last entry, while the status says that more remain.
std::vector<NetDisplayUser> EnumerateAll(platform::Netapi32& net, std::uint32_t batch,
                                         std::uint32_t preferred,
                                         std::vector<NetApiStatus>& statuses) {
    std::vector<NetDisplayUser> all;
    std::uint32_t index = 0;
    for (int round = 0; round < 100; ++round) {
        std::vector<NetDisplayUser> entries;
        const NetApiStatus status = net.QueryDisplayInformation(index, batch, preferred, entries);
        statuses.push_back(status);
        all.insert(all.end(), entries.begin(), entries.end());
        if (status != net_status::MoreData || entries.empty())
            break;
        index = entries.back().nextIndex;
    }
    return all;
}

template <typename Function>
Function Export(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// --- loading netapi32 -------------------------------------------------------------------

TEST(NetapiLoading, IgnoresAPlantedCopyThatTheSearchOrderWouldFind) {
    ASSERT_EQ(::GetModuleHandleW(L"netapi32.dll"), nullptr)
        << "netapi32 is already loaded, so no load below would search for it";
    const std::wstring planted = PlantedFolder();
    ASSERT_TRUE(::SetDllDirectoryW(planted.c_str()));
    struct RestoreSearchOrder {
        ~RestoreSearchOrder() { ::SetDllDirectoryW(nullptr); }
    } restore;

    // The plant works: the default search order resolves the name to it. (Wine then runs
    // its own built-in code under the planted path; the search is what matters here.)
    HMODULE found = ::LoadLibraryW(L"netapi32.dll");
    ASSERT_NE(found, nullptr);
    EXPECT_TRUE(SamePath(Folder(ModulePath(found)), planted)) << ModulePath(found);
    ::FreeLibrary(found);

    Win32Netapi32 net;
    ASSERT_NE(net.Module(), nullptr);
    EXPECT_TRUE(SamePath(Folder(ModulePath(net.Module())), SystemDirectory()))
        << ModulePath(net.Module());
    EXPECT_EQ(::GetProcAddress(net.Module(), "FakeNetJournal"), nullptr);
}

TEST(NetapiLoading, ReleasesTheLibraryWithTheBinding) {
    {
        Win32Netapi32 net;
        ASSERT_NE(net.Module(), nullptr);
        EXPECT_EQ(::GetModuleHandleW(L"netapi32.dll"), net.Module());
    }
    EXPECT_EQ(::GetModuleHandleW(L"netapi32.dll"), nullptr);
}

void ExpectEveryCallFails(platform::Netapi32& net, NetApiStatus expected) {
    std::vector<NetDisplayUser> entries(1);
    EXPECT_EQ(net.QueryDisplayInformation(0, 5, MaxPreferredLength, entries), expected);
    EXPECT_TRUE(entries.empty());
    platform::UserInfo2 info;
    info.name = L"untouched";
    EXPECT_EQ(net.UserGetInfo(L"alice", info), expected);
    EXPECT_EQ(info.name, L"untouched");
    std::vector<std::wstring> groups{L"stale"};
    EXPECT_EQ(net.UserGetLocalGroups(L"alice", 0, MaxPreferredLength, groups), expected);
    EXPECT_TRUE(groups.empty());
    platform::UserModalsInfo2 modals;
    EXPECT_EQ(net.UserModalsGet(modals), expected);
    EXPECT_EQ(net.UserSetInfo(L"alice", platform::UserInfo1007{L"comment"}), expected);
    EXPECT_EQ(net.LocalGroupAddMember(L"Users", L"alice"), expected);
    EXPECT_EQ(net.LocalGroupDelMember(L"Users", L"alice"), expected);
}

TEST(NetapiLoading, AMissingLibraryOrFunctionFailsEveryCallWithoutCrashing) {
    Win32Netapi32 absent{UniqueModule()};
    EXPECT_EQ(absent.Module(), nullptr);
    ExpectEveryCallFails(absent, LibraryMissingStatus);

    // A library of that name that exports none of the functions, as a foreign copy would.
    Win32Netapi32 foreign{
        UniqueModule(::LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))};
    ASSERT_NE(foreign.Module(), nullptr);
    ExpectEveryCallFails(foreign, FunctionMissingStatus);
}

// --- Wine's own netapi32 ----------------------------------------------------------------

TEST(NetapiUnderWine, EnumerationListsTheLinuxUserAdministratorAndGuest) {
    Win32Netapi32 net;
    std::vector<NetApiStatus> statuses;
    const std::vector<NetDisplayUser> paged = EnumerateAll(net, 1, MaxPreferredLength, statuses);
    ASSERT_FALSE(statuses.empty());
    for (std::size_t i = 0; i + 1 < statuses.size(); ++i)
        EXPECT_EQ(statuses[i], net_status::MoreData);
    EXPECT_EQ(statuses.back(), net_status::Success);

    const NetDisplayUser* administrator = FindUser(paged, L"Administrator");
    ASSERT_NE(administrator, nullptr);
    EXPECT_EQ(administrator->userId, 500u);
    const NetDisplayUser* guest = FindUser(paged, L"Guest");
    ASSERT_NE(guest, nullptr);
    EXPECT_EQ(guest->userId, 501u);
    EXPECT_NE(guest->flags & platform::user_flags::AccountDisable, 0u);
    EXPECT_NE(FindUser(paged, WideUserName()), nullptr) << WideUserName();
    for (const NetDisplayUser& user : paged)
        EXPECT_NE(user.flags & platform::user_flags::NormalAccount, 0u) << user.name;

    // Wine ignores the batch size and answers with the whole list at once; either way
    // one large request gives the same accounts in the same order.
    std::vector<NetDisplayUser> whole;
    EXPECT_EQ(net.QueryDisplayInformation(0, 100, MaxPreferredLength, whole), net_status::Success);
    EXPECT_EQ(Names(whole), Names(paged));
}

TEST(NetapiUnderWine, LevelTwoInformationIsRefusedWithoutCrashing) {
    Win32Netapi32 net;
    std::vector<NetDisplayUser> users;
    ASSERT_EQ(net.QueryDisplayInformation(0, 100, MaxPreferredLength, users), net_status::Success);
    ASSERT_FALSE(users.empty());
    for (const NetDisplayUser& user : users) {
        platform::UserInfo2 info;
        info.name = L"untouched";
        EXPECT_NE(net.UserGetInfo(user.name, info), net_status::Success) << user.name;
        EXPECT_EQ(info.name, L"untouched");
    }
    platform::UserInfo2 info;
    EXPECT_EQ(net.UserGetInfo(L"no such account", info), net_status::UserNotFound);
}

TEST(NetapiUnderWine, AccountDomainNamesTheBuiltInAccountsByRelativeId) {
    Win32Netapi32 net;
    Win32AccountSecurity security;
    platform::UserModalsInfo2 modals;
    ASSERT_EQ(net.UserModalsGet(modals), net_status::Success);
    EXPECT_FALSE(modals.domainName.empty());
    ASSERT_FALSE(modals.domainId.subAuthorities.empty());
    EXPECT_EQ(modals.domainId.identifierAuthority[5], 5u);
    EXPECT_EQ(modals.domainId.subAuthorities[0], 21u);

    const std::pair<std::uint32_t, const wchar_t*> accounts[] = {{500, L"Administrator"},
                                                                 {501, L"Guest"}};
    for (const auto& [rid, expected] : accounts) {
        Sid sid = modals.domainId;
        sid.subAuthorities.push_back(rid);
        std::wstring name;
        std::wstring domain;
        ASSERT_TRUE(security.LookupSidName(sid, name, domain)) << rid;
        EXPECT_EQ(name, expected);
        EXPECT_EQ(domain, modals.domainName);
    }
}

TEST(NetapiUnderWine, LocalGroupQueriesAndMemberChangesAreAnswered) {
    Win32Netapi32 net;
    Win32AccountSecurity security;
    std::wstring administrators;
    std::wstring domain;
    ASSERT_TRUE(security.LookupSidName(*ParseSidString("S-1-5-32-544"), administrators, domain));

    // Wine reports every account as a direct member of Administrators, indirect or not.
    for (std::uint32_t flags : {0u, platform::LgIncludeIndirect}) {
        std::vector<std::wstring> groups;
        ASSERT_EQ(net.UserGetLocalGroups(WideUserName(), flags, MaxPreferredLength, groups),
                  net_status::Success);
        EXPECT_NE(std::find(groups.begin(), groups.end(), administrators), groups.end());
    }
    // Wine accepts membership changes without keeping them.
    EXPECT_EQ(net.LocalGroupAddMember(L"Users", WideUserName()), net_status::Success);
    EXPECT_EQ(net.LocalGroupDelMember(L"Users", WideUserName()), net_status::Success);
}

// --- the binding against a netapi32 that answers like Windows ---------------------------

class NetapiBinding : public ::testing::Test {
protected:
    void SetUp() override {
        // Under another name: Wine would run its built-in code for any "netapi32.dll".
        const std::wstring path = PlantedFolder() + L"\\fake_netapi32.dll";
        fake_ =
            UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
        ASSERT_TRUE(fake_) << "the stand-in netapi32.dll was not built beside the test";
        journal_ = Export<const wchar_t* (*)()>(fake_.Get(), "FakeNetJournal");
        clearJournal_ = Export<void (*)()>(fake_.Get(), "FakeNetClearJournal");
        liveBuffers_ = Export<LONG (*)()>(fake_.Get(), "FakeNetLiveBuffers");
        badReleases_ = Export<LONG (*)()>(fake_.Get(), "FakeNetBadReleases");
        ASSERT_TRUE(journal_ && clearJournal_ && liveBuffers_ && badReleases_);
        net_ = std::make_unique<Win32Netapi32>(
            UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)));
        clearJournal_();
    }

    // Every answer is released right after the call, exactly once.
    void TearDown() override {
        if (!liveBuffers_)
            return;
        EXPECT_EQ(liveBuffers_(), 0) << "a netapi32 buffer was not released";
        EXPECT_EQ(badReleases_(), 0) << "a netapi32 buffer was released twice";
    }

    std::wstring TakeJournal() {
        std::wstring journal = journal_();
        clearJournal_();
        return journal;
    }

    UniqueModule fake_;
    std::unique_ptr<Win32Netapi32> net_;
    const wchar_t* (*journal_)() = nullptr;
    void (*clearJournal_)() = nullptr;
    LONG (*liveBuffers_)() = nullptr;
    LONG (*badReleases_)() = nullptr;
};

TEST_F(NetapiBinding, DisplayListFollowsTheNextIndexAcrossBatches) {
    std::vector<NetApiStatus> statuses;
    const std::vector<NetDisplayUser> users = EnumerateAll(*net_, 3, 8192, statuses);
    EXPECT_EQ(statuses, (std::vector<NetApiStatus>{net_status::MoreData, net_status::MoreData,
                                                   net_status::Success}));
    EXPECT_EQ(Names(users), (std::vector<std::wstring>{L"Administrator", L"Guest", L"alice", L"bob",
                                                       L"carol", L"HOST$", L"dave", L"erin"}));
    ASSERT_EQ(users.size(), 8u);
    const NetDisplayUser& alice = users[2];
    EXPECT_EQ(alice.comment, L"comment of alice");
    EXPECT_EQ(alice.fullName, L"Full alice");
    EXPECT_EQ(alice.flags, 0x0201u);
    EXPECT_EQ(alice.userId, 1000u);
    EXPECT_EQ(alice.nextIndex, 103u);
    EXPECT_EQ(users[5].flags, 0x1001u);
    EXPECT_EQ(TakeJournal(),
              L"display server=(null) level=1 index=0 requested=3 preferred=8192\n"
              L"display server=(null) level=1 index=103 requested=3 preferred=8192\n"
              L"display server=(null) level=1 index=106 requested=3 preferred=8192\n");
}

TEST_F(NetapiBinding, LevelTwoInformationIsCopiedFieldByField) {
    platform::UserInfo2 info;
    ASSERT_EQ(net_->UserGetInfo(L"alice", info), net_status::Success);
    EXPECT_EQ(info.name, L"alice");
    EXPECT_EQ(info.password, L"secret");
    EXPECT_EQ(info.passwordAge, 11u);
    EXPECT_EQ(info.priv, platform::user_priv::Admin);
    EXPECT_EQ(info.homeDir, L"C:\\Users\\alice");
    EXPECT_EQ(info.comment, L"Comment \u00e9");
    EXPECT_EQ(info.flags, 0x10203u);
    EXPECT_EQ(info.scriptPath, L"logon.cmd");
    EXPECT_EQ(info.authFlags, 3u);
    EXPECT_EQ(info.fullName, L"Alice \u00dcnal");
    EXPECT_EQ(info.usrComment, L"User comment");
    EXPECT_EQ(info.parms, L"parms");
    EXPECT_EQ(info.workstations, L"ws1,ws2");
    EXPECT_EQ(info.lastLogon, 1700000000u);
    EXPECT_EQ(info.lastLogoff, 1700003600u);
    EXPECT_EQ(info.acctExpires, 1800000000u);
    EXPECT_EQ(info.maxStorage, 0xFFFFFFFFu);
    EXPECT_EQ(info.unitsPerWeek, 168u);
    LogonHoursBytes hours{};
    for (std::size_t i = 0; i < hours.size(); ++i)
        hours[i] = static_cast<std::uint8_t>(0x10 + i);
    EXPECT_EQ(info.logonHours, hours);
    EXPECT_EQ(info.badPwCount, 4u);
    EXPECT_EQ(info.numLogons, 55u);
    EXPECT_EQ(info.logonServer, L"\\\\QB");
    EXPECT_EQ(info.countryCode, 49u);
    EXPECT_EQ(info.codePage, 1252u);

    // Null texts become empty ones; a null bitmap (no restrictions) becomes no bitmap.
    // The name needs no NUL of its own.
    info.logonHours = hours;
    ASSERT_EQ(net_->UserGetInfo(std::wstring_view(L"bob and more", 3), info), net_status::Success);
    EXPECT_TRUE(info.name.empty());
    EXPECT_TRUE(info.comment.empty());
    EXPECT_TRUE(info.fullName.empty());
    EXPECT_EQ(info.priv, platform::user_priv::User);
    EXPECT_FALSE(info.logonHours.has_value());

    platform::UserInfo2 untouched;
    untouched.name = L"untouched";
    EXPECT_EQ(net_->UserGetInfo(L"mallory", untouched), net_status::UserNotFound);
    EXPECT_EQ(untouched.name, L"untouched");
    EXPECT_EQ(TakeJournal(), L"getinfo server=(null) user=alice level=2\n"
                             L"getinfo server=(null) user=bob level=2\n"
                             L"getinfo server=(null) user=mallory level=2\n");
}

TEST_F(NetapiBinding, LocalGroupsAndAccountDomainAreCopied) {
    std::vector<std::wstring> groups{L"stale"};
    ASSERT_EQ(net_->UserGetLocalGroups(L"alice", platform::LgIncludeIndirect, 4096, groups),
              net_status::Success);
    EXPECT_EQ(groups, (std::vector<std::wstring>{L"Administrators", L"Power Users"}));
    ASSERT_EQ(net_->UserGetLocalGroups(L"bob", 0, MaxPreferredLength, groups), net_status::Success);
    EXPECT_TRUE(groups.empty());
    EXPECT_EQ(net_->UserGetLocalGroups(L"mallory", 0, MaxPreferredLength, groups),
              net_status::UserNotFound);

    platform::UserModalsInfo2 modals;
    ASSERT_EQ(net_->UserModalsGet(modals), net_status::Success);
    EXPECT_EQ(modals.domainName, L"FAKEDOM");
    EXPECT_EQ(modals.domainId, ParseSidString("S-1-5-21-11-22-33"));

    EXPECT_EQ(TakeJournal(),
              L"localgroups server=(null) user=alice level=0 flags=1 preferred=4096\n"
              L"localgroups server=(null) user=bob level=0 flags=0 preferred=4294967295\n"
              L"localgroups server=(null) user=mallory level=0 flags=0 preferred=4294967295\n"
              L"modals server=(null) level=2\n");
}

TEST_F(NetapiBinding, EachWriteLevelCarriesItsOneField) {
    LogonHoursBytes hours{};
    hours[0] = 1;
    hours[10] = 0xAA;
    hours[20] = 0x80;
    std::wstring hourList;
    for (std::size_t i = 0; i < hours.size(); ++i)
        hourList += (i ? L"," : L"") + std::to_wstring(hours[i]);

    const std::pair<platform::UserSetInfoData, std::wstring> writes[] = {
        {platform::UserInfo1020{168, hours}, L"level=1020 units=168 hours=" + hourList},
        {platform::UserInfo1011{L"Alice \u00dcnal"}, L"level=1011 fullname=Alice \u00dcnal"},
        {platform::UserInfo1003{L""}, L"level=1003 password="},
        {platform::UserInfo1008{0x10243}, L"level=1008 flags=66115"},
        {platform::UserInfo1007{L"a comment"}, L"level=1007 comment=a comment"},
        {platform::UserInfo1012{L"user comment"}, L"level=1012 usrcomment=user comment"},
        {platform::UserInfo0{L"alicia"}, L"level=0 name=alicia"},
    };
    for (const auto& [data, expected] : writes) {
        EXPECT_EQ(net_->UserSetInfo(L"alice", data), net_status::Success) << expected;
        EXPECT_EQ(TakeJournal(), L"set server=(null) user=alice " + expected + L"\n");
    }
    // The platform's refusal comes back as it is.
    EXPECT_EQ(net_->UserSetInfo(L"mallory", platform::UserInfo1007{L"x"}),
              net_status::UserNotFound);
}

TEST_F(NetapiBinding, GroupMembersAreNamedAtLevelThree) {
    const std::wstring_view alice(L"alice and more", 5);
    EXPECT_EQ(net_->LocalGroupAddMember(L"Power Users", alice), net_status::Success);
    EXPECT_EQ(net_->LocalGroupDelMember(std::wstring_view(L"Administrators!", 14), alice),
              net_status::Success);
    EXPECT_EQ(TakeJournal(),
              L"add server=(null) group=Power Users level=3 entries=1 member=alice\n"
              L"del server=(null) group=Administrators level=3 entries=1 member=alice\n");
}

// --- advapi32 ---------------------------------------------------------------------------

TEST(AccountSecurityBinding, LoggedOnUserMatchesTheWideQuery) {
    Win32AccountSecurity security;
    std::wstring name = L"stale";
    ASSERT_TRUE(security.QueryUserName(name));
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name, WideUserName());
}

TEST(AccountSecurityBinding, StringToSidReadsWhatThePortableParserReads) {
    Win32AccountSecurity security;
    for (const char* text :
         {"S-1-5-32-544", "S-1-5-21-1004336348-1177238915-682003330-500", "S-1-1-0"}) {
        const std::optional<Sid> sid = security.StringToSid(text);
        ASSERT_TRUE(sid.has_value()) << text;
        EXPECT_EQ(sid, ParseSidString(text));
        EXPECT_EQ(platform::SidToString(*sid), text);
    }
    EXPECT_EQ(security.StringToSid(std::string_view("S-1-5-32-545 and more", 12)),
              ParseSidString("S-1-5-32-545"));
    EXPECT_FALSE(security.StringToSid("garbage").has_value());
    EXPECT_FALSE(security.StringToSid("S-1-5-32-x").has_value());
}

TEST(AccountSecurityBinding, PlatformSidsRoundTripAndRejectImpossibleValues) {
    const Sid sid = *ParseSidString("S-1-5-21-1-2-3-500");
    PlatformSid platformSid(sid);
    ASSERT_TRUE(platformSid.Valid());
    ASSERT_TRUE(::IsValidSid(platformSid.Get()));
    UniqueLocal<LPSTR> text;
    ASSERT_TRUE(::ConvertSidToStringSidA(platformSid.Get(), text.Receive()));
    EXPECT_STREQ(text.Get(), "S-1-5-21-1-2-3-500");
    EXPECT_EQ(SidFromPlatform(platformSid.Get()), sid);
    EXPECT_FALSE(SidFromPlatform(nullptr).has_value());

    Sid tooLong = sid;
    tooLong.subAuthorities.resize(16, 7);
    EXPECT_FALSE(PlatformSid(tooLong).Valid());
    Sid otherRevision = sid;
    otherRevision.revision = 2;
    EXPECT_FALSE(PlatformSid(otherRevision).Valid());

    Win32AccountSecurity security;
    std::wstring name = L"stale";
    std::wstring domain = L"stale";
    EXPECT_FALSE(security.LookupSidName(tooLong, name, domain));
    EXPECT_TRUE(name.empty());
    EXPECT_TRUE(domain.empty());
}

TEST(AccountSecurityBinding, BuiltInGroupsAreNamedInTheBuiltinDomain) {
    Win32AccountSecurity security;
    std::set<std::wstring> names;
    for (const char* text : {"S-1-5-32-544", "S-1-5-32-545", "S-1-5-32-546", "S-1-5-32-547"}) {
        const std::optional<Sid> sid = security.StringToSid(text);
        ASSERT_TRUE(sid.has_value());
        std::wstring name;
        std::wstring domain;
        ASSERT_TRUE(security.LookupSidName(*sid, name, domain)) << text;
        EXPECT_FALSE(name.empty()) << text;
        EXPECT_EQ(domain, L"BUILTIN") << text;
        names.insert(name);

        // The two-call ANSI lookup gives the same name as the wide one, not a character
        // more or less.
        PlatformSid platformSid(*sid);
        wchar_t wideName[256];
        wchar_t wideDomain[256];
        DWORD nameLength = 256;
        DWORD domainLength = 256;
        SID_NAME_USE use{};
        ASSERT_TRUE(::LookupAccountSidW(nullptr, platformSid.Get(), wideName, &nameLength,
                                        wideDomain, &domainLength, &use));
        EXPECT_EQ(name, std::wstring(wideName, nameLength));
    }
    EXPECT_EQ(names.size(), 4u);
}

TEST(AccountSecurityBinding, AnUnknownSidHasNoName) {
    Win32AccountSecurity security;
    std::wstring name = L"stale";
    std::wstring domain = L"stale";
    EXPECT_FALSE(security.LookupSidName(*ParseSidString("S-1-5-21-1-2-3-999999"), name, domain));
    EXPECT_TRUE(name.empty());
    EXPECT_TRUE(domain.empty());
}

// --- kernel32 ---------------------------------------------------------------------------

TEST(Kernel32Binding, NamedMutexReportsAnInstanceThatAlreadyRuns) {
    Win32Kernel32 kernel;
    const std::string name = "QuillbayBindingsTest-" + std::to_string(::GetCurrentProcessId());
    std::uint32_t error = 0;

    ::SetLastError(ERROR_INVALID_DATA);
    const platform::Handle first = kernel.CreateNamedMutex(true, name, error);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(error, 0u);
    const platform::Handle second = kernel.CreateNamedMutex(true, name, error);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(error, platform::ErrorAlreadyExists);
    EXPECT_TRUE(kernel.CloseHandle(second));
    EXPECT_TRUE(kernel.CloseHandle(first));

    ::SetLastError(ERROR_INVALID_DATA);
    const platform::Handle again = kernel.CreateNamedMutex(true, name, error);
    ASSERT_NE(again, 0u);
    EXPECT_EQ(error, 0u);
    EXPECT_TRUE(kernel.CloseHandle(again));
    EXPECT_FALSE(kernel.CloseHandle(0));
}

TEST(Kernel32Binding, VersionIsOfTheNtFamilyWithEitherStructure) {
    Win32Kernel32 kernel;
    platform::OsVersionInfo extended;
    platform::OsVersionInfo basic;
    extended.csdVersion = basic.csdVersion = "stale";
    ASSERT_TRUE(kernel.QueryVersion(extended, true));
    ASSERT_TRUE(kernel.QueryVersion(basic, false));
    for (const platform::OsVersionInfo* info : {&extended, &basic}) {
        EXPECT_EQ(info->platformId, platform::platform_id::WindowsNt);
        EXPECT_GE(info->majorVersion, 5u);
        EXPECT_GT(info->buildNumber, 0u);
        // Cut at the NUL: none of the spaces the field was preset with.
        EXPECT_LT(info->csdVersion.size(), 128u);
        EXPECT_EQ(info->csdVersion.find("  "), std::string::npos) << info->csdVersion;
    }
    EXPECT_EQ(extended.majorVersion, basic.majorVersion);
    EXPECT_EQ(extended.minorVersion, basic.minorVersion);
    EXPECT_EQ(extended.buildNumber, basic.buildNumber);
    EXPECT_EQ(extended.csdVersion, basic.csdVersion);
}

TEST(Kernel32Binding, TimeZoneAgreesWithThePlatform) {
    Win32Kernel32 kernel;
    platform::TimeZoneInformation zone;
    const std::uint32_t id = kernel.GetTimeZoneInformation(zone);
    TIME_ZONE_INFORMATION direct{};
    const DWORD directId = ::GetTimeZoneInformation(&direct);
    EXPECT_EQ(id, directId);
    EXPECT_LE(id, platform::time_zone_id::Daylight);
    EXPECT_EQ(zone.bias, direct.Bias);
    EXPECT_EQ(zone.standardBias, direct.StandardBias);
    EXPECT_EQ(zone.daylightBias, direct.DaylightBias);

    // The test runs in New York time, whose three biases all differ.
    char tz[64] = {};
    if (::GetEnvironmentVariableA("TZ", tz, sizeof tz) > 0 &&
        std::string(tz) == "America/New_York") {
        EXPECT_TRUE(id == platform::time_zone_id::Standard ||
                    id == platform::time_zone_id::Daylight);
        EXPECT_EQ(zone.bias, 300);
        EXPECT_EQ(zone.standardBias, 0);
        EXPECT_EQ(zone.daylightBias, -60);
    }
}

TEST(Kernel32Binding, ConvertsBetweenUtf16AndCodePages) {
    Win32Kernel32 kernel;
    // U+4E2D is outside Windows-1252; e with diaeresis and the euro sign are inside.
    EXPECT_EQ(kernel.WideCharToMultiByte(1252, L"Zo\u00eb \u20ac \u4e2d", '0'), "Zo\xeb \x80 0");
    EXPECT_EQ(kernel.WideCharToMultiByte(1252, L"\u4e2d", '?'), "?");
    EXPECT_EQ(kernel.MultiByteToWideChar(1252, "Zo\xeb \x80"), L"Zo\u00eb \u20ac");
    EXPECT_EQ(kernel.WideCharToMultiByte(CP_UTF8, L"\u4e2d", '0'), "\xe4\xb8\xad");
    EXPECT_EQ(kernel.MultiByteToWideChar(CP_UTF8, "\xe4\xb8\xad"), L"\u4e2d");
    // Lengths are explicit: an embedded NUL stays and no terminator is added.
    EXPECT_EQ(kernel.WideCharToMultiByte(1252, std::wstring_view(L"a\0b", 3), '0'),
              std::string("a\0b", 3));
    EXPECT_EQ(kernel.WideCharToMultiByte(1252, L"", '0'), "");
    EXPECT_EQ(kernel.MultiByteToWideChar(1252, ""), L"");

    // The system code page: a character it cannot hold becomes the replacement.
    std::wstring outside;
    for (const wchar_t* candidate : {L"\u4e2d", L"\u0e01", L"\u05d0"}) {
        BOOL usedDefault = FALSE;
        char sink[8];
        ::WideCharToMultiByte(CP_ACP, 0, candidate, 1, sink, sizeof sink, nullptr, &usedDefault);
        if (usedDefault) {
            outside = candidate;
            break;
        }
    }
    ASSERT_FALSE(outside.empty()) << "no test character lies outside code page " << ::GetACP();
    EXPECT_EQ(kernel.WideCharToMultiByte(platform::CpAcp, L"Quill " + outside, '0'), "Quill 0");
    EXPECT_EQ(FromAnsi("Quill Bay"), L"Quill Bay");
}

TEST(Kernel32Binding, ExpandsEnvironmentVariables) {
    Win32Kernel32 kernel;
    char root[MAX_PATH];
    const DWORD rootLength = ::GetEnvironmentVariableA("SystemRoot", root, MAX_PATH);
    ASSERT_GT(rootLength, 0u);
    std::string expanded;
    ASSERT_TRUE(kernel.ExpandEnvironment("%SystemRoot%\\quillsvc.exe", expanded));
    EXPECT_EQ(expanded, std::string(root, rootLength) + "\\quillsvc.exe");
    ASSERT_TRUE(kernel.ExpandEnvironment("%QB_SET_NOWHERE%", expanded));
    EXPECT_EQ(expanded, "%QB_SET_NOWHERE%");
    ASSERT_TRUE(kernel.ExpandEnvironment("", expanded));
    EXPECT_EQ(expanded, "");

    // Longer than any fixed buffer would be.
    const std::string longValue(5000, 'q');
    ASSERT_TRUE(::SetEnvironmentVariableA("QB_LONG_VALUE", longValue.c_str()));
    EXPECT_TRUE(kernel.ExpandEnvironment("<%QB_LONG_VALUE%>", expanded));
    EXPECT_EQ(expanded, "<" + longValue + ">");
    ::SetEnvironmentVariableA("QB_LONG_VALUE", nullptr);
}

TEST(Kernel32Binding, ProgramPathAndClockMatchThePlatform) {
    Win32Kernel32 kernel;
    const std::wstring path = kernel.ProgramPath();
    const std::wstring exe = L"\\win32_bindings_tests.exe";
    ASSERT_GT(path.size(), exe.size());
    EXPECT_TRUE(SamePath(path.substr(path.size() - exe.size()), exe)) << path;
    EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);

    SYSTEMTIME before{};
    SYSTEMTIME after{};
    ::GetLocalTime(&before);
    const platform::SystemTime now = kernel.GetLocalTime();
    ::GetLocalTime(&after);
    auto same = [&](const SYSTEMTIME& t) {
        return now.year == t.wYear && now.month == t.wMonth && now.dayOfWeek == t.wDayOfWeek &&
               now.day == t.wDay && now.hour == t.wHour && now.minute == t.wMinute;
    };
    EXPECT_TRUE(same(before) || same(after));
    EXPECT_LT(now.second, 60u);
    EXPECT_LT(now.milliseconds, 1000u);

    const DWORD ticksBefore = ::GetTickCount();
    const std::uint32_t ticks = kernel.GetTickCount();
    const DWORD ticksAfter = ::GetTickCount();
    EXPECT_LE(ticksBefore, ticks);
    EXPECT_LE(ticks, ticksAfter);
}

} // namespace
} // namespace qb::win32
