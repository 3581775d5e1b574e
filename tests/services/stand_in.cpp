// The other process of the cross-process tests, in one of two roles:
//
//   stand_in.exe receiver <title> <record file> [hang]
//     A stand-in for a companion program: a window with the given title that appends every
//     WM_COPYDATA it receives to the record file, one line per message:
//         <wParam> <dwData> <cbData> <the cbData bytes in hex>
//     With "hang" it records the message and then does not answer for half a minute.
//
//   stand_in.exe instance
//     The program's start-up with Wine's kernel32 and user32 and a simulated account
//     database. Another copy holds the instance: ends at once with exit code 3, without
//     any window (4 when refused). Started: shows a window "QuillbayInstanceProbe" until
//     it is closed, then releases the instance as the main window does when it unloads,
//     and stays on with a window "QuillbayInstanceProbe released" until that is closed.
//
// Every window closes by itself after two minutes, so that a test that dies cannot leave
// the program behind.

#include "platform/simulated/simulated_machine.h"
#include "platform/win32/kernel32_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/user32_win32.h"
#include "startup/startup.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char* recordFile = nullptr;
bool hang = false;

LRESULT CALLBACK StandInProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_COPYDATA && recordFile != nullptr) {
        const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (std::FILE* file = std::fopen(recordFile, "a")) {
            std::fprintf(file, "%llu %llu %lu", static_cast<unsigned long long>(wParam),
                         static_cast<unsigned long long>(data.dwData), data.cbData);
            for (DWORD i = 0; i < data.cbData; ++i)
                std::fprintf(file, " %02x", static_cast<const unsigned char*>(data.lpData)[i]);
            std::fputc('\n', file);
            std::fclose(file);
        }
        if (hang)
            Sleep(30000);
        return TRUE;
    }
    if (uMsg == WM_TIMER)
        DestroyWindow(hWnd);
    else if (uMsg == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

// Shows a window with this title and runs the message loop until it is closed.
int RunWindow(const char* title) {
    HWND window = CreateWindowExA(0, "QuillBayStandIn", title, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr)
        return 2;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    SetTimer(window, 1, 120000, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

int Instance() {
    qb::simulated::SimulatedMachine machine;
    machine.SetLoggedOnUser(L"Administrator");
    qb::win32::Win32Kernel32 kernel;
    qb::win32::Win32User32 user;
    qb::win32::Win32Registry registry;
    qb::Globals g(
        qb::platform::WithOneKernel(machine.Netapi(), machine.Security(), registry, kernel, user));
    qb::StartResult started = qb::StartProgram(g);
    if (started.outcome != qb::StartOutcome::Started)
        return started.outcome == qb::StartOutcome::AlreadyRunning ? 3 : 4;
    if (RunWindow("QuillbayInstanceProbe") != 0)
        return 2;
    started.instance.Release();
    return RunWindow("QuillbayInstanceProbe released");
}

} // namespace

int main(int argc, char** argv) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuillBayStandIn";
    if (argc < 2 || RegisterClassA(&wc) == 0)
        return 2;
    if (std::strcmp(argv[1], "instance") == 0)
        return Instance();
    if (std::strcmp(argv[1], "receiver") != 0 || argc < 4)
        return 2;
    recordFile = argv[3];
    hang = argc > 4 && std::strcmp(argv[4], "hang") == 0;
    return RunWindow(argv[2]);
}
