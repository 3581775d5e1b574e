// The soak: the demo on a machine of 10,000 accounts, driven from this process for a given
// time with random clicks on both lists, sorts, scrolls, drags on the hours grid and on the
// divider, edits of the details, check boxes, Undo, and the groups and settings dialogs,
// every message box answered. The demo's handle count, GDI and USER objects and private
// memory are taken after start-up, once every kind of step has been done once, every minute
// and at the end; the end is compared with both of the first and with the middle of the run.
// What the program makes once, the first time it needs it (a picture for a kind of row, a
// control when it first shows), and the memory its heap keeps once it was needed, stop by
// the middle of a run long enough; a leak still grows in its second half, and must not grow
// there by more than a few percent.
//   soak <quillbay-demo.exe> [seconds] [seed] [kinds]
// `kinds` (such as "5,6") limits the steps to those kinds, numbered as in Driver::Do, to
// find which of them makes something grow. Prints the figures; the exit status is 0 when
// nothing grew, 1 when something did.

#include "mainwindow/control_ids.h"
#include "process_figures_win32.h"
#include "school_machine.h"
#include "services/wine_process.h"
#include "settings/info_form_layout.h"

#include <windows.h>

#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace ids = qb::mainwindow::ids;
using Clock = std::chrono::steady_clock;

constexpr double kAllowedGrowth = 0.05; // "within a few percent"

using Sample = qb::bench::Figures;

// The demo's process, its main window and what it holds.
class Demo {
public:
    ~Demo() {
        if (process_.hProcess != nullptr) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }

    bool Start(const std::wstring& exe, const fs::path& machine) {
        std::wstring commandLine = L"\"" + exe + L"\" --machine \"" + machine.wstring() + L"\"";
        STARTUPINFOW startup{sizeof(startup)};
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &startup, &process_))
            return false;
        const auto deadline = Clock::now() + std::chrono::seconds(120);
        while (main_ == nullptr && Running() && Clock::now() < deadline) {
            for (HWND w : TopLevelWindows())
                if (IsWindowVisible(w) && Text(w).rfind(L"Quill Bay - ", 0) == 0)
                    main_ = w;
            Sleep(50);
        }
        return main_ != nullptr;
    }
    bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    HWND Main() const { return main_; }
    HWND Control(int id) const { return GetDlgItem(main_, id); }

    std::vector<HWND> TopLevelWindows() const {
        return qb::testing::WindowsOf(process_.dwProcessId);
    }
    static std::wstring Text(HWND w) {
        wchar_t text[256] = {};
        GetWindowTextW(w, text, 256);
        return text;
    }

    // Until the demo has handled what it was sent: a message sent is answered once the
    // window's thread gets to it, also inside a modal loop.
    void Settle() const {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored);
    }
    // Input sent rather than posted, so that each step is handled before the next; a step
    // that opens a modal window is left to it after a second.
    void Send(HWND w, UINT message, WPARAM wParam, LPARAM lParam) const {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(w, message, wParam, lParam, SMTO_NORMAL, 1000, &ignored);
    }
    void Click(HWND w, int x, int y) const {
        Send(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        Send(w, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }

    // What the demo holds; where Wine cannot count something for another process, what
    // stands in for it is said at the end.
    Sample Take() const {
        return qb::bench::MeasureFigures(process_.hProcess, process_.dwProcessId);
    }

    PROCESS_INFORMATION process_{};

private:
    HWND main_ = nullptr;
};

class Driver {
public:
    Driver(Demo& demo, unsigned seed, std::vector<int> kinds)
        : demo_(demo), random_(seed), kinds_(std::move(kinds)) {}

    int Number(int low, int high) { return std::uniform_int_distribution(low, high)(random_); }
    bool Chance(int percent) { return Number(1, 100) <= percent; }

    // Answers every window the demo opened over its main window: a message box by a posted
    // click on No, Cancel or OK (a sent one would wait inside its modal loop), the groups
    // and settings dialogs after a few changes of their own.
    void AnswerOpenWindows() {
        for (int round = 0; round < 50; ++round) {
            demo_.Settle();
            bool any = false;
            for (HWND w : demo_.TopLevelWindows()) {
                if (w == demo_.Main() || !IsWindowVisible(w))
                    continue;
                any = true;
                Answer(w);
            }
            if (!any)
                return;
            Sleep(20);
        }
    }

    // Every kind of step once, each list sorted by every column both ways: what the demo
    // makes the first time it is needed (a dialog's fonts, the sort's buffers, Wine's own
    // caches) is made before the figures the soak compares with are taken.
    void WarmUp() {
        for (int kind = 0; kind <= 12; ++kind) {
            AnswerOpenWindows();
            Do(kind);
        }
        for (const int x : {5, 5, 30, 30, 55, 55, 100, 100}) // columns 24 pixels wide
            Sort(x);
        AnswerOpenWindows();
    }

    void Step() {
        AnswerOpenWindows();
        Do(kinds_.empty()
               ? Number(0, 12)
               : kinds_[static_cast<std::size_t>(Number(0, static_cast<int>(kinds_.size()) - 1))]);
        ++steps;
    }

    int steps = 0;

    // Whether a message box's text holds `words`.
    bool Says(HWND box, const wchar_t* words) const {
        for (HWND text : Children(box, L"Static"))
            if (Demo::Text(text).find(words) != std::wstring::npos)
                return true;
        return false;
    }

private:
    void Do(int kind) {
        switch (kind) {
        case 0:
        case 1:
            ClickList(ids::CustomList1);
            break;
        case 2:
            ClickList(ids::CustomList2); // copies the hours of the account clicked
            break;
        case 3:
            Sort(Number(0, 330));
            break;
        case 4:
            Scroll(Chance(70) ? ids::CustomList1 : ids::CustomList2);
            break;
        case 5:
        case 6:
            DragOnGrid();
            break;
        case 7:
            MoveDivider();
            break;
        case 8:
        case 9:
            Edit();
            break;
        case 10:
            Tick();
            break;
        case 11:
            OpenGroups();
            break;
        case 12:
            Chance(50)   ? demo_.Send(demo_.Control(ids::MoreButton), BM_CLICK, 0, 0)
            : Chance(30) ? demo_.Send(demo_.Control(ids::SettingsButton), BM_CLICK, 0, 0)
                         : demo_.Send(demo_.Control(ids::UndoButton), BM_CLICK, 0, 0);
            break;
        }
    }

    RECT Client(HWND w) const {
        RECT r{};
        GetClientRect(w, &r);
        return r;
    }
    // The windows of `className` among the children of `parent`.
    static std::vector<HWND> Children(HWND parent, const wchar_t* className) {
        std::pair<const wchar_t*, std::vector<HWND>> search{className, {}};
        EnumChildWindows(
            parent,
            [](HWND w, LPARAM data) -> BOOL {
                auto& [name, found] = *reinterpret_cast<decltype(search)*>(data);
                wchar_t cls[64] = {};
                GetClassNameW(w, cls, 64);
                if (_wcsicmp(cls, name) == 0)
                    found.push_back(w);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.second;
    }
    static HWND Child(HWND parent, const wchar_t* className) {
        const std::vector<HWND> found = Children(parent, className);
        return found.empty() ? nullptr : found.front();
    }

    void ClickList(int id) {
        const HWND list = demo_.Control(id);
        const RECT r = Client(list);
        demo_.Click(list, Number(0, std::max(0, static_cast<int>(r.right) - 20)),
                    Number(0, static_cast<int>(r.bottom)));
    }
    // A release over the first list's header at `x`: a second one in the same column
    // reverses the order.
    void Sort(int x) {
        if (const HWND header = Child(demo_.Control(ids::CustomList1), L"SysHeader32"))
            demo_.Send(header, WM_LBUTTONUP, 0, MAKELPARAM(x, 5));
    }
    void Scroll(int id) {
        const HWND list = demo_.Control(id);
        const HWND bar = Child(list, L"ScrollBar");
        const WORD codes[] = {SB_LINEUP, SB_LINEDOWN, SB_PAGEUP,        SB_PAGEDOWN,
                              SB_TOP,    SB_BOTTOM,   SB_THUMBPOSITION, SB_THUMBTRACK};
        for (int i = Number(1, 5); i > 0; --i)
            demo_.Send(list, WM_VSCROLL,
                       MAKEWPARAM(codes[Number(0, 7)], static_cast<WORD>(Number(0, 10000))),
                       reinterpret_cast<LPARAM>(bar));
    }
    // A press, a few moves with the button held and a release, as a hand drags.
    void Drag(HWND w, POINT from, int moves, int maxX, int minY, int maxY) {
        demo_.Send(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(from.x, from.y));
        POINT at = from;
        for (int i = 0; i < moves; ++i) {
            at = {Number(0, maxX), Number(minY, maxY)};
            demo_.Send(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        }
        demo_.Send(w, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    }
    void DragOnGrid() {
        const HWND grid = demo_.Control(ids::AllowedHoursGraphic);
        const RECT r = Client(grid);
        Drag(grid, {Number(0, r.right - 1), Number(0, r.bottom - 1)}, Number(0, 8),
             static_cast<int>(r.right) + 20, -20, static_cast<int>(r.bottom) + 20);
    }
    void MoveDivider() {
        // The divider lies between the first list and the caption strip of the second.
        RECT list{}, strip{};
        GetWindowRect(demo_.Control(ids::CustomList1), &list);
        GetWindowRect(demo_.Control(ids::Heading3), &strip);
        POINT at{list.left + 40, (list.bottom + strip.top) / 2};
        ScreenToClient(demo_.Main(), &at);
        Drag(demo_.Main(), at, Number(1, 6), at.x + 40, 40, 600);
    }
    // A text into one of the details' boxes, taken when the focus moves to another box;
    // some user names are refused.
    void Edit() {
        if (!IsWindowVisible(demo_.Control(ids::DetailSettingEntry0)))
            demo_.Send(demo_.Control(ids::MoreButton), BM_CLICK, 0, 0);
        const int boxes[] = {0, 3, 4, 5, 5, 6};
        const int index = boxes[Number(0, 5)];
        const wchar_t* texts[] = {L"Pupil",
                                  L"Ms Example",
                                  L"",
                                  L"bad/name",
                                  L"ends.",
                                  L"pupil",
                                  L"A very long comment about this account"};
        std::wstring text = texts[Number(0, 6)];
        if (Chance(50))
            text += std::to_wstring(Number(0, 99999));
        const HWND box = demo_.Control(ids::DetailSettingEntry0 + index);
        demo_.Click(box, 5, 5);
        demo_.Send(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        AnswerOpenWindows();
        demo_.Click(demo_.Control(ids::DetailSettingEntry0 + (index == 0 ? 3 : 0)), 5, 5);
    }
    void Tick() {
        const int boxes[] = {ids::AccountDisabled, ids::PasswordLocked, ids::PasswordNotNeeded,
                             ids::ShowAdmin};
        const HWND box = demo_.Control(boxes[Number(0, 3)]);
        if (IsWindowVisible(box))
            demo_.Send(box, BM_CLICK, 0, 0);
        else if (const HWND padlock = demo_.Control(ids::LockImage); IsWindowVisible(padlock))
            demo_.Click(padlock, 3, 3);
    }
    void OpenGroups() {
        for (int type = 0; type < 4; ++type)
            if (const HWND picture = demo_.Control(ids::UserImage0 + type);
                IsWindowVisible(picture)) {
                demo_.Click(picture, 3, 3);
                return;
            }
    }

    void Answer(HWND w) {
        wchar_t cls[64] = {};
        GetClassNameW(w, cls, 64);
        const std::wstring name = cls;
        if (name == L"#32770") {
            for (const int button : {IDNO, IDCANCEL, IDOK})
                if (const HWND b = GetDlgItem(w, button)) {
                    PostMessageW(b, BM_CLICK, 0, 0);
                    return;
                }
        } else if (name == L"QuillBayUserTypesForm") {
            // A few groups ticked or cleared, then OK or Cancel.
            const std::vector<HWND> boxes = Children(w, L"Button");
            for (int i = Number(0, 2); i > 0 && !boxes.empty(); --i) {
                const HWND box =
                    boxes[static_cast<std::size_t>(Number(0, static_cast<int>(boxes.size()) - 1))];
                if (GetDlgCtrlID(box) != IDOK && GetDlgCtrlID(box) != IDCANCEL)
                    PostMessageW(box, BM_CLICK, 0, 0);
            }
            PostMessageW(GetDlgItem(w, Chance(50) ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
            return;
        } else if (name == L"QuillBayInfoForm") {
            // Mostly closed by Escape; now and then a period typed and Close clicked.
            if (Chance(25)) {
                const std::wstring minutes = std::to_wstring(Number(1, 70));
                SendMessageW(GetDlgItem(w, qb::settings::ids::Text1), WM_SETTEXT, 0,
                             reinterpret_cast<LPARAM>(minutes.c_str()));
                PostMessageW(GetDlgItem(w, qb::settings::ids::CloseButton), BM_CLICK, 0, 0);
            } else {
                PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
            return;
        }
        PostMessageW(w, WM_CLOSE, 0, 0);
    }

    Demo& demo_;
    std::mt19937 random_;
    std::vector<int> kinds_;
};

void Print(const char* when, const Sample& s) {
    std::printf("%-22s %8.0f %8.0f %8.0f %12.1f\n", when, s.handles, s.gdiObjects, s.userObjects,
                s.privateBytes / (1024.0 * 1024.0));
    std::fflush(stdout);
}

// End against start: within `allowed`, or a change of at most one object.
bool Within(double start, double end, const char* what, double allowed = kAllowedGrowth) {
    const double growth = start > 0 ? (end - start) / start : 0;
    const bool ok = end <= start + 1 || growth <= allowed;
    std::printf("%-30s %10.1f -> %10.1f  %+6.1f %%  %s\n", what, start, end, 100 * growth,
                ok ? "ok" : "GREW");
    return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: soak <quillbay-demo.exe> [seconds] [seed] [kinds]\n");
        return 2;
    }
    const int seconds = argc > 2 ? _wtoi(argv[2]) : 600;
    const unsigned seed =
        argc > 3 ? static_cast<unsigned>(_wtoi(argv[3])) : static_cast<unsigned>(GetTickCount());
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const fs::path folder =
        fs::path(temp) / (L"quillbay-soak-" + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(folder);
    const fs::path machine = qb::bench::MakeSchoolMachine(folder, 10000);

    int status = 0;
    {
        Demo demo;
        if (!demo.Start(argv[1], machine)) {
            std::fprintf(stderr, "the demo did not show its window\n");
            return 1;
        }
        std::vector<int> kinds;
        std::wstringstream list(argc > 4 ? argv[4] : L"");
        for (std::wstring kind; std::getline(list, kind, L',');)
            kinds.push_back(_wtoi(kind.c_str()));
        Driver driver(demo, seed, kinds);
        std::printf("seed %u, %d seconds, 10,000 accounts\n", seed, seconds);
        std::printf("%-22s %8s %8s %8s %12s\n", "", "handles", "GDI", "USER", "private MB");
        driver.AnswerOpenWindows();
        Print("after start-up", demo.Take());
        driver.WarmUp();
        const Sample start = demo.Take();
        Print("after every step once", start);

        const auto begin = Clock::now();
        const auto end = begin + std::chrono::seconds(seconds);
        auto nextSample = begin + std::chrono::seconds(60);
        Sample half = start; // the last sample of the run's first half
        while (Clock::now() < end && demo.Running()) {
            driver.Step();
            if (Clock::now() >= nextSample) {
                nextSample += std::chrono::seconds(60);
                const auto minutes =
                    std::chrono::duration_cast<std::chrono::minutes>(Clock::now() - begin).count();
                const Sample s = demo.Take();
                Print(("after " + std::to_string(minutes) + " min, " +
                       std::to_string(driver.steps) + " steps")
                          .c_str(),
                      s);
                if (Clock::now() - begin <= (end - begin) / 2)
                    half = s;
            }
        }
        if (!demo.Running()) {
            std::fprintf(stderr, "the demo ended during the soak (exit code %lu)\n", [&] {
                DWORD code = 0;
                GetExitCodeProcess(demo.process_.hProcess, &code);
                return code;
            }());
            return 1;
        }
        driver.AnswerOpenWindows();
        Sleep(2000);
        const Sample last = demo.Take();
        Print("at the end", last);
        std::printf("%d steps\n", driver.steps);
        // Against the start, and over the second half, where a leak still grows while what
        // is made once, or kept once reached, has stopped.
        const auto megabytes = [](const Sample& s) { return s.privateBytes / 1048576.0; };
        const auto compare = [&](const Sample& from, const char* since) {
            std::printf("since %s:\n", since);
            bool within = Within(from.handles, last.handles, "  handles");
            within = Within(from.gdiObjects, last.gdiObjects, "  GDI objects") && within;
            within = Within(from.userObjects, last.userObjects, "  USER objects") && within;
            return Within(megabytes(from), megabytes(last), "  private MB") && within;
        };
        compare(start, "every kind of step was done once");
        const bool ok = compare(half, "the middle of the run");
        for (const auto& [what, how] : qb::bench::approximated)
            std::printf("%s: counted from %s\n", what.c_str(), how.c_str());
        status = ok ? 0 : 1;

        // Closed as a user closes it, every change thrown away (No to each account's
        // question, Yes to the others), and closed again only once it has stopped asking
        // for a while (a refusal); what has not closed in five minutes is ended.
        const auto closing = Clock::now() + std::chrono::minutes(5);
        auto quietSince = Clock::now() - std::chrono::seconds(10);
        int questions = 0;
        for (int closes = 0; demo.Running() && Clock::now() < closing; Sleep(10)) {
            for (HWND w : demo.TopLevelWindows()) {
                if (w == demo.Main() || !IsWindowVisible(w))
                    continue;
                quietSince = Clock::now();
                const bool changed = driver.Says(w, L"have been changed");
                for (const int button : {changed ? IDNO : IDYES, IDOK})
                    if (const HWND b = GetDlgItem(w, button)) {
                        PostMessageW(b, BM_CLICK, 0, 0);
                        ++questions;
                        break;
                    }
                demo.Settle();
            }
            if (Clock::now() - quietSince > std::chrono::seconds(3) && closes++ < 5) {
                PostMessageW(demo.Main(), WM_CLOSE, 0, 0);
                quietSince = Clock::now();
            }
        }
        std::printf("closing: %d questions answered\n", questions);
        std::printf("the demo %s\n", demo.Running() ? "did not close and was ended" : "closed");
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return status;
}
