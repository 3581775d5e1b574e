#pragma once
// The platform operations a program instance uses, bound by its composition root.

#include "platform/advapi32.h"
#include "platform/kernel32.h"
#include "platform/netapi32.h"
#include "platform/user32.h"

namespace qb::platform {

struct Ports {
    Netapi32& netapi;
    AccountSecurity& security;
    RegistryApi& registry;
    SingleInstanceApi& instance;
    ClockApi& clock;
    TimeZoneApi& timeZone;
    TextApi& text;
    PathsApi& paths;
    ProgramsApi& programs;
    User32& user;
};

// Ports whose kernel32 roles are all played by one object, as both the real binding and
// the simulated machine do.
template <typename Kernel>
Ports WithOneKernel(Netapi32& netapi, AccountSecurity& security, RegistryApi& registry,
                    Kernel& kernel, User32& user) {
    return Ports{netapi, security, registry, kernel, kernel, kernel, kernel, kernel, kernel, user};
}

} // namespace qb::platform
