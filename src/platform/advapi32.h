#pragma once
// advapi32: who is logged on and security identifiers (AccountSecurity), and the
// registry (RegistryApi). They are separate ports because the demo program takes the
// first from the simulated machine and the second from the real platform.

#include "platform/sid.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qb::platform {

class AccountSecurity {
public:
    virtual ~AccountSecurity() = default;

    // GetUserNameA with a 257-character buffer (size 256 passed). False when it fails.
    virtual bool QueryUserName(std::wstring& name) = 0;
    // ConvertStringSidToSidA.
    virtual std::optional<Sid> StringToSid(std::string_view text) = 0;
    // LookupAccountSidA on the local machine: one call with empty buffers for the
    // lengths, a second with NUL-filled buffers of those lengths. False when the
    // second call fails; then name and domain are left empty.
    virtual bool LookupSidName(const Sid& sid, std::wstring& name, std::wstring& domain) = 0;
};

// Registry handles and predefined keys, as the platform numbers them.
using RegistryKey = std::uintptr_t;
constexpr RegistryKey HkeyClassesRoot = 0x80000000;
constexpr RegistryKey HkeyCurrentUser = 0x80000001;
constexpr RegistryKey HkeyLocalMachine = 0x80000002;
constexpr RegistryKey HkeyUsers = 0x80000003;

namespace reg_type {
constexpr std::uint32_t None = 0;
constexpr std::uint32_t Sz = 1;
constexpr std::uint32_t ExpandSz = 2;
constexpr std::uint32_t Binary = 3;
constexpr std::uint32_t Dword = 4;
constexpr std::uint32_t MultiSz = 7;
constexpr std::uint32_t Qword = 11;
} // namespace reg_type

namespace reg_access {
// Standard read rights, query value, enumerate subkeys.
constexpr std::uint32_t Read = 0x20009;
// Standard read rights and all value and subkey rights.
constexpr std::uint32_t AllValues = 0x2003F;
} // namespace reg_access

using RegistryStatus = std::int32_t; // a Win32 error code; 0 is success

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // RegOpenKeyExA on an existing key; never creates one.
    virtual RegistryStatus OpenKey(RegistryKey parent, std::string_view subKey,
                                   std::uint32_t access, RegistryKey& key) = 0;
    // RegCreateKeyExA (non-volatile, default security): opens the key, creating it and any
    // missing key above it first. Only the program's own settings key is ever created;
    // every other key the program touches belongs to Windows and is only opened.
    virtual RegistryStatus CreateKey(RegistryKey parent, std::string_view subKey,
                                     std::uint32_t access, RegistryKey& key) = 0;
    // RegQueryValueExA with a buffer of data.size() bytes. On return `type` holds the
    // value's type and `size` the bytes the value needs (or were copied).
    virtual RegistryStatus QueryValue(RegistryKey key, std::string_view valueName,
                                      std::uint32_t& type, std::span<std::uint8_t> data,
                                      std::uint32_t& size) = 0;
    // RegSetValueExA.
    virtual RegistryStatus SetValue(RegistryKey key, std::string_view valueName, std::uint32_t type,
                                    std::span<const std::uint8_t> data) = 0;
    // RegDeleteValueA.
    virtual RegistryStatus DeleteValue(RegistryKey key, std::string_view valueName) = 0;
    // RegCloseKey.
    virtual RegistryStatus CloseKey(RegistryKey key) = 0;
};

} // namespace qb::platform
