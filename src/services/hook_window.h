#pragma once
// Window subclassing: routes every message of a window to a method of the object that
// owns it. Windows only.

#include <windows.h>

namespace qb::services {

// What an owner of a hooked window offers. WindowProc passes every message it does not
// consume to the saved procedure (CallWindowProcW; DefWindowProcW when the slot is 0)
// and, on WM_NCDESTROY, puts the saved procedure back into the window and sets the slot
// to 0, so that the window can be hooked again. CallSavedProc does both.
class WindowProcOwner {
public:
    virtual LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~WindowProcOwner() = default;
};

// Installs the dispatcher as the window's procedure, keeps the previous procedure in
// `savedProc` and stores a reference to `owner` (not owned) in the window's user data.
// Does nothing when `savedProc` is already set. The dispatcher answers a message with
// the owner's result, or with default processing when there is no owner or the owner
// fails (throws).
void HookWindow(HWND window, WindowProcOwner& owner, WNDPROC& savedProc);

// The end of an owner's WindowProc: hands the message to the saved procedure (default
// processing when the slot is 0) and, for WM_NCDESTROY, unhooks the window first.
LRESULT CallSavedProc(WNDPROC& savedProc, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Puts the saved procedure back, clears the owner reference from the user data and sets
// the slot to 0. Nothing happens when the slot is 0. An owner that goes away before its
// window calls this itself, so that no message reaches it afterwards.
void UnhookWindow(HWND window, WNDPROC& savedProc);

} // namespace qb::services
