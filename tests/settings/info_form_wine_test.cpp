// The settings dialog under Wine, opened by the real main window's Settings button on a
// simulated machine. What the dialog decides is checked natively; here, what its window
// adds: its modal loop over the disabled main window, the focus a refused period keeps,
// Close and the frame's close, and the frame's size limits and grip. The dialog runs its
// own message loop, so the tests act inside it from a timer, one step per tick.

#include "settings/info_form_win32.h"
#include "support/main_window_win32.h"

#include <string>
#include <utility>
#include <vector>

namespace qb::settings {
namespace {

using testing::WindowText;

bool Checked(HWND w) {
    return SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

class SettingsDialog : public mainwindow::MainWindowTest {
protected:
    // Clicks Settings, takes `steps` in the dialog, and returns once it has closed, with the
    // number of steps taken.
    std::size_t Run(std::vector<testing::ModalScript::Step> steps) {
        testing::ModalScript script(InfoForm::ClassName, std::move(steps));
        Click(mainwindow::ids::SettingsButton);
        EXPECT_EQ(FindWindowW(InfoForm::ClassName, nullptr), nullptr);
        EXPECT_TRUE(IsWindowEnabled(form->Window()));
        return script.StepsTaken();
    }
};

TEST_F(SettingsDialog, OpensOnTheSharedSettingsAndCloseAppliesWhatWasTyped) {
    Open();
    w.g.WarningMinutes = 12;
    w.g.TurnOffAfterWarning = false;
    const HWND main = form->Window();
    auto first = [&](HWND dialog) {
        EXPECT_EQ(WindowText(dialog).rfind(L"Quill Bay", 0), 0u) << "the caption's start";
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
        EXPECT_FALSE(IsWindowEnabled(main));
        const HWND text = GetDlgItem(dialog, ids::Text1);
        EXPECT_EQ(WindowText(text), L"12");
        EXPECT_TRUE(Checked(GetDlgItem(dialog, ids::Option1)));
        EXPECT_FALSE(Checked(GetDlgItem(dialog, ids::Check1)));
        EXPECT_EQ(GetFocus(), text);
        DWORD start = 0, end = 0;
        SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(std::make_pair(start, end), std::make_pair(2ul, 2ul)) << "the caret at the end";
        // Four minutes, and the focus moves on to the check box.
        SetWindowTextW(text, L"4");
        SetFocus(GetDlgItem(dialog, ids::Check1));
    };
    auto second = [&](HWND dialog) {
        ASSERT_EQ(w.user.messageBoxes.size(), 1u);
        EXPECT_EQ(w.user.messageBoxes[0].text, kTooShortMessage);
        EXPECT_EQ(w.user.messageBoxes[0].owner, reinterpret_cast<platform::WindowHandle>(dialog));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, ids::Text1)) << "the focus stays";
        SetWindowTextW(GetDlgItem(dialog, ids::Text1), L"7.5");
        SendMessageW(GetDlgItem(dialog, ids::Option1 + 1), BM_CLICK, 0, 0);
        SendMessageW(GetDlgItem(dialog, ids::Check1), BM_CLICK, 0, 0);
        SendMessageW(GetDlgItem(dialog, ids::CloseButton), BM_CLICK, 0, 0);
    };
    EXPECT_EQ(Run({first, second}), 2u);
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(w.user.messageBoxes.size(), 1u) << "7.5 passes";
    EXPECT_EQ(w.g.WarningMinutes, 8);
    EXPECT_TRUE(w.g.TurnOffAfterWarning);
    EXPECT_EQ(w.machine->startedPrograms.size(), 1u) << "the box was ticked";
}

TEST_F(SettingsDialog, ItsFrameKeepsItsSizeLimitsAndGripAndItsCloseChangesNothing) {
    Open();
    auto frame = [&](HWND dialog) {
        RECT window, client;
        GetWindowRect(dialog, &window);
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, 448) << "as designed, at 96 dots per inch";
        EXPECT_EQ(client.bottom, 313);
        MINMAXINFO info{};
        SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, window.right - window.left);
        EXPECT_EQ(info.ptMinTrackSize.y, window.bottom - window.top);
        EXPECT_EQ(info.ptMaxTrackSize.x, 804);

        // The grip's corner sizes the window; the client area beside it does not.
        POINT grip{client.right - 4, client.bottom - 4}, beside{client.right - 14, grip.y};
        ClientToScreen(dialog, &grip);
        ClientToScreen(dialog, &beside);
        EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(grip.x, grip.y)), HTBOTTOMRIGHT);
        EXPECT_EQ(SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(beside.x, beside.y)), HTCLIENT);

        // Made larger, the Close button keeps its distance from the corner and the grip is
        // drawn in the new corner.
        SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + 100,
                     window.bottom - window.top + 60, SWP_NOMOVE | SWP_NOZORDER);
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, 548);
        RECT close;
        GetWindowRect(GetDlgItem(dialog, ids::CloseButton), &close);
        MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&close), 2);
        EXPECT_EQ(close.left, client.right - 94);
        EXPECT_EQ(close.top, client.bottom - 31);
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        EXPECT_NE(testing::ScreenPixel(dialog, client.right - 3, client.bottom - 3), face);
        EXPECT_EQ(testing::ScreenPixel(dialog, client.right - 30, client.bottom - 3), face);

        // Changed, and closed by the frame.
        SetWindowTextW(GetDlgItem(dialog, ids::Text1), L"30");
        SendMessageW(GetDlgItem(dialog, ids::Option1), BM_CLICK, 0, 0);
        SendMessageW(GetDlgItem(dialog, ids::Check1), BM_CLICK, 0, 0);
        SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    EXPECT_EQ(Run({frame}), 1u);
    EXPECT_EQ(w.g.WarningMinutes, 5);
    EXPECT_TRUE(w.g.TurnOffAfterWarning);
    EXPECT_TRUE(w.user.sent.empty());
    EXPECT_TRUE(w.machine->startedPrograms.empty());
}

} // namespace
} // namespace qb::settings
