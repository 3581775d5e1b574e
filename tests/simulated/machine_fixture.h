#pragma once
// A small office on a simulated machine, shared by the machine's tests.

#include "platform/simulated/simulated_machine.h"

#include <gtest/gtest.h>

namespace qb::simulated::testing {

// Administrator (500) and Guest (501) as every machine has them, then anna (an
// administrator, logged on), ben (a user), carla (a power user) and dora (a guest).
class Office : public ::testing::Test {
protected:
    Office() {
        m.AddAccount({.name = L"anna", .groups = {L"Administrators", L"Users"}});
        m.AddAccount({.name = L"ben", .groups = {L"Users"}});
        m.AddAccount({.name = L"carla", .groups = {L"Users", L"Power Users"}});
        m.AddAccount({.name = L"dora", .groups = {L"Guests"}});
        m.SetLoggedOnUser(L"anna");
    }

    SimulatedMachine m;
    platform::Netapi32& net = m.Netapi();
};

} // namespace qb::simulated::testing
