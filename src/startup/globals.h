#pragma once
// The state every window shares, created by start-up and handed to whoever needs it.

#include "accounts/account_collection.h"
#include "accounts/account_store.h"
#include "accounts/datetime.h"
#include "platform/ports.h"
#include "startup/start_marks.h"

#include <cstdint>
#include <string>

namespace qb {

// What the companion service's settings are until the settings store says otherwise.
inline constexpr std::int32_t kDefaultWarningMinutes = 5;
inline constexpr bool kDefaultTurnOffAfterWarning = true;

struct Globals {
    explicit Globals(platform::Ports p)
        : ports(p), Store(p.netapi, p.security, p.text, p.timeZone) {}
    Globals(const Globals&) = delete;
    Globals& operator=(const Globals&) = delete;
    ~Globals() = default;

    platform::Ports ports;
    AccountStore Store;

    AccountCollection Accounts;
    std::wstring CurrentUserName;
    bool CurrentUserIsAdmin = false;
    std::wstring AdministratorAccountName;
    std::int32_t CurrentUserIndex = 0;
    DateTime BootTime;
    std::int32_t WarningMinutes = kDefaultWarningMinutes;
    bool TurnOffAfterWarning = kDefaultTurnOffAfterWarning;
    // The marks of this start, when they were asked for; null in a normal run.
    StartMarks* Marks = nullptr;

    // Notes that the start's stage `stage` is over, when the start is being measured.
    void MarkStage(const char* stage) const noexcept {
        if (Marks != nullptr)
            Marks->Take(stage);
    }

    // The logged-on user as the account store needs to know them.
    Viewer CurrentViewer() const {
        return Viewer{CurrentUserName, CurrentUserIsAdmin, AdministratorAccountName};
    }
    // Takes over what reading every account gave.
    void TakeAccounts(LoadedAccounts loaded) {
        Accounts = std::move(loaded.records);
        AdministratorAccountName = std::move(loaded.administratorAccountName);
        CurrentUserIndex = loaded.currentUserIndex;
    }
};

} // namespace qb
