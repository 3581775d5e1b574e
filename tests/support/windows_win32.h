#pragma once
// For tests that create real windows: a top-level window to hold them, what a window says
// and paints, and a script for a modal window's own message loop. Windows only.

#include "support/message_pump_win32.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qb::testing {

// A visible top-level window, 800 x 600, that does nothing of its own; it is destroyed,
// with every window it holds, when it goes.
class HostWindow {
public:
    HostWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillBayTestHost";
        RegisterClassW(&wc); // fails harmlessly once the class is there
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                  800, 600, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~HostWindow() {
        DestroyWindow(window_);
        DrainMessages();
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    operator HWND() const { return window_; }

private:
    HWND window_ = nullptr;
};

// A window's text (a top-level window's title) and its class.
inline std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}
inline std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// Steps taken inside a modal window's own message loop, which the test's code cannot
// reach otherwise: a timer of this thread takes the next step at each tick that finds a
// visible window of the class. Once the steps are done, a window still open after five
// seconds is closed by its frame, so that a failed test cannot hang. One at a time.
class ModalScript {
public:
    using Step = std::function<void(HWND)>;
    ModalScript(const wchar_t* className, std::vector<Step> steps)
        : className_(className), steps_(std::move(steps)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 10, &ModalScript::Tick);
    }
    ~ModalScript() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    std::size_t StepsTaken() const { return next_; }
    // The window outlived its steps and was closed by its frame.
    bool Forced() const { return forced_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        ModalScript* self = current_;
        const HWND window = self != nullptr ? FindWindowW(self->className_, nullptr) : nullptr;
        if (window == nullptr || !IsWindowVisible(window))
            return;
        if (self->next_ < self->steps_.size())
            self->steps_[self->next_++](window);
        else if (++self->idleTicks_ > 500 && !std::exchange(self->forced_, true))
            PostMessageW(window, WM_CLOSE, 0, 0);
    }

    static inline ModalScript* current_ = nullptr;
    const wchar_t* className_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    int idleTicks_ = 0;
    bool forced_ = false;
    UINT_PTR timer_ = 0;
};

// The keyboard as the program's message loop hands it to `root` and its controls, also
// inside a modal window's own loop: a key goes down or up where the focus is, through the
// dialog manager, with the thread's keyboard state saying meanwhile that it is held.
inline void Key(HWND root, UINT key, bool down) {
    BYTE state[256];
    GetKeyboardState(state);
    state[key] = down ? 0x80 : 0;
    SetKeyboardState(state);
    // With Alt held, as Windows sends them: the system's key messages, in the Alt context.
    const bool alt = key != VK_MENU && (state[VK_MENU] & 0x80) != 0;
    const UINT message =
        alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    MSG msg{GetFocus(), message,
            key,        (down ? LPARAM{1} : LPARAM{0xC0000001}) | (alt ? LPARAM{1} << 29 : 0),
            0,          {}};
    if (!IsDialogMessageW(root, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DrainMessages();
}
inline void Press(HWND root, UINT key) {
    Key(root, key, true);
    Key(root, key, false);
}

// The colour of a client pixel on the screen, once the pending paints are done.
inline COLORREF ScreenPixel(HWND window, int x, int y) {
    DrainMessages();
    UpdateWindow(window);
    const HDC dc = GetDC(window);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

// A client area's pixels, row by row from the top.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> colours;

    COLORREF At(int x, int y) const { return colours[static_cast<std::size_t>(y * width + x)]; }
    bool operator==(const Pixels&) const = default;
};

// The client area's pixels as `copy` leaves them in a DC of ours the client area's size.
template <typename Copy>
Pixels Captured(HWND window, Copy copy) {
    RECT client{};
    GetClientRect(window, &client);
    Pixels shown{client.right, client.bottom, {}};
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = shown.width;
    bi.bmiHeader.biHeight = -shown.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    copy(dc);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; bits != nullptr && i < shown.width * shown.height; ++i)
        shown.colours.push_back(
            RGB((first[i] >> 16) & 0xFF, (first[i] >> 8) & 0xFF, first[i] & 0xFF));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return shown;
}

// What `window` paints into a DC of ours: asked with WM_PRINTCLIENT, or with PrintWindow.
inline Pixels Printed(HWND window, bool printWindow = false) {
    return Captured(window, [&](HDC dc) {
        if (printWindow)
            PrintWindow(window, dc, PW_CLIENTONLY);
        else
            SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

// The client area as it is on the screen, once the pending paints are done.
inline Pixels OnScreen(HWND window) {
    DrainMessages();
    UpdateWindow(window);
    return Captured(window, [&](HDC dc) {
        const HDC screen = GetDC(window);
        RECT client{};
        GetClientRect(window, &client);
        BitBlt(dc, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
        ReleaseDC(window, screen);
    });
}

} // namespace qb::testing
