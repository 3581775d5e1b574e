#include "platform/win32/user32_win32.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>

namespace qb::win32 {

namespace {

HWND ToHwnd(platform::WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

} // namespace

platform::WindowHandle Win32User32::FindWindowByTitle(std::string_view title) {
    return reinterpret_cast<platform::WindowHandle>(
        FindWindowA(nullptr, std::string(title).c_str()));
}

void Win32User32::SendCopyData(platform::WindowHandle window, std::uint32_t dwData,
                               std::uint32_t cbData, std::span<const std::uint8_t> buffer,
                               std::uint32_t flags, std::uint32_t timeoutMilliseconds) {
    COPYDATASTRUCT descriptor{};
    descriptor.dwData = dwData;
    // The platform copies cbData bytes from the buffer into the receiver: never more
    // than the buffer holds.
    descriptor.cbData = static_cast<DWORD>(std::min<std::size_t>(cbData, buffer.size()));
    descriptor.lpData = const_cast<std::uint8_t*>(buffer.data());
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(ToHwnd(window), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&descriptor),
                        flags, timeoutMilliseconds, &answer);
}

bool Win32User32::InitCommonControls(std::uint32_t classes) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = classes;
    return InitCommonControlsEx(&controls) != FALSE;
}

int Win32User32::ShowMessageBox(platform::WindowHandle owner, std::wstring_view text,
                                std::wstring_view caption, std::uint32_t type) {
    return MessageBoxW(ToHwnd(owner), std::wstring(text).c_str(), std::wstring(caption).c_str(),
                       type);
}

} // namespace qb::win32
