// The Win32 bindings against the libraries Wine provides, and where Wine's netapi32 cannot
// answer, against a stand-in netapi32.dll.

#include "platform/sid.h"
#include "platform/win32/kernel32_win32.h"
#include "platform/win32/netapi32_win32.h"
#include "platform/win32/security_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qb::win32 {
namespace {

using platform::MaxPreferredLength;
using platform::NetApiStatus;
using platform::NetDisplayUser;
namespace net_status = platform::net_status;

std::wstring ModuleFolder(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(::GetModuleFileNameW(module, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L'\\'));
}

// Where the build puts the stand-in netapi32: a folder beside the test program.
std::wstring PlantedFolder() {
    return ModuleFolder(nullptr) + L"\\planted";
}

std::wstring WideUserName() {
    wchar_t name[257];
    DWORD size = 257;
    return ::GetUserNameW(name, &size) ? std::wstring(name) : std::wstring();
}

TEST(NetapiLoading, AMissingLibraryOrFunctionFailsEveryCallWithoutCrashing) {
    Win32Netapi32 absent{UniqueModule()};
    // A library that exports none of the functions, as a foreign copy would.
    Win32Netapi32 foreign{
        UniqueModule(::LoadLibraryExW(L"version.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))};
    ASSERT_NE(foreign.Module(), nullptr);
    for (auto [net, expected] :
         {std::pair{&absent, LibraryMissingStatus}, std::pair{&foreign, FunctionMissingStatus}}) {
        std::vector<NetDisplayUser> entries(1);
        EXPECT_EQ(net->QueryDisplayInformation(0, 5, MaxPreferredLength, entries), expected);
        EXPECT_TRUE(entries.empty());
        platform::UserInfo2 info;
        EXPECT_EQ(net->UserGetInfo(L"alice", info), expected);
        std::vector<std::wstring> groups{L"stale"};
        EXPECT_EQ(net->UserGetLocalGroups(L"alice", 0, MaxPreferredLength, groups), expected);
        EXPECT_TRUE(groups.empty());
        platform::UserModalsInfo2 modals;
        EXPECT_EQ(net->UserModalsGet(modals), expected);
        EXPECT_EQ(net->UserSetInfo(L"alice", platform::UserInfo1007{L"comment"}), expected);
        EXPECT_EQ(net->LocalGroupAddMember(L"Users", L"alice"), expected);
        EXPECT_EQ(net->LocalGroupDelMember(L"Users", L"alice"), expected);
    }
}

TEST(NetapiUnderWine, PagedEnumerationListsTheBuiltInAccountsAndTheLinuxUser) {
    Win32Netapi32 net;
    // Batch after batch from the next index of the last entry, as the account loader does.
    std::vector<NetDisplayUser> paged;
    NetApiStatus status = net_status::MoreData;
    for (int round = 0; round < 50 && status == net_status::MoreData; ++round) {
        std::vector<NetDisplayUser> batch;
        status =
            net.QueryDisplayInformation(paged.empty() ? 0 : paged.back().nextIndex, 1, 64, batch);
        ASSERT_TRUE(status == net_status::Success || !batch.empty()) << status;
        paged.insert(paged.end(), batch.begin(), batch.end());
    }
    EXPECT_EQ(status, net_status::Success);

    std::vector<NetDisplayUser> whole;
    EXPECT_EQ(net.QueryDisplayInformation(0, 100, MaxPreferredLength, whole), net_status::Success);
    auto names = [](const std::vector<NetDisplayUser>& users) {
        std::vector<std::wstring> result;
        for (const NetDisplayUser& user : users)
            result.push_back(user.name);
        return result;
    };
    EXPECT_EQ(names(paged), names(whole));
    auto find = [&](const std::wstring& name) {
        auto it = std::find_if(paged.begin(), paged.end(), [&](auto& u) { return u.name == name; });
        return it == paged.end() ? nullptr : &*it;
    };
    ASSERT_NE(find(L"Administrator"), nullptr);
    EXPECT_EQ(find(L"Administrator")->userId, 500u);
    ASSERT_NE(find(L"Guest"), nullptr);
    EXPECT_EQ(find(L"Guest")->userId, 501u);
    EXPECT_NE(find(L"Guest")->flags & platform::user_flags::AccountDisable, 0u);
    EXPECT_NE(find(WideUserName()), nullptr) << WideUserName();
}

TEST(NetapiBinding, LogonHoursArriveWholeAndNullPointersBecomeEmpty) {
    const std::wstring path = PlantedFolder() + L"\\fake_netapi32.dll";
    Win32Netapi32 net{
        UniqueModule(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))};
    ASSERT_NE(net.Module(), nullptr) << "the stand-in netapi32 was not built beside the test";
    platform::UserInfo2 info;
    info.name = L"stale";
    ASSERT_EQ(net.UserGetInfo(L"alice", info), net_status::Success);
    platform::LogonHoursBytes hours{};
    for (std::size_t i = 0; i < hours.size(); ++i)
        hours[i] = static_cast<std::uint8_t>(i + 1);
    EXPECT_EQ(info.logonHours, hours);
    EXPECT_TRUE(info.name.empty());
    EXPECT_TRUE(info.fullName.empty());
    EXPECT_EQ(info.unitsPerWeek, 168u);

    ASSERT_EQ(net.UserGetInfo(L"bob", info), net_status::Success);
    EXPECT_FALSE(info.logonHours.has_value()) << "a null bitmap means no restrictions";
    const auto liveBuffers = reinterpret_cast<LONG (*)()>(
        reinterpret_cast<void (*)()>(::GetProcAddress(net.Module(), "FakeNetLiveBuffers")));
    ASSERT_NE(liveBuffers, nullptr);
    EXPECT_EQ(liveBuffers(), 0) << "an answer was not released";
}

TEST(AccountSecurityBinding, BuiltInGroupsAreNamedFromTheirWellKnownSids) {
    // The two-call ANSI look-up gives the name, not a character more or less.
    Win32AccountSecurity security;
    for (const auto& [text, expected] : {std::pair{"S-1-5-32-544", L"Administrators"},
                                         {"S-1-5-32-545", L"Users"},
                                         {"S-1-5-32-546", L"Guests"},
                                         {"S-1-5-32-547", L"Power Users"}}) {
        const std::optional<platform::Sid> sid = security.StringToSid(text);
        ASSERT_TRUE(sid.has_value()) << text;
        std::wstring name;
        std::wstring domain;
        ASSERT_TRUE(security.LookupSidName(*sid, name, domain)) << text;
        EXPECT_EQ(name, expected);
        EXPECT_EQ(domain, L"BUILTIN") << text;
    }
}

TEST(Kernel32Binding, NamedMutexReportsAnInstanceThatAlreadyRuns) {
    Win32Kernel32 kernel;
    const std::string name = "QuillbayBindingsTest-" + std::to_string(::GetCurrentProcessId());
    std::uint32_t error = 99;
    ::SetLastError(ERROR_INVALID_DATA);
    const platform::Handle first = kernel.CreateNamedMutex(true, name, error);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(error, 0u);
    const platform::Handle second = kernel.CreateNamedMutex(true, name, error);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(error, platform::ErrorAlreadyExists);
    EXPECT_TRUE(kernel.CloseHandle(second));
    EXPECT_TRUE(kernel.CloseHandle(first));
}

TEST(Kernel32Binding, VersionIsOfTheNtFamilyWithEitherStructure) {
    for (const bool extended : {true, false}) {
        platform::OsVersionInfo info;
        info.csdVersion = "stale";
        ASSERT_TRUE(Win32Kernel32().QueryVersion(info, extended)) << extended;
        EXPECT_EQ(info.platformId, platform::platform_id::WindowsNt);
        EXPECT_GE(info.majorVersion, 5u);
        // Cut at the NUL: none of the spaces the field was preset with.
        EXPECT_EQ(info.csdVersion.find("  "), std::string::npos) << info.csdVersion;
    }
}

TEST(Kernel32Binding, TimeZoneBiasesAreTheirOwnFields) {
    // The test runs in New York time (see CMakeLists.txt), whose three biases all differ.
    platform::TimeZoneInformation zone;
    const std::uint32_t id = Win32Kernel32().GetTimeZoneInformation(zone);
    EXPECT_TRUE(id == platform::time_zone_id::Standard || id == platform::time_zone_id::Daylight)
        << id;
    EXPECT_EQ(zone.bias, 300);
    EXPECT_EQ(zone.standardBias, 0);
    EXPECT_EQ(zone.daylightBias, -60);
}

} // namespace
} // namespace qb::win32
