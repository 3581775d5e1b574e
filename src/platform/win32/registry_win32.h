#pragma once
// The registry port bound to advapi32's "A" functions.

#include "platform/advapi32.h"

namespace qb::win32 {

class Win32Registry final : public platform::RegistryApi {
public:
    platform::RegistryStatus OpenKey(platform::RegistryKey parent, std::string_view subKey,
                                     std::uint32_t access, platform::RegistryKey& key) override;
    platform::RegistryStatus CreateKey(platform::RegistryKey parent, std::string_view subKey,
                                       std::uint32_t access, platform::RegistryKey& key) override;
    platform::RegistryStatus QueryValue(platform::RegistryKey key, std::string_view valueName,
                                        std::uint32_t& type, std::span<std::uint8_t> data,
                                        std::uint32_t& size) override;
    platform::RegistryStatus SetValue(platform::RegistryKey key, std::string_view valueName,
                                      std::uint32_t type,
                                      std::span<const std::uint8_t> data) override;
    platform::RegistryStatus DeleteValue(platform::RegistryKey key,
                                         std::string_view valueName) override;
    platform::RegistryStatus CloseKey(platform::RegistryKey key) override;
};

} // namespace qb::win32
