// The program's single-instance rule, run for real: the start-up of the program with
// Wine's kernel32 and user32 and a simulated account database.
//  - Another copy holds the mutex: ends at once with exit code 3, without any window.
//  - Refused (not the NT family): exit code 4.
//  - Started: shows a window titled "QuillbayInstanceProbe" until it is closed, then
//    releases the instance as the main window does when it unloads, and stays on with a
//    window titled "QuillbayInstanceProbe released" until that is closed too; exit 0.
// It ends by itself after two minutes, so that a test that dies cannot leave it behind.

#include "platform/simulated/simulated_machine.h"
#include "platform/win32/kernel32_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/user32_win32.h"
#include "startup/startup.h"

#include <windows.h>

namespace {

constexpr UINT_PTR kLifetimeTimer = 1;

LRESULT CALLBACK ProbeProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_TIMER:
        if (wParam == kLifetimeTimer)
            DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    }
}

// Shows a window with this title and runs the message loop until it is closed.
bool RunWindow(const wchar_t* title) {
    HWND window = CreateWindowExW(0, L"QuillBayInstanceProbe", title, WS_OVERLAPPEDWINDOW, 0, 0,
                                  200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr)
        return false;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SetTimer(window, kLifetimeTimer, 120000, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

} // namespace

int main() {
    qb::simulated::SimulatedMachine machine;
    machine.SetLoggedOnUser(L"Administrator");
    qb::win32::Win32Kernel32 kernel;
    qb::win32::Win32User32 user;
    qb::win32::Win32Registry registry;
    qb::Globals g(
        qb::platform::Ports{machine.Netapi(), machine.Security(), registry, kernel, user});

    switch (qb::StartProgram(g)) {
    case qb::StartOutcome::AlreadyRunning:
        return 3;
    case qb::StartOutcome::Refused:
        return 4;
    case qb::StartOutcome::Started:
        break;
    }

    WNDCLASSW wc{};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillBayInstanceProbe";
    if (RegisterClassW(&wc) == 0 || !RunWindow(L"QuillbayInstanceProbe"))
        return 2;
    qb::ReleaseInstance(g);
    return RunWindow(L"QuillbayInstanceProbe released") ? 0 : 2;
}
