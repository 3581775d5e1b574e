#pragma once
// The base of every window of the program's own classes: the controls, the main window,
// dialog-like windows. It gives each window
//  - its class, registered on first use with what the derived class says;
//  - its C++ object, bound from the window's first message (WM_NCCREATE, through the
//    creation parameter) to its last (WM_NCDESTROY), so WM_CREATE and the first WM_SIZE
//    reach the object like every other message;
//  - an exception barrier: a handler that throws is reported (see
//    services::ReportWindowProcFailure) and the message gets default processing;
//  - double-buffered painting: a derived class draws in Paint, which serves WM_PAINT
//    through a back buffer and WM_PRINTCLIENT straight into the given DC (PrintWindow,
//    tests), and the background is never erased on its own.
//
// Lifetime: the object owns its window. When the window goes first (its parent was
// destroyed), the object learns it at WM_NCDESTROY and Window() becomes null; when the
// object goes first, it unbinds and then destroys the window, so no message reaches a
// dead object. An object is never deleted from inside one of its own handlers.
//
// A derived class is created in two steps: construct the object, then call MakeWindow (never
// from a constructor: the messages of creation already go to the derived class).

#include "controls/gdi_win32.h"
#include "services/hook_window_win32.h"

#include <windows.h>

#include <functional>
#include <map>

namespace qb::controls {

// A window class as a derived class describes it.
struct WindowClass {
    const wchar_t* name = nullptr;
    UINT style = 0;                    // CS_* flags
    const wchar_t* cursor = IDC_ARROW; // a system cursor, or null for none
    int background = COLOR_WINDOW;     // a system colour: the class brush and Paint's default
};

// Where and how a window is created. Top-level windows may leave the place to the system.
struct WindowPlacement {
    DWORD style = 0;
    DWORD exStyle = 0;
    const wchar_t* title = L"";
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT;
    int height = CW_USEDEFAULT;
    HWND parent = nullptr;
    HMENU menu = nullptr; // a child's control identifier (see ChildAt) or a window's menu
};

// A visible child window with control identifier `id` at `bounds` (pixels, in the parent).
WindowPlacement ChildAt(HWND parent, int id, const RECT& bounds, DWORD style = WS_VISIBLE);

// Whether the window's client area is all of it: no frame and no scroll bar takes room, so
// there is nothing outside the client area to paint (WM_NCPAINT can be let go).
bool ClientFillsWindow(HWND window);

// Serves a WM_PAINT of `window` through one back buffer of the thread's: `draw` paints all
// of the client area (`client`) into the DC it is given, clipped to the part being
// repainted, and that part is shown in one blit. While the buffer is taken (a window
// painted while another is) or when it cannot be made, `draw` paints onto the screen.
void PaintThroughBuffer(HWND window, const std::function<void(HDC dc, const RECT& client)>& draw);

// Sends a system control the WM_PAINT that paints it into `dc`: the controls take the DC to
// paint into from the message, as they do when asked to print their client area.
void PaintControlInto(services::HookSlot& next, HWND control, HDC dc);

// Lets the system's controls that a window places (labels, buttons, scroll bars) skip
// painting outside their client area while they have nothing there: under Wine their
// default handling asks the window server for the screen and their visible region several
// times for each control each time it shows, to paint nothing. Their client area is painted
// through the thread's back buffer (see PaintThroughBuffer). Hooked controls are let go
// when this goes.
class FramelessControls final : private services::WindowProcOwner {
public:
    FramelessControls() = default;
    FramelessControls(const FramelessControls&) = delete;
    FramelessControls& operator=(const FramelessControls&) = delete;
    virtual ~FramelessControls();

    void Hook(HWND control);

private:
    LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    std::map<HWND, services::HookSlot> hooks_; // a slot empties when its window goes
};

class WindowBase {
public:
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;
    virtual ~WindowBase();

    // The window, or null before MakeWindow and after the window was destroyed.
    HWND Window() const noexcept { return hwnd_; }
    // Asks for `area` (all of the window when null) to be painted again; nothing while the
    // window is not on the screen, since showing it paints all of it.
    void Invalidate(const RECT* area = nullptr, bool erase = false) const;

    // The object bound to `window`, when it is a window of ours; null otherwise.
    static WindowBase* FromWindow(HWND window) noexcept;

protected:
    WindowBase() = default;

    // Registers the class if needed and creates the window bound to this object; false
    // when either fails or the derived class refused WM_CREATE (answered -1).
    bool MakeWindow(const WindowClass& windowClass, const WindowPlacement& placement);

    // Every message of the window, WM_NCCREATE to WM_NCDESTROY. A derived class answers
    // what it handles and ends with WindowBase::HandleMessage for the rest: painting as
    // above, everything else DefWindowProcW.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Draws the whole client area into `dc` (which may be clipped to the part being
    // repainted); the default fills it with the class background.
    virtual void Paint(HDC dc, const RECT& client);

    // Default processing of a message.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool Register(const WindowClass& windowClass);
    void Unbind() noexcept;

    HWND hwnd_ = nullptr;
    int background_ = COLOR_WINDOW;
};

} // namespace qb::controls
