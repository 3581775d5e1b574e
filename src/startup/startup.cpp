#include "startup/startup.h"

#include <utility>

namespace qb {

namespace {

constexpr std::uint32_t kMillisecondsPerSecond = 1000;

// Asks for the version with the extended structure first, then the short one.
bool QueryVersion(platform::ClockApi& clock, platform::OsVersionInfo& info) {
    return clock.QueryVersion(info, true) || clock.QueryVersion(info, false);
}

std::string TrimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace

bool IsNTFamily(platform::ClockApi& clock) {
    platform::OsVersionInfo info;
    return QueryVersion(clock, info) && info.platformId >= platform::platform_id::WindowsNt;
}

std::wstring GetOSName(platform::ClockApi& clock) {
    platform::OsVersionInfo info;
    if (!QueryVersion(clock, info))
        return {};
    const std::string servicePack = TrimSpaces(info.csdVersion);
    const char first = servicePack.empty() ? '\0' : servicePack[0];
    if (info.platformId == platform::platform_id::Win32s)
        return L"Microsoft Win32s";
    if (info.platformId != platform::platform_id::Windows || info.majorVersion != 4)
        return {};
    switch (info.minorVersion) {
    case 0:
        return (first == 'C' || first == 'B') ? L"95 OSR2" : L"95";
    case 10:
        return first == 'A' ? L"98SE" : L"98";
    case 90:
        return L"Me";
    default:
        return {};
    }
}

std::wstring RefusalText(const std::wstring& osName) {
    return L"This program does not work on Windows " + osName + L"\r\nand will be closed.";
}

DateTime ComputeBootTime(platform::ClockApi& clock) {
    const DateTime now = DateTime::FromSystemTime(clock.GetLocalTime());
    const std::uint32_t ticks = clock.GetTickCount();
    return now.AddSeconds(-static_cast<std::int64_t>(ticks / kMillisecondsPerSecond));
}

StartResult StartProgram(Globals& g) {
    StartResult result;
    std::uint32_t lastError = 0;
    const platform::Handle mutex =
        g.ports.instance.CreateNamedMutex(true, kInstanceMutexName, lastError);
    InstanceLock instance(g.ports.instance, mutex);
    if (lastError == platform::ErrorAlreadyExists) {
        result.outcome = StartOutcome::AlreadyRunning;
        return result; // the lock closes this copy's handle as it goes
    }
    result.instance = std::move(instance);

    g.ports.user.InitCommonControls(kCommonControlClasses);
    g.MarkStage(stage::CommonControls);

    if (!IsNTFamily(g.ports.clock)) {
        g.ports.user.ShowMessageBox(0, RefusalText(GetOSName(g.ports.clock)), kAppTitle,
                                    platform::mb::Ok | platform::mb::IconStop);
        result.outcome = StartOutcome::Refused;
        return result;
    }

    g.BootTime = ComputeBootTime(g.ports.clock);
    g.WarningMinutes = kDefaultWarningMinutes;
    g.TurnOffAfterWarning = kDefaultTurnOffAfterWarning;
    g.Accounts.Clear();
    LoadSharedAccounts(g);
    g.MarkStage(stage::Accounts);
    result.outcome = StartOutcome::Started;
    return result;
}

void LoadSharedAccounts(Globals& g) {
    g.CurrentUserName = g.Store.GetLoggedOnUserName();
    g.CurrentUserIsAdmin = g.Store.CurrentUserHasAdminPrivilege(g.CurrentUserName);
    g.TakeAccounts(g.Store.LoadAccounts(g.CurrentUserName, g.CurrentUserIsAdmin));
}

} // namespace qb
