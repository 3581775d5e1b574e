#pragma once
// Last-logon times: the platform gives seconds since 1970 in UTC; the program shows local
// date-times, shifted by the bias in effect now.

#include "accounts/datetime.h"
#include "platform/kernel32.h"

#include <cstdint>

namespace qb {

// `seconds` is the platform's signed 32-bit count; 0 (never) gives the zero date-time.
DateTime LastLogonToLocal(platform::TimeZoneApi& timeZone, std::int32_t seconds);

// The time zone as the platform reports it at one moment, for converting many logon times
// alike: asking the platform again for each of thousands of accounts takes longer than
// reading the accounts.
struct ZoneNow {
    std::uint32_t id = platform::time_zone_id::Unknown;
    platform::TimeZoneInformation info;

    static ZoneNow Read(platform::TimeZoneApi& timeZone);
    // As LastLogonToLocal, with this zone.
    DateTime ToLocal(std::int32_t seconds) const;
};

} // namespace qb
