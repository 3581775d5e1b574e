#pragma once
// The state every window shares, created by start-up and handed to whoever needs it.

#include "accounts/datetime.h"
#include "accounts/user_info.h"
#include "platform/ports.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qb {

// The accounts in enumeration order, addressed by 1-based position (0 means none).
// Records keep their address for the whole run.
class AccountCollection {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    userInfo& Item(int position) { return *items_.at(static_cast<std::size_t>(position - 1)); }
    const userInfo& Item(int position) const {
        return *items_.at(static_cast<std::size_t>(position - 1));
    }
    void Add(std::unique_ptr<userInfo> record) { items_.push_back(std::move(record)); }
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<userInfo>> items_;
};

struct Globals {
    explicit Globals(platform::Ports p) : ports(p) {}

    platform::Ports ports;

    platform::Handle InstanceMutex = 0;
    AccountCollection Accounts;
    std::wstring CurrentUserName;
    bool CurrentUserIsAdmin = false;
    std::wstring AdministratorAccountName;
    std::int32_t CurrentUserIndex = 0;
    DateTime BootTime;
    std::int32_t WarningMinutes = 5;
    bool TurnOffAfterWarning = true;

    // The names of the four built-in groups, looked up once per run (empty text when
    // the platform could not name one).
    std::array<std::optional<std::wstring>, 4> builtinGroupNames;
};

} // namespace qb
