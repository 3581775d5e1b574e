// A stand-in for a companion program: a top-level window with the given title that
// appends every WM_COPYDATA it receives to a record file, one line per message:
//     <wParam> <dwData> <cbData> <the cbData bytes in hex>
// With "hang" it records the message and then does not answer for a long while.
// It ends by itself after a minute, so that a test that dies cannot leave it behind.
//
//     companion_receiver.exe <title> <record file> [hang]

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::wstring recordFile;
bool hang = false;
constexpr UINT_PTR kLifetimeTimer = 1;

void Record(WPARAM wParam, const COPYDATASTRUCT& data) {
    char line[64];
    std::snprintf(line, sizeof(line), "%llu %llu %lu", static_cast<unsigned long long>(wParam),
                  static_cast<unsigned long long>(data.dwData), data.cbData);
    std::string text = line;
    const auto* bytes = static_cast<const unsigned char*>(data.lpData);
    for (DWORD i = 0; i < data.cbData; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof(hex), " %02x", bytes[i]);
        text += hex;
    }
    text += "\n";
    HANDLE file =
        CreateFileW(recordFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK ReceiverProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_COPYDATA:
        Record(wParam, *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        if (hang)
            Sleep(30000);
        return TRUE;
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

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3)
        return 2;
    const std::wstring title = argv[1];
    recordFile = argv[2];
    hang = argc > 3 && std::wstring(argv[3]) == L"hang";
    LocalFree(argv);

    WNDCLASSW wc{};
    wc.lpfnWndProc = ReceiverProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillBayCompanionReceiver";
    if (RegisterClassW(&wc) == 0)
        return 2;
    HWND window = CreateWindowExW(0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                                  100, 100, nullptr, nullptr, wc.hInstance, nullptr);
    if (window == nullptr)
        return 2;
    SetTimer(window, kLifetimeTimer, 60000, nullptr);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
