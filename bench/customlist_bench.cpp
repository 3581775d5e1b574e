// Fills a user list with 10,000 rows (in one batch, as the main window does, and for
// comparison row by row), sorts it by every column and scrolls it from top to bottom,
// painting every step, and prints how long each part took.
//   customlist_bench [rows]

#include "controls/customlist/custom_list_win32.h"
#include "support/message_pump_win32.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

using qb::controls::CustomList;
using qb::testing::DrainMessages;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// Adds `rows` random rows, the same for every call.
void Fill(CustomList& list, int rows) {
    std::mt19937 random(20240601);
    for (int i = 0; i < rows; ++i) {
        const auto n = random() % 1000000;
        list.AddItem(L"user" + std::to_wstring(n), static_cast<int>(random() % 4),
                     random() % 3 == 0, random() % 5 == 0, i + 1);
    }
}

} // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillBayListBench";
    RegisterClassExW(&wc);
    HWND host =
        CreateWindowExW(0, wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                        400, 320, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(host, SW_SHOWNORMAL);
    const RECT bounds{3, 21, 3 + 339, 21 + 238};
    auto start = Clock::now();
    {
        auto single = CustomList::Create(host, 2, bounds);
        if (!single) {
            std::fprintf(stderr, "the list could not be created\n");
            return 1;
        }
        DrainMessages();
        start = Clock::now();
        Fill(*single, rows);
        DrainMessages();
        std::printf("add %d rows, row by row:    %9.1f ms\n", rows, Ms(start));
    }

    auto list = CustomList::Create(host, 1, bounds);
    if (!list) {
        std::fprintf(stderr, "the list could not be created\n");
        return 1;
    }
    DrainMessages();
    start = Clock::now();
    {
        CustomList::Batch batch(*list);
        Fill(*list, rows);
    }
    DrainMessages();
    std::printf("add %d rows in one batch:   %9.1f ms\n", rows, Ms(start));

    list->selectItem(rows / 2, false);
    const struct {
        int column;
        bool forwards;
        const char* name;
    } sorts[] = {{3, true, "name, forwards"},  {3, false, "name, backwards"},
                 {0, true, "type, forwards"},  {0, false, "type, backwards"},
                 {1, true, "clock, forwards"}, {2, false, "lock, backwards"}};
    for (const auto& s : sorts) {
        start = Clock::now();
        list->Sort(s.column, s.forwards);
        UpdateWindow(list->Window());
        std::printf("sort by %-16s      %9.1f ms\n", s.name, Ms(start));
    }

    const HWND w = list->Window();
    const HWND bar = list->ScrollBarWindow();
    const int max = list->Model().ScrollBar().max;
    start = Clock::now();
    for (int v = 0; v < max; ++v) {
        SendMessageW(w, WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(bar));
        UpdateWindow(w);
    }
    const double lines = Ms(start);
    std::printf("scroll %d lines, painted:    %9.1f ms (%.3f ms a step)\n", max, lines,
                max > 0 ? lines / max : 0.0);
    const bool atBottom = list->Model().TopIndex() == max;

    start = Clock::now();
    constexpr int kDragSteps = 200;
    for (int s = 0; s <= kDragSteps; ++s) {
        const int v = max - max * s / kDragSteps;
        SendMessageW(w, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, v & 0xFFFF),
                     reinterpret_cast<LPARAM>(bar));
    }
    SendMessageW(w, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(bar));
    std::printf("drag the thumb up, %d steps: %9.1f ms\n", kDragSteps, Ms(start));

    list.reset();
    DestroyWindow(host);
    if (!atBottom) {
        std::fprintf(stderr, "scrolling did not reach the last row\n");
        return 1;
    }
    return 0;
}
