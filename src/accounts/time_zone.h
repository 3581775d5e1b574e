#pragma once
// Last-logon times: the platform gives seconds since 1970 in UTC; the program shows local
// date-times, shifted by the bias in effect now.

#include "accounts/datetime.h"
#include "platform/kernel32.h"

#include <cstdint>

namespace qb {

// `seconds` is the platform's signed 32-bit count; 0 (never) gives the zero date-time.
DateTime LastLogonToLocal(platform::TimeZoneApi& timeZone, std::int32_t seconds);

} // namespace qb
