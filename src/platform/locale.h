#pragma once
// kernel32: the user's locale, for the names and dates the windows show.

#include "platform/kernel32.h"

#include <string>

namespace qb::platform {

class LocaleApi {
public:
    virtual ~LocaleApi() = default;

    // The abbreviated name of a weekday in the user's locale; day 1 is Sunday, 7 Saturday.
    // Empty when the platform cannot name it.
    virtual std::wstring AbbreviatedDayName(int day) = 0;
    // The full name of a weekday in the user's locale, numbered alike.
    virtual std::wstring DayName(int day) = 0;
    // GetDateFormat with the short date format, and GetTimeFormat with the long time format,
    // of the user's locale. Empty when the platform cannot format the date.
    virtual std::wstring ShortDate(const SystemTime& time) = 0;
    virtual std::wstring LongTime(const SystemTime& time) = 0;
};

} // namespace qb::platform
