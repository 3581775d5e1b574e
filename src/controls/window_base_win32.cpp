#include "controls/window_base_win32.h"

#include "platform/assert.h"
#include "services/hook_window_win32.h"

#include <exception>

namespace qb::controls {

namespace {

// The window's extra bytes hold its object; the user-data slot stays free.
constexpr int kObjectSlot = 0;

HINSTANCE ThisModule() {
    return GetModuleHandleW(nullptr);
}

// BeginPaint and its EndPaint, also when painting fails half-way.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &ps_)) {}
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(window_, &ps_); }
    HDC Dc() const { return dc_; }
    const RECT& Area() const { return ps_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// A DC's state (clipping, selections) saved and put back at the end of the scope.
class SavedDc {
public:
    explicit SavedDc(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    SavedDc(const SavedDc&) = delete;
    SavedDc& operator=(const SavedDc&) = delete;
    ~SavedDc() { RestoreDC(dc_, saved_); }

private:
    HDC dc_;
    int saved_;
};

// Clears a flag at the end of a scope, also when the scope is left by an exception.
class ClearedAtEnd {
public:
    explicit ClearedAtEnd(bool& flag) : flag_(flag) {}
    ClearedAtEnd(const ClearedAtEnd&) = delete;
    ClearedAtEnd& operator=(const ClearedAtEnd&) = delete;
    ~ClearedAtEnd() { flag_ = false; }

private:
    bool& flag_;
};

} // namespace

void PaintThroughBuffer(HWND window, const std::function<void(HDC dc, const RECT& client)>& draw) {
    // One surface for all the windows of a thread, which paints one window at a time: a
    // surface of each window's own would cost a bitmap the size of each window.
    // A window whose painting makes another paint at once (one painting a child it has
    // just changed) finds the buffer taken: the other paints straight onto the screen
    // rather than over the first's unfinished picture.
    thread_local gdi::BackBuffer buffer;
    thread_local bool inUse = false;
    const PaintScope paint(window);
    if (paint.Dc() == nullptr)
        return;
    RECT client{};
    GetClientRect(window, &client);
    HDC dc = inUse ? nullptr : buffer.Begin(paint.Dc(), client.right, client.bottom);
    if (dc != nullptr) {
        inUse = true;
        const ClearedAtEnd release(inUse);
        const RECT& area = paint.Area();
        // The windows sharing the buffer find it as it was: whatever one selects or sets in
        // it goes with its paint.
        const SavedDc keep(dc);
        IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
        draw(dc, client);
        buffer.Show(paint.Dc(), area);
    } else {
        draw(paint.Dc(), client); // taken, or no memory for it: flicker rather than stay blank
    }
}

void PaintControlInto(services::HookSlot& next, HWND control, HDC dc) {
    services::CallNextProc(next, control, WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
}

WindowPlacement ChildAt(HWND parent, int id, const RECT& bounds, DWORD style) {
    WindowPlacement placement;
    placement.style = WS_CHILD | style;
    placement.x = bounds.left;
    placement.y = bounds.top;
    placement.width = bounds.right - bounds.left;
    placement.height = bounds.bottom - bounds.top;
    placement.parent = parent;
    placement.menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    return placement;
}

bool ClientFillsWindow(HWND window) {
    RECT outer{}, client{};
    return GetWindowRect(window, &outer) && GetClientRect(window, &client) &&
           outer.right - outer.left == client.right && outer.bottom - outer.top == client.bottom;
}

FramelessControls::~FramelessControls() {
    for (auto& [window, slot] : hooks_)
        services::UnhookWindow(slot);
}

void FramelessControls::Hook(HWND control) {
    if (control != nullptr)
        services::HookWindow(control, *this, hooks_[control]);
}

LRESULT FramelessControls::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_NCPAINT && ClientFillsWindow(hWnd))
        return 0;
    if (uMsg == WM_PAINT && wParam == 0) {
        services::HookSlot& next = hooks_.at(hWnd);
        PaintThroughBuffer(hWnd, [&](HDC dc, const RECT&) { PaintControlInto(next, hWnd, dc); });
        return 0;
    }
    return services::CallNextProc(hooks_.at(hWnd), hWnd, uMsg, wParam, lParam);
}

WindowBase::~WindowBase() {
    if (hwnd_ != nullptr) {
        const HWND window = hwnd_;
        Unbind();
        DestroyWindow(window);
    }
}

WindowBase* WindowBase::FromWindow(HWND window) noexcept {
    if (window == nullptr ||
        reinterpret_cast<WNDPROC>(GetClassLongPtrW(window, GCLP_WNDPROC)) != &Procedure)
        return nullptr;
    return reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, kObjectSlot));
}

bool WindowBase::Register(const WindowClass& windowClass) {
    // Registering is idempotent: a second registration, from whichever thread, finds the
    // class there. A class of the same name that is not ours cannot hold our objects.
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(ThisModule(), windowClass.name, &existing))
        return existing.lpfnWndProc == &Procedure;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = windowClass.style;
    wc.lpfnWndProc = &Procedure;
    wc.cbWndExtra = sizeof(LONG_PTR); // the object, as SetWindowLongPtrW keeps it
    wc.hInstance = ThisModule();
    wc.hCursor = windowClass.cursor != nullptr ? LoadCursorW(nullptr, windowClass.cursor) : nullptr;
    wc.hbrBackground = GetSysColorBrush(windowClass.background);
    wc.lpszClassName = windowClass.name;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool WindowBase::MakeWindow(const WindowClass& windowClass, const WindowPlacement& placement) {
    QB_ASSERT(hwnd_ == nullptr); // one window per object
    if (!Register(windowClass))
        return false;
    background_ = windowClass.background;
    // The object is bound from WM_NCCREATE on (Procedure); a refused WM_CREATE destroys
    // the window again before this returns, and WM_NCDESTROY unbinds it.
    return CreateWindowExW(placement.exStyle, windowClass.name, placement.title, placement.style,
                           placement.x, placement.y, placement.width, placement.height,
                           placement.parent, placement.menu, ThisModule(), this) != nullptr;
}

LRESULT CALLBACK WindowBase::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowBase* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        if (self != nullptr) {
            self->hwnd_ = window;
            SetWindowLongPtrW(window, kObjectSlot, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, kObjectSlot));
    }
    // Before WM_NCCREATE (WM_GETMINMAXINFO of a top-level window) and after WM_NCDESTROY,
    // or once the object has gone, there is no one to ask.
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);

    // Nothing may leave a window procedure: it returns into the window system.
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& e) {
        services::ReportWindowProcFailure(window, message, e.what());
        result = DefWindowProcW(window, message, wParam, lParam);
    } catch (...) {
        services::ReportWindowProcFailure(window, message, nullptr);
        result = DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY)
        self->Unbind();
    return result;
}

void WindowBase::Invalidate(const RECT* area, bool erase) const {
    if (hwnd_ != nullptr && IsWindowVisible(hwnd_))
        InvalidateRect(hwnd_, area, erase ? TRUE : FALSE);
}

void WindowBase::Unbind() noexcept {
    if (hwnd_ != nullptr)
        SetWindowLongPtrW(hwnd_, kObjectSlot, 0);
    hwnd_ = nullptr;
}

LRESULT WindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // Paint covers every pixel, in one blit
    case WM_NCPAINT:
        // Under Wine, default processing of a window without a frame still asks the window
        // server several times (its visible region, the screen's) before painting nothing.
        if (ClientFillsWindow(hwnd_))
            return 0;
        return DefaultProc(message, wParam, lParam);
    case WM_PAINT:
        PaintThroughBuffer(hwnd_, [this](HDC dc, const RECT& client) { Paint(dc, client); });
        return 0;
    case WM_PRINTCLIENT: {
        // The caller's DC goes back as it came, whatever Paint clipped or selected.
        const auto dc = reinterpret_cast<HDC>(wParam);
        const SavedDc keep(dc);
        RECT client{};
        GetClientRect(hwnd_, &client);
        Paint(dc, client);
        return 0;
    }
    default:
        return DefaultProc(message, wParam, lParam);
    }
}

void WindowBase::Paint(HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(background_));
}

} // namespace qb::controls
