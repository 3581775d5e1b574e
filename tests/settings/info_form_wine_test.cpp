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
        EXPECT_FALSE(script.Forced()) << "closed by the steps";
        EXPECT_TRUE(IsWindowEnabled(form->Window()));
        return script.StepsTaken();
    }
};

// Opened from the keyboard and worked from the keyboard: typing, Tab in the order of the
// screen (at the chosen option button), the arrows among the option buttons, Space on the
// check box, Enter for Close.
TEST_F(SettingsDialog, OpensOnTheSharedSettingsAndTheKeyboardAppliesWhatWasTyped) {
    Open();
    w.g.WarningMinutes = 12;
    const HWND main = form->Window();
    std::vector<int> focus; // where the focus went, key by key
    auto keys = [&](HWND dialog, std::vector<UINT> pressed) {
        for (const UINT key : pressed) {
            testing::Press(dialog, key);
            focus.push_back(GetDlgCtrlID(GetFocus()));
        }
    };
    auto settings = [&](HWND dialog) {
        EXPECT_EQ(WindowText(dialog).rfind(L"Quill Bay", 0), 0u) << "the caption's start";
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
        EXPECT_FALSE(IsWindowEnabled(main));
        const HWND text = GetDlgItem(dialog, ids::Text1);
        EXPECT_EQ(WindowText(text), L"12");
        EXPECT_TRUE(Checked(GetDlgItem(dialog, ids::Option1 + 1)));
        EXPECT_FALSE(Checked(GetDlgItem(dialog, ids::Check1)));
        DWORD start = 0, end = 0;
        SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(std::make_pair(start, end), std::make_pair(2ul, 2ul)) << "the caret at the end";
        keys(dialog, {VK_BACK, VK_BACK, '4', VK_TAB}); // four minutes: refused, stays
        ASSERT_EQ(w.user.messageBoxes.size(), 1u);
        EXPECT_EQ(w.user.messageBoxes[0].text, kTooShortMessage);
        EXPECT_EQ(w.user.messageBoxes[0].owner, reinterpret_cast<platform::WindowHandle>(dialog));
        SetWindowTextW(text, L"7.5");
        focus.clear();
        keys(dialog, {VK_TAB, VK_UP, VK_TAB, VK_SPACE, VK_TAB, VK_TAB, VK_RETURN});
    };
    SetFocus(Ctl(mainwindow::ids::SettingsButton));
    testing::ModalScript script(InfoForm::ClassName, {settings});
    Press(VK_RETURN);
    EXPECT_EQ(script.StepsTaken(), 1u);
    EXPECT_FALSE(script.Forced()) << "closed by Enter";
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(std::vector<int>(focus.begin(), focus.end() - 1),
              (std::vector<int>{ids::Option1 + 1, ids::Option1, ids::Check1, ids::Check1,
                                ids::CloseButton, ids::Text1}));
    EXPECT_EQ(w.user.messageBoxes.size(), 1u) << "7.5 passes";
    EXPECT_EQ(w.g.WarningMinutes, 8);
    EXPECT_FALSE(w.g.TurnOffAfterWarning) << "Logoff";
    EXPECT_EQ(w.machine->startedPrograms.size(), 1u) << "the box was ticked";
}

TEST_F(SettingsDialog, ItsFrameKeepsItsSizeLimitsAndGripAndItsCloseOrEscapeChangesNothing) {
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
    // The same changes, and Escape.
    auto escape = [&](HWND dialog) {
        SetWindowTextW(GetDlgItem(dialog, ids::Text1), L"30");
        SendMessageW(GetDlgItem(dialog, ids::Check1), BM_CLICK, 0, 0);
        testing::Press(dialog, VK_ESCAPE);
    };
    EXPECT_EQ(Run({frame}) + Run({escape}), 2u);
    EXPECT_EQ(w.g.WarningMinutes, 5);
    EXPECT_TRUE(w.g.TurnOffAfterWarning);
    EXPECT_TRUE(w.user.sent.empty());
    EXPECT_TRUE(w.machine->startedPrograms.empty());
}

} // namespace
} // namespace qb::settings
