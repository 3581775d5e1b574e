#pragma once
// A simulated machine like a school's, for the benchmarks and the soak: mostly users, some
// with restricted hours, an administrator in every fifty, the first of them logged on. The
// logged-on administrator has no restrictions of their own, which closing the window would
// ask about.

#include "platform/simulated/simulated_machine.h"

#include <filesystem>
#include <string>

namespace qb::bench {

inline std::filesystem::path MakeSchoolMachine(const std::filesystem::path& folder, int count) {
    simulated::SimulatedMachine machine;
    for (int i = 0; i < count; ++i) {
        simulated::AccountSpec a;
        a.name = L"pupil" + std::to_wstring(100000 + i);
        a.fullName = L"Pupil number " + std::to_wstring(i);
        a.groups = {i % 50 == 0 ? L"Administrators" : L"Users"};
        if (i % 3 == 1) {
            a.logonHours.emplace();
            a.logonHours->fill(0xFF);
            (*a.logonHours)[static_cast<std::size_t>(i % 21)] = 0;
        }
        a.lastLogon = 1790000000u + static_cast<std::uint32_t>(i);
        machine.AddAccount(a);
    }
    machine.SetLoggedOnUser(L"pupil100000");
    const std::filesystem::path file = folder / ("machine-" + std::to_string(count) + ".json");
    machine.SaveFile(file);
    return file;
}

} // namespace qb::bench
