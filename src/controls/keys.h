#pragma once
// The keys the windows act on, as the models see them: the Win32 views translate the
// platform's virtual keys into these and hand them over with the modifiers held.

namespace qb::controls {

enum class Key {
    Other,
    Left,
    Right,
    Up,
    Down,
    Home,
    End,
    PageUp,
    PageDown,
    Space,
    Shift,
    Digit1, // Digit1 + n is the digit n + 1, up to Digit4
    Digit2,
    Digit3,
    Digit4,
};

struct ShiftState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool Any() const { return shift || ctrl || alt; }
};

} // namespace qb::controls
