// Window subclassing with real windows under Wine.

#include "services/hook_window.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace qb::services {
namespace {

constexpr UINT kPassedOn = WM_APP + 1;     // the owner passes it on
constexpr UINT kConsumed = WM_APP + 2;     // the owner answers it itself
constexpr UINT kThrows = WM_GETTEXTLENGTH; // the owner fails on it when told to

// The window's procedure slot when its own procedure got WM_NCDESTROY.
LONG_PTR procAtNcDestroy = 0;

// The window's own procedure: its answers tell whether a message reached it.
LRESULT CALLBACK OwnProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == kPassedOn)
        return 1000 + lParam;
    if (uMsg == kThrows)
        return 9999; // never what default processing answers
    if (uMsg == WM_NCDESTROY)
        procAtNcDestroy = GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

class Owner final : public WindowProcOwner {
public:
    LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        ++seen;
        if (uMsg == kConsumed)
            return 42;
        if (uMsg == kThrows && failing)
            throw std::runtime_error("owner failed");
        return CallSavedProc(savedProc, hWnd, uMsg, wParam, lParam);
    }
    WNDPROC savedProc = nullptr;
    int seen = 0;
    bool failing = false;
};

class HookWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillBayHookTest";
        ASSERT_NE(RegisterClassW(&wc), 0);
    }
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

TEST_F(HookWindowTest, AWindowIsHookedOnceAndGetsWhatItsOwnerDoesNotConsume) {
    HWND window = NewWindow();
    HookWindow(window, owner, owner.savedProc);
    const LONG_PTR dispatcher = GetWindowLongPtrW(window, GWLP_WNDPROC);
    EXPECT_EQ(owner.savedProc, &OwnProc);
    HookWindow(window, other, owner.savedProc);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), dispatcher);
    EXPECT_EQ(owner.savedProc, &OwnProc);

    // One pass through the owner, one through the window's own procedure: a second
    // dispatcher would have saved the first as "previous" and looped.
    EXPECT_EQ(SendMessageW(window, kPassedOn, 0, 4), 1004);
    EXPECT_EQ(SendMessageW(window, kConsumed, 0, 0), 42);
    EXPECT_EQ(owner.seen, 2);
    EXPECT_EQ(other.seen, 0);
}

TEST_F(HookWindowTest, LastMessageRestoresTheProcedureAndFreesTheSlotForTheNextWindow) {
    HWND window = NewWindow();
    HookWindow(window, owner, owner.savedProc);
    DestroyWindow(window);
    EXPECT_EQ(procAtNcDestroy, reinterpret_cast<LONG_PTR>(&OwnProc));
    EXPECT_EQ(owner.savedProc, nullptr);

    HWND second = NewWindow();
    HookWindow(second, owner, owner.savedProc);
    EXPECT_EQ(owner.savedProc, &OwnProc);
    EXPECT_EQ(SendMessageW(second, kConsumed, 0, 0), 42);
}

TEST_F(HookWindowTest, AFailingOwnerIsAnsweredWithDefaultProcessing) {
    HWND window = NewWindow();
    HookWindow(window, owner, owner.savedProc);
    owner.failing = true;
    // The length of the title "Hello", not the window's own answer; nothing escapes into
    // the window system, and the window keeps working.
    EXPECT_EQ(SendMessageW(window, kThrows, 0, 0), 5);
    EXPECT_EQ(SendMessageW(window, kPassedOn, 0, 2), 1002);
}

} // namespace
} // namespace qb::services
