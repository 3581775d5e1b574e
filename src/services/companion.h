#pragma once
// Commands to the companion programs (the enforcement service and its tray program),
// sent to their windows, found by exact title, as a WM_COPYDATA message.

#include "platform/kernel32.h"
#include "platform/ports.h"
#include "platform/user32.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qb::services {

inline constexpr wchar_t kServiceWindowTitle[] = L"QuillbayService";
inline constexpr wchar_t kTrayWindowTitle[] = L"QuillbayTray";

// The commands. To the service: "/suspend" before the first account is saved, "/update"
// after the saving when an account was written, "/resume" at its end, and "/settings" once
// its settings store was written, so that it reads it again. To the tray program: "/close"
// when it is no longer to start with Windows.
inline constexpr wchar_t kSettingsChangedCommand[] = L"/settings";
inline constexpr wchar_t kCloseTrayCommand[] = L"/close";

// The message: dwData 3, and a zero-filled buffer of 1024 bytes holding the command's
// ANSI bytes and a 0 byte, both counted in cbData.
inline constexpr std::uint32_t kCommandDataKind = 3;
inline constexpr std::size_t kCommandBufferBytes = 1024;
// How long a command may keep the window thread waiting for the receiver.
inline constexpr std::uint32_t kCommandTimeoutMilliseconds = 100;

// Sends `command` to the top-level window titled exactly `title`. Nothing happens when
// there is no such window; the outcome (a refused message, a hung or slow receiver) is
// not examined, the caller carries on as if the command had arrived. The wait is at most
// 100 ms, and none at all when the receiver is hung.
//
// cbData counts the command's bytes in the system code page plus the 0 byte; for the
// commands the program sends these are its characters. A command whose bytes would not
// leave room for the 0 byte in the buffer (1024 bytes or more) is not sent at all: cut
// short it could reach the receiver as a different command.
void SendCommand(platform::User32& user, platform::TextApi& text, std::wstring_view title,
                 std::wstring_view command);

inline void SendCommand(const platform::Ports& ports, std::wstring_view title,
                        std::wstring_view command) {
    SendCommand(ports.user, ports.text, title, command);
}

} // namespace qb::services
