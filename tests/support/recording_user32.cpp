#include "support/recording_user32.h"

namespace qb::testing {

platform::WindowHandle RecordingUser32::FindWindowByTitle(std::string_view title) {
    searchedTitles.emplace_back(title);
    const auto found = windows.find(std::string(title));
    return found == windows.end() ? 0 : found->second;
}

void RecordingUser32::SendCopyData(platform::WindowHandle window, std::uint32_t dwData,
                                   std::uint32_t cbData, std::span<const std::uint8_t> buffer,
                                   std::uint32_t flags, std::uint32_t timeoutMilliseconds) {
    sent.push_back(SentCopyData{
        window, dwData, cbData, {buffer.begin(), buffer.end()}, flags, timeoutMilliseconds});
}

bool RecordingUser32::InitCommonControls(std::uint32_t classes) {
    commonControlClasses.push_back(classes);
    return commonControlsResult;
}

int RecordingUser32::ShowMessageBox(platform::WindowHandle owner, std::wstring_view text,
                                    std::wstring_view caption, std::uint32_t type) {
    messageBoxes.push_back(ShownMessageBox{owner, std::wstring(text), std::wstring(caption), type});
    if (answers.empty())
        return platform::id::Ok;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace qb::testing
