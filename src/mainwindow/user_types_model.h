#pragma once
// UserTypesForm, "Member of these groups...", as a portable model: the four built-in
// groups as check boxes, what a click on one of them leaves ticked, and the membership
// mask that OK writes into the account's record. The Win32 dialog shows these states and
// hands every click to this model; the main window's model opens it and derives the
// account's user type from what it leaves behind.

#include "accounts/account_store.h"
#include "accounts/builtin_groups.h"
#include "accounts/user_info.h"
#include "controls/customlist/custom_list_model.h"

#include <array>
#include <cstdint>
#include <string>

namespace qb::mainwindow {

using controls::TwipsRect;

// The first user type, in this order, whose group bit the mask has: Administrators,
// Power Users, Users; a mask with none of them is a guest's.
std::int32_t UserTypeFromGroups(std::int32_t groups);

class UserTypesModel {
public:
    static constexpr const wchar_t* Caption = L"Member of these groups...";

    // The value of a check box.
    enum CheckValue : int {
        Clear = 0,
        Ticked = 1,
        Greyed = 2, // ticked and not to be cleared: only the Administrators box
    };

    // The dialog as designed, in twips: the client area, the boxes by group index (on
    // screen top to bottom Guests, Users, Power Users, Administrators), the two buttons
    // and the frame behind the boxes.
    static constexpr int ClientWidth = 2835;
    static constexpr int ClientHeight = 2130;
    static TwipsRect CheckBounds(int index);
    static constexpr TwipsRect OkBounds{1440, 1650, 1125, 375};
    static constexpr TwipsRect CancelBounds{270, 1650, 1125, 375};
    static constexpr TwipsRect FrameBounds{60, 60, 2715, 1440};

    // Loading: no record, no box ticked, MustBeAdmin false. `store` names the groups.
    explicit UserTypesModel(AccountStore& store);

    // `User`: the record whose memberships are edited, kept until OK or Cancel. Every box
    // takes its group's name and is ticked when the record's current mask has its bit; a
    // record in none of the four groups starts as a member of Users.
    void SetUser(userInfo& record);
    // `MustBeAdmin`: the Administrators box is ticked and greyed when true.
    void SetMustBeAdmin(bool mustBeAdmin);

    // A click on box `index`: it turns from clear to ticked or back, then the rules -
    // the greyed Administrators box stays greyed, and the last ticked box stays ticked.
    void Check1Click(int index);
    // OK: the ticked boxes (a greyed one counts) become the record's current mask.
    void CloseButtonClick();
    // Cancel, and closing the dialog's frame: the record stays as it was.
    void CancelButtonClick();

    CheckValue Value(int index) const { return values_.at(static_cast<std::size_t>(index)); }
    const std::wstring& BoxCaption(int index) const {
        return captions_.at(static_cast<std::size_t>(index));
    }
    bool MustBeAdmin() const { return mustBeAdmin_; }
    // The mask that OK would write now.
    std::int32_t Mask() const;
    // OK or Cancel was chosen: the dialog is to go.
    bool Closed() const { return closed_; }

private:
    AccountStore& store_;
    userInfo* record_ = nullptr;
    std::array<CheckValue, kBuiltinGroupCount> values_{};
    std::array<std::wstring, kBuiltinGroupCount> captions_;
    bool mustBeAdmin_ = false;
    bool closed_ = false;
};

} // namespace qb::mainwindow
