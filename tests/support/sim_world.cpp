#include "support/sim_world.h"

#include "accounts/users.h"

#include <gtest/gtest.h>

namespace qb::testing {

platform::RegistryStatus UnusedRegistry::Unexpected() {
    ADD_FAILURE() << "the account store has no business with the registry";
    return 5;
}

void SimWorld::Load() {
    g.CurrentUserName = GetLoggedOnUserName(g);
    g.CurrentUserIsAdmin = CurrentUserHasAdminPrivilege(g);
    LoadAccounts(g);
}

userInfo* SimWorld::Record(std::wstring_view name) {
    for (int i = 1; i <= g.Accounts.Count(); ++i)
        if (g.Accounts.Item(i).UserName() == name)
            return &g.Accounts.Item(i);
    return nullptr;
}

} // namespace qb::testing
