// How long a start takes, measured against the floor: a bare window built like the
// program, then the demo on simulated machines of 10, 1,000 and 10,000 accounts (or the
// counts given). Each is started several times, in turns, and timed from its process's
// creation until it first waits for input with its window shown and painted; the medians
// are printed, with what the demo holds once started (private memory, handles, GDI and
// USER objects) and, from the marks the demo takes when asked, where its start goes.
//   startup_bench <bare_window.exe> <quillbay-demo.exe> [accounts...]

#include "app/start_marks_win32.h"
#include "platform/simulated/simulated_machine.h"
#include "platform/win32/handles.h"
#include "process_figures_win32.h"
#include "school_machine.h"
#include "startup/start_marks.h"

#include <windows.h>

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using qb::win32::UniqueHandle;

// As the system schedules the programs, a start's time varies by a tenth from one start to
// the next; the medians of 11 starts moved the ratios by as much between runs, those of 31
// by a few hundredths.
constexpr int kRuns = 31;
constexpr DWORD kStartTimeoutMs = 60000;

std::int64_t CounterNow() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Milliseconds(std::int64_t ticks) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The visible top-level window of `process`, other than a message box; null for none.
HWND ShownWindow(DWORD process) {
    struct Search {
        DWORD process;
        HWND window;
    } search{process, nullptr};
    EnumWindows(
        [](HWND w, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            wchar_t cls[16] = {};
            GetClassNameW(w, cls, 16);
            if (owner == s.process && IsWindowVisible(w) && wcscmp(cls, L"#32770") != 0) {
                s.window = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.window;
}

struct Run {
    double readyMs = -1; // negative: the window never showed
    DWORD exitCode = 0;  // how the process ended
    qb::bench::Figures figures;
    qb::StartBreakdown breakdown;
};

// One start of `program` with `arguments`, the marks going to `marksFile` when not empty.
Run StartOnce(const std::wstring& program, const std::wstring& arguments,
              const fs::path& marksFile) {
    Run run;
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    SetEnvironmentVariableW(qb::kStartMarksVariable,
                            marksFile.empty() ? nullptr : marksFile.c_str());
    const std::int64_t start = CounterNow();
    const BOOL created = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr,
                                        FALSE, 0, nullptr, nullptr, &startup, &info);
    SetEnvironmentVariableW(qb::kStartMarksVariable, nullptr);
    if (!created)
        return run;
    const UniqueHandle process(info.hProcess);
    const UniqueHandle thread(info.hThread);
    // Ready once it first waits for input with nothing left to paint; the window is
    // looked for after that, in case it went idle before showing it.
    WaitForInputIdle(process.Get(), kStartTimeoutMs);
    HWND window = ShownWindow(info.dwProcessId);
    while (window == nullptr && Milliseconds(CounterNow() - start) < kStartTimeoutMs &&
           WaitForSingleObject(process.Get(), 1) == WAIT_TIMEOUT)
        window = ShownWindow(info.dwProcessId);
    const std::int64_t ready = CounterNow();
    if (window != nullptr) {
        run.readyMs = Milliseconds(ready - start);
        run.figures = qb::bench::MeasureFigures(process.Get(), info.dwProcessId);
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    // Ended for good before the next start, which would otherwise find this one's instance
    // lock still held and end at once (ending a process only begins its end).
    if (WaitForSingleObject(process.Get(), 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), 30000);
    }
    GetExitCodeProcess(process.Get(), &run.exitCode);
    if (!marksFile.empty()) {
        std::ifstream in(marksFile, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        run.breakdown = qb::ReadStartReport(text.str(), start);
        in.close();
        std::error_code ignored;
        fs::remove(marksFile, ignored);
    }
    return run;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Subject {
    std::string name;
    std::wstring program;
    std::wstring arguments;
    int accounts = 0; // 0 for the bare window
    // The starts as a user makes them, which are timed and counted; and, of the demo, as
    // many starts that take the marks, whose reading of the memory at each mark would
    // otherwise slow down the starts that are timed.
    std::vector<Run> runs;
    std::vector<Run> marked;

    template <typename Of>
    double MedianOf(Of of, bool ofMarked = false) const {
        std::vector<double> values;
        for (const Run& r : ofMarked ? marked : runs)
            if (r.readyMs >= 0)
                values.push_back(of(r));
        return Median(values);
    }
    bool AllShown() const {
        auto shown = [](const Run& r) { return r.readyMs >= 0; };
        return std::all_of(runs.begin(), runs.end(), shown) &&
               std::all_of(marked.begin(), marked.end(), shown);
    }
    // The median time and growth of `stage` over the runs; zero where it did not end.
    qb::StageTime Stage(const std::string& stage) const {
        auto of = [&](bool time) {
            return MedianOf(
                [&](const Run& r) {
                    for (const qb::StageTime& s : r.breakdown.stages)
                        if (s.stage == stage)
                            return time ? s.milliseconds : s.growthBytes;
                    return 0.0;
                },
                true);
        };
        return qb::StageTime{stage, of(true), of(false)};
    }
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench <bare_window.exe> <quillbay-demo.exe> "
                             "[accounts...]\n");
        return 2;
    }
    auto windowsPath = [](std::wstring path) {
        std::replace(path.begin(), path.end(), L'/', L'\\');
        return path;
    };
    std::vector<int> counts;
    for (int i = 3; i < argc; ++i)
        counts.push_back(std::max(1, _wtoi(argv[i])));
    if (counts.empty())
        counts = {10, 1000, 10000};

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const fs::path folder =
        fs::path(temp) / (L"quillbay-bench-" + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(folder);

    std::vector<Subject> subjects;
    subjects.push_back(Subject{"bare window", windowsPath(argv[1]), L"", 0, {}});
    for (const int count : counts) {
        const fs::path machine = qb::bench::MakeSchoolMachine(folder, count);
        subjects.push_back(Subject{std::to_string(count) + " accounts",
                                   windowsPath(argv[2]),
                                   L"--machine \"" + machine.wstring() + L"\"",
                                   count,
                                   {}});
    }
    // In turns, so that a busy moment of the machine falls on every subject alike.
    for (int run = 0; run < kRuns; ++run)
        for (Subject& s : subjects) {
            s.runs.push_back(StartOnce(s.program, s.arguments, fs::path()));
            if (s.accounts != 0)
                s.marked.push_back(StartOnce(s.program, s.arguments, folder / L"marks.txt"));
        }
    std::error_code ignored;
    fs::remove_all(folder, ignored);

    int failures = 0;
    const Subject& bare = subjects.front();
    const Subject* smallest = subjects.size() > 1 ? &subjects[1] : nullptr;
    auto ready = [](const Run& r) { return r.readyMs; };
    // The floor comes first: the line every other start is read against.
    for (const Subject& s : subjects) {
        if (!s.AllShown()) {
            std::printf("%-15s the window did not show in every start; the process ended with",
                        s.name.c_str());
            for (const std::vector<Run>* runs : {&s.runs, &s.marked})
                for (const Run& r : *runs)
                    if (r.readyMs < 0)
                        std::printf(" 0x%08lX", static_cast<unsigned long>(r.exitCode));
            std::printf("\n");
            ++failures;
            continue;
        }
        std::printf("%-15s %6.0f ms", s.name.c_str(), s.MedianOf(ready));
        if (&s == &bare)
            std::printf(" from the process's creation to its window shown and painted (median of "
                        "%d starts, in turns with the demo's)",
                        kRuns);
        else
            std::printf("   %.2f x the bare window", s.MedianOf(ready) / bare.MedianOf(ready));
        if (smallest != nullptr && &s != smallest && &s != &bare)
            std::printf(", %.2f x %s", s.MedianOf(ready) / smallest->MedianOf(ready),
                        smallest->name.c_str());
        std::printf("\n");
    }

    std::printf("\nOnce started:    private memory  handles  GDI objects  USER objects\n");
    for (const Subject& s : subjects)
        std::printf("  %-15s %10.1f MB  %7.0f  %11.0f  %12.0f\n", s.name.c_str(),
                    s.MedianOf([](const Run& r) { return r.figures.privateBytes; }) / 1048576.0,
                    s.MedianOf([](const Run& r) { return r.figures.handles; }),
                    s.MedianOf([](const Run& r) { return r.figures.gdiObjects; }),
                    s.MedianOf([](const Run& r) { return r.figures.userObjects; }));
    for (const auto& [what, how] : qb::bench::approximated)
        std::printf("  (%s: the platform does not count them here; counted from %s)\n",
                    what.c_str(), how.c_str());

    // The stages in the order they first ended in any run.
    std::vector<std::string> stages;
    for (const Subject& s : subjects)
        for (const Run& r : s.marked)
            for (const qb::StageTime& t : r.breakdown.stages)
                if (std::find(stages.begin(), stages.end(), t.stage) == stages.end())
                    stages.push_back(t.stage);
    std::printf("\nWhere the demo's start goes, stage by stage (median ms, and the private "
                "memory it adds in KB):\n  %-22s",
                "stage");
    for (std::size_t i = 1; i < subjects.size(); ++i)
        std::printf("  %20s", subjects[i].name.c_str());
    std::printf("\n");
    for (const std::string& stage : stages) {
        std::printf("  %-22s", stage.c_str());
        for (std::size_t i = 1; i < subjects.size(); ++i) {
            const qb::StageTime t = subjects[i].Stage(stage);
            std::printf("  %7.1f ms %7.0f KB", t.milliseconds, t.growthBytes / 1024.0);
        }
        std::printf("\n");
    }
    std::printf("  %-22s", "all, by the marks");
    for (std::size_t i = 1; i < subjects.size(); ++i)
        std::printf(
            "  %7.1f ms %10s",
            subjects[i].MedianOf([](const Run& r) { return r.breakdown.totalMilliseconds; }, true),
            "");
    std::printf("\n");

    if (subjects.size() > 2) {
        // What the accounts themselves take: the account database the demo keeps (its
        // machine file read) and the program's records of them (the accounts loaded), per
        // account beyond the smallest machine. The lists' rows are the window's, and so is
        // every other byte that grows with the accounts: those must fit in the rest.
        const Subject& largest = subjects.back();
        auto held = [](const Subject& s) {
            return s.Stage(qb::stage::MachineFile).growthBytes +
                   s.Stage(qb::stage::Accounts).growthBytes;
        };
        const double perAccount = std::max(0.0, (held(largest) - held(*smallest)) /
                                                    (largest.accounts - smallest->accounts));
        auto privateBytes = [](const Run& r) { return r.figures.privateBytes; };
        const double twice = 2 * smallest->MedianOf(privateBytes);
        const double accountsNeed = perAccount * largest.accounts;
        const double used = largest.MedianOf(privateBytes);
        std::printf("\nThe accounts themselves take %.0f bytes each: the memory that reading the "
                    "machine file and loading the accounts add per account, beyond the smallest "
                    "machine.\n%s: %.1f MB of private memory; twice %s's (%.1f MB) and what "
                    "its accounts take (%.1f MB) come to %.1f MB: %s.\n",
                    perAccount, largest.name.c_str(), used / 1048576.0, smallest->name.c_str(),
                    twice / 1048576.0, accountsNeed / 1048576.0, (twice + accountsNeed) / 1048576.0,
                    used < twice + accountsNeed ? "within" : "NOT within");
    }
    return failures == 0 ? 0 : 1;
}
