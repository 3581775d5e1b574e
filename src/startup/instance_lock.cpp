#include "startup/instance_lock.h"

#include <utility>

namespace qb {

InstanceLock::InstanceLock(platform::SingleInstanceApi& api, platform::Handle handle) noexcept
    : api_(&api), handle_(handle) {}

InstanceLock::InstanceLock(InstanceLock&& other) noexcept
    : api_(other.api_), handle_(std::exchange(other.handle_, 0)) {}

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
    if (this != &other) {
        Release();
        api_ = other.api_;
        handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
}

InstanceLock::~InstanceLock() {
    Release();
}

void InstanceLock::Release() noexcept {
    // The platform's answer is of no use here: the handle is gone either way.
    if (const platform::Handle handle = std::exchange(handle_, 0); handle != 0)
        api_->CloseHandle(handle);
}

} // namespace qb
