// The main window's layout on the screen it runs on (this file runs at 96 dots per inch
// and again at 144): collapsed and expanded, every control lies inside the window, no two
// controls cover each other, every caption fits its control, and the grid's cells are
// exactly the size of their pictures.

#include "mainwindow/control_ids.h"
#include "mainwindow/input_form_win32.h"
#include "platform/win32/locale_win32.h"
#include "support/message_pump_win32.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qb::mainwindow {
namespace {

struct Child {
    HWND window;
    int id;
    RECT rect; // in the form's client coordinates
};

std::vector<Child> VisibleChildren(HWND form) {
    std::vector<Child> children;
    for (HWND w = GetWindow(form, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!IsWindowVisible(w))
            continue;
        RECT r;
        GetWindowRect(w, &r);
        MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT*>(&r), 2);
        children.push_back({w, GetDlgCtrlID(w), r});
    }
    return children;
}

std::wstring ClassOf(HWND w) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return name;
}

// The size of a control's caption in its own font.
SIZE TextSize(HWND w) {
    wchar_t text[256] = {};
    const int n = GetWindowTextW(w, text, 256);
    HDC dc = GetDC(w);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(w, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, n, &size);
    SelectObject(dc, old);
    ReleaseDC(w, dc);
    return size;
}

bool InArray(int id, int first, int count) {
    return id >= first && id < first + count;
}

class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        simulated::AccountSpec anna;
        anna.name = L"anna";
        anna.groups = {L"Administrators"};
        w.machine->AddAccount(anna);
        w.machine->SetLoggedOnUser(L"anna");
        w.Load();
        form = InputForm::Create(w.g, locale, AppVersion{L"Inkwell", L"Quill Bay", 1, 0, 0});
        ASSERT_NE(form, nullptr);
        form->Show(SW_SHOWNORMAL);
        testing::DrainMessages();
        HDC screen = GetDC(nullptr);
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    void TearDown() override {
        form.reset();
        testing::DrainMessages();
    }

    void CheckLayout(const char* state) {
        SCOPED_TRACE(state);
        RECT client;
        GetClientRect(form->Window(), &client);
        const std::vector<Child> children = VisibleChildren(form->Window());
        ASSERT_GT(children.size(), 40u);
        for (const Child& c : children) {
            EXPECT_TRUE(c.rect.left >= 0 && c.rect.top >= 0 && c.rect.right <= client.right &&
                        c.rect.bottom <= client.bottom)
                << "control " << c.id << " reaches outside the window";
            CheckCaption(c);
        }
        for (std::size_t i = 0; i < children.size(); ++i) {
            for (std::size_t j = i + 1; j < children.size(); ++j) {
                const Child& a = children[i];
                const Child& b = children[j];
                RECT both;
                if (!IntersectRect(&both, &a.rect, &b.rect))
                    continue;
                // Neighbouring captions are a little larger than the steps between them,
                // as designed (hour labels 255 twips high every 240, day captions and
                // totals wider than their columns): they share a pixel or two of margin,
                // never text, as CheckCaption makes sure.
                const bool captions =
                    ClassOf(a.window) == L"Static" && ClassOf(b.window) == L"Static";
                const int shared = std::min(both.right - both.left, both.bottom - both.top);
                EXPECT_TRUE(captions && shared <= MulDiv(2, dpi, 96))
                    << "controls " << a.id << " and " << b.id << " cover each other";
            }
        }
    }

    // The caption fits: labels within their width (less the margins they share with a
    // neighbour), buttons with room around it, check boxes beside their box.
    void CheckCaption(const Child& c) {
        const std::wstring cls = ClassOf(c.window);
        if (cls != L"Static" && cls != L"Button")
            return;
        if ((GetWindowLongW(c.window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && cls == L"Static")
            return;
        const SIZE text = TextSize(c.window);
        const int width = c.rect.right - c.rect.left, height = c.rect.bottom - c.rect.top;
        int room = width;
        if (cls == L"Button") {
            const LONG type = GetWindowLongW(c.window, GWL_STYLE) & BS_TYPEMASK;
            room -= type == BS_CHECKBOX ? GetSystemMetrics(SM_CXMENUCHECK) + MulDiv(4, dpi, 96)
                                        : MulDiv(8, dpi, 96);
        } else if (InArray(c.id, ids::DayLabel0, 7) || InArray(c.id, ids::TotalTime0, 7)) {
            room -= 2 * MulDiv(2, dpi, 96); // centred: clear of both shared margins
        }
        EXPECT_LE(text.cx, room) << "the caption of control " << c.id << " is cut";
        EXPECT_LE(text.cy, height - MulDiv(2, dpi, 96))
            << "the caption of control " << c.id << " is cut";
    }

    testing::SimWorld w;
    win32::Win32Locale locale;
    std::unique_ptr<InputForm> form;
    int dpi = 96;
};

TEST_F(Layout, NothingOverlapsNothingIsCut) {
    CheckLayout("collapsed");
    SendMessageW(form->ControlWindow(ids::MoreButton), BM_CLICK, 0, 0);
    testing::DrainMessages();
    CheckLayout("expanded");
}

TEST_F(Layout, TheGridsCellsAreTheirPictures) {
    RECT grid;
    GetClientRect(form->ControlWindow(ids::AllowedHoursGraphic), &grid);
    const int cellWidth = MulDiv(kCellPictureWidthPx, dpi, 96);
    const int cellHeight = MulDiv(kCellPictureHeightPx, dpi, 96);
    EXPECT_EQ(grid.right, 7 * cellWidth);
    EXPECT_EQ(grid.bottom, 24 * cellHeight);
    EXPECT_EQ(form->Model().CellWidth(), 660) << "a cell keeps its size in twips";
    EXPECT_EQ(form->Model().CellHeight(), 240);
    // The edge of every cell is where the picture puts it: the last column's right edge
    // is the gap colour, the pixel left of it the cell's own. The surface is printed into
    // a bitmap of ours, as the window may reach past the test's small screen.
    const HWND surface = form->ControlWindow(ids::AllowedHoursGraphic);
    HDC screen = GetDC(surface);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, grid.right, grid.bottom);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(surface, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    const COLORREF gap = GetPixel(dc, 7 * cellWidth - 1, cellHeight / 2);
    const COLORREF cell = GetPixel(dc, 7 * cellWidth - 3, cellHeight / 2);
    const COLORREF nextGap = GetPixel(dc, cellWidth - 1, cellHeight / 2);
    const COLORREF bottomGap = GetPixel(dc, cellWidth / 2, 24 * cellHeight - 1);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(surface, screen);
    EXPECT_EQ(gap, nextGap);
    EXPECT_EQ(gap, bottomGap);
    EXPECT_NE(gap, cell);
}

} // namespace
} // namespace qb::mainwindow
