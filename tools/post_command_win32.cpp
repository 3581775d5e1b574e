// Tells a window of a running program what a user's click would: for the README's
// pictures, which scripts/readme-pictures.sh takes of the demo's windows under Wine.
//   post_command <window title> <control id>   the control was clicked
//   post_command <window title> close          the window's close box was clicked
// The message is posted, so a dialog that the click opens does not hold this program up.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: post_command <window title> <control id>|close\n");
        return 2;
    }
    const HWND window = FindWindowW(nullptr, argv[1]);
    if (window == nullptr) {
        std::fwprintf(stderr, L"post_command: no window \"%ls\"\n", argv[1]);
        return 1;
    }
    if (std::wstring(argv[2]) == L"close")
        return PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    const int id = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
    const HWND control = GetDlgItem(window, id);
    if (control == nullptr) {
        std::fwprintf(stderr, L"post_command: no control %d\n", id);
        return 1;
    }
    return PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(control))
               ? 0
               : 1;
}
