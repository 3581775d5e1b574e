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

TEST_F(CompanionWineTest, UpdateArrivesWithItsSevenCharactersAndAZeroByte) {
    ASSERT_NO_FATAL_FAILURE(StartReceiver(L""));
    TimedSend(kServiceWindowTitle, L"/update");
    // wParam 0, dwData 3, cbData 8: "/update" and its 0 byte.
    EXPECT_EQ(Records(1), std::vector<std::string>{"0 3 8 2f 75 70 64 61 74 65 00"});
}

// The receiver gets the command in the system code page (1252 in the test prefix), byte for
// byte as the sender converted it; read in the receiver's own code page, "é" is "é" again.
// The sender converts without flags, as the ANSI interfaces do: a character that 1252
// lacks arrives as the closest letter where the platform knows one ("Ł" as "L") and as "?"
// otherwise ("中"). cbData counts the bytes and the 0 byte.
TEST_F(CompanionWineTest, NonAsciiTextArrivesInTheSystemCodePage) {
    ASSERT_EQ(GetACP(), 1252u) << "the test prefix's system code page";
    ASSERT_NO_FATAL_FAILURE(StartReceiver(L""));
    TimedSend(kServiceWindowTitle, L"/say éŁ中");
    // "/say " 2f 73 61 79 20, "é" e9, "Ł" as "L" 4c, "中" as "?" 3f, then the 0 byte.
    EXPECT_EQ(Records(1), std::vector<std::string>{"0 3 9 2f 73 61 79 20 e9 4c 3f 00"});
}

// The buffer is 1024 bytes and the receiver relies on the 0 byte after the text: 1023 bytes
// are the longest command that fits, and a longer one is not sent at all rather than cut
// into another command. The limit is on bytes in the code page, so "é" counts once in 1252.
TEST_F(CompanionWineTest, ACommandOfUpTo1023BytesArrivesWholeALongerOneNotAtAll) {
    ASSERT_EQ(GetACP(), 1252u) << "the test prefix's system code page";
    ASSERT_NO_FATAL_FAILURE(StartReceiver(L""));
    const std::wstring longest = L"/" + std::wstring(1021, L'x') + L"é"; // 1023 bytes
    const std::wstring tooLong = longest + L"y";                         // 1024 bytes
    TimedSend(kServiceWindowTitle, tooLong.c_str());
    TimedSend(kServiceWindowTitle, longest.c_str());
    // Messages are handled in the order they are sent: had the long one arrived, it would
    // be the first line.
    TimedSend(kServiceWindowTitle, L"/resume");

    std::string whole = "0 3 1024 2f";
    for (int i = 0; i < 1021; ++i)
        whole += " 78";
    whole += " e9 00";
    EXPECT_EQ(Records(2), (std::vector<std::string>{whole, "0 3 8 2f 72 65 73 75 6d 65 00"}));
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
