#pragma once
// user32 (and comctl32): finding companion windows, sending them commands, message boxes
// and the common controls.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qb::platform {

using WindowHandle = std::uintptr_t; // 0 is no window

namespace mb {
constexpr std::uint32_t Ok = 0x0;
constexpr std::uint32_t OkCancel = 0x1;
constexpr std::uint32_t YesNoCancel = 0x3;
constexpr std::uint32_t YesNo = 0x4;
constexpr std::uint32_t IconStop = 0x10;
constexpr std::uint32_t IconQuestion = 0x20;
constexpr std::uint32_t IconExclamation = 0x30;
constexpr std::uint32_t IconInformation = 0x40;
} // namespace mb

namespace id {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace id

namespace smto {
constexpr std::uint32_t AbortIfHung = 0x0002;
} // namespace smto

class User32 {
public:
    virtual ~User32() = default;

    // FindWindowA with no class name: the top-level window with exactly this title.
    virtual WindowHandle FindWindowByTitle(std::string_view title) = 0;
    // SendMessageTimeoutA with WM_COPYDATA, wParam 0 and a descriptor of dwData,
    // cbData and a pointer to `buffer`. The outcome is not reported.
    virtual void SendCopyData(WindowHandle window, std::uint32_t dwData, std::uint32_t cbData,
                              std::span<const std::uint8_t> buffer, std::uint32_t flags,
                              std::uint32_t timeoutMilliseconds) = 0;
    // comctl32's InitCommonControlsEx with the given class mask; true when it succeeded.
    virtual bool InitCommonControls(std::uint32_t classes) = 0;
    // MessageBoxW; returns the button chosen (id::Ok, id::Yes, ...).
    virtual int ShowMessageBox(WindowHandle owner, std::wstring_view text,
                               std::wstring_view caption, std::uint32_t type) = 0;
};

} // namespace qb::platform
