#pragma once
// A registry with no keys at all: every key fails to open with "file not found".

#include "platform/advapi32.h"

namespace qb::testing {

class EmptyRegistry : public platform::RegistryApi {
public:
    static constexpr platform::RegistryStatus NotFound = 2;

    platform::RegistryStatus OpenKey(platform::RegistryKey, std::string_view, std::uint32_t,
                                     platform::RegistryKey&) override {
        return NotFound;
    }
    platform::RegistryStatus QueryValue(platform::RegistryKey, std::string_view, std::uint32_t&,
                                        std::span<std::uint8_t>, std::uint32_t&) override {
        return NotFound;
    }
    platform::RegistryStatus SetValue(platform::RegistryKey, std::string_view, std::uint32_t,
                                      std::span<const std::uint8_t>) override {
        return NotFound;
    }
    platform::RegistryStatus DeleteValue(platform::RegistryKey, std::string_view) override {
        return NotFound;
    }
    platform::RegistryStatus CloseKey(platform::RegistryKey) override { return NotFound; }
};

} // namespace qb::testing
