// The two programs as a user starts them, each in its own Wine process: the demo on a
// machine file, a second copy beside it, a machine file that is not one, and the real
// program on Wine's own account database.

#include "mainwindow/control_ids.h"
#include "platform/simulated/simulated_machine.h"
#include "services/wine_process.h"
#include "support/message_pump_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qb {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The build gives the programs' paths with forward slashes.
std::wstring WindowsPath(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}
const std::wstring kDemo = WindowsPath(QB_DEMO_EXE);
const std::wstring kProgram = WindowsPath(QB_PROGRAM_EXE);

std::wstring Title(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// The first visible top-level window of `process` whose title begins with `prefix`.
HWND WaitForWindow(const testing::ChildProcess& process, const std::wstring& prefix,
                   std::chrono::milliseconds timeout = 30s) {
    HWND found = nullptr;
    testing::PumpUntil(
        [&] {
            for (HWND w : testing::WindowsOf(process.id))
                if (IsWindowVisible(w) && Title(w).rfind(prefix, 0) == 0)
                    found = w;
            return found != nullptr || !process.Running();
        },
        timeout);
    return found;
}

bool WaitForExit(const testing::ChildProcess& process, std::chrono::milliseconds timeout = 30s) {
    return testing::PumpUntil([&] { return !process.Running(); }, timeout);
}

// The text of a message box: its captions put together.
std::wstring BoxText(HWND box) {
    std::wstring text;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t buf[1024] = {};
            GetWindowTextW(child, buf, 1024);
            *reinterpret_cast<std::wstring*>(data) += buf;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

// Waits for a message box of `process` that says `words`, and answers it with `button`.
bool Answer(const testing::ChildProcess& process, const std::wstring& words, int button) {
    HWND box = nullptr;
    testing::PumpUntil(
        [&] {
            for (HWND w : testing::WindowsOf(process.id)) {
                wchar_t className[16] = {};
                GetClassNameW(w, className, 16);
                if (IsWindowVisible(w) && std::wstring(className) == L"#32770" &&
                    BoxText(w).find(words) != std::wstring::npos)
                    box = w;
            }
            return box != nullptr || !process.Running();
        },
        30s);
    if (box == nullptr)
        return false;
    // Posted: a sent click would wait inside the program's modal loop.
    PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
    return true;
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class Programs : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = fs::path(temp) / (L"quillbay-test-" + std::to_wstring(GetCurrentProcessId()));
        fs::create_directories(folder);
        machineFile = folder / L"machine.json";
        simulated::SimulatedMachine machine;
        simulated::AccountSpec anna;
        anna.name = L"anna";
        anna.groups = {L"Administrators"};
        machine.AddAccount(anna);
        machine.SetLoggedOnUser(L"anna");
        machine.SaveFile(machineFile);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::wstring MachineArgument() const { return L"--machine \"" + machineFile.wstring() + L"\""; }

    fs::path folder;
    fs::path machineFile;
};

TEST_F(Programs, ASecondStartEndsAtOnceAndLeavesTheFirstRunning) {
    testing::ChildProcess first;
    ASSERT_TRUE(first.Start(kDemo, MachineArgument()));
    const HWND window = WaitForWindow(first, L"Quill Bay");
    ASSERT_NE(window, nullptr) << "the demo did not show its window";
    EXPECT_EQ(Title(window), L"Quill Bay - anna");

    testing::ChildProcess second;
    ASSERT_TRUE(second.Start(kDemo, MachineArgument()));
    ASSERT_TRUE(WaitForExit(second, 20s));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(IsWindowVisible(window));

    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForExit(first));
    EXPECT_EQ(first.ExitCode(), 0u);

    // Closed, it let go of the instance: the next start shows its window again.
    testing::ChildProcess next;
    ASSERT_TRUE(next.Start(kDemo, MachineArgument()));
    const HWND again = WaitForWindow(next, L"Quill Bay");
    ASSERT_NE(again, nullptr);
    PostMessageW(again, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForExit(next));
}

TEST_F(Programs, AMalformedMachineFileIsNamedAndLeftAlone) {
    const std::string broken = "{ \"accounts\": [ {\"name\": \"anna\", ";
    std::ofstream(machineFile, std::ios::binary | std::ios::trunc) << broken;
    testing::ChildProcess demo;
    ASSERT_TRUE(demo.Start(kDemo, MachineArgument()));
    const HWND box = WaitForWindow(demo, L"Quill Bay");
    ASSERT_NE(box, nullptr) << "no message";
    wchar_t className[64] = {};
    GetClassNameW(box, className, 64);
    EXPECT_STREQ(className, L"#32770");
    const std::wstring text = BoxText(box);
    EXPECT_NE(text.find(L"machine.json"), std::wstring::npos)
        << "the file is named: " << text.c_str();
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitForExit(demo));
    EXPECT_NE(demo.ExitCode(), 0u);
    EXPECT_EQ(ReadAll(machineFile), broken);
}

TEST_F(Programs, WhatTheProgramWritesIsThereAtTheNextStart) {
    testing::ChildProcess demo;
    ASSERT_TRUE(demo.Start(kDemo, MachineArgument()));
    const HWND window = WaitForWindow(demo, L"Quill Bay - anna");
    ASSERT_NE(window, nullptr);
    // anna takes Saturday 00:00 away from herself: the top left cell of the grid.
    const HWND grid = GetDlgItem(window, mainwindow::ids::AllowedHoursGraphic);
    ASSERT_NE(grid, nullptr);
    PostMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Answer(demo, L"restrict your own logon times", IDYES));
    ASSERT_TRUE(Answer(demo, L"The settings for anna have been changed.", IDYES));
    ASSERT_TRUE(WaitForExit(demo));
    EXPECT_EQ(demo.ExitCode(), 0u);

    const auto machine = simulated::SimulatedMachine::LoadFile(machineFile);
    const simulated::SimAccount* anna = machine->FindAccount(L"anna");
    ASSERT_NE(anna, nullptr);
    ASSERT_TRUE(anna->logonHours.has_value());
    for (std::size_t b = 0; b < anna->logonHours->size(); ++b)
        EXPECT_EQ((*anna->logonHours)[b], b == 18 ? 0xFE : 0xFF) << "byte " << b;

    // The next start shows what was written.
    testing::ChildProcess next;
    ASSERT_TRUE(next.Start(kDemo, MachineArgument()));
    const HWND again = WaitForWindow(next, L"Quill Bay - anna");
    ASSERT_NE(again, nullptr);
    wchar_t total[16] = {};
    GetWindowTextW(GetDlgItem(again, mainwindow::ids::TotalTime0), total, 16);
    EXPECT_STREQ(total, L"23:00");
    PostMessageW(again, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Answer(next, L"restrict your own logon times", IDYES));
    EXPECT_TRUE(WaitForExit(next));
}

TEST_F(Programs, TheRealProgramOnWinesAccountDatabaseOpensEmptyAndClosesCleanly) {
    testing::ChildProcess program;
    ASSERT_TRUE(program.Start(kProgram, L""));
    const HWND window = WaitForWindow(program, L"Quill Bay");
    ASSERT_NE(window, nullptr) << "exit code " << program.ExitCode();
    EXPECT_EQ(Title(window), L"Quill Bay");
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForExit(program));
    EXPECT_EQ(program.ExitCode(), 0u);
}

} // namespace
} // namespace qb
