// The window base under Wine: binding from the first message to the last, both orders of
// going away, class registration, the exception barrier and captured painting.

#include "controls/window_base_win32.h"
#include "services/hook_window_win32.h"
#include "support/windows_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace qb::controls {
namespace {

constexpr COLORREF kLeftColour = RGB(10, 200, 30);
constexpr COLORREF kRightColour = RGB(200, 20, 90);

// A window of ours that remembers what reached it and paints two halves.
class Probe final : public WindowBase {
public:
    static const WindowClass& Class() {
        static const WindowClass probe{L"QuillBayProbe", 0, IDC_ARROW, COLOR_WINDOW};
        return probe;
    }
    bool MakeChild(HWND parent, const RECT& bounds) {
        return MakeWindow(Class(), ChildAt(parent, 7, bounds));
    }
    bool MakeTopLevel(const WindowClass& windowClass = Class()) {
        WindowPlacement placement;
        placement.style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
        placement.title = L"Probe";
        placement.width = 300;
        placement.height = 200;
        return MakeWindow(windowClass, placement);
    }

    std::vector<UINT> seen;
    HWND alsoPaints = nullptr; // a window this one has painted at once after painting itself
    HWND windowAtCreate = nullptr;
    int widthAtFirstSize = -1;
    bool refuseCreate = false;
    UINT failOn = 0;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(message);
        if (message == WM_CREATE) {
            windowAtCreate = Window();
            if (refuseCreate)
                return -1;
        }
        if (message == WM_SIZE && widthAtFirstSize < 0)
            widthAtFirstSize = LOWORD(lParam);
        if (message == failOn)
            throw std::runtime_error("probe failed");
        return WindowBase::HandleMessage(message, wParam, lParam);
    }
    void Paint(HDC dc, const RECT& client) override {
        RECT left = client, right = client;
        left.right = right.left = client.right / 2;
        FillRect(dc, &left, gdi::Brush(CreateSolidBrush(kLeftColour)).Get());
        FillRect(dc, &right, gdi::Brush(CreateSolidBrush(kRightColour)).Get());
        if (alsoPaints != nullptr) {
            InvalidateRect(alsoPaints, nullptr, FALSE);
            UpdateWindow(alsoPaints);
        }
    }
};

// Each test's windows go inside a host of their own.
class WindowBaseTest : public ::testing::Test {
protected:
    testing::HostWindow host;
};

TEST_F(WindowBaseTest, TheObjectGetsEveryMessageFromTheFirstToTheLast) {
    auto probe = std::make_unique<Probe>();
    ASSERT_TRUE(probe->MakeChild(host, RECT{10, 10, 130, 50}));
    const HWND window = probe->Window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowBase::FromWindow(window), probe.get());
    EXPECT_EQ(WindowBase::FromWindow(host), nullptr); // not a window of ours
    // Bound at WM_NCCREATE: WM_CREATE and the first WM_SIZE arrive during creation.
    ASSERT_FALSE(probe->seen.empty());
    EXPECT_EQ(probe->seen.front(), static_cast<UINT>(WM_NCCREATE));
    EXPECT_EQ(probe->windowAtCreate, window);
    EXPECT_EQ(probe->widthAtFirstSize, 120);

    // The parent goes first: the object hears the last message and lets go of the window.
    DestroyWindow(host);
    EXPECT_EQ(probe->seen.back(), static_cast<UINT>(WM_NCDESTROY));
    EXPECT_EQ(probe->Window(), nullptr);
    probe.reset(); // nothing left to destroy
}

HWND watched = nullptr;
bool boundAtDestroy = true;

LRESULT CALLBACK WatchDestroy(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->hwnd == watched && call->message == WM_DESTROY)
        boundAtDestroy = WindowBase::FromWindow(call->hwnd) != nullptr;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(WindowBaseTest, AnObjectThatGoesFirstLetsGoOfItsWindowBeforeDestroyingIt) {
    auto probe = std::make_unique<Probe>();
    ASSERT_TRUE(probe->MakeChild(host, RECT{0, 0, 50, 50}));
    watched = probe->Window();
    boundAtDestroy = true;
    const HHOOK hook =
        SetWindowsHookExW(WH_CALLWNDPROC, &WatchDestroy, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    probe.reset();
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(IsWindow(watched));
    EXPECT_FALSE(boundAtDestroy) << "the window's last messages could reach a dying object";
}

TEST_F(WindowBaseTest, TheClassIsRegisteredOnceAndNeverTakenOverFromAnother) {
    Probe first, second;
    ASSERT_TRUE(first.MakeChild(host, RECT{0, 0, 50, 50}));
    ASSERT_TRUE(second.MakeChild(host, RECT{50, 0, 100, 50}));
    EXPECT_EQ(WindowBase::FromWindow(second.Window()), &second);

    // A class of that name that is somebody else's cannot carry our objects.
    WNDCLASSW taken{};
    taken.lpfnWndProc = &DefWindowProcW;
    taken.hInstance = GetModuleHandleW(nullptr);
    taken.lpszClassName = L"QuillBayProbeTaken";
    RegisterClassW(&taken);
    Probe stranger;
    EXPECT_FALSE(stranger.MakeTopLevel(WindowClass{L"QuillBayProbeTaken"}));
    EXPECT_EQ(stranger.Window(), nullptr);

    // A refused creation leaves no window and no binding behind.
    Probe refused;
    refused.refuseCreate = true;
    EXPECT_FALSE(refused.MakeChild(host, RECT{0, 0, 50, 50}));
    EXPECT_EQ(refused.Window(), nullptr);
    EXPECT_EQ(refused.seen.back(), static_cast<UINT>(WM_NCDESTROY));
}

std::vector<std::wstring> reports;
void Record(const wchar_t* text) {
    reports.emplace_back(text);
}

// A failing handler is reported and answered with default processing; the window goes on.
TEST_F(WindowBaseTest, ATopLevelWindowIsBoundFromItsFirstMessageSurvivesAFailureAndCloses) {
    Probe probe;
    ASSERT_TRUE(probe.MakeTopLevel());
    // WM_GETMINMAXINFO comes before WM_NCCREATE, to nobody.
    EXPECT_EQ(probe.seen.front(), static_cast<UINT>(WM_NCCREATE));
    RECT client{};
    GetClientRect(probe.Window(), &client);
    EXPECT_EQ(probe.widthAtFirstSize, client.right);

    probe.failOn = WM_GETTEXTLENGTH;
    reports.clear();
    const services::FailureReport previous = services::SetFailureReport(&Record);
    const LRESULT length = SendMessageW(probe.Window(), WM_GETTEXTLENGTH, 0, 0);
    services::SetFailureReport(previous);
    EXPECT_EQ(length, 5); // "Probe"
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(L"probe failed"), std::wstring::npos) << reports[0];
    EXPECT_NE(reports[0].find(L"QuillBayProbe"), std::wstring::npos) << reports[0];
    EXPECT_NE(reports[0].find(L"0x000E"), std::wstring::npos) << reports[0];

    SendMessageW(probe.Window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(probe.Window(), nullptr);
}

TEST_F(WindowBaseTest, PaintServesTheScreenPrintClientAndPrintWindowAlike) {
    Probe probe;
    ASSERT_TRUE(probe.MakeChild(host, RECT{20, 20, 120, 60}));
    const HWND window = probe.Window();
    // The background is never erased on its own: Paint covers it.
    {
        const gdi::WindowDc dc = gdi::GetWindowDc(window);
        EXPECT_EQ(SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0), 1);
    }
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_EQ(testing::ScreenPixel(window, 2, 2), kLeftColour);
    EXPECT_EQ(testing::ScreenPixel(window, 97, 37), kRightColour);

    const testing::Pixels printed = testing::Printed(window);
    EXPECT_EQ(printed.At(2, 2), kLeftColour);
    EXPECT_EQ(printed.At(97, 37), kRightColour);
    const testing::Pixels whole = testing::Printed(window, true);
    EXPECT_EQ(whole.At(49, 20), kLeftColour);
    EXPECT_EQ(whole.At(50, 20), kRightColour);

    // A window that has another painted at once while it paints keeps its own picture: the
    // other, half as wide, would have left its right half's colour in the first's left half.
    Probe other;
    ASSERT_TRUE(other.MakeChild(host, RECT{20, 80, 70, 120}));
    probe.alsoPaints = other.Window();
    InvalidateRect(window, nullptr, FALSE);
    EXPECT_EQ(testing::ScreenPixel(window, 35, 20), kLeftColour);
    EXPECT_EQ(testing::ScreenPixel(other.Window(), 35, 20), kRightColour);
}

TEST_F(WindowBaseTest, ControlsPaintedThroughTheSharedBufferShowWhatTheyPaintThemselves) {
    // A large window of ours paints first, leaving its colours in the buffer the controls
    // share with it; a hooked control that did not paint all of itself into the buffer
    // would show them.
    Probe probe;
    ASSERT_TRUE(probe.MakeChild(host, RECT{0, 0, 400, 300}));
    UpdateWindow(probe.Window());
    struct Case {
        const wchar_t* windowClass;
        DWORD style;
        const wchar_t* text;
    };
    for (const Case& c : {Case{L"SCROLLBAR", SBS_VERT, L""}, Case{L"STATIC", SS_LEFT, L"Label"},
                          Case{L"BUTTON", BS_PUSHBUTTON, L"Close"}}) {
        const auto make = [&](int x) {
            return CreateWindowExW(0, c.windowClass, c.text, WS_CHILD | WS_VISIBLE | c.style, x,
                                   320, 75, 60, host, nullptr, GetModuleHandleW(nullptr), nullptr);
        };
        const HWND own = make(10), hooked = make(100);
        ASSERT_TRUE(own && hooked) << c.windowClass;
        {
            FramelessControls frameless;
            frameless.Hook(hooked);
            InvalidateRect(probe.Window(), nullptr, FALSE);
            UpdateWindow(probe.Window());
            InvalidateRect(hooked, nullptr, TRUE);
            const testing::Pixels shown = testing::OnScreen(hooked);
            EXPECT_TRUE(shown == testing::OnScreen(own)) << c.windowClass;
            EXPECT_EQ(
                std::count_if(shown.colours.begin(), shown.colours.end(),
                              [](COLORREF p) { return p == kLeftColour || p == kRightColour; }),
                0)
                << c.windowClass;
        }
        DestroyWindow(own);
        DestroyWindow(hooked);
    }
}

} // namespace
} // namespace qb::controls
