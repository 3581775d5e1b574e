#pragma once
// The saved layout of a window: named values that the window's controls read when they
// are created and write when the layout is stored. A control reads its properties with
// a default and carries on with that default when a value is missing or unreadable.
// A bag reports a value it cannot read (missing, of another kind) as nothing rather than
// failing; the only failure it passes on is running out of memory, which is the caller's.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace qb::controls {

class PropertyBag {
public:
    virtual ~PropertyBag() = default;

    // The stored value, or nothing when it is missing or not of the asked kind.
    virtual std::optional<bool> ReadBool(std::wstring_view name) const noexcept = 0;
    virtual std::optional<std::wstring> ReadText(std::wstring_view name) const = 0;

    // Stores a value; a value equal to `defaultValue` need not be kept, so it is removed.
    virtual void WriteBool(std::wstring_view name, bool value, bool defaultValue) = 0;
    virtual void WriteText(std::wstring_view name, std::wstring_view value,
                           std::wstring_view defaultValue) = 0;
};

// A bag kept in memory: what the owner saves and restores as a whole.
class MemoryPropertyBag final : public PropertyBag {
public:
    using Value = std::variant<bool, std::wstring>;

    std::optional<bool> ReadBool(std::wstring_view name) const noexcept override;
    std::optional<std::wstring> ReadText(std::wstring_view name) const override;
    void WriteBool(std::wstring_view name, bool value, bool defaultValue) override;
    void WriteText(std::wstring_view name, std::wstring_view value,
                   std::wstring_view defaultValue) override;

    // Direct access for owners that persist the bag themselves.
    void Set(std::wstring name, Value value) { values_[std::move(name)] = std::move(value); }
    bool Contains(std::wstring_view name) const { return values_.find(name) != values_.end(); }
    const std::map<std::wstring, Value, std::less<>>& Values() const { return values_; }

private:
    std::map<std::wstring, Value, std::less<>> values_;
};

} // namespace qb::controls
