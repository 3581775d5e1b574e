#include "controls/property_bag.h"

namespace qb::controls {

std::optional<bool> MemoryPropertyBag::ReadBool(std::wstring_view name) const noexcept {
    const auto it = values_.find(name);
    if (it == values_.end())
        return std::nullopt;
    if (const bool* b = std::get_if<bool>(&it->second))
        return *b;
    return std::nullopt;
}

std::optional<std::wstring> MemoryPropertyBag::ReadText(std::wstring_view name) const {
    const auto it = values_.find(name);
    if (it == values_.end())
        return std::nullopt;
    if (const std::wstring* s = std::get_if<std::wstring>(&it->second))
        return *s;
    return std::nullopt;
}

void MemoryPropertyBag::WriteBool(std::wstring_view name, bool value, bool defaultValue) {
    if (value == defaultValue) {
        if (const auto it = values_.find(name); it != values_.end())
            values_.erase(it);
        return;
    }
    values_[std::wstring(name)] = value;
}

void MemoryPropertyBag::WriteText(std::wstring_view name, std::wstring_view value,
                                  std::wstring_view defaultValue) {
    if (value == defaultValue) {
        if (const auto it = values_.find(name); it != values_.end())
            values_.erase(it);
        return;
    }
    values_[std::wstring(name)] = std::wstring(value);
}

} // namespace qb::controls
