// Companion commands across two real processes: a receiver program with the service's
// window title records what arrives.

#include "platform/win32/kernel32_win32.h"
#include "platform/win32/user32_win32.h"
#include "services/companion.h"
#include "services/paths.h"
#include "wine_process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace qb::services {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// One WM_COPYDATA as the receiver saw it.
struct Received {
    unsigned long long wParam = 0;
    unsigned long long dwData = 0;
    unsigned long cbData = 0;
    std::vector<unsigned> bytes;
};

// The real user32, counting the commands that actually went out.
class CountingUser32 final : public platform::User32 {
public:
    platform::WindowHandle FindWindowByTitle(std::string_view title) override {
        return real.FindWindowByTitle(title);
    }
    void SendCopyData(platform::WindowHandle window, std::uint32_t dwData, std::uint32_t cbData,
                      std::span<const std::uint8_t> buffer, std::uint32_t flags,
                      std::uint32_t timeout) override {
        ++sends;
        real.SendCopyData(window, dwData, cbData, buffer, flags, timeout);
    }
    bool InitCommonControls(std::uint32_t classes) override {
        return real.InitCommonControls(classes);
    }
    int ShowMessageBox(platform::WindowHandle owner, std::wstring_view text,
                       std::wstring_view caption, std::uint32_t type) override {
        return real.ShowMessageBox(owner, text, caption, type);
    }

    win32::Win32User32 real;
    int sends = 0;
};

double Milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

class CompanionWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t folder[MAX_PATH] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
        recordFile = std::wstring(folder) + L"quillbay-companion-" +
                     std::to_wstring(GetCurrentProcessId()) + L".txt";
        DeleteFileW(recordFile.c_str());
    }
    void TearDown() override {
        receiver.Terminate();
        DeleteFileW(recordFile.c_str());
    }

    // Starts the receiver with the service's title and waits until its window is there.
    void StartReceiver(bool hang) {
        const std::wstring program = JoinPath(kernel, L"companion_receiver.exe");
        ASSERT_TRUE(receiver.Start(program, L"\"" + std::wstring(kServiceWindowTitle) + L"\" \"" +
                                                recordFile + L"\"" + (hang ? L" hang" : L"")))
            << "cannot start the receiver";
        ASSERT_TRUE(testing::WaitUntil(
            [&] { return testing::FindWindowOf(receiver.Id(), kServiceWindowTitle) != nullptr; },
            10s))
            << "the receiver's window did not appear";
        // Nothing else may answer to the service's title while the test runs.
        ASSERT_EQ(FindWindowW(nullptr, kServiceWindowTitle),
                  testing::FindWindowOf(receiver.Id(), kServiceWindowTitle));
    }

    std::vector<Received> ReadRecords() {
        std::vector<Received> records;
        std::ifstream in{std::filesystem::path(recordFile)};
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            Received r;
            fields >> r.wParam >> r.dwData >> r.cbData;
            unsigned byte = 0;
            while (fields >> std::hex >> byte)
                r.bytes.push_back(byte);
            records.push_back(r);
        }
        return records;
    }

    // Waits until the receiver has recorded `count` messages.
    std::vector<Received> WaitForRecords(std::size_t count) {
        std::vector<Received> records;
        testing::WaitUntil(
            [&] {
                records = ReadRecords();
                return records.size() >= count;
            },
            5s);
        return records;
    }

    static std::vector<unsigned> BytesOf(const std::string& text) {
        std::vector<unsigned> bytes(text.begin(), text.end());
        bytes.push_back(0);
        return bytes;
    }

    win32::Win32Kernel32 kernel;
    CountingUser32 user;
    std::wstring recordFile;
    testing::ChildProcess receiver;
};

TEST_F(CompanionWineTest, UpdateArrivesExactlyAsSent) {
    ASSERT_NO_FATAL_FAILURE(StartReceiver(false));
    const auto start = Clock::now();
    SendCommand(user, kernel, kServiceWindowTitle, L"/update");
    const auto elapsed = Clock::now() - start;
    std::printf("[ timing ] /update delivered in %.2f ms\n", Milliseconds(elapsed));

    const auto records = WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].wParam, 0u);
    EXPECT_EQ(records[0].dwData, 3u);
    EXPECT_EQ(records[0].cbData, 8u);
    EXPECT_EQ(records[0].bytes, BytesOf("/update"));
    EXPECT_LT(elapsed, 2s);
}

TEST_F(CompanionWineTest, TheCloseFlowsCommandsArriveInOrder) {
    ASSERT_NO_FATAL_FAILURE(StartReceiver(false));
    for (const wchar_t* command : {L"/suspend", L"/update", L"/resume"})
        SendCommand(user, kernel, kServiceWindowTitle, command);

    const auto records = WaitForRecords(3);
    ASSERT_EQ(records.size(), 3u);
    const char* expected[] = {"/suspend", "/update", "/resume"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i].dwData, 3u);
        EXPECT_EQ(records[i].cbData, std::string(expected[i]).size() + 1);
        EXPECT_EQ(records[i].bytes, BytesOf(expected[i])) << expected[i];
    }
}

TEST_F(CompanionWineTest, WithoutAReceiverTheCallReturnsAtOnce) {
    const std::wstring absent =
        L"QuillbayService (absent " + std::to_wstring(GetCurrentProcessId()) + L")";
    ASSERT_EQ(FindWindowW(nullptr, absent.c_str()), nullptr);
    const auto start = Clock::now();
    SendCommand(user, kernel, absent, L"/suspend");
    const auto elapsed = Clock::now() - start;
    std::printf("[ timing ] no receiver: returned after %.2f ms\n", Milliseconds(elapsed));
    EXPECT_EQ(user.sends, 0);
    EXPECT_LT(elapsed, 500ms);
}

TEST_F(CompanionWineTest, AHungReceiverHoldsTheSenderOnlyBriefly) {
    ASSERT_NO_FATAL_FAILURE(StartReceiver(true));
    const auto start = Clock::now();
    SendCommand(user, kernel, kServiceWindowTitle, L"/suspend");
    const auto first = Clock::now() - start;
    // It did arrive: the receiver is stuck in its handler, not missing.
    const auto records = WaitForRecords(1);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].bytes, BytesOf("/suspend"));

    const auto again = Clock::now();
    SendCommand(user, kernel, kServiceWindowTitle, L"/resume");
    const auto second = Clock::now() - again;
    std::printf("[ timing ] hung receiver: first send %.1f ms, second send %.1f ms\n",
                Milliseconds(first), Milliseconds(second));
    EXPECT_EQ(user.sends, 2);
    EXPECT_GE(first, 90ms); // it did wait for the answer
    EXPECT_LT(first, 2s);
    EXPECT_LT(second, 2s);
    EXPECT_TRUE(receiver.Running());
}

} // namespace
} // namespace qb::services
