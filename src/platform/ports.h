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
    Kernel32& kernel;
    User32& user;
};

} // namespace qb::platform
