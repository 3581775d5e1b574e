#include "services/hook_window.h"

namespace qb::services {

namespace {

// The window procedure of every hooked window. No exception may leave it: it returns
// into the window system.
LRESULT CALLBACK Dispatcher(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    auto* owner = reinterpret_cast<WindowProcOwner*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (owner == nullptr)
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    try {
        return owner->WindowProc(hWnd, uMsg, wParam, lParam);
    } catch (...) {
        // The window keeps working on default processing.
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }
}

} // namespace

void HookWindow(HWND window, WindowProcOwner& owner, WNDPROC& savedProc) {
    if (savedProc != nullptr)
        return;
    // The owner is in place before the dispatcher can receive anything. The W variant
    // keeps the window's messages in UTF-16.
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner));
    savedProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Dispatcher)));
}

LRESULT CallSavedProc(WNDPROC& savedProc, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = savedProc;
    if (uMsg == WM_NCDESTROY)
        UnhookWindow(hWnd, savedProc);
    if (previous == nullptr)
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    return CallWindowProcW(previous, hWnd, uMsg, wParam, lParam);
}

void UnhookWindow(HWND window, WNDPROC& savedProc) {
    if (savedProc == nullptr)
        return;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(savedProc));
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    savedProc = nullptr;
}

} // namespace qb::services
