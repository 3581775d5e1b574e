#pragma once
// An in-memory registry for tests of portable code. Keys are addressed by path below a
// predefined key (names compared without regard to case, as the platform does); values
// keep their type and raw bytes. Queries follow RegQueryValueExA: a buffer too small
// answers "more data" (234) with the size needed. Every call is logged, and open
// handles are tracked so that a test can see that each key was closed.

#include "platform/advapi32.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qb::testing {

struct FakeRegistryValue {
    std::uint32_t type = platform::reg_type::None;
    std::vector<std::uint8_t> data;
};

struct FakeRegistryCall {
    std::string function;       // "OpenKey", "QueryValue", "SetValue", "DeleteValue", "CloseKey"
    std::string name;           // the key path for OpenKey, else the value name
    std::uint32_t access = 0;   // OpenKey
    std::size_t bufferSize = 0; // QueryValue
    platform::RegistryStatus status = 0;
};

class FakeRegistry : public platform::RegistryApi {
public:
    static constexpr platform::RegistryStatus FileNotFound = 2;
    static constexpr platform::RegistryStatus MoreData = 234;

    // Creates the key (and its parents) under `hive`.
    void AddKey(platform::RegistryKey hive, const std::string& path);
    void SetRaw(platform::RegistryKey hive, const std::string& path, const std::string& name,
                std::uint32_t type, std::vector<std::uint8_t> data);
    std::optional<FakeRegistryValue> Raw(platform::RegistryKey hive, const std::string& path,
                                         const std::string& name) const;
    bool HasKey(platform::RegistryKey hive, const std::string& path) const;
    std::size_t KeyCount() const { return keys_.size(); }

    std::size_t OpenHandles() const { return handles_.size(); }
    const std::vector<FakeRegistryCall>& Calls() const { return calls_; }
    std::size_t CountCalls(const std::string& function) const;

    // Answers every SetValue or DeleteValue with this status, without changing anything.
    std::optional<platform::RegistryStatus> failWrites;
    // Runs after each QueryValue, e.g. to change a value between the two queries of a read.
    std::function<void()> afterQuery;

    platform::RegistryStatus OpenKey(platform::RegistryKey parent, std::string_view subKey,
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
    using Values = std::map<std::string, FakeRegistryValue>; // by upper-case name
    static std::string KeyName(platform::RegistryKey hive, const std::string& path);
    Values* ValuesOf(platform::RegistryKey key);
    platform::RegistryStatus Log(FakeRegistryCall call);

    std::map<std::string, Values> keys_; // by "HIVE\PATH" in upper case
    std::map<platform::RegistryKey, std::string> handles_;
    platform::RegistryKey nextHandle_ = 0x1000;
    std::vector<FakeRegistryCall> calls_;
};

} // namespace qb::testing
