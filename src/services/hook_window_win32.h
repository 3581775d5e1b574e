#pragma once
// Subclassing of windows the program does not own (the list view's header, a dialog):
// every message of such a window goes to a method of the object that owns the hook.
// Several hooks on one window, ours or anybody's, come off in any order without cutting
// each other out: a window's hooks are kept in a chain of the program's own, behind one
// procedure installed in the window. Windows only.
//
// Also here: what every window procedure of ours does with a failure it caught.

#include <windows.h>

namespace qb::services {

// What an owner of a hooked window offers. WindowProc answers the messages it consumes
// itself and ends with CallNextProc for the others.
class WindowProcOwner {
public:
    virtual LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~WindowProcOwner() = default;
};

// The owner's record of the window it hooked, empty while it hooks none. Its address names
// the hook in the window's chain, so it stays where it is (it cannot be copied or moved).
class HookSlot {
public:
    HookSlot() = default;
    HookSlot(const HookSlot&) = delete;
    HookSlot& operator=(const HookSlot&) = delete;
    ~HookSlot() = default;

    HWND Window() const noexcept { return window_; }
    explicit operator bool() const noexcept { return window_ != nullptr; }

private:
    friend bool HookWindow(HWND window, WindowProcOwner& owner, HookSlot& slot);
    friend void UnhookWindow(HookSlot& slot) noexcept;
    HWND window_ = nullptr;
};

// Hooks `window`: from now on every message it receives goes to `owner.WindowProc` (not
// owned). Does nothing when `slot` already holds a window, so hooking twice through one
// slot hooks once. A message the owner fails on (throws) is reported and passed on down
// the window's chain, as if the owner had passed it on. The window's last message
// (WM_NCDESTROY) unhooks it, and then the window has its own procedure back. False when
// the window cannot be hooked.
bool HookWindow(HWND window, WindowProcOwner& owner, HookSlot& slot);

// The end of an owner's WindowProc: hands the message on down the window's chain and
// answers with its result; after WM_NCDESTROY has gone down, unhooks the window. Only for
// a message that reached WindowProc through the hook.
LRESULT CallNextProc(HookSlot& slot, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// Takes the hook out of the window's chain and empties the slot; nothing when it is empty.
// An owner that goes away before its window calls this, so that no message reaches it.
void UnhookWindow(HookSlot& slot) noexcept;

// The exception barrier of every window procedure of ours reports what it caught here:
// `what` (null when the failure was no std::exception), the message and the window's class.
// The report goes to the debugger (OutputDebugStringW) and, in debug builds, to stderr.
void ReportWindowProcFailure(HWND window, UINT message, const char* what) noexcept;

// Where reports go instead, for tests; null restores the default. Returns the previous one.
using FailureReport = void (*)(const wchar_t* text);
FailureReport SetFailureReport(FailureReport report) noexcept;

} // namespace qb::services
