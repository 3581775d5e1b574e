#pragma once
// The settings store: the two settings of the companion enforcement service, kept where
// that service, a separate program, reads them too. They are DWORD values under
// HKEY_LOCAL_MACHINE\SOFTWARE\Quill Bay (the machine's native registry view):
//   "WarningMinutes"       the warning period in whole minutes, 5 to 59;
//   "TurnOffAfterWarning"  1 to turn the computer off after the warning period, 0 to log
//                          the user off.
// The key is the program's own and is created when the settings are first written; until
// then both programs go by the defaults. After writing, the program sends the service
// "/settings" so that it reads the store again.

#include "platform/ports.h"
#include "startup/globals.h"

#include <cstdint>

namespace qb::settings {

inline constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Quill Bay";
inline constexpr wchar_t kWarningMinutesValue[] = L"WarningMinutes";
inline constexpr wchar_t kTurnOffAfterWarningValue[] = L"TurnOffAfterWarning";

// The warning periods the service accepts.
inline constexpr std::int32_t kMinWarningMinutes = 5;
inline constexpr std::int32_t kMaxWarningMinutes = 59;

// Reads the store into the shared state. A value that is missing, or not a number, leaves
// what the state held; a warning period outside 5..59 is taken as the nearer end.
void ReadSettingsStore(Globals& g);

// Writes both settings, creating the key where it does not exist yet. False when the key
// can be neither opened nor created; a refused write of a value is not reported.
bool WriteSettingsStore(const platform::Ports& ports, std::int32_t warningMinutes,
                        bool turnOffAfterWarning);

} // namespace qb::settings
