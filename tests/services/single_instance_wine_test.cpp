// The single-instance rule across real processes: the program's start-up, run by a probe
// program, against Wine's named mutex.

#include "platform/win32/kernel32_win32.h"
#include "services/paths.h"
#include "wine_process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace qb::services {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kProbeTitle[] = L"QuillbayInstanceProbe";
constexpr wchar_t kReleasedTitle[] = L"QuillbayInstanceProbe released";
constexpr DWORD kAlreadyRunning = 3;

class SingleInstanceTest : public ::testing::Test {
protected:
    bool StartProbe(testing::ChildProcess& probe) {
        return probe.Start(JoinPath(kernel, L"instance_probe.exe"), L"");
    }
    // Waits until `probe` shows the window with `title`.
    static HWND WaitForWindow(const testing::ChildProcess& probe, const wchar_t* title) {
        HWND window = nullptr;
        testing::WaitUntil(
            [&] {
                window = testing::FindWindowOf(probe.Id(), title);
                return window != nullptr || !probe.Running();
            },
            20s);
        return window;
    }

    static std::string State(const testing::ChildProcess& probe) {
        return probe.Running() ? "still running"
                               : "ended with exit code " + std::to_string(probe.ExitCode());
    }
    static double Milliseconds(Clock::duration d) {
        return std::chrono::duration<double, std::milli>(d).count();
    }

    win32::Win32Kernel32 kernel;
};

TEST_F(SingleInstanceTest, ASecondStartEndsSilentlyAndTheFirstRunsOn) {
    testing::ChildProcess first;
    const auto firstStart = Clock::now();
    ASSERT_TRUE(StartProbe(first)) << "cannot start the probe";
    HWND firstWindow = WaitForWindow(first, kProbeTitle);
    ASSERT_NE(firstWindow, nullptr) << "the first start did not show its window: " << State(first);
    const auto firstElapsed = Clock::now() - firstStart;

    testing::ChildProcess second;
    const auto secondStart = Clock::now();
    ASSERT_TRUE(StartProbe(second)) << "cannot start the probe";
    // While it runs, the second copy must never show a window: neither its own nor a
    // message box.
    int windowsSeen = 0;
    testing::WaitUntil(
        [&] {
            windowsSeen = std::max(windowsSeen, testing::CountVisibleWindowsOf(second.Id()));
            return windowsSeen > 0 || !second.Running();
        },
        20s);
    const auto secondElapsed = Clock::now() - secondStart;
    std::printf("[ timing ] first start showed its window after %.0f ms; the second start "
                "ended after %.0f ms (process start included)\n",
                Milliseconds(firstElapsed), Milliseconds(secondElapsed));
    EXPECT_EQ(windowsSeen, 0) << "the second start showed a window";
    ASSERT_TRUE(second.WaitForExit(0s)) << "the second start did not end";
    EXPECT_EQ(second.ExitCode(), kAlreadyRunning);

    // The first copy is untouched: still running, its window still there.
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(IsWindow(firstWindow));
    EXPECT_EQ(FindWindowW(nullptr, kProbeTitle), firstWindow);

    ASSERT_TRUE(PostMessageW(firstWindow, WM_CLOSE, 0, 0));
    ASSERT_NE(WaitForWindow(first, kReleasedTitle), nullptr);
}

TEST_F(SingleInstanceTest, ClosingTheMainWindowLetsANewCopyStart) {
    testing::ChildProcess first;
    ASSERT_TRUE(StartProbe(first)) << "cannot start the probe";
    HWND firstWindow = WaitForWindow(first, kProbeTitle);
    ASSERT_NE(firstWindow, nullptr);

    // Its main window closed, the first copy has released the instance but still runs.
    ASSERT_TRUE(PostMessageW(firstWindow, WM_CLOSE, 0, 0));
    HWND released = WaitForWindow(first, kReleasedTitle);
    ASSERT_NE(released, nullptr);
    ASSERT_TRUE(first.Running());

    testing::ChildProcess next;
    ASSERT_TRUE(StartProbe(next)) << "cannot start the probe";
    HWND nextWindow = WaitForWindow(next, kProbeTitle);
    ASSERT_NE(nextWindow, nullptr)
        << "the new start did not run (exit code " << next.ExitCode() << ")";

    // Both end normally.
    ASSERT_TRUE(PostMessageW(released, WM_CLOSE, 0, 0));
    ASSERT_TRUE(first.WaitForExit(10s));
    EXPECT_EQ(first.ExitCode(), 0u);
    ASSERT_TRUE(PostMessageW(nextWindow, WM_CLOSE, 0, 0));
    HWND nextReleased = WaitForWindow(next, kReleasedTitle);
    ASSERT_NE(nextReleased, nullptr);
    ASSERT_TRUE(PostMessageW(nextReleased, WM_CLOSE, 0, 0));
    ASSERT_TRUE(next.WaitForExit(10s));
    EXPECT_EQ(next.ExitCode(), 0u);
}

} // namespace
} // namespace qb::services
