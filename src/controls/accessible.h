#pragma once
// What a screen reader is told about the parts a window paints itself (the rows of a user
// list, the cells of the hours grid): each part's name, description, role, state and place,
// and the changes it is to hear of. The models decide these as plain data; the Win32 views
// answer Active Accessibility with them. Roles, states and events carry the numbers Active
// Accessibility gives them, so that the views pass them on unchanged.

#include "controls/density.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qb::controls::accessible {

// Roles (ROLE_SYSTEM_*).
inline constexpr std::uint32_t RoleTable = 0x18;
inline constexpr std::uint32_t RoleCell = 0x1D;
inline constexpr std::uint32_t RoleList = 0x21;
inline constexpr std::uint32_t RoleListItem = 0x22;

// States (STATE_SYSTEM_*), added up.
inline constexpr std::uint32_t StateSelected = 0x2;
inline constexpr std::uint32_t StateFocused = 0x4;
inline constexpr std::uint32_t StateChecked = 0x10;
inline constexpr std::uint32_t StateReadOnly = 0x40;
inline constexpr std::uint32_t StateOffscreen = 0x10000;
inline constexpr std::uint32_t StateFocusable = 0x100000;
inline constexpr std::uint32_t StateSelectable = 0x200000;

// Events (EVENT_OBJECT_*).
inline constexpr std::uint32_t EventReorder = 0x8004;
inline constexpr std::uint32_t EventFocus = 0x8005;
inline constexpr std::uint32_t EventSelection = 0x8006;
inline constexpr std::uint32_t EventStateChange = 0x800A;
inline constexpr std::uint32_t EventNameChange = 0x800C;
inline constexpr std::uint32_t EventDescriptionChange = 0x800D;

// The window itself, where an event is about the whole of it.
inline constexpr int Self = 0;

// One painted part. Its place is in twips, in the window's client area.
struct Item {
    std::wstring name;
    std::wstring description;
    std::uint32_t role = 0;
    std::uint32_t state = 0;
    TwipsRect bounds;
};

// A change to announce: the event and the part, numbered from 1 (Self for the window).
struct Event {
    std::uint32_t event = 0;
    int child = Self;
    bool operator==(const Event&) const = default;
};

// The events raised since the window last took them.
class EventQueue {
public:
    void Raise(std::uint32_t event, int child) { events_.push_back(Event{event, child}); }
    std::vector<Event> Take() { return std::exchange(events_, {}); }

private:
    std::vector<Event> events_;
};

} // namespace qb::controls::accessible
