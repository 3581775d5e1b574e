// The user32 binding's message box and common controls under Wine (finding windows and
// sending commands are proven across processes in the companion tests).

#include "platform/win32/user32_win32.h"
#include "wine_process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace qb::win32 {
namespace {

using namespace std::chrono_literals;

// What a message box showed, read from another thread while it waits for an answer.
struct SeenBox {
    std::wstring text;
    bool hasYes = false;
    bool hasNo = false;
    bool hasCancel = false;
    bool hasIcon = false;
};

// Waits for this process's message box captioned `caption`, notes what it shows and
// answers it with the button `answer`.
void AnswerMessageBox(const wchar_t* caption, int answer, SeenBox& seen,
                      std::atomic<bool>& answered) {
    HWND box = nullptr;
    testing::WaitUntil(
        [&] {
            box = FindWindowW(L"#32770", caption);
            return box != nullptr && IsWindowVisible(box);
        },
        10s);
    if (box == nullptr)
        return;
    wchar_t text[256] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 256);
    seen.text = text;
    seen.hasYes = GetDlgItem(box, IDYES) != nullptr;
    seen.hasNo = GetDlgItem(box, IDNO) != nullptr;
    seen.hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
    // The icon's static control: 20 on Windows, 1088 in Wine.
    for (const int id : {0x0014, 1088}) {
        if (HWND icon = GetDlgItem(box, id); icon != nullptr && IsWindowVisible(icon))
            seen.hasIcon = seen.hasIcon || SendMessageW(icon, STM_GETICON, 0, 0) != 0;
    }
    // Posted: a sent click would wait inside the box's own modal loop.
    PostMessageW(GetDlgItem(box, answer), BM_CLICK, 0, 0);
    answered = true;
}

TEST(Win32User32Test, MessageBoxShowsItsTextAndReportsTheButtonChosen) {
    Win32User32 user;
    const wchar_t caption[] = L"Quill Bay (binding test)";
    const std::wstring text = L"The settings for Jürgen \u4E2D have been changed.\r\nSave them?";

    SeenBox seen;
    std::atomic<bool> answered = false;
    std::thread answerer(AnswerMessageBox, caption, IDNO, std::ref(seen), std::ref(answered));
    const int chosen = user.ShowMessageBox(0, text, caption,
                                           platform::mb::YesNoCancel | platform::mb::IconQuestion);
    answerer.join();

    ASSERT_TRUE(answered) << "no message box appeared";
    EXPECT_EQ(chosen, platform::id::No);
    EXPECT_EQ(seen.text, text);
    EXPECT_TRUE(seen.hasYes);
    EXPECT_TRUE(seen.hasNo);
    EXPECT_TRUE(seen.hasCancel);
    EXPECT_TRUE(seen.hasIcon);
}

TEST(Win32User32Test, CommonControlsInitialize) {
    Win32User32 user;
    EXPECT_TRUE(user.InitCommonControls(0x101));
    WNDCLASSEXW info{};
    info.cbSize = sizeof(info);
    EXPECT_TRUE(GetClassInfoExW(nullptr, L"SysListView32", &info));
    EXPECT_TRUE(GetClassInfoExW(nullptr, L"SysDateTimePick32", &info));
}

TEST(Win32User32Test, NoWindowHasAnUnknownTitle) {
    Win32User32 user;
    EXPECT_EQ(user.FindWindowByTitle("QuillbayService (no such window here)"), 0u);
}

} // namespace
} // namespace qb::win32
