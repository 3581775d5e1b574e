#pragma once
// The state every window shares, created by start-up and handed to whoever needs it.

#include "accounts/account_collection.h"
#include "accounts/account_store.h"
#include "accounts/datetime.h"
#include "platform/ports.h"

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
