#include "platform/win32/kernel32_win32.h"

#include "platform/win32/handles.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <iterator>

namespace qb::win32 {

namespace {

static_assert(sizeof(OSVERSIONINFOEXA) == 156 && sizeof(OSVERSIONINFOA) == 148,
              "the version query relies on the platform's structure sizes");

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(text.size());
    const int needed = ::MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return {};
    std::wstring result(static_cast<std::size_t>(needed), L'\0');
    const int written =
        ::MultiByteToWideChar(codePage, 0, text.data(), length, result.data(), needed);
    result.resize(static_cast<std::size_t>(std::max(written, 0)));
    return result;
}

// A character array the platform filled, up to its first NUL.
template <std::size_t Size>
std::string UpToNul(const char (&text)[Size]) {
    return std::string(text, std::find(text, text + Size, '\0'));
}

} // namespace

std::wstring FromAnsi(std::string_view text) {
    return ToWide(CP_ACP, text);
}

platform::Handle Win32Kernel32::CreateNamedMutex(bool initialOwner, std::string_view name,
                                                 std::uint32_t& lastError) {
    const std::string mutexName(name);
    HANDLE mutex = ::CreateMutexA(nullptr, initialOwner ? TRUE : FALSE, mutexName.c_str());
    lastError = ::GetLastError();
    return reinterpret_cast<platform::Handle>(mutex);
}

bool Win32Kernel32::CloseHandle(platform::Handle handle) {
    return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

std::uint32_t Win32Kernel32::GetTickCount() {
#ifdef _MSC_VER
#pragma warning(suppress : 28159) // the wrapping 32-bit count is what callers expect
#endif
    return ::GetTickCount();
}

platform::SystemTime Win32Kernel32::GetLocalTime() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    platform::SystemTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.dayOfWeek = now.wDayOfWeek;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.milliseconds = now.wMilliseconds;
    return time;
}

bool Win32Kernel32::QueryVersion(platform::OsVersionInfo& info, bool extended) {
    OSVERSIONINFOEXA version{};
    version.dwOSVersionInfoSize = extended ? sizeof(OSVERSIONINFOEXA) : sizeof(OSVERSIONINFOA);
    std::fill(std::begin(version.szCSDVersion), std::end(version.szCSDVersion), ' ');
    // Without a compatibility manifest, newer Windows versions answer with an older number;
    // the program only needs the platform family, which they report truthfully.
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version)))
        return false;
    info.majorVersion = version.dwMajorVersion;
    info.minorVersion = version.dwMinorVersion;
    info.buildNumber = version.dwBuildNumber;
    info.platformId = version.dwPlatformId;
    info.csdVersion = UpToNul(version.szCSDVersion);
    return true;
}

std::uint32_t Win32Kernel32::GetTimeZoneInformation(platform::TimeZoneInformation& info) {
    TIME_ZONE_INFORMATION zone{};
    const DWORD result = ::GetTimeZoneInformation(&zone);
    if (result != TIME_ZONE_ID_INVALID) {
        info.bias = zone.Bias;
        info.standardBias = zone.StandardBias;
        info.daylightBias = zone.DaylightBias;
    }
    return result;
}

std::string Win32Kernel32::WideCharToMultiByte(std::uint32_t codePage, std::wstring_view text,
                                               char defaultChar) {
    if (text.empty() || text.size() > INT_MAX)
        return {};
    const int length = static_cast<int>(text.size());
    // The default character is read as a NUL-terminated string: in a double-byte code
    // page the platform takes two bytes of it.
    const char defaultString[2] = {defaultChar, '\0'};
    const char* replacement =
        (codePage == CP_UTF8 || codePage == CP_UTF7) ? nullptr : defaultString;
    const int needed =
        ::WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, replacement, nullptr);
    if (needed <= 0)
        return {};
    std::string result(static_cast<std::size_t>(needed), '\0');
    const int written = ::WideCharToMultiByte(codePage, 0, text.data(), length, result.data(),
                                              needed, replacement, nullptr);
    result.resize(static_cast<std::size_t>(std::max(written, 0)));
    return result;
}

std::wstring Win32Kernel32::MultiByteToWideChar(std::uint32_t codePage, std::string_view text) {
    return ToWide(codePage, text);
}

bool Win32Kernel32::ExpandEnvironment(std::string_view text, std::string& expanded) {
    const std::string source(text);
    DWORD needed = ::ExpandEnvironmentStringsA(source.c_str(), nullptr, 0);
    // Another thread may lengthen a variable between the two calls; then ask again.
    for (int attempt = 0; attempt < 4 && needed != 0; ++attempt) {
        // The ANSI version wants one character more than it reports.
        const DWORD size = needed + 1;
        std::string buffer(size, '\0');
        const DWORD written = ::ExpandEnvironmentStringsA(source.c_str(), buffer.data(), size);
        if (written == 0)
            return false;
        if (written <= size) {
            buffer.erase(std::find(buffer.begin(), buffer.end(), '\0'), buffer.end());
            expanded = std::move(buffer);
            return true;
        }
        needed = written;
    }
    return false;
}

std::wstring Win32Kernel32::ProgramPath() {
    // Paths may exceed MAX_PATH on systems with long paths enabled; the platform then
    // truncates silently (and reports the full buffer), so grow until it fits.
    constexpr std::size_t longestPath = 32768;
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() > longestPath)
            return {};
        path.resize(path.size() * 2);
    }
}

bool Win32Kernel32::StartProgram(std::wstring_view path, std::uint32_t showCommand) {
    if (path.empty())
        return false;
    // The path is also the command line, quoted so that a folder with blanks ("Program
    // Files") is not taken for the program and its arguments; CreateProcessW may write
    // into its command line, so it gets a copy of its own.
    std::wstring commandLine = L"\"" + std::wstring(path) + L"\"";
    const std::wstring application(path);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &process))
        return false;
    // The program runs on by itself; nothing here waits for it.
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    return true;
}

} // namespace qb::win32
