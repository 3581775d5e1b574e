#include "platform/win32/locale_win32.h"

#include <windows.h>

namespace qb::win32 {

namespace {

SYSTEMTIME ToPlatform(const platform::SystemTime& t) {
    SYSTEMTIME st{};
    st.wYear = t.year;
    st.wMonth = t.month;
    st.wDayOfWeek = t.dayOfWeek;
    st.wDay = t.day;
    st.wHour = t.hour;
    st.wMinute = t.minute;
    st.wSecond = t.second;
    st.wMilliseconds = t.milliseconds;
    return st;
}

// Asks a formatting function for the size it needs, then for the text.
template <typename Format>
std::wstring Formatted(Format format) {
    const int needed = format(nullptr, 0);
    if (needed <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    const int written = format(text.data(), needed);
    if (written <= 0)
        return {};
    text.resize(static_cast<std::size_t>(written - 1)); // without the terminating NUL
    return text;
}

// Day `day` (1 Sunday .. 7 Saturday) of the names that start at `monday`: the locale
// numbers its day names from Monday to Sunday.
std::wstring DayNameFrom(LCTYPE monday, int day) {
    if (day < 1 || day > 7)
        return {};
    const auto type = static_cast<LCTYPE>(monday + (day + 5) % 7);
    return Formatted([&](wchar_t* buffer, int size) {
        return GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, size);
    });
}

} // namespace

std::wstring Win32Locale::AbbreviatedDayName(int day) {
    return DayNameFrom(LOCALE_SABBREVDAYNAME1, day);
}

std::wstring Win32Locale::DayName(int day) {
    return DayNameFrom(LOCALE_SDAYNAME1, day);
}

std::wstring Win32Locale::ShortDate(const platform::SystemTime& time) {
    const SYSTEMTIME st = ToPlatform(time);
    return Formatted([&](wchar_t* buffer, int size) {
        return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, size);
    });
}

std::wstring Win32Locale::LongTime(const platform::SystemTime& time) {
    const SYSTEMTIME st = ToPlatform(time);
    return Formatted([&](wchar_t* buffer, int size) {
        return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, size);
    });
}

} // namespace qb::win32
