// The single-instance rule across real processes: the program's start-up, run by a probe
// program, against Wine's named mutex.

#include "platform/win32/kernel32_win32.h"
#include "services/paths.h"
#include "support/message_pump_win32.h"
#include "wine_process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace qb::services {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kProbeTitle[] = L"QuillbayInstanceProbe";
constexpr wchar_t kReleasedTitle[] = L"QuillbayInstanceProbe released";
constexpr DWORD kAlreadyRunning = 3;

bool Start(testing::ChildProcess& probe) {
    win32::Win32Kernel32 kernel;
    return probe.Start(JoinPath(kernel, L"stand_in.exe"), L"instance");
}

// Waits until `probe` shows the window titled `title`; null when it ends first or never does.
HWND WaitForWindow(const testing::ChildProcess& probe, const wchar_t* title) {
    HWND window = nullptr;
    testing::PumpUntil(
        [&] { return (window = testing::FindWindowOf(probe.id, title)) || !probe.Running(); }, 20s);
    return window;
}

TEST(SingleInstance, ASecondStartEndsSilentlyAndTheNextRunsOnceTheFirstHasLetGo) {
    testing::ChildProcess first;
    ASSERT_TRUE(Start(first));
    HWND firstWindow = WaitForWindow(first, kProbeTitle);
    ASSERT_NE(firstWindow, nullptr) << "the first start did not show its window";

    // While it runs, the second copy never shows a window: neither its own nor a message box.
    testing::ChildProcess second;
    ASSERT_TRUE(Start(second));
    bool windowSeen = false;
    testing::PumpUntil(
        [&] {
            const auto windows = testing::WindowsOf(second.id);
            windowSeen = windowSeen || std::any_of(windows.begin(), windows.end(), IsWindowVisible);
            return windowSeen || !second.Running();
        },
        20s);
    EXPECT_FALSE(windowSeen) << "the second start showed a window";
    ASSERT_FALSE(second.Running()) << "the second start did not end";
    EXPECT_EQ(second.ExitCode(), kAlreadyRunning);
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(FindWindowW(nullptr, kProbeTitle), firstWindow);

    // Its main window closed, the first copy lets go of the instance (it still runs on) and
    // a new start succeeds.
    ASSERT_TRUE(PostMessageW(firstWindow, WM_CLOSE, 0, 0));
    ASSERT_NE(WaitForWindow(first, kReleasedTitle), nullptr);
    testing::ChildProcess next;
    ASSERT_TRUE(Start(next));
    EXPECT_NE(WaitForWindow(next, kProbeTitle), nullptr)
        << "the new start did not run (exit code " << next.ExitCode() << ")";
}

} // namespace
} // namespace qb::services
