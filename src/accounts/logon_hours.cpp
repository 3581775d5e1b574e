#include "accounts/logon_hours.h"

namespace qb {

namespace {

bool ValidCell(int column, int hour) {
    return column >= 0 && column <= 6 && hour >= 0 && hour <= 23;
}

} // namespace

bool IsHourAllowed(const userInfo& record, int column, int hour) {
    if (!ValidCell(column, hour))
        return false;
    const int i = HourOfWeek(column, hour);
    return (record.LogonHour(i / 8) & (1 << (i % 8))) != 0;
}

void SetHourAllowed(userInfo& record, int column, int hour, bool allowed) {
    if (!ValidCell(column, hour))
        return;
    const int i = HourOfWeek(column, hour);
    const auto mask = static_cast<std::uint8_t>(1 << (i % 8));
    const std::uint8_t byte = record.LogonHour(i / 8);
    record.SetLogonHour(i / 8, allowed ? static_cast<std::uint8_t>(byte | mask)
                                       : static_cast<std::uint8_t>(byte & ~mask));
}

} // namespace qb
