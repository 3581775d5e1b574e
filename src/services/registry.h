#pragma once
// Reading, writing and deleting single registry values. Keys are opened (never created)
// and closed within each operation; nothing is reported to the user, each operation
// answers with a boolean.

#include "platform/advapi32.h"
#include "platform/kernel32.h"
#include "platform/ports.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace qb::services {

// A registry value as the program handles it: a 32-bit integer or text.
using RegistryValue = std::variant<std::int32_t, std::wstring>;

// Values bigger than this are taken for damaged data and read as a failure: nothing the
// program keeps in the registry comes near it, and a bogus size must not make the
// program try to allocate gigabytes.
inline constexpr std::uint32_t kMaxRegistryValueBytes = 16u * 1024u * 1024u;

// Reads `valueName` under `hive`\`keyPath` into `result`.
//  REG_SZ, REG_BINARY: the data as text in the system code page, less one trailing 0 byte.
//  REG_EXPAND_SZ:      as REG_SZ, with environment references expanded.
//  REG_DWORD:          the little-endian number, read as signed. Data shorter than four
//                      bytes (the trailing 0 byte is dropped first, and a value may be
//                      stored short) counts its missing high bytes as 0; bytes past the
//                      fourth are ignored.
//  any other type:     `result` is left as it was (REG_MULTI_SZ, REG_QWORD, ...) and the
//                      read still counts as a success.
// On failure (no key, no value, empty data, expansion failing) `result` is reset by the
// kind it held on entry, to 0 or to empty text, and false is returned.
bool ReadRegistryValue(platform::RegistryApi& registry, platform::TextApi& text,
                       platform::PathsApi& paths, platform::RegistryKey hive,
                       std::wstring_view keyPath, std::wstring_view valueName,
                       RegistryValue& result);

// Writes `value` into an existing key: an integer as REG_DWORD (4 bytes, least
// significant first); text with a 0 byte appended and counted, as REG_BINARY when
// `asBinary`, else as REG_SZ. False only when the key cannot be opened (a missing key is
// never created); the status of the write itself is not examined.
bool WriteRegistryValue(platform::RegistryApi& registry, platform::TextApi& text,
                        platform::RegistryKey hive, std::wstring_view keyPath,
                        std::wstring_view valueName, const RegistryValue& value, bool asBinary);

// Deletes `valueName` from an existing key. True when the platform answered 0.
bool DeleteRegistryValue(platform::RegistryApi& registry, platform::TextApi& text,
                         platform::RegistryKey hive, std::wstring_view keyPath,
                         std::wstring_view valueName);

// The same, with the ports a program instance holds.
inline bool ReadRegistryValue(const platform::Ports& ports, platform::RegistryKey hive,
                              std::wstring_view keyPath, std::wstring_view valueName,
                              RegistryValue& result) {
    return ReadRegistryValue(ports.registry, ports.text, ports.paths, hive, keyPath, valueName,
                             result);
}
inline bool WriteRegistryValue(const platform::Ports& ports, platform::RegistryKey hive,
                               std::wstring_view keyPath, std::wstring_view valueName,
                               const RegistryValue& value, bool asBinary) {
    return WriteRegistryValue(ports.registry, ports.text, hive, keyPath, valueName, value,
                              asBinary);
}
inline bool DeleteRegistryValue(const platform::Ports& ports, platform::RegistryKey hive,
                                std::wstring_view keyPath, std::wstring_view valueName) {
    return DeleteRegistryValue(ports.registry, ports.text, hive, keyPath, valueName);
}

} // namespace qb::services
