#include "platform/win32/registry_win32.h"

#include <windows.h>

#include <limits>
#include <string>

namespace qb::win32 {

namespace {

// The port numbers the predefined keys as the 32-bit values 0x80000000...; in a 64-bit
// process the platform knows them sign-extended (HKEY_LOCAL_MACHINE is
// 0xFFFFFFFF80000002), and would take the plain number for an invalid handle.
HKEY ToHkey(platform::RegistryKey key) {
    if (key >= 0x80000000u && key <= 0x800000FFu)
        return reinterpret_cast<HKEY>(
            static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(key))));
    return reinterpret_cast<HKEY>(key);
}

DWORD ToDword(std::size_t size) {
    return size > std::numeric_limits<DWORD>::max() ? std::numeric_limits<DWORD>::max()
                                                    : static_cast<DWORD>(size);
}

} // namespace

platform::RegistryStatus Win32Registry::OpenKey(platform::RegistryKey parent,
                                                std::string_view subKey, std::uint32_t access,
                                                platform::RegistryKey& key) {
    HKEY opened = nullptr;
    const LONG status =
        RegOpenKeyExA(ToHkey(parent), std::string(subKey).c_str(), 0, access, &opened);
    key = status == ERROR_SUCCESS ? reinterpret_cast<platform::RegistryKey>(opened) : 0;
    return status;
}

platform::RegistryStatus Win32Registry::CreateKey(platform::RegistryKey parent,
                                                  std::string_view subKey, std::uint32_t access,
                                                  platform::RegistryKey& key) {
    HKEY created = nullptr;
    const LONG status =
        RegCreateKeyExA(ToHkey(parent), std::string(subKey).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, access, nullptr, &created, nullptr);
    key = status == ERROR_SUCCESS ? reinterpret_cast<platform::RegistryKey>(created) : 0;
    return status;
}

platform::RegistryStatus Win32Registry::QueryValue(platform::RegistryKey key,
                                                   std::string_view valueName, std::uint32_t& type,
                                                   std::span<std::uint8_t> data,
                                                   std::uint32_t& size) {
    DWORD valueType = REG_NONE;
    DWORD bytes = ToDword(data.size());
    // With no buffer at all the platform answers the size with success rather than "more
    // data"; an empty span still asks for the data.
    BYTE empty = 0;
    const LONG status = RegQueryValueExA(ToHkey(key), std::string(valueName).c_str(), nullptr,
                                         &valueType, data.empty() ? &empty : data.data(), &bytes);
    type = valueType;
    size = bytes;
    return status;
}

platform::RegistryStatus Win32Registry::SetValue(platform::RegistryKey key,
                                                 std::string_view valueName, std::uint32_t type,
                                                 std::span<const std::uint8_t> data) {
    return RegSetValueExA(ToHkey(key), std::string(valueName).c_str(), 0, type, data.data(),
                          ToDword(data.size()));
}

platform::RegistryStatus Win32Registry::DeleteValue(platform::RegistryKey key,
                                                    std::string_view valueName) {
    return RegDeleteValueA(ToHkey(key), std::string(valueName).c_str());
}

platform::RegistryStatus Win32Registry::CloseKey(platform::RegistryKey key) {
    return RegCloseKey(ToHkey(key));
}

} // namespace qb::win32
