#include "accounts/time_zone.h"

namespace qb {

namespace {

// Signed 32-bit subtraction that wraps like the platform's integers instead of
// overflowing into undefined behaviour.
std::int32_t Subtract32(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

std::int32_t Times60(std::int32_t minutes) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(minutes) * 60u);
}

} // namespace

DateTime LastLogonToLocal(platform::TimeZoneApi& timeZone, std::int32_t seconds) {
    if (seconds == 0)
        return DateTime();
    return ZoneNow::Read(timeZone).ToLocal(seconds);
}

ZoneNow ZoneNow::Read(platform::TimeZoneApi& timeZone) {
    ZoneNow zone;
    zone.id = timeZone.GetTimeZoneInformation(zone.info);
    return zone;
}

DateTime ZoneNow::ToLocal(std::int32_t seconds) const {
    if (seconds == 0)
        return DateTime();
    std::int32_t local = seconds;
    // The bias in effect now applies to every logon time, also to one from the other
    // season: the platform does not tell which season a past logon fell in.
    if (id == platform::time_zone_id::Standard)
        local = Subtract32(Subtract32(seconds, Times60(info.bias)), Times60(info.standardBias));
    else if (id == platform::time_zone_id::Daylight)
        local = Subtract32(Subtract32(seconds, Times60(info.bias)), Times60(info.daylightBias));
    return DateTime::UnixEpoch().AddSeconds(local);
}

} // namespace qb
