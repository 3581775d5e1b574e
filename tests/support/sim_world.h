#pragma once
// A program's shared state bound to a simulated machine, for account-store tests.

#include "platform/simulated/simulated_machine.h"
#include "startup/globals.h"
#include "support/memory_registry.h"
#include "support/recording_user32.h"

#include <memory>

namespace qb::testing {

struct SimWorld {
    explicit SimWorld(std::unique_ptr<simulated::SimulatedMachine> m =
                          std::make_unique<simulated::SimulatedMachine>())
        : machine(std::move(m)), g(platform::WithOneKernel(machine->Netapi(), machine->Security(),
                                                           registry, machine->Kernel(), user)) {}

    // What start-up does: learn who is logged on, then read every account.
    void Load();
    // The store's reading and saving, as the shared state's viewer.
    bool Read(userInfo& record) { return g.Store.ReadAccount(record, g.CurrentViewer()); }
    bool Save(userInfo& record) { return g.Store.SaveAccount(record, g.CurrentViewer()); }

    // The record of the account with this name, or null.
    userInfo* Record(std::wstring_view name);

    std::unique_ptr<simulated::SimulatedMachine> machine;
    MemoryRegistry registry;
    RecordingUser32 user;
    Globals g;
};

} // namespace qb::testing
