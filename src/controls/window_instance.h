#pragma once
// The windows of the controls keep a pointer to their C++ object in the window's user
// data; their window procedures hand each message to it.

#include <windows.h>

namespace qb::controls {

template <class T>
T* WindowInstance(HWND hWnd) {
    return reinterpret_cast<T*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
}

// Calls `self->*handle`, or default processing when there is no object. Nothing may leave
// a window procedure: a failing handler gets default processing too.
template <class T>
LRESULT CallInstance(T* self, LRESULT (T::*handle)(UINT, WPARAM, LPARAM), HWND hWnd, UINT uMsg,
                     WPARAM wParam, LPARAM lParam) {
    if (self == nullptr)
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    try {
        return (self->*handle)(uMsg, wParam, lParam);
    } catch (...) {
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }
}

} // namespace qb::controls
