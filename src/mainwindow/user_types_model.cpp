#include "mainwindow/user_types_model.h"

#include "platform/assert.h"

namespace qb::mainwindow {

std::int32_t UserTypeFromGroups(std::int32_t groups) {
    if ((groups & GroupBit(AdministratorsGroup)) != 0)
        return Administrator;
    if ((groups & GroupBit(PowerUsersGroup)) != 0)
        return PowerUser;
    if ((groups & GroupBit(UsersGroup)) != 0)
        return User;
    return Guest;
}

TwipsRect UserTypesModel::CheckBounds(int index) {
    // Administrators, the most powerful group, comes last on screen.
    static constexpr std::array<int, kBuiltinGroupCount> tops = {120, 450, 1110, 780};
    QB_ASSERT(IsBuiltinGroup(index));
    return TwipsRect{120, tops.at(static_cast<std::size_t>(index)), 2640, 315};
}

UserTypesModel::UserTypesModel(AccountStore& store) : store_(store) {}

void UserTypesModel::SetUser(userInfo& record) {
    record_ = &record;
    bool any = false;
    for (int i = 0; i < kBuiltinGroupCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        captions_[at] = store_.GroupDisplayName(i);
        const bool member = (record.UserGroups() & GroupBit(i)) != 0;
        values_[at] = member ? Ticked : Clear;
        any = any || member;
    }
    if (!any)
        values_[UsersGroup] = Ticked;
}

void UserTypesModel::SetMustBeAdmin(bool mustBeAdmin) {
    mustBeAdmin_ = mustBeAdmin;
    if (mustBeAdmin)
        values_[AdministratorsGroup] = Greyed;
}

void UserTypesModel::Check1Click(int index) {
    if (!IsBuiltinGroup(index) || closed_)
        return;
    CheckValue& value = values_[static_cast<std::size_t>(index)];
    value = value == Clear ? Ticked : Clear;
    if (index == AdministratorsGroup && mustBeAdmin_) {
        value = Greyed;
        return;
    }
    if (Mask() == 0)
        value = Ticked;
}

std::int32_t UserTypesModel::Mask() const {
    std::int32_t mask = 0;
    for (int i = 0; i < kBuiltinGroupCount; ++i)
        if (values_[static_cast<std::size_t>(i)] != Clear)
            mask |= GroupBit(i);
    return mask;
}

void UserTypesModel::CloseButtonClick() {
    if (record_ != nullptr)
        record_->SetUserGroups(Mask());
    record_ = nullptr;
    closed_ = true;
}

void UserTypesModel::CancelButtonClick() {
    record_ = nullptr;
    closed_ = true;
}

} // namespace qb::mainwindow
