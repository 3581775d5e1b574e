// Window subclassing with real windows under Wine.

#include "services/hook_window.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace qb::services {
namespace {

constexpr UINT kPassedOn = WM_APP + 1;     // the owner passes it on
constexpr UINT kConsumed = WM_APP + 2;     // the owner answers it itself
constexpr UINT kThrows = WM_GETTEXTLENGTH; // the owner fails on it
constexpr LRESULT kOwnAnswer = 0x5151;

// The window's own procedure: remembers what reached it and what its procedure slot held
// when WM_NCDESTROY arrived.
struct OwnProcLog {
    std::vector<UINT> messages;
    WPARAM lastWParam = 0;
    LONG_PTR procAtNcDestroy = 0;
};
OwnProcLog ownLog;

LRESULT CALLBACK OwnProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == kPassedOn || uMsg == kConsumed || uMsg == kThrows || uMsg == WM_NCDESTROY)
        ownLog.messages.push_back(uMsg);
    if (uMsg == kPassedOn) {
        ownLog.lastWParam = wParam;
        return kOwnAnswer + static_cast<LRESULT>(lParam);
    }
    if (uMsg == kThrows)
        return 9999; // never what default processing answers
    if (uMsg == WM_NCDESTROY)
        ownLog.procAtNcDestroy = GetWindowLongPtrW(hWnd, GWLP_WNDPROC);
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

class Owner final : public WindowProcOwner {
public:
    LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        ++seen;
        if (uMsg == WM_NCDESTROY)
            ++ncDestroys;
        if (uMsg == kConsumed)
            return 42;
        if (uMsg == kThrows && failing)
            throw std::runtime_error("owner failed");
        return CallSavedProc(savedProc, hWnd, uMsg, wParam, lParam);
    }

    WNDPROC savedProc = nullptr;
    int seen = 0;
    int ncDestroys = 0;
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
    void SetUp() override { ownLog = {}; }
    void TearDown() override {
        for (HWND window : windows)
            if (IsWindow(window))
                DestroyWindow(window);
    }
    HWND NewWindow() {
        HWND window =
            CreateWindowExW(0, L"QuillBayHookTest", L"Hello", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        EXPECT_NE(window, nullptr);
        windows.push_back(window);
        return window;
    }
    static LONG_PTR ProcOf(HWND window) { return GetWindowLongPtrW(window, GWLP_WNDPROC); }

    // Members, so that they outlive the windows TearDown destroys.
    Owner owner;
    Owner other;
    std::vector<HWND> windows;
};

TEST_F(HookWindowTest, HookingTwiceWithOneSlotInstallsTheDispatcherOnce) {
    HWND window = NewWindow();
    HookWindow(window, owner, owner.savedProc);
    const LONG_PTR dispatcher = ProcOf(window);
    EXPECT_NE(dispatcher, reinterpret_cast<LONG_PTR>(&OwnProc));
    EXPECT_EQ(owner.savedProc, &OwnProc);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&owner));

    HookWindow(window, other, owner.savedProc);
    EXPECT_EQ(ProcOf(window), dispatcher);
    EXPECT_EQ(owner.savedProc, &OwnProc);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&owner));

    // One pass through the owner, one through the window's own procedure: a second
    // dispatcher would have saved the first as "previous" and looped.
    EXPECT_EQ(SendMessageW(window, kPassedOn, 3, 4), kOwnAnswer + 4);
    EXPECT_EQ(owner.seen, 1);
    EXPECT_EQ(other.seen, 0);
    EXPECT_EQ(ownLog.messages, std::vector<UINT>{kPassedOn});
}

TEST_F(HookWindowTest, OwnerAnswersWhatItConsumesAndPassesOnTheRest) {
    HWND window = NewWindow();
    HookWindow(window, owner, owner.savedProc);

    EXPECT_EQ(SendMessageW(window, kConsumed, 0, 0), 42);
    EXPECT_TRUE(ownLog.messages.empty());

    EXPECT_EQ(SendMessageW(window, kPassedOn, 77, 1), kOwnAnswer + 1);
    EXPECT_EQ(ownLog.lastWParam, 77u);
    EXPECT_EQ(ownLog.messages, std::vector<UINT>{kPassedOn});

    // The window stays a Unicode window: its text passes through untouched.
    EXPECT_TRUE(IsWindowUnicode(window));
    const wchar_t title[] = L"Grüße \u4E2D";
    SetWindowTextW(window, title);
    wchar_t back[32] = {};
    GetWindowTextW(window, back, 32);
    EXPECT_STREQ(back, title);
}

TEST_F(HookWindowTest, LastMessageRestoresTheProcedureAndClearsTheSlot) {
    HWND window = NewWindow();
    HookWindow(window, owner, owner.savedProc);
    DestroyWindow(window);

    EXPECT_EQ(owner.ncDestroys, 1);
    EXPECT_EQ(owner.savedProc, nullptr);
    // The window's own procedure was back in place when it got its last message.
    ASSERT_FALSE(ownLog.messages.empty());
    EXPECT_EQ(ownLog.messages.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(ownLog.procAtNcDestroy, reinterpret_cast<LONG_PTR>(&OwnProc));

    // The slot is free again: the owner can hook the window that replaces the old one.
    HWND second = NewWindow();
    HookWindow(second, owner, owner.savedProc);
    EXPECT_EQ(owner.savedProc, &OwnProc);
    EXPECT_EQ(SendMessageW(second, kConsumed, 0, 0), 42);
}

TEST_F(HookWindowTest, AnUnhookedWindowCanBeHookedAgain) {
    HWND window = NewWindow();
    HookWindow(window, owner, owner.savedProc);
    const LONG_PTR dispatcher = ProcOf(window);

    UnhookWindow(window, owner.savedProc);
    EXPECT_EQ(owner.savedProc, nullptr);
    EXPECT_EQ(ProcOf(window), reinterpret_cast<LONG_PTR>(&OwnProc));
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 0);
    EXPECT_EQ(SendMessageW(window, kConsumed, 0, 0), 0); // no owner in the way any more

    HookWindow(window, owner, owner.savedProc);
    EXPECT_EQ(ProcOf(window), dispatcher);
    EXPECT_EQ(SendMessageW(window, kConsumed, 0, 0), 42);
}

TEST_F(HookWindowTest, FailingOwnerIsAnsweredWithDefaultProcessing) {
    HWND window = NewWindow();
    HookWindow(window, owner, owner.savedProc);
    owner.failing = true;

    // Default processing answers the length of the title "Hello", not the window's own
    // procedure, and nothing escapes into the window system.
    EXPECT_EQ(SendMessageW(window, kThrows, 0, 0), 5);
    EXPECT_TRUE(ownLog.messages.empty());

    // The window keeps working.
    EXPECT_EQ(SendMessageW(window, kPassedOn, 0, 2), kOwnAnswer + 2);
    owner.failing = false;
    EXPECT_EQ(SendMessageW(window, kThrows, 0, 0), 9999);
}

TEST_F(HookWindowTest, WithoutAnOwnerTheDispatcherGivesDefaultProcessing) {
    HWND window = NewWindow();
    HookWindow(window, owner, owner.savedProc);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    EXPECT_EQ(SendMessageW(window, kThrows, 0, 0), 5);
    EXPECT_EQ(SendMessageW(window, kConsumed, 0, 0), 0);
    EXPECT_EQ(owner.seen, 0);
    EXPECT_TRUE(ownLog.messages.empty());
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner));
}

// What the user list control does: hook the header strip of a list view.
TEST_F(HookWindowTest, HeaderOfAListViewCanBeHooked) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    HWND parent = NewWindow();
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 200, 100, parent,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH | LVCF_TEXT;
        column.cx = 50;
        column.pszText = const_cast<wchar_t*>(L"Column");
        ListView_InsertColumn(list, i, &column);
    }
    HWND header = ListView_GetHeader(list);
    ASSERT_NE(header, nullptr);

    HookWindow(header, owner, owner.savedProc);
    ASSERT_NE(owner.savedProc, nullptr);
    EXPECT_EQ(Header_GetItemCount(header), 3);
    EXPECT_EQ(SendMessageW(header, kConsumed, 0, 0), 42);
    EXPECT_GT(owner.seen, 1);

    DestroyWindow(list);
    EXPECT_EQ(owner.ncDestroys, 1);
    EXPECT_EQ(owner.savedProc, nullptr);
}

} // namespace
} // namespace qb::services
