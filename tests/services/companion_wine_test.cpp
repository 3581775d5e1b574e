// Companion commands across two real processes: a receiver program with the service's
// window title records what arrives.

#include "platform/win32/kernel32_win32.h"
#include "platform/win32/user32_win32.h"
#include "services/companion.h"
#include "services/paths.h"
#include "support/message_pump_win32.h"
#include "wine_process.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qb::services {
namespace {

using namespace std::chrono_literals;

class CompanionWineTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileW(recordFile.c_str()); }
    void TearDown() override { DeleteFileW(recordFile.c_str()); }

    // Starts the receiver with the service's title and waits until its window is there.
    void StartReceiver(const wchar_t* mode) {
        ASSERT_TRUE(receiver.Start(JoinPath(kernel, L"stand_in.exe"),
                                   L"receiver \"" + std::wstring(kServiceWindowTitle) + L"\" \"" +
                                       recordFile + L"\" " + mode));
        HWND window = nullptr;
        ASSERT_TRUE(testing::PumpUntil(
            [&] { return (window = testing::FindWindowOf(receiver.id, kServiceWindowTitle)); },
            10s))
            << "the receiver's window did not appear";
        // Nothing else may answer to the service's title while the test runs.
        ASSERT_EQ(FindWindowW(nullptr, kServiceWindowTitle), window);
    }

    // How long SendCommand kept the caller, in milliseconds.
    double TimedSend(std::wstring_view title, const wchar_t* command) {
        const auto start = std::chrono::steady_clock::now();
        SendCommand(user, kernel, title, command);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        return std::chrono::duration<double, std::milli>(elapsed).count();
    }

    // The receiver's complete record lines, once there are `count` (or after five seconds).
    std::vector<std::string> Records(std::size_t count) {
        std::vector<std::string> lines;
        testing::PumpUntil(
            [&] {
                lines.clear();
                std::ifstream in{std::filesystem::path(recordFile)};
                for (std::string line; std::getline(in, line) && !in.eof();)
                    lines.push_back(line);
                return lines.size() >= count;
            },
            5s);
        return lines;
    }

    win32::Win32Kernel32 kernel;
    win32::Win32User32 user;
    // In the working folder, which the receiver inherits.
    const std::wstring recordFile =
        L"companion-record-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    testing::ChildProcess receiver;
};

// The receiver gets each command with wParam 0, dwData 3 and cbData counting the 0 byte
// after the text, in the system code page (1252 in the test prefix) byte for byte as the
// sender converted it, without flags as the ANSI interfaces do: a character that 1252
// lacks arrives as the closest letter where the platform knows one ("Ł" as "L") and as
// "?" otherwise ("中"). The buffer is 1024 bytes and the receiver relies on the 0 byte:
// 1023 bytes in the code page ("é" counts once) are the longest command that fits, and a
// longer one is not sent at all rather than cut into another command.
TEST_F(CompanionWineTest, CommandsArriveWholeInTheSystemCodePageUpTo1023Bytes) {
    ASSERT_EQ(GetACP(), 1252u) << "the test prefix's system code page";
    ASSERT_NO_FATAL_FAILURE(StartReceiver(L""));
    const std::wstring longest = L"/" + std::wstring(1021, L'x') + L"é";
    // Messages are handled in the order they are sent: had the first arrived, it would
    // be the first line.
    for (const std::wstring& command :
         {longest + L"y", longest, std::wstring(L"/update"), std::wstring(L"/say éŁ中")})
        TimedSend(kServiceWindowTitle, command.c_str());

    std::string whole = "0 3 1024 2f";
    for (int i = 0; i < 1021; ++i)
        whole += " 78";
    whole += " e9 00";
    EXPECT_EQ(Records(3), (std::vector<std::string>{whole, "0 3 8 2f 75 70 64 61 74 65 00",
                                                    "0 3 9 2f 73 61 79 20 e9 4c 3f 00"}));
}

TEST_F(CompanionWineTest, WithoutAWindowTheCallReturnsAtOnce) {
    const std::wstring absent =
        L"QuillbayService (absent " + std::to_wstring(GetCurrentProcessId()) + L")";
    ASSERT_EQ(FindWindowW(nullptr, absent.c_str()), nullptr);
    const double elapsed = TimedSend(absent, L"/suspend");
    std::printf("[ timing ] no receiver: returned after %.2f ms\n", elapsed);
    EXPECT_LT(elapsed, 500.0);
}

TEST_F(CompanionWineTest, AHungReceiverHoldsTheSenderOnlyBriefly) {
    ASSERT_NO_FATAL_FAILURE(StartReceiver(L"hang"));
    const double elapsed = TimedSend(kServiceWindowTitle, L"/suspend");
    std::printf("[ timing ] hung receiver: returned after %.1f ms\n", elapsed);
    // It did arrive: the receiver is stuck in its handler, not missing.
    EXPECT_EQ(Records(1), std::vector<std::string>{"0 3 9 2f 73 75 73 70 65 6e 64 00"});
    EXPECT_GE(elapsed, 90.0) << "the sender did not wait for an answer at all";
    EXPECT_LT(elapsed, 2000.0);
}

} // namespace
} // namespace qb::services
