#include "accounts/user_info.h"

#include <algorithm>
#include <stdexcept>

namespace qb {

namespace {

void CheckByteNumber(int bNum) {
    if (bNum < 0 || bNum >= kLogonHourBytes)
        throw std::out_of_range("logon-hour byte number out of range");
}

} // namespace

std::uint8_t userInfo::LogonHour(int bNum, bool original) const {
    CheckByteNumber(bNum);
    const auto i = static_cast<std::size_t>(bNum);
    return original ? hoursOriginal_[i] : hoursCurrent_[i];
}

void userInfo::SetLogonHour(int bNum, std::uint8_t bVal, bool original) {
    CheckByteNumber(bNum);
    const auto i = static_cast<std::size_t>(bNum);
    if (original)
        hoursOriginal_[i] = bVal;
    hoursCurrent_[i] = bVal;
}

void userInfo::ResetToOriginal() {
    userName_.Reset();
    fullName_.Reset();
    password_.Reset();
    comment_.Reset();
    userComment_.Reset();
    accountDisabled_.Reset();
    passwordCantChange_.Reset();
    userType_.Reset();
    passwordNotNeeded_.Reset();
    hoursCurrent_ = hoursOriginal_;
    userGroups_.Reset();
}

void userInfo::ResetToOriginalHours() {
    hoursCurrent_ = hoursOriginal_;
}

bool userInfo::HoursHaveChanged() const {
    return hoursCurrent_ != hoursOriginal_;
}

bool userInfo::DataHasChanged() const {
    return HoursHaveChanged() || userComment_.Changed() || comment_.Changed() ||
           password_.Changed() || fullName_.Changed() || userName_.Changed() ||
           userGroups_.Changed() || passwordNotNeeded_.Changed() || passwordCantChange_.Changed() ||
           accountDisabled_.Changed() || userType_.Changed();
}

bool userInfo::HasTimeRestrictions() const {
    return std::any_of(hoursCurrent_.begin(), hoursCurrent_.end(),
                       [](std::uint8_t b) { return b < kAllHoursAllowed; });
}

} // namespace qb
