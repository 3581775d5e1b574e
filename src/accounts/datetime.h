#pragma once
// A local date-time with one-second resolution, counted from the platform's zero
// date-time (30 December 1899, 00:00:00), which stands for "never".

#include "platform/kernel32.h"

#include <compare>
#include <cstdint>

namespace qb {

struct CivilTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const CivilTime&) const = default;
};

class DateTime {
public:
    constexpr DateTime() = default;
    static constexpr DateTime FromSeconds(std::int64_t seconds) { return DateTime(seconds); }
    static DateTime FromCivil(const CivilTime& civil);
    static DateTime FromSystemTime(const platform::SystemTime& time);
    // 1 January 1970 00:00:00.
    static constexpr DateTime UnixEpoch() { return DateTime(25569LL * 86400); }

    constexpr std::int64_t Seconds() const { return seconds_; }
    constexpr bool IsZero() const { return seconds_ == 0; }
    CivilTime ToCivil() const;

    constexpr DateTime AddSeconds(std::int64_t seconds) const {
        return DateTime(seconds_ + seconds);
    }
    constexpr auto operator<=>(const DateTime&) const = default;

private:
    constexpr explicit DateTime(std::int64_t seconds) : seconds_(seconds) {}
    std::int64_t seconds_ = 0;
};

} // namespace qb
