#include "services/registry.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>
#include <vector>

namespace qb::services {

namespace {

using platform::RegistryApi;
using platform::RegistryKey;

// A key opened for the length of one operation; closed when it goes out of scope.
class OpenedKey {
public:
    OpenedKey(RegistryApi& registry, RegistryKey hive, const std::string& path,
              std::uint32_t access)
        : registry_(registry), open_(registry_.OpenKey(hive, path, access, key_) == 0) {}
    OpenedKey(const OpenedKey&) = delete;
    OpenedKey& operator=(const OpenedKey&) = delete;
    ~OpenedKey() { Close(); }

    bool IsOpen() const { return open_; }
    RegistryKey Get() const { return key_; }
    void Close() {
        if (std::exchange(open_, false))
            registry_.CloseKey(key_);
    }

private:
    RegistryApi& registry_;
    RegistryKey key_ = 0;
    bool open_ = false;
};

// Key paths and value names go to the "A" functions in the system code page.
std::string ToAnsi(platform::TextApi& text, std::wstring_view wide) {
    return text.WideCharToMultiByte(platform::CpAcp, wide, '?');
}

std::wstring FromAnsi(platform::TextApi& text, std::span<const std::uint8_t> bytes) {
    const std::string_view ansi(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return text.MultiByteToWideChar(platform::CpAcp, ansi);
}

// The failed read: the result keeps its kind and loses its value.
bool Fail(RegistryValue& result) {
    if (std::holds_alternative<std::int32_t>(result))
        result = std::int32_t{0};
    else
        result = std::wstring();
    return false;
}

std::int32_t LittleEndianInt32(std::span<const std::uint8_t> bytes) {
    std::uint32_t number = 0;
    const std::size_t count = std::min<std::size_t>(bytes.size(), 4);
    for (std::size_t i = 0; i < count; ++i)
        number |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return static_cast<std::int32_t>(number);
}

} // namespace

bool ReadRegistryValue(RegistryApi& registry, platform::TextApi& text, platform::PathsApi& paths,
                       RegistryKey hive, std::wstring_view keyPath, std::wstring_view valueName,
                       RegistryValue& result) {
    const std::string name = ToAnsi(text, valueName);
    std::uint32_t type = platform::reg_type::None;
    std::vector<std::uint8_t> data;
    {
        OpenedKey key(registry, hive, ToAnsi(text, keyPath), platform::reg_access::Read);
        if (!key.IsOpen())
            return Fail(result);

        // The first query, with a one-byte buffer, only tells the type and the size; its
        // status is expected to be "more data" and is not looked at.
        std::array<std::uint8_t, 1> probe{};
        std::uint32_t size = 0;
        registry.QueryValue(key.Get(), name, type, probe, size);
        if (size == 0 || size > kMaxRegistryValueBytes)
            return Fail(result);

        data.resize(size);
        size = 0;
        const auto status = registry.QueryValue(key.Get(), name, type, data, size);
        key.Close();
        // The value may have shrunk between the two queries; a binding that claims more
        // than the buffer held is not believed.
        if (status != 0 || size == 0)
            return Fail(result);
        data.resize(std::min<std::size_t>(size, data.size()));
    }

    if (data.back() == 0)
        data.pop_back();

    switch (type) {
    case platform::reg_type::Sz:
    case platform::reg_type::Binary:
        result = FromAnsi(text, data);
        return true;
    case platform::reg_type::ExpandSz: {
        const std::string_view unexpanded(reinterpret_cast<const char*>(data.data()), data.size());
        std::string expanded;
        if (!paths.ExpandEnvironment(unexpanded, expanded))
            return Fail(result);
        if (!expanded.empty() && expanded.back() == '\0')
            expanded.pop_back();
        result = text.MultiByteToWideChar(platform::CpAcp, expanded);
        return true;
    }
    case platform::reg_type::Dword:
        result = LittleEndianInt32(data);
        return true;
    default:
        return true;
    }
}

bool WriteRegistryValue(RegistryApi& registry, platform::TextApi& text, RegistryKey hive,
                        std::wstring_view keyPath, std::wstring_view valueName,
                        const RegistryValue& value, bool asBinary) {
    OpenedKey key(registry, hive, ToAnsi(text, keyPath), platform::reg_access::AllValues);
    if (!key.IsOpen())
        return false;
    const std::string name = ToAnsi(text, valueName);

    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        const auto bits = static_cast<std::uint32_t>(*number);
        const std::array<std::uint8_t, 4> bytes{
            static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
        registry.SetValue(key.Get(), name, platform::reg_type::Dword, bytes);
    } else if (const auto* wide = std::get_if<std::wstring>(&value)) {
        const std::string ansi = ToAnsi(text, *wide);
        // The terminating 0 is part of the data written.
        const std::span<const std::uint8_t> bytes(
            reinterpret_cast<const std::uint8_t*>(ansi.c_str()), ansi.size() + 1);
        registry.SetValue(key.Get(), name,
                          asBinary ? platform::reg_type::Binary : platform::reg_type::Sz, bytes);
    }
    return true;
}

bool DeleteRegistryValue(RegistryApi& registry, platform::TextApi& text, RegistryKey hive,
                         std::wstring_view keyPath, std::wstring_view valueName) {
    OpenedKey key(registry, hive, ToAnsi(text, keyPath), platform::reg_access::AllValues);
    if (!key.IsOpen())
        return false;
    return registry.DeleteValue(key.Get(), ToAnsi(text, valueName)) == 0;
}

} // namespace qb::services
