#include "support/sim_world.h"

#include "startup/startup.h"

namespace qb::testing {

void SimWorld::Load() {
    LoadSharedAccounts(g);
}

userInfo* SimWorld::Record(std::wstring_view name) {
    for (int i = 1; i <= g.Accounts.Count(); ++i)
        if (g.Accounts.Item(i).UserName() == name)
            return &g.Accounts.Item(i);
    return nullptr;
}

} // namespace qb::testing
