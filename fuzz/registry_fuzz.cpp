// The program's registry readers, the settings store and the settings dialog's autostart,
// over a registry whose every answer comes from the fuzzer: any status, any type, any
// size (also more than the buffer holds, or than the first query said), any data. Whatever
// it answers: no fault, every key opened is closed once, reading writes nothing, a failed
// read resets its result by kind, and what closing the dialog writes is exactly what the
// dialog shows.

#include "platform/simulated/simulated_machine.h"
#include "services/registry.h"
#include "settings/info_form_model.h"
#include "settings/settings_store.h"
#include "startup/globals.h"
#include "support/recording_user32.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace qb;
using platform::RegistryKey;
using platform::RegistryStatus;

void Check(bool holds) {
    if (!holds)
        std::abort();
}

struct Write {
    std::string key;
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool deleted = false;
};

class FuzzedRegistry final : public platform::RegistryApi {
public:
    explicit FuzzedRegistry(FuzzedDataProvider& fuzz) : fuzz_(fuzz) {}

    RegistryStatus OpenKey(RegistryKey, std::string_view subKey, std::uint32_t,
                           RegistryKey& key) override {
        return Open(subKey, key);
    }
    RegistryStatus CreateKey(RegistryKey, std::string_view subKey, std::uint32_t,
                             RegistryKey& key) override {
        created.emplace_back(subKey);
        return Open(subKey, key);
    }
    RegistryStatus QueryValue(RegistryKey key, std::string_view, std::uint32_t& type,
                              std::span<std::uint8_t> data, std::uint32_t& size) override {
        Check(open_.count(key) == 1);
        lastStatus = Status();
        // Mostly a type the program knows, sometimes any.
        type = fuzz_.ConsumeBool() ? fuzz_.ConsumeIntegralInRange<std::uint32_t>(0, 11)
                                   : fuzz_.ConsumeIntegral<std::uint32_t>();
        lastType = type;
        const auto bytes = fuzz_.ConsumeBytes<std::uint8_t>(
            fuzz_.ConsumeIntegralInRange<std::size_t>(0, data.size()));
        std::copy(bytes.begin(), bytes.end(), data.begin());
        // The size as a platform might claim it: mostly right, else anything, now and then
        // at the reader's limit (rarely, as reading that much is slow).
        switch (fuzz_.ConsumeIntegralInRange(0, 15)) {
        case 13:
            size = services::kMaxRegistryValueBytes;
            break;
        case 14:
            size = services::kMaxRegistryValueBytes + 1;
            break;
        case 15:
        case 12:
        case 11:
            size = fuzz_.ConsumeIntegral<std::uint32_t>();
            break;
        default:
            size = static_cast<std::uint32_t>(bytes.size());
        }
        claimedSizes.push_back(size);
        return lastStatus;
    }
    RegistryStatus SetValue(RegistryKey key, std::string_view valueName, std::uint32_t type,
                            std::span<const std::uint8_t> data) override {
        Check(open_.count(key) == 1);
        writes.push_back({open_[key], std::string(valueName), type, {data.begin(), data.end()}});
        return Status();
    }
    RegistryStatus DeleteValue(RegistryKey key, std::string_view valueName) override {
        Check(open_.count(key) == 1);
        writes.push_back({open_[key], std::string(valueName), 0, {}, true});
        return Status();
    }
    RegistryStatus CloseKey(RegistryKey key) override {
        Check(open_.erase(key) == 1); // never twice, never a key that was not opened
        return 0;
    }

    bool AllClosed() const { return open_.empty(); }

    std::vector<Write> writes;
    std::vector<std::string> created;
    RegistryStatus lastStatus = 0;
    std::uint32_t lastType = 0;
    std::vector<std::uint32_t> claimedSizes; // by each query, in order

private:
    // Success mostly; else "not found", "access denied", "more data" or any code.
    RegistryStatus Status() {
        switch (fuzz_.ConsumeIntegralInRange(0, 7)) {
        case 4:
            return 2;
        case 5:
            return 5;
        case 6:
            return 234;
        case 7:
            return fuzz_.ConsumeIntegral<RegistryStatus>();
        default:
            return 0;
        }
    }
    RegistryStatus Open(std::string_view subKey, RegistryKey& key) {
        const RegistryStatus status = Status();
        key = 0;
        if (status == 0) {
            key = next_++;
            open_[key] = std::string(subKey);
        }
        return status;
    }

    FuzzedDataProvider& fuzz_;
    std::map<RegistryKey, std::string> open_;
    RegistryKey next_ = 0x1000;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider fuzz(data, size);
    simulated::SimulatedMachine machine;
    FuzzedRegistry registry(fuzz);
    testing::RecordingUser32 user;
    Globals g(platform::WithOneKernel(machine.Netapi(), machine.Security(), registry,
                                      machine.Kernel(), user));

    // One value into a result of either kind.
    const bool asNumber = fuzz.ConsumeBool();
    services::RegistryValue result =
        asNumber ? services::RegistryValue(std::int32_t{42}) : services::RegistryValue(L"stale");
    const bool read =
        services::ReadRegistryValue(g.ports, platform::HkeyLocalMachine, L"Key", L"Value", result);
    // A value bigger than any the program keeps is damaged data: read as a failure, never
    // allocated. The first query tells the size.
    Check(!read || registry.claimedSizes.at(0) <= services::kMaxRegistryValueBytes);
    if (!read) {
        Check(asNumber ? result == services::RegistryValue(std::int32_t{0})
                       : result == services::RegistryValue(std::wstring()));
    } else if (registry.lastType == platform::reg_type::Dword) {
        Check(std::holds_alternative<std::int32_t>(result));
    } else if (registry.lastType >= platform::reg_type::Sz &&
               registry.lastType <= platform::reg_type::Binary) {
        Check(std::holds_alternative<std::wstring>(result));
    } else {
        Check(asNumber ? result == services::RegistryValue(std::int32_t{42})
                       : result == services::RegistryValue(L"stale"));
    }

    // The settings store at start-up: the period always in range.
    settings::ReadSettingsStore(g);
    Check(g.WarningMinutes >= settings::kMinWarningMinutes &&
          g.WarningMinutes <= settings::kMaxWarningMinutes);

    // The settings dialog opens on whatever the Run value holds.
    settings::InfoFormModel dialog(g);
    dialog.Load();
    Check(!dialog.Check1() ||
          (registry.lastStatus == 0 && registry.lastType >= platform::reg_type::Sz &&
           registry.lastType <= platform::reg_type::Binary));
    Check(registry.writes.empty() && registry.created.empty() && registry.AllClosed());

    // Closed with what the user chose: the autostart as the box says, the settings store
    // only where the settings changed, nothing else.
    dialog.SetCheck1(fuzz.ConsumeBool());
    dialog.SetText1(std::to_wstring(fuzz.ConsumeIntegralInRange(-5, 70)));
    dialog.Option1Click(fuzz.ConsumeIntegralInRange(0, 1));
    const std::int32_t minutes = g.WarningMinutes;
    const bool turnOff = g.TurnOffAfterWarning;
    if (dialog.CloseButtonClick()) {
        const bool changed = g.WarningMinutes != minutes || g.TurnOffAfterWarning != turnOff;
        const std::wstring command = settings::RunCommandFor(dialog.CompanionPath());
        for (const Write& w : registry.writes) {
            if (w.key == "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run") {
                Check(w.name == "Quillbay" && w.deleted == !dialog.Check1());
                Check(w.deleted || (w.type == platform::reg_type::Sz &&
                                    std::wstring(w.data.begin(), w.data.end()) == command + L'\0'));
            } else {
                Check(changed && w.key == "SOFTWARE\\Quill Bay" && !w.deleted &&
                      w.type == platform::reg_type::Dword && w.data.size() == 4);
            }
        }
        Check(changed || registry.created.empty());
    } else {
        Check(registry.writes.empty());
    }
    Check(registry.AllClosed());
    return 0;
}
