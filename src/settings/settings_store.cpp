#include "settings/settings_store.h"

#include "services/registry.h"

#include <algorithm>
#include <optional>
#include <string>
#include <variant>

namespace qb::settings {

namespace {

// The number a value holds; nothing for a missing value or text.
std::optional<std::int32_t> ReadNumber(const platform::Ports& ports, std::wstring_view name) {
    services::RegistryValue value = std::int32_t{0};
    if (!services::ReadRegistryValue(ports, platform::HkeyLocalMachine, kSettingsKey, name, value))
        return std::nullopt;
    const auto* number = std::get_if<std::int32_t>(&value);
    if (number == nullptr)
        return std::nullopt;
    return *number;
}

} // namespace

void ReadSettingsStore(Globals& g) {
    if (const auto minutes = ReadNumber(g.ports, kWarningMinutesValue))
        g.WarningMinutes = std::clamp(*minutes, kMinWarningMinutes, kMaxWarningMinutes);
    if (const auto turnOff = ReadNumber(g.ports, kTurnOffAfterWarningValue))
        g.TurnOffAfterWarning = *turnOff != 0;
}

bool WriteSettingsStore(const platform::Ports& ports, std::int32_t warningMinutes,
                        bool turnOffAfterWarning) {
    // The registry helpers only ever open keys; this one key is the program's own and is
    // made here the first time.
    const std::string keyPath = ports.text.WideCharToMultiByte(platform::CpAcp, kSettingsKey, '?');
    platform::RegistryKey key = 0;
    if (ports.registry.CreateKey(platform::HkeyLocalMachine, keyPath,
                                 platform::reg_access::AllValues, key) != 0)
        return false;
    ports.registry.CloseKey(key);
    services::WriteRegistryValue(ports, platform::HkeyLocalMachine, kSettingsKey,
                                 kWarningMinutesValue, warningMinutes, false);
    return services::WriteRegistryValue(ports, platform::HkeyLocalMachine, kSettingsKey,
                                        kTurnOffAfterWarningValue,
                                        std::int32_t{turnOffAfterWarning ? 1 : 0}, false);
}

} // namespace qb::settings
