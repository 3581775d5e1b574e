#pragma once
// The keyboard as the models know it (Windows only): a message's virtual key as a Key, the
// modifiers held, the push button that Enter presses in a window of ours, and the focus
// frame of a control that paints its own.

#include "controls/keys.h"

#include <windows.h>

namespace qb::controls {

inline Key KeyOf(WPARAM virtualKey) {
    switch (virtualKey) {
    case VK_LEFT:
        return Key::Left;
    case VK_RIGHT:
        return Key::Right;
    case VK_UP:
        return Key::Up;
    case VK_DOWN:
        return Key::Down;
    case VK_HOME:
        return Key::Home;
    case VK_END:
        return Key::End;
    case VK_PRIOR:
        return Key::PageUp;
    case VK_NEXT:
        return Key::PageDown;
    case VK_SPACE:
        return Key::Space;
    case VK_SHIFT:
        return Key::Shift;
    case '1':
    case VK_NUMPAD1:
        return Key::Digit1;
    case '2':
    case VK_NUMPAD2:
        return Key::Digit2;
    case '3':
    case VK_NUMPAD3:
        return Key::Digit3;
    case '4':
    case VK_NUMPAD4:
        return Key::Digit4;
    default:
        return Key::Other;
    }
}

// The modifiers held, as the thread's last keyboard message left them.
inline ShiftState ShiftNow() {
    return ShiftState{GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                      GetKeyState(VK_MENU) < 0};
}

// A WM_KEYDOWN of a key held down, repeated.
inline bool IsRepeat(LPARAM lParam) {
    return (lParam & (LPARAM{1} << 30)) != 0;
}

// The answer to DM_GETDEFID: the push button of `window` that has the focus, which Enter
// presses as in the system's dialogs, else the button `fallback` (0: none).
inline LRESULT DefaultButton(HWND window, int fallback) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window, focus) &&
        (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
        fallback = GetDlgCtrlID(focus);
    return fallback != 0 ? MAKELRESULT(fallback, DC_HASDEFID) : 0;
}

// The dotted frame of the focus just inside `r`, as the system draws it, unless `window`
// hides its keyboard cues (until the keyboard is used).
inline void DrawFocusFrame(HWND window, HDC dc, RECT r) {
    if (SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)
        return;
    InflateRect(&r, -1, -1);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &r);
}

} // namespace qb::controls
