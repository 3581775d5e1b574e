// The other process of the companion tests, a stand-in for a companion program:
//
//   stand_in.exe receiver <title> <record file> [hang]
//
// a window with the given title that appends every WM_COPYDATA it receives to the record
// file, one line per message:
//     <wParam> <dwData> <cbData> <the cbData bytes in hex>
// With "hang" it records the message and then does not answer for half a minute. The
// window closes by itself after two minutes, so that a test that dies cannot leave it behind.

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

} // namespace

int main(int argc, char** argv) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuillBayStandIn";
    if (argc < 4 || std::strcmp(argv[1], "receiver") != 0 || RegisterClassA(&wc) == 0)
        return 2;
    recordFile = argv[3];
    hang = argc > 4 && std::strcmp(argv[4], "hang") == 0;
    return RunWindow(argv[2]);
}
