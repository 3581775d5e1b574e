// Shows the caption strips and both kinds of user list the way the main window places
// them, filled with a realistic machine, for a person to look at (and for screenshots).
//   controls_demo [--seconds N] [--ready FILE]
// With --seconds the window closes itself after N seconds; with --ready the file is
// written once the window has been painted.

#include "controls/customlist/custom_list_win32.h"
#include "controls/heading/heading_win32.h"
#include "support/message_pump_win32.h"

#include <chrono>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

using namespace qb::controls;

namespace {

struct Account {
    const wchar_t* name;
    int type;
    bool restricted;
    bool locked;
};

constexpr Account kAccounts[] = {
    {L"Administrator", 2, false, true}, {L"Guest", 0, false, true},  {L"anna", 1, true, false},
    {L"ben", 1, false, false},          {L"carla", 3, false, false}, {L"david", 1, true, true},
    {L"emma", 1, true, false},          {L"felix", 0, true, false},  {L"grace", 2, false, false},
    {L"henry", 1, false, false},        {L"isabel", 1, true, false}, {L"jonas", 3, true, false},
    {L"kate", 1, false, true},          {L"liam", 1, true, false},   {L"olivia", 2, false, false},
};

int Px(int twips) {
    return twips / 15;
}
RECT Twips(int left, int top, int width, int height) {
    return RECT{Px(left), Px(top), Px(left) + Px(width), Px(top) + Px(height)};
}

// A plain white top-level window with the given client size.
HWND CreateHost(int clientWidth, int clientHeight) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"QuillBayControlsDemo";
    RegisterClassExW(&wc);
    RECT r{0, 0, clientWidth, clientHeight};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    AdjustWindowRectEx(&r, style, FALSE, 0);
    const HWND w =
        CreateWindowExW(0, wc.lpszClassName, L"Quill Bay - controls", style, 0, 0, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOWNORMAL);
    UpdateWindow(w);
    return w;
}

void DrawOutline(HDC dc, const RECT& r) {
    HBRUSH brush = CreateSolidBrush(RGB(0x60, 0x87, 0xD0));
    FrameRect(dc, &r, brush);
    DeleteObject(brush);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int seconds = 0;
    std::wstring ready;
    for (int i = 1; i < __argc; ++i) {
        const std::wstring arg = __wargv[i];
        if (arg == L"--seconds" && i + 1 < __argc)
            seconds = _wtoi(__wargv[++i]);
        else if (arg == L"--ready" && i + 1 < __argc)
            ready = __wargv[++i];
    }

    const HWND w = CreateHost(Px(11325), Px(7125));

    // The system menu font, as the main window applies it.
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    HDC screen = GetDC(nullptr);
    const float points = -72.0f * static_cast<float>(ncm.lfMenuFont.lfHeight) /
                         static_cast<float>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    const std::wstring face = ncm.lfMenuFont.lfFaceName;

    // One set of pictures for all strips and one for both lists, as the main window does.
    const HeadingBandBitmap band = MakeHeadingBand(Density{});
    const std::shared_ptr<const ListPictures> pictures = ListPictures::Make(Density{});
    auto heading1 = Heading::Create(w, 1, Twips(30, 30, 5115, 285), nullptr, band);
    heading1->SetText(L"Select user...");
    auto heading2 = Heading::Create(w, 2, Twips(5220, 30, 6075, 285), nullptr, band);
    heading2->SetText(L"Logon hours for emma");
    auto heading3 = Heading::Create(w, 3, Twips(30, 4005, 5115, 285), nullptr, band);
    heading3->SetText(L"Copy logon times from...");
    auto blank = Heading::Create(w, 4, Twips(5220, 6720, 6075, 285), nullptr, band); // "-"

    auto list1 = CustomList::Create(w, 10, Twips(45, 315, 5085, 3570), nullptr, nullptr, pictures);
    MemoryPropertyBag smallLayout;
    smallLayout.Set(L"SmallIcons", true);
    smallLayout.Set(L"NoHeader", true);
    auto list2 =
        CustomList::Create(w, 11, Twips(45, 4290, 5085, 2715), &smallLayout, nullptr, pictures);
    for (auto* h : {heading1.get(), heading2.get(), heading3.get(), blank.get()})
        h->SetFont(face, points, true, false, false, false);
    for (auto* l : {list1.get(), list2.get()})
        l->SetFont(face, points, false, false, false, false);

    {
        const CustomList::Batch batch1(*list1), batch2(*list2);
        list2->AddItem(L"<no restrictions>", -1, false, false, 0);
        int tag = 1;
        for (const Account& a : kAccounts) {
            list1->AddItem(a.name, a.type, a.restricted, a.locked, tag);
            list2->AddItem(a.name, a.type, a.restricted, a.locked, tag);
            ++tag;
        }
        list1->Sort(3, true);
        list2->Sort(3, true);
        list1->selectItem(7, true); // emma
    }
    list1->ItemClick = [&](std::int32_t t) {
        heading2->SetText(std::wstring(L"Logon hours for ") + kAccounts[t - 1].name);
    };
    bool forwards[4] = {true, true, true, true};
    list1->ColumnClick = [&](std::int32_t column) {
        forwards[column] = !forwards[column];
        list1->Sort(column, forwards[column]);
        list2->Sort(column, forwards[column]);
    };

    // The frames the main window draws around the lists and the hours area.
    {
        HDC dc = GetDC(w);
        DrawOutline(dc, Twips(30, 300, 5115, 6720));
        DrawOutline(dc, Twips(5220, 300, 6075, 6420));
        ReleaseDC(w, dc);
    }
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    {
        HDC dc = GetDC(w);
        DrawOutline(dc, Twips(30, 300, 5115, 6720));
        DrawOutline(dc, Twips(5220, 300, 6075, 6420));
        ReleaseDC(w, dc);
    }
    if (!ready.empty()) {
        if (FILE* f = _wfopen(ready.c_str(), L"w")) {
            std::fputs("ready\n", f);
            std::fclose(f);
        }
    }
    // Until the window is closed, or for the time asked.
    const auto forever = std::chrono::hours(24 * 365);
    qb::testing::PumpUntil([w] { return !IsWindow(w); },
                           seconds > 0 ? std::chrono::seconds(seconds) : forever);
    return 0;
}
