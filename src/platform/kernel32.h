#pragma once
// kernel32: the named mutex, clock, version, time zone, text conversion and paths.

#include <cstdint>
#include <string>
#include <string_view>

namespace qb::platform {

using Handle = std::uintptr_t; // 0 is no handle

constexpr std::uint32_t ErrorAlreadyExists = 183;

// SYSTEMTIME.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
};

// The fields of TIME_ZONE_INFORMATION the program uses; minutes, UTC = local + bias.
struct TimeZoneInformation {
    std::int32_t bias = 0;
    std::int32_t standardBias = 0;
    std::int32_t daylightBias = 0;
};

namespace time_zone_id {
constexpr std::uint32_t Unknown = 0;
constexpr std::uint32_t Standard = 1;
constexpr std::uint32_t Daylight = 2;
constexpr std::uint32_t Invalid = 0xFFFFFFFF;
} // namespace time_zone_id

// OSVERSIONINFOA / OSVERSIONINFOEXA.
struct OsVersionInfo {
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;
    std::string csdVersion; // the service-pack text, up to its first NUL
};

namespace platform_id {
constexpr std::uint32_t Win32s = 0;
constexpr std::uint32_t Windows = 1; // 95, 98, Me
constexpr std::uint32_t WindowsNt = 2;
} // namespace platform_id

constexpr std::uint32_t CpAcp = 0; // the system's ANSI code page

// kernel32 by role. Each user takes only the roles it needs; one object may play
// several (the real binding and the simulated machine play all six).

// The named mutex that marks a running copy of the program.
class SingleInstanceApi {
public:
    virtual ~SingleInstanceApi() = default;

    // CreateMutexA without security attributes. Returns the handle (0 on failure) and
    // the thread's last error right after the call (183 when the mutex already existed).
    virtual Handle CreateNamedMutex(bool initialOwner, std::string_view name,
                                    std::uint32_t& lastError) = 0;
    virtual bool CloseHandle(Handle handle) = 0;
};

// The clock and the platform's version.
class ClockApi {
public:
    virtual ~ClockApi() = default;

    // GetTickCount: milliseconds since start, wrapping at 2^32.
    virtual std::uint32_t GetTickCount() = 0;
    virtual SystemTime GetLocalTime() = 0;
    // GetVersionExA with OSVERSIONINFOEXA (size 156) when `extended`, else with
    // OSVERSIONINFOA (size 148); the service-pack field is preset to spaces.
    virtual bool QueryVersion(OsVersionInfo& info, bool extended) = 0;
};

class TimeZoneApi {
public:
    virtual ~TimeZoneApi() = default;

    // GetTimeZoneInformation: returns 0 unknown, 1 standard, 2 daylight, other values failure.
    virtual std::uint32_t GetTimeZoneInformation(TimeZoneInformation& info) = 0;
};

// Conversion between UTF-16 and a code page, usually the system's ANSI code page.
class TextApi {
public:
    virtual ~TextApi() = default;

    // WideCharToMultiByte without flags: a character the code page cannot hold becomes its
    // best fit where the code page has one ("Ł" as "L" in 1252), else `defaultChar`. The
    // result has no terminating NUL of its own.
    virtual std::string WideCharToMultiByte(std::uint32_t codePage, std::wstring_view text,
                                            char defaultChar) = 0;
    // MultiByteToWideChar without flags.
    virtual std::wstring MultiByteToWideChar(std::uint32_t codePage, std::string_view text) = 0;
};

// How a started program's first window shows (the platform's show commands).
namespace show_command {
constexpr std::uint32_t ShowMinimized = 2; // SW_SHOWMINIMIZED: minimized, and it takes the focus
} // namespace show_command

// Starting another program.
class ProgramsApi {
public:
    virtual ~ProgramsApi() = default;

    // CreateProcessW of the program at `path`, without arguments, its first window shown as
    // `showCommand` says. False when the program cannot be started.
    virtual bool StartProgram(std::wstring_view path, std::uint32_t showCommand) = 0;
};

// The environment and the program's own location.
class PathsApi {
public:
    virtual ~PathsApi() = default;

    // ExpandEnvironmentStringsA: first asks the size needed, then expands. False when
    // the platform reports 0.
    virtual bool ExpandEnvironment(std::string_view text, std::string& expanded) = 0;
    // The full path of the running program (GetModuleFileNameW).
    virtual std::wstring ProgramPath() = 0;
};

} // namespace qb::platform
