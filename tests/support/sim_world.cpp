#include "support/sim_world.h"

#include "accounts/users.h"

#include <gtest/gtest.h>

namespace qb::testing {

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
