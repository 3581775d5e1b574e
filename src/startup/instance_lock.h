#pragma once
// The mark that a copy of the program runs: the named mutex, owned for as long as this
// object holds it. Move-only; the handle is closed when the lock is released or
// destroyed, once.

#include "platform/kernel32.h"

namespace qb {

class InstanceLock {
public:
    InstanceLock() noexcept = default;
    // Takes ownership of `handle` (0: holds nothing).
    InstanceLock(platform::SingleInstanceApi& api, platform::Handle handle) noexcept;
    InstanceLock(InstanceLock&& other) noexcept;
    InstanceLock& operator=(InstanceLock&& other) noexcept;
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    ~InstanceLock();

    bool Held() const noexcept { return handle_ != 0; }
    // Closes the handle, so that a new copy of the program may start. Releasing a lock
    // that holds nothing does nothing.
    void Release() noexcept;

private:
    platform::SingleInstanceApi* api_ = nullptr;
    platform::Handle handle_ = 0;
};

} // namespace qb
