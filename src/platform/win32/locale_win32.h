#pragma once
// The user's locale, bound to kernel32's locale functions.

#include "platform/locale.h"

namespace qb::win32 {

class Win32Locale final : public platform::LocaleApi {
public:
    std::wstring AbbreviatedDayName(int day) override;
    std::wstring DayName(int day) override;
    std::wstring ShortDate(const platform::SystemTime& time) override;
    std::wstring LongTime(const platform::SystemTime& time) override;
};

} // namespace qb::win32
