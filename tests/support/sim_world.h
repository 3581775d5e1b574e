#pragma once
// A program's shared state bound to a simulated machine, for account-store tests.

#include "platform/simulated/simulated_machine.h"
#include "startup/globals.h"
#include "support/recording_user32.h"

#include <memory>

namespace qb::testing {

// Ports the account store never uses; any call is a test failure.
class UnusedRegistry : public platform::RegistryApi {
public:
    platform::RegistryStatus OpenKey(platform::RegistryKey, std::string_view, std::uint32_t,
                                     platform::RegistryKey&) override {
        return Unexpected();
    }
    platform::RegistryStatus QueryValue(platform::RegistryKey, std::string_view, std::uint32_t&,
                                        std::span<std::uint8_t>, std::uint32_t&) override {
        return Unexpected();
    }
    platform::RegistryStatus SetValue(platform::RegistryKey, std::string_view, std::uint32_t,
                                      std::span<const std::uint8_t>) override {
        return Unexpected();
    }
    platform::RegistryStatus DeleteValue(platform::RegistryKey, std::string_view) override {
        return Unexpected();
    }
    platform::RegistryStatus CloseKey(platform::RegistryKey) override { return Unexpected(); }

private:
    static platform::RegistryStatus Unexpected();
};

struct SimWorld {
    explicit SimWorld(std::unique_ptr<simulated::SimulatedMachine> m =
                          std::make_unique<simulated::SimulatedMachine>())
        : machine(std::move(m)), g(platform::Ports{machine->Netapi(), machine->Security(), registry,
                                                   machine->Kernel(), user}) {}

    // What start-up does: learn who is logged on, then read every account.
    void Load();

    // The record of the account with this name, or null.
    userInfo* Record(std::wstring_view name);

    std::unique_ptr<simulated::SimulatedMachine> machine;
    UnusedRegistry registry;
    RecordingUser32 user;
    Globals g;
};

} // namespace qb::testing
