// The machine file reader on any bytes: either a MachineFileError that names the file and
// the problem, or a machine that, written and read back, is the same machine.

#include "platform/simulated/simulated_machine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

using qb::simulated::BuiltinAlias;
using qb::simulated::SimulatedMachine;

// Everything a machine holds, as its public face shows it.
std::wstring Describe(const SimulatedMachine& m) {
    std::wostringstream out;
    const auto& zone = m.TimeZone();
    out << m.DomainName() << L'|' << qb::platform::SidToString(m.DomainSid()).c_str() << L'|'
        << m.CodePage() << L'|' << m.LoggedOnUser() << L'|' << m.TimeZoneId() << L',' << zone.bias
        << L',' << zone.standardBias << L',' << zone.daylightBias << L'\n';
    for (BuiltinAlias alias : {BuiltinAlias::Administrators, BuiltinAlias::Users,
                               BuiltinAlias::Guests, BuiltinAlias::PowerUsers})
        out << m.BuiltinGroupName(alias) << L'\n';
    for (const qb::simulated::SimAccount* a : m.AccountsInOrder()) {
        out << a->rid << L'|' << a->name << L'|' << a->fullName << L'|' << a->comment << L'|'
            << a->userComment << L'|' << a->password << L'|' << a->flags << L'|' << a->lastLogon
            << L'|';
        if (a->logonHours)
            for (std::uint8_t b : *a->logonHours)
                out << b << L',';
        else
            out << L"none";
        for (const std::wstring& group : m.GroupsOf(a->name))
            out << L'|' << group;
        out << L'\n';
    }
    return out.str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<SimulatedMachine> machine;
    try {
        machine = SimulatedMachine::FromJsonText(text, "fuzz.json");
    } catch (const qb::simulated::MachineFileError& e) {
        // "fuzz.json: <where>: <problem>", the problem in words.
        const std::string_view what = e.what();
        if (what.substr(0, 11) != "fuzz.json: " || what.size() < 20)
            std::abort();
        return 0;
    }
    const std::string written = machine->ToJsonText();
    const auto again = SimulatedMachine::FromJsonText(written, "written.json");
    if (Describe(*again) != Describe(*machine) || again->ToJsonText() != written)
        std::abort();
    // The identifiers in use come back too: the next account gets the same one in both.
    try {
        if (machine->AddAccount({.name = L"next-account"}) !=
            again->AddAccount({.name = L"next-account"}))
            std::abort();
    } catch (const std::invalid_argument&) {
        // The file has an account or a group of that name already.
    }
    return 0;
}
