#pragma once
// The user32 port bound to user32 and comctl32.

#include "platform/user32.h"

namespace qb::win32 {

class Win32User32 final : public platform::User32 {
public:
    platform::WindowHandle FindWindowByTitle(std::string_view title) override;
    void SendCopyData(platform::WindowHandle window, std::uint32_t dwData, std::uint32_t cbData,
                      std::span<const std::uint8_t> buffer, std::uint32_t flags,
                      std::uint32_t timeoutMilliseconds) override;
    bool InitCommonControls(std::uint32_t classes) override;
    int ShowMessageBox(platform::WindowHandle owner, std::wstring_view text,
                       std::wstring_view caption, std::uint32_t type) override;
};

} // namespace qb::win32
