#include "support/fake_registry.h"

#include <algorithm>
#include <cctype>

namespace qb::testing {

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return upper;
}

} // namespace

std::string FakeRegistry::KeyName(platform::RegistryKey hive, const std::string& path) {
    std::string name = std::to_string(hive);
    if (!path.empty())
        name += "\\" + Upper(path);
    return name;
}

void FakeRegistry::AddKey(platform::RegistryKey hive, const std::string& path) {
    std::size_t start = 0;
    while (true) {
        const auto slash = path.find('\\', start);
        keys_[KeyName(hive, path.substr(0, slash))];
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
}

void FakeRegistry::SetRaw(platform::RegistryKey hive, const std::string& path,
                          const std::string& name, std::uint32_t type,
                          std::vector<std::uint8_t> data) {
    AddKey(hive, path);
    keys_[KeyName(hive, path)][Upper(name)] = FakeRegistryValue{type, std::move(data)};
}

std::optional<FakeRegistryValue> FakeRegistry::Raw(platform::RegistryKey hive,
                                                   const std::string& path,
                                                   const std::string& name) const {
    const auto key = keys_.find(KeyName(hive, path));
    if (key == keys_.end())
        return std::nullopt;
    const auto value = key->second.find(Upper(name));
    if (value == key->second.end())
        return std::nullopt;
    return value->second;
}

bool FakeRegistry::HasKey(platform::RegistryKey hive, const std::string& path) const {
    return keys_.count(KeyName(hive, path)) != 0;
}

std::size_t FakeRegistry::CountCalls(const std::string& function) const {
    return static_cast<std::size_t>(std::count_if(
        calls_.begin(), calls_.end(), [&](const auto& call) { return call.function == function; }));
}

FakeRegistry::Values* FakeRegistry::ValuesOf(platform::RegistryKey key) {
    const auto handle = handles_.find(key);
    if (handle == handles_.end())
        return nullptr;
    const auto found = keys_.find(handle->second);
    return found == keys_.end() ? nullptr : &found->second;
}

platform::RegistryStatus FakeRegistry::Log(FakeRegistryCall call) {
    calls_.push_back(std::move(call));
    return calls_.back().status;
}

platform::RegistryStatus FakeRegistry::OpenKey(platform::RegistryKey parent,
                                               std::string_view subKey, std::uint32_t access,
                                               platform::RegistryKey& key) {
    FakeRegistryCall call{"OpenKey", std::string(subKey), access};
    const std::string name = KeyName(parent, std::string(subKey));
    if (keys_.count(name) == 0) {
        call.status = FileNotFound;
        return Log(call);
    }
    key = nextHandle_++;
    handles_[key] = name;
    return Log(call);
}

platform::RegistryStatus FakeRegistry::QueryValue(platform::RegistryKey key,
                                                  std::string_view valueName, std::uint32_t& type,
                                                  std::span<std::uint8_t> data,
                                                  std::uint32_t& size) {
    FakeRegistryCall call{"QueryValue", std::string(valueName), 0, data.size()};
    Values* values = ValuesOf(key);
    if (values == nullptr) {
        call.status = 6; // invalid handle
    } else if (const auto found = values->find(Upper(valueName)); found == values->end()) {
        call.status = FileNotFound;
    } else {
        const FakeRegistryValue& value = found->second;
        type = value.type;
        size = static_cast<std::uint32_t>(value.data.size());
        if (value.data.size() > data.size())
            call.status = MoreData;
        else
            std::copy(value.data.begin(), value.data.end(), data.begin());
    }
    const auto status = Log(call);
    if (afterQuery)
        afterQuery();
    return status;
}

platform::RegistryStatus FakeRegistry::SetValue(platform::RegistryKey key,
                                                std::string_view valueName, std::uint32_t type,
                                                std::span<const std::uint8_t> data) {
    FakeRegistryCall call{"SetValue", std::string(valueName)};
    Values* values = ValuesOf(key);
    if (values == nullptr)
        call.status = 6;
    else if (failWrites)
        call.status = *failWrites;
    else
        (*values)[Upper(valueName)] = FakeRegistryValue{type, {data.begin(), data.end()}};
    return Log(call);
}

platform::RegistryStatus FakeRegistry::DeleteValue(platform::RegistryKey key,
                                                   std::string_view valueName) {
    FakeRegistryCall call{"DeleteValue", std::string(valueName)};
    Values* values = ValuesOf(key);
    if (values == nullptr)
        call.status = 6;
    else if (failWrites)
        call.status = *failWrites;
    else if (values->erase(Upper(valueName)) == 0)
        call.status = FileNotFound;
    return Log(call);
}

platform::RegistryStatus FakeRegistry::CloseKey(platform::RegistryKey key) {
    FakeRegistryCall call{"CloseKey", {}};
    if (handles_.erase(key) == 0)
        call.status = 6;
    return Log(call);
}

} // namespace qb::testing
