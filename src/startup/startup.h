#pragma once
// Program start-up: the single-instance rule, the platform check, the boot time and the
// shared state, up to the accounts being read. The entry routine shows the main window
// when StartProgram reports Started, and keeps the instance lock it was handed until the
// main window unloads.

#include "platform/kernel32.h"
#include "startup/globals.h"
#include "startup/instance_lock.h"

#include <string>

namespace qb {

inline constexpr char kInstanceMutexName[] = "QuillbayMutex";
inline constexpr wchar_t kAppTitle[] = L"Quill Bay";
// List-view and date classes.
inline constexpr std::uint32_t kCommonControlClasses = 0x101;

// The platform is of the NT family (platform identifier 2 or more). False also when the
// version cannot be asked at all.
bool IsNTFamily(platform::ClockApi& clock);
// The platform's name as it follows the word "Windows" ("98SE", "95 OSR2", "Me", ...).
std::wstring GetOSName(platform::ClockApi& clock);
// The text of the refusal shown outside the NT family.
std::wstring RefusalText(const std::wstring& osName);
// When the machine started: local now less the tick count, read as an unsigned 32-bit
// number of milliseconds.
DateTime ComputeBootTime(platform::ClockApi& clock);

enum class StartOutcome {
    AlreadyRunning, // another copy holds the mutex: end silently
    Refused,        // not the NT family: the refusal was shown; end
    Started,        // shared state set and accounts read: show the main window
};

struct StartResult {
    StartOutcome outcome = StartOutcome::AlreadyRunning;
    // Held when the outcome is Started or Refused (a refused copy keeps it to the end of
    // the process); empty for a copy that found another one running.
    InstanceLock instance;
};

StartResult StartProgram(Globals& g);

// Learns who is logged on and whether they are an administrator, then reads every
// account they may see into the shared state.
void LoadSharedAccounts(Globals& g);

} // namespace qb
