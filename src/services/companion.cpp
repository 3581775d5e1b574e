#include "services/companion.h"

#include <algorithm>
#include <array>
#include <string>

namespace qb::services {

void SendCommand(platform::User32& user, platform::TextApi& text, std::wstring_view title,
                 std::wstring_view command) {
    const std::string bytes = text.WideCharToMultiByte(platform::CpAcp, command, '?');
    if (bytes.size() >= kCommandBufferBytes)
        return;

    const platform::WindowHandle window =
        user.FindWindowByTitle(text.WideCharToMultiByte(platform::CpAcp, title, '?'));
    if (window == 0)
        return;

    std::array<std::uint8_t, kCommandBufferBytes> buffer{};
    std::copy(bytes.begin(), bytes.end(), buffer.begin());
    user.SendCopyData(window, kCommandDataKind, static_cast<std::uint32_t>(bytes.size() + 1),
                      buffer, platform::smto::AbortIfHung, kCommandTimeoutMilliseconds);
}

} // namespace qb::services
