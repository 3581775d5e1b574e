#pragma once
// Helpers for driving the controls in a real window: a host window, waiting on
// conditions while messages run, and reading back painted pixels.

#include <windows.h>

#include <functional>

namespace qb::controls::testing {

// A plain top-level window to put controls in; destroyed with the object.
class HostWindow {
public:
    HostWindow(int clientWidth, int clientHeight, const wchar_t* title = L"Quill Bay controls");
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    HWND Get() const { return hwnd_; }

private:
    HWND hwnd_ = nullptr;
};

// Runs the thread's messages until `done` holds or `timeoutMs` passes; true when it held.
bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs = 5000);
// Runs every message already queued (posted input included) and pending paints.
void Drain();
// The colour painted at a client pixel of a window, after its pending paint.
COLORREF PixelAt(HWND window, int x, int y);

} // namespace qb::controls::testing
