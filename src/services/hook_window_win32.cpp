#include "services/hook_window_win32.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <iterator>

namespace qb::services {

namespace {

void DefaultReport(const wchar_t* text) {
    OutputDebugStringW(text);
#ifndef NDEBUG
    std::fputws(text, stderr);
    std::fflush(stderr);
#endif
}

// Where a failure is reported; tests put their own reporter in.
std::atomic<FailureReport>& ReportTo() {
    static std::atomic<FailureReport> reportTo{&DefaultReport};
    return reportTo;
}

// The procedure of every hook in a window's chain. `id` is the owner's slot, `data` the
// owner. No exception may leave it: it returns into the window system. A message its
// owner failed on still goes on down the chain, so that the window's own procedure (and
// whatever else hooks it) handles it as if this hook were not there: default processing
// instead would skip the window's own handling, say a header's painting or a dialog's
// command.
LRESULT CALLBACK Dispatcher(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                            DWORD_PTR data) {
    auto* owner = reinterpret_cast<WindowProcOwner*>(data);
    LRESULT result = 0;
    try {
        result = owner->WindowProc(hWnd, uMsg, wParam, lParam);
    } catch (const std::exception& e) {
        ReportWindowProcFailure(hWnd, uMsg, e.what());
        result = DefSubclassProc(hWnd, uMsg, wParam, lParam);
    } catch (...) {
        ReportWindowProcFailure(hWnd, uMsg, nullptr);
        result = DefSubclassProc(hWnd, uMsg, wParam, lParam);
    }
    // An owner that answered the last message itself still lets go of the window. Only a
    // hook still in the chain has an owner, and so a slot, alive: an owner unhooks before
    // it goes.
    if (uMsg == WM_NCDESTROY && RemoveWindowSubclass(hWnd, &Dispatcher, id))
        UnhookWindow(*reinterpret_cast<HookSlot*>(id)); // empties the slot
    return result;
}

} // namespace

bool HookWindow(HWND window, WindowProcOwner& owner, HookSlot& slot) {
    if (slot)
        return true;
    if (window == nullptr ||
        !SetWindowSubclass(window, &Dispatcher, reinterpret_cast<UINT_PTR>(&slot),
                           reinterpret_cast<DWORD_PTR>(&owner)))
        return false;
    slot.window_ = window;
    return true;
}

LRESULT CallNextProc(HookSlot& slot, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefSubclassProc(hWnd, uMsg, wParam, lParam);
    if (uMsg == WM_NCDESTROY && slot.Window() == hWnd)
        UnhookWindow(slot);
    return result;
}

void UnhookWindow(HookSlot& slot) noexcept {
    if (!slot)
        return;
    RemoveWindowSubclass(slot.window_, &Dispatcher, reinterpret_cast<UINT_PTR>(&slot));
    slot.window_ = nullptr;
}

void ReportWindowProcFailure(HWND window, UINT message, const char* what) noexcept {
    wchar_t className[128] = L"";
    if (window == nullptr ||
        GetClassNameW(window, className, static_cast<int>(std::size(className))) == 0)
        std::wcscpy(className, L"?");
    wchar_t reason[256] = L"not a standard exception";
    if (what != nullptr &&
        MultiByteToWideChar(CP_UTF8, 0, what, -1, reason, static_cast<int>(std::size(reason))) == 0)
        std::wcscpy(reason, L"a text too long to tell"); // the class and message still say where
    wchar_t text[512];
    std::swprintf(text, std::size(text),
                  L"Quill Bay: window procedure failed (%ls) on message 0x%04X of a window of "
                  L"class \"%ls\"; the window goes on without that handler\n",
                  reason, message, className);
    const FailureReport report = ReportTo().load();
    report(text);
}

FailureReport SetFailureReport(FailureReport report) noexcept {
    return ReportTo().exchange(report != nullptr ? report : &DefaultReport);
}

} // namespace qb::services
