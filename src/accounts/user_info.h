#pragma once
// One local account in memory. Every editable value is kept twice: as last read from
// the system (original) and as edited (current). Reading an account sets both copies;
// the window edits only current copies; saving writes what differs.

#include "accounts/datetime.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace qb {

// The user type of an account: its privilege, refined by Power Users membership.
enum UserTypeCode : std::int32_t {
    Guest = 0,
    User = 1,
    Administrator = 2,
    PowerUser = 3,
};

constexpr int kLogonHourBytes = 21;
// A logon-hours byte whose eight hours are all allowed.
constexpr std::uint8_t kAllHoursAllowed = 0xFF;

class userInfo {
public:
    // A value with its original and current copy. Set with `original` true writes both.
    // The current copy is kept apart only once it was set on its own: a record just read
    // holds each text once, as do the thousands of records of a large machine. A text's
    // current copy is even kept outside the record, so that those records have no room
    // for copies they never make (a record is moved, never copied).
    template <class T>
    class Paired {
        static constexpr bool kOutside = sizeof(T) > sizeof(void*);
        using Current = std::conditional_t<kOutside, std::unique_ptr<T>, std::optional<T>>;

    public:
        const T& Get(bool original) const { return original || !current_ ? original_ : *current_; }
        void Set(T value, bool original) {
            if (original) {
                original_ = std::move(value);
                current_.reset();
            } else {
                SetCurrent(std::move(value));
            }
        }
        bool Changed() const { return current_ && !(original_ == *current_); }
        void Reset() { current_.reset(); }

    private:
        void SetCurrent(T value) {
            if constexpr (kOutside) {
                if (current_)
                    *current_ = std::move(value);
                else
                    current_ = std::make_unique<T>(std::move(value));
            } else {
                current_ = std::move(value);
            }
        }

        T original_{};
        Current current_;
    };

    // A text that is usually empty, as a password (never read back), a comment or a
    // user comment is: both its copies are kept outside the record, made only once one of
    // them is not empty. Until then the text reads as empty in both copies, unchanged, as a
    // Paired text set to empty does.
    class RareText {
    public:
        const std::wstring& Get(bool original) const {
            static const std::wstring empty;
            return texts_ ? texts_->Get(original) : empty;
        }
        void Set(std::wstring value, bool original) {
            if (!texts_) {
                if (value.empty())
                    return;
                texts_ = std::make_unique<Paired<std::wstring>>();
            }
            texts_->Set(std::move(value), original);
        }
        bool Changed() const { return texts_ && texts_->Changed(); }
        void Reset() {
            if (texts_)
                texts_->Reset();
        }

    private:
        std::unique_ptr<Paired<std::wstring>> texts_;
    };

    const std::wstring& UserName(bool original = false) const { return userName_.Get(original); }
    void SetUserName(std::wstring value, bool original = false) {
        userName_.Set(std::move(value), original);
    }
    const std::wstring& FullName(bool original = false) const { return fullName_.Get(original); }
    void SetFullName(std::wstring value, bool original = false) {
        fullName_.Set(std::move(value), original);
    }
    const std::wstring& Password(bool original = false) const { return password_.Get(original); }
    void SetPassword(std::wstring value, bool original = false) {
        password_.Set(std::move(value), original);
    }
    const std::wstring& Comment(bool original = false) const { return comment_.Get(original); }
    void SetComment(std::wstring value, bool original = false) {
        comment_.Set(std::move(value), original);
    }
    const std::wstring& UserComment(bool original = false) const {
        return userComment_.Get(original);
    }
    void SetUserComment(std::wstring value, bool original = false) {
        userComment_.Set(std::move(value), original);
    }
    bool AccountDisabled(bool original = false) const { return accountDisabled_.Get(original); }
    void SetAccountDisabled(bool accDisabled, bool original = false) {
        accountDisabled_.Set(accDisabled, original);
    }
    bool PasswordCantChange(bool original = false) const {
        return passwordCantChange_.Get(original);
    }
    void SetPasswordCantChange(bool pwdCantChange, bool original = false) {
        passwordCantChange_.Set(pwdCantChange, original);
    }
    bool PasswordNotNeeded(bool original = false) const { return passwordNotNeeded_.Get(original); }
    void SetPasswordNotNeeded(bool pwNotNeeded, bool original = false) {
        passwordNotNeeded_.Set(pwNotNeeded, original);
    }

    DateTime LastLogon() const { return lastLogon_; }
    void SetLastLogon(DateTime value) { lastLogon_ = value; }

    std::int32_t UserType(bool original = false) const { return userType_.Get(original); }
    void SetUserType(std::int32_t uType, bool original = false) { userType_.Set(uType, original); }

    bool CurrentUser() const { return currentUser_; }
    void SetCurrentUser(bool curUser) { currentUser_ = curUser; }

    std::uint32_t Flags() const { return flags_; }
    void SetFlags(std::uint32_t value) { flags_ = value; }

    // One byte of the logon-hours bitmap; bNum outside 0..20 throws std::out_of_range
    // and changes nothing.
    std::uint8_t LogonHour(int bNum, bool original = false) const;
    void SetLogonHour(int bNum, std::uint8_t bVal, bool original = false);
    // The whole week at once, as SetLogonHour byte by byte.
    using LogonHours = std::array<std::uint8_t, kLogonHourBytes>;
    void SetLogonHours(const LogonHours& hours, bool original = false) {
        if (original)
            hoursOriginal_ = hours;
        hoursCurrent_ = hours;
    }

    // Undoes every edit; ResetToOriginalHours undoes only those of the hours.
    void ResetToOriginal();
    void ResetToOriginalHours();

    bool HoursHaveChanged() const;
    bool DataHasChanged() const;
    // At least one hour of the week (current copy) is not allowed.
    bool HasTimeRestrictions() const;

    // Direct membership of the built-in groups: 1 Guests, 2 Users, 4 Administrators,
    // 8 Power Users.
    void SetUserGroups(std::int32_t groups, bool original = false) {
        userGroups_.Set(groups, original);
    }
    std::int32_t UserGroups(bool original = false) const { return userGroups_.Get(original); }

    // The machine's built-in administrator account (relative identifier 500), whatever
    // it is called; says nothing about group membership.
    void SetIsAdministratorAccount(bool value) { isAdministratorAccount_ = value; }
    bool IsAdministratorAccount() const { return isAdministratorAccount_; }

private:
    Paired<std::wstring> userName_;
    Paired<std::wstring> fullName_;
    RareText password_;
    RareText comment_;
    RareText userComment_;
    Paired<bool> accountDisabled_;
    Paired<bool> passwordCantChange_;
    Paired<bool> passwordNotNeeded_;
    Paired<std::int32_t> userType_;
    Paired<std::int32_t> userGroups_;
    LogonHours hoursOriginal_{};
    LogonHours hoursCurrent_{};
    DateTime lastLogon_;
    std::uint32_t flags_ = 0;
    bool currentUser_ = false;
    bool isAdministratorAccount_ = false;
};

} // namespace qb
