#include "support/memory_registry.h"

#include <algorithm>

namespace qb::testing {

namespace {

// The access rights a key must have been opened with.
constexpr std::uint32_t kKeyQueryValue = 0x0001;
constexpr std::uint32_t kKeySetValue = 0x0002;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

std::optional<std::string> HiveName(platform::RegistryKey hive) {
    for (const auto& [key, name] :
         {std::pair{platform::HkeyClassesRoot, "hkcr"},
          std::pair{platform::HkeyCurrentUser, "hkcu"},
          std::pair{platform::HkeyLocalMachine, "hklm"}, std::pair{platform::HkeyUsers, "hku"}})
        if (key == hive)
            return name;
    return std::nullopt;
}

} // namespace

std::string MemoryRegistry::FullPath(platform::RegistryKey hive, std::string_view path) {
    std::string full = HiveName(hive).value_or("?");
    if (!path.empty())
        full += "\\" + Lower(path);
    return full;
}

void MemoryRegistry::AddKey(const std::string& full) {
    for (std::size_t slash = full.find('\\'); slash != std::string::npos;
         slash = full.find('\\', slash + 1))
        keys_[full.substr(0, slash)];
    keys_[full];
}

void MemoryRegistry::CreateKey(platform::RegistryKey hive, std::string_view path) {
    AddKey(FullPath(hive, path));
}

bool MemoryRegistry::HasKey(platform::RegistryKey hive, std::string_view path) const {
    return keys_.count(FullPath(hive, path)) != 0;
}

void MemoryRegistry::Set(platform::RegistryKey hive, std::string_view path, std::string_view name,
                         std::uint32_t type, std::vector<std::uint8_t> data) {
    CreateKey(hive, path);
    keys_[FullPath(hive, path)][Lower(name)] = StoredValue{type, std::move(data)};
}

std::optional<StoredValue> MemoryRegistry::Get(platform::RegistryKey hive, std::string_view path,
                                               std::string_view name) const {
    const auto key = keys_.find(FullPath(hive, path));
    if (key == keys_.end())
        return std::nullopt;
    const auto value = key->second.find(Lower(name));
    if (value == key->second.end())
        return std::nullopt;
    return value->second;
}

std::size_t MemoryRegistry::ValueCount(platform::RegistryKey hive, std::string_view path) const {
    const auto key = keys_.find(FullPath(hive, path));
    return key == keys_.end() ? 0 : key->second.size();
}

std::optional<std::string> MemoryRegistry::PathOf(platform::RegistryKey key) const {
    if (auto hive = HiveName(key))
        return hive;
    const auto opened = open_.find(key);
    if (opened == open_.end())
        return std::nullopt;
    return opened->second.path;
}

platform::RegistryStatus MemoryRegistry::OpenKey(platform::RegistryKey parent,
                                                 std::string_view subKey, std::uint32_t access,
                                                 platform::RegistryKey& key) {
    return Open(parent, subKey, access, false, key);
}

platform::RegistryStatus MemoryRegistry::CreateKey(platform::RegistryKey parent,
                                                   std::string_view subKey, std::uint32_t access,
                                                   platform::RegistryKey& key) {
    return Open(parent, subKey, access, true, key);
}

platform::RegistryStatus MemoryRegistry::Open(platform::RegistryKey parent, std::string_view subKey,
                                              std::uint32_t access, bool create,
                                              platform::RegistryKey& key) {
    key = 0;
    const std::optional<std::string> parentPath = PathOf(parent);
    if (!parentPath)
        return reg_error::InvalidHandle;
    std::string path = *parentPath;
    if (!subKey.empty())
        path += "\\" + Lower(subKey);
    if (create)
        AddKey(path);
    else if (keys_.count(path) == 0)
        return reg_error::FileNotFound;
    key = nextHandle_;
    nextHandle_ += 4;
    open_[key] = OpenedKey{path, access};
    return 0;
}

platform::RegistryStatus MemoryRegistry::Check(platform::RegistryKey key, std::uint32_t rights,
                                               Values*& values) {
    values = nullptr;
    std::string path;
    if (auto hive = HiveName(key)) {
        path = *hive; // predefined keys are open with every right
    } else {
        const auto opened = open_.find(key);
        if (opened == open_.end())
            return reg_error::InvalidHandle;
        if ((opened->second.access & rights) != rights)
            return reg_error::AccessDenied;
        path = opened->second.path;
    }
    const auto found = keys_.find(path);
    if (found == keys_.end())
        return reg_error::FileNotFound; // deleted while open
    values = &found->second;
    return 0;
}

platform::RegistryStatus MemoryRegistry::QueryValue(platform::RegistryKey key,
                                                    std::string_view valueName, std::uint32_t& type,
                                                    std::span<std::uint8_t> data,
                                                    std::uint32_t& size) {
    Values* values = nullptr;
    if (const auto status = Check(key, kKeyQueryValue, values))
        return status;
    const auto value = values->find(Lower(valueName));
    if (value == values->end())
        return reg_error::FileNotFound;
    type = value->second.type;
    size = static_cast<std::uint32_t>(value->second.data.size());
    if (data.size() < value->second.data.size())
        return reg_error::MoreData;
    std::copy(value->second.data.begin(), value->second.data.end(), data.begin());
    return 0;
}

platform::RegistryStatus MemoryRegistry::SetValue(platform::RegistryKey key,
                                                  std::string_view valueName, std::uint32_t type,
                                                  std::span<const std::uint8_t> data) {
    Values* values = nullptr;
    if (const auto status = Check(key, kKeySetValue, values))
        return status;
    (*values)[Lower(valueName)] = StoredValue{type, {data.begin(), data.end()}};
    return 0;
}

platform::RegistryStatus MemoryRegistry::DeleteValue(platform::RegistryKey key,
                                                     std::string_view valueName) {
    Values* values = nullptr;
    if (const auto status = Check(key, kKeySetValue, values))
        return status;
    return values->erase(Lower(valueName)) == 1 ? 0 : reg_error::FileNotFound;
}

platform::RegistryStatus MemoryRegistry::CloseKey(platform::RegistryKey key) {
    if (HiveName(key))
        return 0;
    return open_.erase(key) == 1 ? 0 : reg_error::InvalidHandle;
}

} // namespace qb::testing
