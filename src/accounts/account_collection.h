#pragma once
// The accounts in enumeration order, addressed by 1-based position (0 means none).

#include "accounts/user_info.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace qb {

// Records keep their address for the whole run, also when the collection is moved.
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

} // namespace qb
