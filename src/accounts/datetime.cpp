#include "accounts/datetime.h"

namespace qb {

namespace {

// Days from 1 January 1970 of a proleptic Gregorian date (Howard Hinnant's algorithm).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(y + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

constexpr std::int64_t kZeroDayFromUnix = -25569; // 30 December 1899

} // namespace

DateTime DateTime::FromCivil(const CivilTime& c) {
    const std::int64_t days =
        DaysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) -
        kZeroDayFromUnix;
    return DateTime(days * 86400 + std::int64_t{c.hour} * 3600 + std::int64_t{c.minute} * 60 + c.second);
}

DateTime DateTime::FromSystemTime(const platform::SystemTime& t) {
    return FromCivil({t.year, t.month, t.day, t.hour, t.minute, t.second});
}

CivilTime DateTime::ToCivil() const {
    std::int64_t days = seconds_ / 86400;
    std::int64_t rest = seconds_ % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    CivilTime c;
    CivilFromDays(days + kZeroDayFromUnix, c.year, c.month, c.day);
    c.hour = static_cast<int>(rest / 3600);
    c.minute = static_cast<int>(rest / 60 % 60);
    c.second = static_cast<int>(rest % 60);
    return c;
}

} // namespace qb
