// The two programs as a user starts them, each in its own Wine process: the demo on a
// machine file, a second copy beside it, a machine file that is not one, and the real
// program on Wine's own account database; both from a folder where DLLs were planted.

#include "mainwindow/control_ids.h"
#include "platform/simulated/simulated_machine.h"
#include "services/wine_process.h"
#include "support/windows_win32.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
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
const std::wstring kPlantedDll = WindowsPath(QB_PLANTED_DLL);

// DLLs that the default search order would look for in a program's own folder before the
// system's, and that the programs or the system's libraries load while they run: the
// account database, and what the common controls and the window system load once windows
// show. (What the programs import is checked in their import tables; Wine's own system
// libraries import VERSION.dll, so a planted copy of that one would say nothing here.)
const wchar_t* const kPlantedNames[] = {L"netapi32.dll", L"uxtheme.dll", L"dwmapi.dll"};

// What a window says: its title, and for a message box the captions in it.
std::wstring Says(HWND window) {
    std::wstring text = testing::WindowText(window);
    if (testing::ClassName(window) == L"#32770")
        EnumChildWindows(
            window,
            [](HWND child, LPARAM data) -> BOOL {
                *reinterpret_cast<std::wstring*>(data) += testing::WindowText(child);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&text));
    return text;
}

// The first visible top-level window of `process` that says `words`; null when the process
// ends or half a minute passes first.
HWND WaitFor(const testing::ChildProcess& process, const std::wstring& words) {
    HWND found = nullptr;
    testing::PumpUntil(
        [&] {
            for (HWND w : testing::WindowsOf(process.id))
                if (IsWindowVisible(w) && Says(w).find(words) != std::wstring::npos)
                    found = w;
            return found != nullptr || !process.Running();
        },
        30s);
    return found;
}

bool WaitForExit(const testing::ChildProcess& process, std::chrono::milliseconds timeout = 30s) {
    return testing::PumpUntil([&] { return !process.Running(); }, timeout);
}

// Waits for a message box of `process` that says `words`, and answers it with `button`.
bool Answer(const testing::ChildProcess& process, const std::wstring& words, int button) {
    const HWND box = WaitFor(process, words);
    // Posted: a sent click would wait inside the program's modal loop.
    return box != nullptr && PostMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
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
        machine.AddAccount({.name = L"anna", .groups = {L"Administrators"}});
        machine.SetLoggedOnUser(L"anna");
        machine.SaveFile(machineFile);
    }
    void TearDown() override {
        if (!overridesKey.empty())
            RegDeleteTreeW(HKEY_CURRENT_USER, overridesKey.c_str());
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    std::wstring MachineArgument() const { return L"--machine \"" + machineFile.wstring() + L"\""; }

    // A copy of `program` in a folder of its own, beside a planted copy of each DLL above,
    // as a program downloaded into a folder that already holds such files. Wine would take
    // its own copy of a system DLL over one it finds there; Windows takes the one it finds
    // first, and so does Wine for these names and this program while the test runs.
    std::wstring PlantedCopy(const std::wstring& program) {
        const fs::path name = fs::path(program).filename();
        overridesKey = L"Software\\Wine\\AppDefaults\\" + name.wstring();
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (overridesKey + L"\\DllOverrides").c_str(), 0,
                                  nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const wchar_t order[] = L"native,builtin";
        for (const wchar_t* dll : kPlantedNames)
            RegSetValueExW(key, fs::path(dll).stem().c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(order), sizeof(order));
        RegCloseKey(key);

        const fs::path planted = folder / L"planted";
        fs::create_directories(planted);
        const fs::path copy = planted / name;
        fs::copy_file(program, copy, fs::copy_options::overwrite_existing);
        for (const wchar_t* dll : kPlantedNames)
            fs::copy_file(kPlantedDll, planted / dll, fs::copy_options::overwrite_existing);
        return copy.wstring();
    }
    // The planted DLLs that were loaded: each leaves a file behind.
    std::wstring LoadedPlants() const {
        std::wstring loaded;
        for (const wchar_t* name : kPlantedNames)
            if (fs::exists(folder / L"planted" / (std::wstring(name) + L".loaded")))
                loaded += std::wstring(name) + L" ";
        return loaded;
    }

    fs::path folder;
    fs::path machineFile;
    std::wstring overridesKey;
};

// The program file holds its own icon, large and small, for the system to show.
void ExpectOwnIcon(const wchar_t* program) {
    HICON large = nullptr, small = nullptr;
    ExtractIconExW(program, 0, &large, &small, 1);
    for (const HICON icon : {large, small}) {
        EXPECT_NE(icon, nullptr) << "no icon in the program";
        if (icon != nullptr)
            DestroyIcon(icon);
    }
}

TEST_F(Programs, BothCarryTheirIcon) {
    ExpectOwnIcon(kDemo.c_str());
    ExpectOwnIcon(kProgram.c_str());
}

TEST_F(Programs, ASecondStartEndsAtOnceAndAConfirmedChangeIsThereAtTheNextStart) {
    testing::ChildProcess demo;
    ASSERT_TRUE(demo.Start(kDemo, MachineArgument()));
    const HWND window = WaitFor(demo, L"Quill Bay - anna");
    ASSERT_NE(window, nullptr) << "the demo did not show its window";

    testing::ChildProcess second;
    ASSERT_TRUE(second.Start(kDemo, MachineArgument()));
    ASSERT_TRUE(WaitForExit(second, 20s));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(IsWindowVisible(window)) << "the first one still runs";

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

    // Closed, the first one let go of the instance: the next start shows what was written.
    testing::ChildProcess next;
    ASSERT_TRUE(next.Start(kDemo, MachineArgument()));
    const HWND again = WaitFor(next, L"Quill Bay - anna");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(testing::WindowText(GetDlgItem(again, mainwindow::ids::TotalTime0)), L"23:00");
    PostMessageW(again, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Answer(next, L"restrict your own logon times", IDYES));
    EXPECT_TRUE(WaitForExit(next));
}

TEST_F(Programs, AMalformedMachineFileIsNamedAndLeftAlone) {
    const std::string broken = "{ \"accounts\": [ {\"name\": \"anna\", ";
    std::ofstream(machineFile, std::ios::binary | std::ios::trunc) << broken;
    testing::ChildProcess demo;
    ASSERT_TRUE(demo.Start(PlantedCopy(kDemo), MachineArgument()));
    ASSERT_TRUE(Answer(demo, L"machine.json", IDOK)) << "no message naming the file";
    ASSERT_TRUE(WaitForExit(demo));
    EXPECT_NE(demo.ExitCode(), 0u);
    EXPECT_EQ(LoadedPlants(), L"");
    std::ifstream in(machineFile, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), broken);
}

// Wine's account database cannot give an account's details: the window opens empty, with
// the program's own version record, a click on its grid changes nothing, and it closes
// cleanly.
TEST_F(Programs, TheRealProgramOnWinesAccountDatabaseOpensEmptyAndClosesCleanly) {
    testing::ChildProcess program;
    ASSERT_TRUE(program.Start(PlantedCopy(kProgram), L""));
    const HWND window = WaitFor(program, L"Quill Bay");
    ASSERT_NE(window, nullptr) << "exit code " << program.ExitCode();
    EXPECT_EQ(testing::WindowText(window), L"Quill Bay");
    EXPECT_EQ(testing::WindowText(GetDlgItem(window, mainwindow::ids::AppLabel0)),
              L"Inkwell Quill Bay");
    EXPECT_EQ(testing::WindowText(GetDlgItem(window, mainwindow::ids::AppLabel0 + 1)),
              L"Version 1.00.00");
    const HWND grid = GetDlgItem(window, mainwindow::ids::AllowedHoursGraphic);
    ASSERT_NE(grid, nullptr) << "not the main window";
    PostMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitForExit(program));
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(LoadedPlants(), L"");
}

} // namespace
} // namespace qb
