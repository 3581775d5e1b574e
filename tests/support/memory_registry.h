#pragma once
// A registry in memory that answers as advapi32 does: keys are opened, and created only
// through the port's CreateKey; a missing key or value is 2 (file not found); a query whose
// buffer is too small is 234 (more data) with the size needed; rights a key was not opened
// with are 5 (access denied); an unknown handle is 6. Key paths and value names compare without
// case. Tests set up keys and values directly and look at what was stored and which keys are still
// open.

#include "platform/advapi32.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qb::testing {

namespace reg_error {
constexpr platform::RegistryStatus FileNotFound = 2;
constexpr platform::RegistryStatus AccessDenied = 5;
constexpr platform::RegistryStatus InvalidHandle = 6;
constexpr platform::RegistryStatus MoreData = 234;
} // namespace reg_error

struct StoredValue {
    std::uint32_t type = platform::reg_type::None;
    std::vector<std::uint8_t> data;
    bool operator==(const StoredValue&) const = default;
};

// A number (REG_DWORD) and a text in the system code page (REG_SZ), as stored.
inline StoredValue Dword(std::uint32_t v) {
    return {platform::reg_type::Dword,
            {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
             static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}};
}
inline StoredValue Sz(std::string_view ansi) {
    StoredValue value{platform::reg_type::Sz, {ansi.begin(), ansi.end()}};
    value.data.push_back(0);
    return value;
}

class MemoryRegistry : public platform::RegistryApi {
public:
    // --- What a test sets up and looks at; `path` is below `hive`, "A\B\C" ---
    // Creates the key and every key above it.
    void CreateKey(platform::RegistryKey hive, std::string_view path);
    bool HasKey(platform::RegistryKey hive, std::string_view path) const;
    // Creates the key if needed.
    void Set(platform::RegistryKey hive, std::string_view path, std::string_view name,
             std::uint32_t type, std::vector<std::uint8_t> data);
    void Set(platform::RegistryKey hive, std::string_view path, std::string_view name,
             const StoredValue& value) {
        Set(hive, path, name, value.type, value.data);
    }
    std::optional<StoredValue> Get(platform::RegistryKey hive, std::string_view path,
                                   std::string_view name) const;
    std::size_t ValueCount(platform::RegistryKey hive, std::string_view path) const;
    // How many keys are open now (predefined keys are never counted).
    std::size_t OpenKeyCount() const { return open_.size(); }

    // --- The port ---
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

private:
    struct OpenedKey {
        std::string path; // the full path, hive included, in lower case
        std::uint32_t access = 0;
    };
    using Values = std::map<std::string, StoredValue>; // by lower-case name

    static std::string FullPath(platform::RegistryKey hive, std::string_view path);
    // Adds the key of this full path and every key above it.
    void AddKey(const std::string& full);
    // Opens `subKey` of `parent`, creating it (and the keys above it) when `create`.
    platform::RegistryStatus Open(platform::RegistryKey parent, std::string_view subKey,
                                  std::uint32_t access, bool create, platform::RegistryKey& key);
    // The full path `key` stands for: a predefined key's own, or an open key's.
    std::optional<std::string> PathOf(platform::RegistryKey key) const;
    // The open key `key`, checked for every right in `rights`; status 0 or the error.
    platform::RegistryStatus Check(platform::RegistryKey key, std::uint32_t rights,
                                   Values*& values);

    std::map<std::string, Values> keys_; // by full lower-case path
    std::map<platform::RegistryKey, OpenedKey> open_;
    platform::RegistryKey nextHandle_ = 0x1000;
};

} // namespace qb::testing
