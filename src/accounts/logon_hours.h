#pragma once
// The weekly grid's view of an account's logon-hours bitmap. Bit i (i = day × 24 + hour,
// day 0 = Sunday) sits in byte i / 8 at mask 1 << (i % 8). The grid's column c shows day
// (c + 6) mod 7, so that the week starts on Saturday at the left. No time-zone shift is
// applied: hour h of the bitmap is the grid's row h.

#include "accounts/user_info.h"

namespace qb {

// The hour-of-week index of grid column 0..6 and hour 0..23.
constexpr int HourOfWeek(int column, int hour) {
    return ((column + 6) % 7) * 24 + hour;
}

// The hour is allowed in the record's current hours; false for an hour outside 0..23.
bool IsHourAllowed(const userInfo& record, int column, int hour);
// Allows or denies one hour in the current copy; an hour outside 0..23 changes nothing.
void SetHourAllowed(userInfo& record, int column, int hour, bool allowed);

} // namespace qb
