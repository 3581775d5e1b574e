// How long the demo takes from its process start to its window shown, on simulated
// machines of 10, 1,000 and 10,000 accounts (or the counts given), each started a few
// times; prints the best and the median time of each.
//   startup_bench_win32 <quillbay-demo.exe> [accounts...]

#include "platform/simulated/simulated_machine.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr int kRuns = 3;

// A machine of `count` accounts like a school's: mostly users, some restricted, a few
// administrators, the first of them logged on. The logged-on administrator has no
// restrictions of their own, which closing the window would ask about.
fs::path MakeMachine(const fs::path& folder, int count) {
    qb::simulated::SimulatedMachine machine;
    for (int i = 0; i < count; ++i) {
        qb::simulated::AccountSpec a;
        a.name = L"pupil" + std::to_wstring(100000 + i);
        a.fullName = L"Pupil number " + std::to_wstring(i);
        a.groups = {i % 50 == 0 ? L"Administrators" : L"Users"};
        if (i % 3 == 1) {
            a.logonHours.emplace();
            a.logonHours->fill(0xFF);
            (*a.logonHours)[static_cast<std::size_t>(i % 21)] = 0;
        }
        a.lastLogon = 1790000000u + static_cast<std::uint32_t>(i);
        machine.AddAccount(a);
    }
    machine.SetLoggedOnUser(L"pupil100000");
    const fs::path file = folder / ("machine-" + std::to_string(count) + ".json");
    machine.SaveFile(file);
    return file;
}

struct Found {
    DWORD process;
    HWND window;
};

// The demo's main window, once it is visible.
HWND ShownWindow(DWORD process) {
    Found found{process, nullptr};
    EnumWindows(
        [](HWND w, LPARAM data) -> BOOL {
            auto& f = *reinterpret_cast<Found*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            wchar_t title[64] = {};
            GetWindowTextW(w, title, 64);
            if (owner == f.process && IsWindowVisible(w) &&
                wcsncmp(title, L"Quill Bay - ", 12) == 0) {
                f.window = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.window;
}

// Milliseconds from CreateProcess to the window shown; negative when it never showed.
double TimeOneStart(const std::wstring& demo, const fs::path& machine) {
    std::wstring commandLine = L"\"" + demo + L"\" --machine \"" + machine.wstring() + L"\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    const auto start = Clock::now();
    if (!CreateProcessW(demo.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return -1;
    HWND window = nullptr;
    while (window == nullptr && Clock::now() - start < std::chrono::seconds(60)) {
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0)
            break;
        window = ShownWindow(info.dwProcessId);
        if (window == nullptr)
            Sleep(1);
    }
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (window != nullptr)
        PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 30000) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return window != nullptr ? ms : -1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_bench_win32 <quillbay-demo.exe> [accounts...]\n");
        return 2;
    }
    std::wstring demo = argv[1];
    std::replace(demo.begin(), demo.end(), L'/', L'\\');
    std::vector<int> counts;
    for (int i = 2; i < argc; ++i)
        counts.push_back(std::max(1, _wtoi(argv[i])));
    if (counts.empty())
        counts = {10, 1000, 10000};

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const fs::path folder =
        fs::path(temp) / (L"quillbay-bench-" + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(folder);
    int failures = 0;
    for (const int count : counts) {
        const fs::path machine = MakeMachine(folder, count);
        std::vector<double> times;
        for (int run = 0; run < kRuns; ++run)
            times.push_back(TimeOneStart(demo, machine));
        std::sort(times.begin(), times.end());
        if (times.front() < 0) {
            std::printf("%6d accounts: the window did not show\n", count);
            ++failures;
            continue;
        }
        std::printf("%6d accounts: window shown after %7.0f ms (best of %d; median %.0f ms)\n",
                    count, times.front(), kRuns, times[times.size() / 2]);
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return failures == 0 ? 0 : 1;
}
