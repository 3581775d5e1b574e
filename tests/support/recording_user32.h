#pragma once
// A user32 for tests of portable code: windows are known by title, and every command
// sent and message box shown is recorded (message boxes answer from a queue).

#include "platform/user32.h"

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qb::testing {

struct SentCopyData {
    platform::WindowHandle window = 0;
    std::uint32_t dwData = 0;
    std::uint32_t cbData = 0;
    std::vector<std::uint8_t> buffer; // the whole buffer, as it was at the call
    std::uint32_t flags = 0;
    std::uint32_t timeoutMilliseconds = 0;
};

struct ShownMessageBox {
    platform::WindowHandle owner = 0;
    std::wstring text;
    std::wstring caption;
    std::uint32_t type = 0;
};

class RecordingUser32 : public platform::User32 {
public:
    platform::WindowHandle FindWindowByTitle(std::string_view title) override {
        searchedTitles.emplace_back(title);
        const auto found = windows.find(searchedTitles.back());
        return found == windows.end() ? 0 : found->second;
    }
    void SendCopyData(platform::WindowHandle window, std::uint32_t dwData, std::uint32_t cbData,
                      std::span<const std::uint8_t> buffer, std::uint32_t flags,
                      std::uint32_t timeoutMilliseconds) override {
        sent.push_back(
            {window, dwData, cbData, {buffer.begin(), buffer.end()}, flags, timeoutMilliseconds});
    }
    bool InitCommonControls(std::uint32_t classes) override {
        commonControlClasses.push_back(classes);
        return commonControlsResult;
    }
    int ShowMessageBox(platform::WindowHandle owner, std::wstring_view text,
                       std::wstring_view caption, std::uint32_t type) override {
        messageBoxes.push_back({owner, std::wstring(text), std::wstring(caption), type});
        if (answerer)
            return answerer(messageBoxes.back());
        if (answers.empty())
            return platform::id::Ok;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::map<std::string, platform::WindowHandle> windows; // by exact (ANSI) title
    std::vector<std::string> searchedTitles;
    std::vector<SentCopyData> sent;
    std::vector<std::uint32_t> commonControlClasses;
    bool commonControlsResult = true;
    std::vector<ShownMessageBox> messageBoxes;
    std::deque<int> answers; // the buttons chosen, in order; id::Ok once they run out
    // When set, chooses every button instead of `answers`.
    std::function<int(const ShownMessageBox&)> answerer;
};

} // namespace qb::testing
