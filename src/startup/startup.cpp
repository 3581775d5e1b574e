#include "startup/startup.h"

#include "accounts/users.h"

namespace qb {

namespace {

// Asks for the version with the extended structure first, then the short one.
bool QueryVersion(platform::Kernel32& kernel, platform::OsVersionInfo& info) {
    return kernel.QueryVersion(info, true) || kernel.QueryVersion(info, false);
}

std::string TrimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

} // namespace

bool IsNTFamily(platform::Kernel32& kernel) {
    platform::OsVersionInfo info;
    return QueryVersion(kernel, info) && info.platformId >= platform::platform_id::WindowsNt;
}

std::wstring GetOSName(platform::Kernel32& kernel) {
    platform::OsVersionInfo info;
    if (!QueryVersion(kernel, info))
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

DateTime ComputeBootTime(platform::Kernel32& kernel) {
    const DateTime now = DateTime::FromSystemTime(kernel.GetLocalTime());
    const std::uint32_t ticks = kernel.GetTickCount();
    return now.AddSeconds(-static_cast<std::int64_t>(ticks / 1000));
}

StartOutcome StartProgram(Globals& g) {
    platform::Kernel32& kernel = g.ports.kernel;
    std::uint32_t lastError = 0;
    g.InstanceMutex = kernel.CreateNamedMutex(true, kInstanceMutexName, lastError);
    if (lastError == platform::ErrorAlreadyExists) {
        if (g.InstanceMutex != 0)
            kernel.CloseHandle(g.InstanceMutex);
        g.InstanceMutex = 0;
        return StartOutcome::AlreadyRunning;
    }

    g.ports.user.InitCommonControls(kCommonControlClasses);

    if (!IsNTFamily(kernel)) {
        g.ports.user.ShowMessageBox(0, RefusalText(GetOSName(kernel)), kAppTitle,
                                    platform::mb::Ok | platform::mb::IconStop);
        return StartOutcome::Refused;
    }

    g.BootTime = ComputeBootTime(kernel);
    g.WarningMinutes = 5;
    g.TurnOffAfterWarning = true;
    g.Accounts.Clear();
    g.CurrentUserName = GetLoggedOnUserName(g);
    g.CurrentUserIsAdmin = CurrentUserHasAdminPrivilege(g);
    LoadAccounts(g);
    return StartOutcome::Started;
}

void ReleaseInstance(Globals& g) {
    if (g.InstanceMutex != 0) {
        g.ports.kernel.CloseHandle(g.InstanceMutex);
        g.InstanceMutex = 0;
    }
}

} // namespace qb
