// Loads simulated machines of 10, 1,000 and 10,000 accounts and prints, for each, the
// load time and the number of account-database calls per account.

#include "accounts/account_store.h"
#include "platform/simulated/simulated_machine.h"
#include "startup/globals.h"
#include "support/memory_registry.h"
#include "support/recording_user32.h"

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace qb;

std::unique_ptr<simulated::SimulatedMachine> MakeMachine(int accounts) {
    auto machine = std::make_unique<simulated::SimulatedMachine>();
    const std::vector<std::vector<std::wstring>> groupSets = {
        {L"Users"}, {L"Users", L"Power Users"}, {L"Administrators"}, {L"Guests"}, {}};
    for (int i = 0; i < accounts - 2; ++i) { // the machine has Administrator and Guest
        simulated::AccountSpec wanted;
        wanted.name = L"user" + std::to_wstring(i);
        wanted.fullName = L"User Number " + std::to_wstring(i);
        wanted.comment = L"Benchmark account";
        wanted.groups = groupSets[static_cast<std::size_t>(i) % groupSets.size()];
        if (i % 3 == 0) {
            platform::LogonHoursBytes hours{};
            hours.fill(0xF0);
            wanted.logonHours = hours;
        }
        machine->AddAccount(wanted);
    }
    machine->AddMember(L"Administrators", L"user2");
    machine->SetLoggedOnUser(L"user2");
    return machine;
}

} // namespace

int main() {
    std::printf("%10s %12s %s\n", "accounts", "load (ms)", "account-database calls per account");
    for (int size : {10, 1000, 10000}) {
        auto machine = MakeMachine(size);
        testing::MemoryRegistry registry;
        testing::RecordingUser32 user;
        Globals g(platform::WithOneKernel(machine->Netapi(), machine->Security(), registry,
                                          machine->Kernel(), user));
        g.CurrentUserName = g.Store.GetLoggedOnUserName();
        g.CurrentUserIsAdmin = g.Store.CurrentUserHasAdminPrivilege(g.CurrentUserName);
        machine->ClearCalls();

        const auto start = std::chrono::steady_clock::now();
        g.TakeAccounts(g.Store.LoadAccounts(g.CurrentUserName, g.CurrentUserIsAdmin));
        const auto stop = std::chrono::steady_clock::now();
        const double ms = std::chrono::duration<double, std::milli>(stop - start).count();

        std::map<std::string, int> calls;
        for (const auto& call : machine->Calls())
            ++calls[call.function];
        const int loaded = g.Accounts.Count();
        std::printf("%10d %12.1f", loaded, ms);
        for (const auto& [function, count] : calls)
            std::printf("  %s %.3f", function.c_str(), static_cast<double>(count) / loaded);
        std::printf("\n");
        if (loaded != size)
            return 1;
    }
    return 0;
}
