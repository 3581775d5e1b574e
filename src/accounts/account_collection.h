#pragma once
// The accounts in enumeration order, addressed by 1-based position (0 means none).

#include "accounts/user_info.h"
#include "platform/block_list.h"

#include <cstddef>
#include <stdexcept>

namespace qb {

// Records keep their address for the whole run, also when the collection is moved.
class AccountCollection {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // A position outside 1..Count() throws std::out_of_range.
    userInfo& Item(int position) { return items_[Index(position)]; }
    const userInfo& Item(int position) const { return items_[Index(position)]; }
    // A new record after the last, to be filled where it lies and then added with AddNext();
    // a record that is not added stays new for the next call.
    userInfo& Next() { return items_.Spare(); }
    void AddNext() { items_.Grow(); }
    void Clear() { items_.clear(); }

private:
    std::size_t Index(int position) const {
        if (position < 1 || position > Count())
            throw std::out_of_range("no account at this position");
        return static_cast<std::size_t>(position - 1);
    }

    platform::BlockList<userInfo> items_;
};

} // namespace qb
