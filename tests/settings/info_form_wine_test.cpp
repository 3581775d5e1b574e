// The settings dialog under Wine, opened from the real main window's Settings button on a
// simulated machine, with Wine's own registry and a user32 that records the companion
// commands and answers message boxes. The dialog runs its own message loop while it is
// open, so each test drives it from a timer of its thread, one step per tick.

#include "mainwindow/control_ids.h"
#include "mainwindow/input_form_win32.h"
#include "platform/win32/locale_win32.h"
#include "platform/win32/registry_win32.h"
#include "settings/info_form_win32.h"
#include "startup/startup.h"
#include "support/message_pump_win32.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qb::settings {
namespace {

constexpr wchar_t kStoreKey[] = L"SOFTWARE\\Quill Bay";
constexpr wchar_t kRun[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr platform::WindowHandle kTray = 0x71;
constexpr platform::WindowHandle kService = 0x72;

std::wstring TextOf(HWND w) {
    wchar_t buf[256] = {};
    GetWindowTextW(w, buf, 256);
    return buf;
}

bool Checked(HWND w) {
    return SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::optional<DWORD> StoredNumber(const wchar_t* name) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kStoreKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

std::optional<std::wstring> RunValue() {
    wchar_t buf[512] = {};
    DWORD size = sizeof(buf);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kRun, L"Quillbay", RRF_RT_REG_SZ, nullptr, buf, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(buf);
}

void ForgetSettings() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kStoreKey);
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRun, L"Quillbay");
}

// The steps a test takes inside the dialog's loop, one per tick of a thread timer. Once
// they are done, or after five seconds, a dialog still open is closed by its frame so
// that a failed test cannot hang.
class Script {
public:
    explicit Script(std::vector<std::function<void(HWND)>> steps) : steps_(std::move(steps)) {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 10, &Script::Tick);
    }
    ~Script() {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    std::size_t StepsTaken() const { return next_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        Script* self = current_;
        const HWND dialog = FindWindowW(InfoForm::ClassName, nullptr);
        if (self == nullptr || dialog == nullptr)
            return;
        if (self->next_ < self->steps_.size())
            self->steps_[self->next_++](dialog);
        else if (++self->idleTicks_ > 500)
            PostMessageW(dialog, WM_CLOSE, 0, 0);
    }

    static inline Script* current_ = nullptr;
    std::vector<std::function<void(HWND)>> steps_;
    std::size_t next_ = 0;
    int idleTicks_ = 0;
    UINT_PTR timer_ = 0;
};

// The main window of anna, an administrator, on the real registry.
class SettingsDialog : public ::testing::Test {
protected:
    SettingsDialog()
        : g(platform::WithOneKernel(machine->Netapi(), machine->Security(), registry,
                                    machine->Kernel(), user)) {
        simulated::AccountSpec anna;
        anna.name = L"anna";
        anna.groups = {L"Administrators"};
        machine->AddAccount(anna);
        machine->SetLoggedOnUser(L"anna");
        user.windows["QuillbayTray"] = kTray;
        user.windows["QuillbayService"] = kService;
        ForgetSettings();
    }
    ~SettingsDialog() override {
        form.reset();
        testing::DrainMessages();
        ForgetSettings();
    }
    void Open() {
        LoadSharedAccounts(g);
        form = mainwindow::InputForm::Create(
            g, locale, mainwindow::AppVersion{L"Inkwell", L"Quill Bay", 1, 0, 0});
        ASSERT_NE(form, nullptr);
        form->Show(SW_SHOWNORMAL);
        testing::DrainMessages();
    }
    // Clicks Settings; returns once the dialog has closed.
    void ClickSettings() {
        SendMessageW(form->ControlWindow(mainwindow::ids::SettingsButton), BM_CLICK, 0, 0);
    }
    std::vector<std::pair<platform::WindowHandle, std::string>> Commands() const {
        std::vector<std::pair<platform::WindowHandle, std::string>> commands;
        for (const auto& sent : user.sent)
            commands.emplace_back(sent.window, reinterpret_cast<const char*>(sent.buffer.data()));
        return commands;
    }

    std::unique_ptr<simulated::SimulatedMachine> machine =
        std::make_unique<simulated::SimulatedMachine>();
    win32::Win32Registry registry;
    testing::RecordingUser32 user;
    Globals g;
    win32::Win32Locale locale;
    std::unique_ptr<mainwindow::InputForm> form;
};

TEST_F(SettingsDialog, OpensOnTheStoredSettingsAndCloseAppliesWhatWasTyped) {
    // Stored by an earlier run: 12 minutes, log off; the autostart in other letter case.
    DWORD twelve = 12, zero = 0;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kStoreKey, L"WarningMinutes", REG_DWORD, &twelve, 4);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kStoreKey, L"TurnOffAfterWarning", REG_DWORD, &zero, 4);
    const std::wstring upper = L"C:\\PROGRAM FILES\\QUILL BAY\\QUILLSVC.EXE";
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, kRun, L"Quillbay", REG_SZ, upper.c_str(),
                    static_cast<DWORD>((upper.size() + 1) * sizeof(wchar_t)));
    Open();
    EXPECT_EQ(g.WarningMinutes, 12);
    EXPECT_FALSE(g.TurnOffAfterWarning);

    const HWND main = form->Window();
    auto item = [](HWND dialog, int id) { return GetDlgItem(dialog, id); };
    Script script({
        [&](HWND dialog) {
            EXPECT_EQ(TextOf(dialog).rfind(L"Quill Bay", 0), 0u) << "the caption's start";
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
            EXPECT_FALSE(IsWindowEnabled(main));
            EXPECT_EQ(TextOf(item(dialog, ids::Text1)), L"12");
            EXPECT_TRUE(Checked(item(dialog, ids::Option1)));
            EXPECT_FALSE(Checked(item(dialog, ids::Option1 + 1)));
            EXPECT_TRUE(Checked(item(dialog, ids::Check1)));
            EXPECT_EQ(GetFocus(), item(dialog, ids::Text1));
            DWORD start = 0, end = 0;
            SendMessageW(item(dialog, ids::Text1), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                         reinterpret_cast<LPARAM>(&end));
            EXPECT_EQ(start, 2u) << "the caret at the end";
            EXPECT_EQ(end, 2u);
            // Four minutes, and the focus moves on to the check box.
            SetWindowTextW(item(dialog, ids::Text1), L"4");
            SetFocus(item(dialog, ids::Check1));
        },
        [&](HWND dialog) {
            ASSERT_EQ(user.messageBoxes.size(), 1u);
            EXPECT_EQ(user.messageBoxes[0].text, L"Time must be at least 5 minutes");
            EXPECT_EQ(user.messageBoxes[0].owner, reinterpret_cast<platform::WindowHandle>(dialog));
            EXPECT_EQ(GetFocus(), item(dialog, ids::Text1)) << "the focus stays";
            SetWindowTextW(item(dialog, ids::Text1), L"7.5");
            SendMessageW(item(dialog, ids::Option1 + 1), BM_CLICK, 0, 0);
            SendMessageW(item(dialog, ids::Check1), BM_CLICK, 0, 0);
        },
        [&](HWND dialog) {
            EXPECT_EQ(user.messageBoxes.size(), 1u) << "7.5 passes";
            EXPECT_TRUE(Checked(item(dialog, ids::Option1 + 1)));
            EXPECT_FALSE(Checked(item(dialog, ids::Check1)));
            SendMessageW(item(dialog, ids::CloseButton), BM_CLICK, 0, 0);
        },
    });
    ClickSettings();
    EXPECT_EQ(script.StepsTaken(), 3u);
    EXPECT_EQ(FindWindowW(InfoForm::ClassName, nullptr), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(GetActiveWindow(), main);

    EXPECT_EQ(g.WarningMinutes, 8);
    EXPECT_TRUE(g.TurnOffAfterWarning);
    EXPECT_EQ(StoredNumber(L"WarningMinutes"), 8u);
    EXPECT_EQ(StoredNumber(L"TurnOffAfterWarning"), 1u);
    EXPECT_EQ(RunValue(), std::nullopt);
    EXPECT_EQ(Commands(), (std::vector<std::pair<platform::WindowHandle, std::string>>{
                              {kTray, "/close"}, {kService, "/settings"}}));
    EXPECT_TRUE(machine->startedPrograms.empty());
}

TEST_F(SettingsDialog, ItsFramesCloseChangesNothing) {
    Open();
    Script script({
        [&](HWND dialog) {
            EXPECT_EQ(TextOf(GetDlgItem(dialog, ids::Text1)), L"5");
            SetWindowTextW(GetDlgItem(dialog, ids::Text1), L"30");
            SendMessageW(GetDlgItem(dialog, ids::Option1), BM_CLICK, 0, 0);
            SendMessageW(GetDlgItem(dialog, ids::Check1), BM_CLICK, 0, 0);
        },
        [&](HWND dialog) { SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    });
    ClickSettings();
    EXPECT_EQ(script.StepsTaken(), 2u);
    EXPECT_EQ(FindWindowW(InfoForm::ClassName, nullptr), nullptr);
    EXPECT_TRUE(IsWindowEnabled(form->Window()));
    EXPECT_EQ(g.WarningMinutes, 5);
    EXPECT_TRUE(g.TurnOffAfterWarning);
    EXPECT_EQ(StoredNumber(L"WarningMinutes"), std::nullopt);
    EXPECT_EQ(RunValue(), std::nullopt);
    EXPECT_TRUE(user.sent.empty());
    EXPECT_TRUE(machine->startedPrograms.empty());
}

TEST_F(SettingsDialog, ResizesWithinItsLimitsAndByItsGrip) {
    Open();
    Script script({[&](HWND dialog) {
        RECT window, client;
        GetWindowRect(dialog, &window);
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, 448) << "as designed, at 96 dots per inch";
        EXPECT_EQ(client.bottom, 313);
        const int frameWidth = (window.right - window.left) - client.right;
        const int frameHeight = (window.bottom - window.top) - client.bottom;
        MINMAXINFO info{};
        SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, frameWidth + 448);
        EXPECT_EQ(info.ptMinTrackSize.y, frameHeight + 313);
        EXPECT_EQ(info.ptMaxTrackSize.x, 804);

        // The grip's corner sizes the window; the client area beside it does not.
        POINT grip{client.right - 4, client.bottom - 4};
        POINT beside{client.right - 14, client.bottom - 4};
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
        UpdateWindow(dialog);
        HDC dc = GetDC(dialog);
        EXPECT_NE(GetPixel(dc, client.right - 3, client.bottom - 3), GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(GetPixel(dc, client.right - 30, client.bottom - 3), GetSysColor(COLOR_BTNFACE));
        ReleaseDC(dialog, dc);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    }});
    ClickSettings();
    EXPECT_EQ(script.StepsTaken(), 1u);
}

} // namespace
} // namespace qb::settings
