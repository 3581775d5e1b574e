// Window subclassing with real windows under Wine.

#include "services/hook_window_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace qb::services {
namespace {

constexpr UINT kPassedOn = WM_APP + 1;     // the owner passes it on
constexpr UINT kConsumed = WM_APP + 2;     // the owner answers it itself
constexpr UINT kThrows = WM_GETTEXTLENGTH; // the owner fails on it when told to

// The window's own procedure: its answers tell whether a message reached it.
LRESULT CALLBACK OwnProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == kPassedOn)
        return 1000 + lParam;
    if (uMsg == kThrows)
        return 9999; // never what default processing answers
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

LONG_PTR ProcOf(HWND window) {
    return GetWindowLongPtrW(window, GWLP_WNDPROC);
}

class Owner final : public WindowProcOwner {
public:
    LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        ++seen;
        if (uMsg == kConsumed)
            return 42;
        if (uMsg == kThrows && failing)
            throw std::runtime_error("owner failed");
        if (uMsg == kPassedOn)
            lParam += addend; // so that the order of several hooks shows in the answer
        return CallNextProc(slot, hWnd, uMsg, wParam, lParam);
    }
    HookSlot slot;
    int seen = 0;
    int addend = 0;
    bool failing = false;
};

std::vector<std::wstring> reports;
void Record(const wchar_t* text) {
    reports.emplace_back(text);
}

class HookWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillBayHookTest";
        ASSERT_NE(RegisterClassW(&wc), 0);
    }
    void SetUp() override { reports.clear(); }
    void TearDown() override {
        for (HWND window : windows)
            DestroyWindow(window);
    }
    HWND NewWindow() {
        windows.push_back(CreateWindowExW(0, L"QuillBayHookTest", L"Hello", WS_OVERLAPPEDWINDOW, 0,
                                          0, 200, 100, nullptr, nullptr, nullptr, nullptr));
        EXPECT_NE(windows.back(), nullptr);
        return windows.back();
    }

    // Members, so that they outlive the windows TearDown destroys.
    Owner owner;
    Owner other;
    std::vector<HWND> windows;
};

TEST_F(HookWindowTest, AWindowIsHookedOnceUntilItsLastMessageAndGetsWhatItsOwnerPassesOn) {
    HWND window = NewWindow();
    ASSERT_TRUE(HookWindow(window, owner, owner.slot));
    EXPECT_EQ(owner.slot.Window(), window);
    EXPECT_NE(ProcOf(window), reinterpret_cast<LONG_PTR>(&OwnProc));
    // Through the same slot, for whichever owner, nothing more is installed.
    ASSERT_TRUE(HookWindow(window, other, owner.slot));

    // One pass through the owner, one through the window's own procedure.
    EXPECT_EQ(SendMessageW(window, kPassedOn, 0, 4), 1004);
    EXPECT_EQ(SendMessageW(window, kConsumed, 0, 0), 42);
    EXPECT_EQ(owner.seen, 2);
    EXPECT_EQ(other.seen, 0);

    // The last message gives the window its own procedure back and frees the slot;
    // WM_NCDESTROY sent by hand, so that the window is still there to be looked at.
    SendMessageW(window, WM_NCDESTROY, 0, 0);
    EXPECT_EQ(ProcOf(window), reinterpret_cast<LONG_PTR>(&OwnProc));
    EXPECT_FALSE(owner.slot);
    EXPECT_EQ(SendMessageW(window, kConsumed, 0, 0), 0); // no longer the owner's answer
    EXPECT_EQ(owner.seen, 3) << "the owner heard the last message, and nothing after";

    // A window destroyed for real lets go of the slot as well, for the next window.
    HWND second = NewWindow();
    HookWindow(second, owner, owner.slot);
    DestroyWindow(second);
    EXPECT_FALSE(owner.slot);
    HWND third = NewWindow();
    ASSERT_TRUE(HookWindow(third, owner, owner.slot));
    EXPECT_EQ(SendMessageW(third, kConsumed, 0, 0), 42);
}

TEST_F(HookWindowTest, HooksOnOneWindowChainAndComeOffInAnyOrder) {
    HWND window = NewWindow();
    owner.addend = 10;
    other.addend = 100;
    HookWindow(window, owner, owner.slot);
    HookWindow(window, other, other.slot);
    EXPECT_EQ(SendMessageW(window, kPassedOn, 0, 1), 1111);

    // The first hook goes while the second stays: the second and the window's own
    // procedure still get their messages (replacing the procedure by hand would have
    // cut off whatever was installed after it).
    UnhookWindow(owner.slot);
    EXPECT_FALSE(owner.slot);
    EXPECT_EQ(SendMessageW(window, kPassedOn, 0, 1), 1101);
    EXPECT_EQ(owner.seen, 1);
    UnhookWindow(other.slot);
    EXPECT_EQ(ProcOf(window), reinterpret_cast<LONG_PTR>(&OwnProc));
    EXPECT_EQ(SendMessageW(window, kPassedOn, 0, 1), 1001);
    EXPECT_EQ(other.seen, 2);
}

TEST_F(HookWindowTest, AFailingOwnerIsReportedAndItsMessageGoesOnDownTheChain) {
    HWND window = NewWindow();
    HookWindow(window, other, other.slot);
    HookWindow(window, owner, owner.slot); // called first
    owner.failing = true;
    const FailureReport previous = SetFailureReport(&Record);
    // The hook below and the window's own procedure still answer, not default processing
    // (the length of the title); nothing escapes into the window system.
    const LRESULT answer = SendMessageW(window, kThrows, 0, 0);
    SetFailureReport(previous);
    EXPECT_EQ(answer, 9999);
    EXPECT_EQ(other.seen, 1);
    EXPECT_EQ(SendMessageW(window, kPassedOn, 0, 2), 1002);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(L"owner failed"), std::wstring::npos) << reports[0];
    EXPECT_NE(reports[0].find(L"QuillBayHookTest"), std::wstring::npos) << reports[0];
    EXPECT_NE(reports[0].find(L"0x000E"), std::wstring::npos) << reports[0]; // WM_GETTEXTLENGTH
}

} // namespace
} // namespace qb::services
