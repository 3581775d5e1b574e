// The main window's layout on the screen it runs on (this file runs at 96, 144 and 192 dots
// per inch), and again after the window was moved to a screen of another density:
// collapsed and expanded, every control lies inside the window, no two controls cover each
// other, every caption fits its control, the grid's cells are exactly the size of their
// pictures and lie beside their hour labels, and no two list rows overlap.

#include "support/main_window_win32.h"

#include <algorithm>
#include <string>
#include <vector>

namespace qb::mainwindow {
namespace {

// A control that shows: a child window, or a label the window draws (no window).
struct Child {
    HWND window;
    int id;
    RECT rect; // in the form's client coordinates
    bool Caption() const { return window == nullptr || testing::ClassName(window) == L"Static"; }
};

std::vector<Child> VisibleChildren(const InputForm& form) {
    std::vector<Child> children;
    for (HWND w = GetWindow(form.Window(), GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!IsWindowVisible(w))
            continue;
        children.push_back({w, GetDlgCtrlID(w), form.ControlRect(GetDlgCtrlID(w))});
    }
    for (const ControlSpec& design : DesignedControls()) {
        const RECT r = form.ControlRect(design.id);
        if (design.drawn && r.right > r.left)
            children.push_back({nullptr, design.id, r});
    }
    return children;
}

// The size of a control's caption in the font it shows in.
SIZE TextSize(const InputForm& form, const Child& c) {
    const std::wstring text =
        c.window != nullptr ? testing::WindowText(c.window) : form.Model().Control(c.id).text;
    HDC dc = GetDC(form.Window());
    const HGDIOBJ old = SelectObject(dc, form.ControlFont(c.id));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(form.Window(), dc);
    return size;
}

class Layout : public MainWindowTest {
protected:
    void SetUp() override {
        // Enough accounts of every look to fill the first list past its end.
        for (int i = 0; i < 12; ++i)
            w.machine->AddAccount(
                {.name = L"user" + std::to_wstring(i),
                 .flags = platform::user_flags::Script | platform::user_flags::NormalAccount |
                          (i % 3 == 0 ? platform::user_flags::AccountDisable : 0u),
                 .logonHours =
                     i % 2 == 0 ? std::optional(platform::LogonHoursBytes{}) : std::nullopt,
                 .groups = {i % 4 == 0 ? L"Administrators" : L"Users"}});
        Open();
        HDC screen = GetDC(nullptr);
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    // Pixels on this screen for pixels at 96 dots per inch.
    int Px(int pixels) const { return MulDiv(pixels, dpi, 96); }
    controls::Density Screen() const { return controls::Density(dpi); }

    // The window is told that it now shows on a screen of `newDpi`, at this place.
    void MoveToDensity(int newDpi) {
        RECT suggested{};
        GetWindowRect(form->Window(), &suggested);
        OffsetRect(&suggested, 7, 5);
        suggested.right = suggested.left + MulDiv(suggested.right - suggested.left, newDpi, dpi);
        suggested.bottom = suggested.top + MulDiv(suggested.bottom - suggested.top, newDpi, dpi);
        SendMessageW(form->Window(), WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
                     reinterpret_cast<LPARAM>(&suggested));
        testing::DrainMessages();
        dpi = newDpi;
        RECT now{};
        GetWindowRect(form->Window(), &now);
        EXPECT_EQ(now.left, suggested.left) << "the suggested place is not taken";
        EXPECT_EQ(now.top, suggested.top) << "the suggested place is not taken";
    }

    // A press on the grid at the height of an hour label's middle turns that label's hour
    // over, and the picture drawn there shows it: every other hour of the first column.
    void CheckHoursBesideTheirLabels() {
        const HWND grid = Ctl(ids::AllowedHoursGraphic);
        RECT g{};
        GetClientRect(grid, &g);
        const int x = g.right / (2 * kGridColumns);
        std::vector<int> middles;
        for (int r = 0; r < kGridRows; ++r) {
            const RECT label = form->ControlRect(ids::HourLabel0 + r);
            POINT middle{0, (label.top + label.bottom) / 2};
            MapWindowPoints(form->Window(), grid, &middle, 1);
            middles.push_back(middle.y);
        }
        auto pressEvenHours = [&] {
            for (int r = 0; r < kGridRows; r += 2) {
                SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, middles[r]));
                SendMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(x, middles[r]));
            }
        };
        pressEvenHours();
        const testing::Pixels shown = testing::Printed(grid);
        for (int r = 0; r < kGridRows; ++r) {
            const bool allowed = r % 2 == 1; // the account had every hour
            const COLORREF c = shown.At(x, middles[static_cast<std::size_t>(r)]);
            EXPECT_EQ(form->Model().Grid().allowed[0][static_cast<std::size_t>(r)], allowed)
                << "pressed beside " << form->Model().Control(ids::HourLabel0 + r).text;
            EXPECT_EQ(GetGValue(c) > GetRValue(c) + 40, allowed)
                << "drawn beside " << form->Model().Control(ids::HourLabel0 + r).text;
        }
        pressEvenHours();
    }

    // Each row's pictures and text, in pixels, lie within its slot - from one pixel of the
    // design above its top, where its highlight starts, to the next slot's.
    void CheckListRowsApart() {
        const controls::Density d = Screen();
        for (const int id : {ids::CustomList1, ids::CustomList2}) {
            const controls::CustomListModel& m = form->List(id)->Model();
            const auto [first, last] = m.VisibleRows();
            ASSERT_GT(last, first);
            for (int i = first; i <= last; ++i) {
                const controls::RowItems& row = m.Row(i);
                const int slot = row.userIcon.top - controls::kDesignPixel;
                const int top = d.Pixels(slot), bottom = d.Pixels(slot + m.RowHeight());
                EXPECT_GE(d.Pixels(row.label.top), top) << "list " << id << " row " << i;
                EXPECT_LE(d.Pixels(row.label.bottom()), bottom) << "list " << id << " row " << i;
                EXPECT_LE(d.Pixels(row.userIcon.top) + d.Pixels(row.userIcon.height), bottom);
            }
        }
    }

    void CheckLayout(const char* state) {
        SCOPED_TRACE(state);
        RECT client;
        GetClientRect(form->Window(), &client);
        const std::vector<Child> children = VisibleChildren(*form);
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
                const bool captions = a.Caption() && b.Caption();
                const int shared = std::min(both.right - both.left, both.bottom - both.top);
                EXPECT_TRUE(captions && shared <= Px(2))
                    << "controls " << a.id << " and " << b.id << " cover each other";
            }
        }
    }

    // The caption fits: labels within their width (less the margins they share with a
    // neighbour), buttons with room around it, check boxes beside their box.
    void CheckCaption(const Child& c) {
        const std::wstring cls = c.window != nullptr ? testing::ClassName(c.window) : L"Static";
        if (cls != L"Static" && cls != L"Button")
            return;
        if (c.window != nullptr && cls == L"Static" &&
            (GetWindowLongW(c.window, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return;
        const SIZE text = TextSize(*form, c);
        const int width = c.rect.right - c.rect.left, height = c.rect.bottom - c.rect.top;
        int room = width;
        if (cls == L"Button") {
            const LONG type = GetWindowLongW(c.window, GWL_STYLE) & BS_TYPEMASK;
            room -= type == BS_CHECKBOX ? GetSystemMetrics(SM_CXMENUCHECK) + Px(4) : Px(8);
        } else if ((c.id >= ids::DayLabel0 && c.id < ids::DayLabel0 + 7) ||
                   (c.id >= ids::TotalTime0 && c.id < ids::TotalTime0 + 7)) {
            room -= 2 * Px(2); // centred: clear of both shared margins
        }
        EXPECT_LE(text.cx, room) << "the caption of control " << c.id << " is cut";
        EXPECT_LE(text.cy, height - 2 * dpi / 96) << "the caption of control " << c.id << " is cut";
    }

    int dpi = 96;
};

TEST_F(Layout, NothingOverlapsNothingIsCutRowsStayBesideTheirLabels) {
    CheckLayout("collapsed");
    CheckHoursBesideTheirLabels();
    CheckListRowsApart();
    Click(ids::MoreButton);
    CheckLayout("expanded");
}

TEST_F(Layout, AnotherDensityLaysTheWindowOutAgain) {
    MoveToDensity(dpi == 192 ? 120 : 192);
    const controls::Density d = Screen();
    SCOPED_TRACE(d.Dpi());
    EXPECT_EQ(ClientSize().cx, d.Pixels(kClientWidth));
    CheckLayout("collapsed");
    CheckHoursBesideTheirLabels();
    CheckListRowsApart();
    // The fonts are made for the new screen: a caption as tall as the menu font there.
    const HFONT font =
        reinterpret_cast<HFONT>(SendMessageW(Ctl(ids::CloseButton), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    EXPECT_EQ(-lf.lfHeight,
              MulDiv(static_cast<int>(form->Model().SystemFont().FontSize), d.Dpi(), 72));
    // The program's icon, made again for the title bar's size there.
    const auto smallIcon =
        reinterpret_cast<HICON>(SendMessageW(form->Window(), WM_GETICON, ICON_SMALL, 0));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(smallIcon, &info));
    BITMAP bitmap{};
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, controls::gdi::SystemMetric(SM_CXSMICON, d));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    Click(ids::MoreButton);
    CheckLayout("expanded");
}

TEST_F(Layout, TheGridsCellsAreTheirPictures) {
    const int cellWidth = Px(kCellPictureWidthPx);
    const int cellHeight = Px(kCellPictureHeightPx);
    EXPECT_EQ(form->Model().CellWidth(), 660) << "a cell keeps its size in twips";
    EXPECT_EQ(form->Model().CellHeight(), 240);
    // Printed into a bitmap of ours, as the window may reach past the test's small screen.
    const testing::Pixels grid = testing::Printed(Ctl(ids::AllowedHoursGraphic));
    ASSERT_EQ(grid.width, 7 * cellWidth);
    ASSERT_EQ(grid.height, 24 * cellHeight);
    // The edge of every cell is where the picture puts it: the last column's right edge is
    // the gap colour, as are the first cell's right and the last row's bottom edge, and the
    // pixel left of it is the cell's own.
    const COLORREF gap = grid.At(7 * cellWidth - 1, cellHeight / 2);
    EXPECT_EQ(grid.At(cellWidth - 1, cellHeight / 2), gap);
    EXPECT_EQ(grid.At(cellWidth / 2, 24 * cellHeight - 1), gap);
    EXPECT_NE(grid.At(7 * cellWidth - 3, cellHeight / 2), gap);
}

} // namespace
} // namespace qb::mainwindow
