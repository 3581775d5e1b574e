// The controls in real windows under Wine: mouse messages in, events and painted pixels out.

#include "controls/customlist/custom_list_win32.h"
#include "controls/heading/heading_win32.h"
#include "support/windows_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace qb::controls {
namespace {

constexpr COLORREF kHighlight = gdi::ToColorRef(ListColours::Highlight);
constexpr COLORREF kWhite = gdi::ToColorRef(ListColours::Background);
// CustomList1 in the main window, 5085 x 3570 twips at 96 dpi.
constexpr RECT kListBounds{3, 21, 3 + 339, 21 + 238};

using testing::DrainMessages;

// A press and a release of the left (or the right) button at a client pixel; the list
// handles both before this returns.
void Click(HWND w, int x, int y, WPARAM keys = 0, bool right = false) {
    SendMessageW(w, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN,
                 keys | (right ? MK_RBUTTON : MK_LBUTTON), MAKELPARAM(x, y));
    SendMessageW(w, right ? WM_RBUTTONUP : WM_LBUTTONUP, keys, MAKELPARAM(x, y));
}

// A list in a window of its own, and what it reported to its owner.
class ListWindow : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Create(kListBounds)); }
    bool Create(const RECT& bounds, const PropertyBag* layout = nullptr) {
        list = CustomList::Create(host, 100, bounds, layout);
        if (list == nullptr)
            return false;
        w = list->Window();
        list->ItemClick = [this](std::int32_t tag) { items.push_back(tag); };
        list->ColumnClick = [this](std::int32_t column) { columns.push_back(column); };
        return true;
    }
    void Fill(int count) {
        for (int i = 0; i < count; ++i)
            list->AddItem(L"user" + std::to_wstring(100 + i), i % 4, i % 2 == 0, i % 3 == 0, i + 1);
    }
    // The top pixel of row slot k.
    int SlotTop(int k) const {
        return (list->Model().ListTop() + k * list->Model().RowHeight()) / 15;
    }
    COLORREF PixelAt(int x, int y) const { return testing::ScreenPixel(w, x, y); }

    testing::HostWindow host; // goes after the list
    HWND w = nullptr;
    std::unique_ptr<CustomList> list;
    std::vector<int> items;
    std::vector<int> columns;
};

TEST_F(ListWindow, ALeftClickOnARowRaisesItsTagOtherClicksOnItsEmptyPartDoNothing) {
    Fill(6);
    const int y = SlotTop(1) + 20; // below row 1's label, beside its icons
    Click(w, 250, y, 0, true);
    Click(w, 250, y, MK_SHIFT);
    Click(w, 250, y, MK_CONTROL);
    Click(w, 250, SlotTop(7)); // below the last row
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(list->SelectedItem(), -1);

    // One pixel above row 2's icons: the empty part of its slot.
    Click(w, 200, SlotTop(2) - 1);
    EXPECT_EQ(items, (std::vector<int>{3}));
    EXPECT_EQ(list->SelectedItem(), 2);
    // The selected row clicked again tells its owner again.
    Click(w, 200, SlotTop(2) + 20);
    EXPECT_EQ(items, (std::vector<int>{3, 3}));
    // The highlight is painted from that pixel down.
    EXPECT_EQ(PixelAt(300, SlotTop(2) - 1), kHighlight);
    EXPECT_EQ(PixelAt(300, SlotTop(2) - 2), kWhite);
    // Row 4's user-type icon clicks its row, Shift or not.
    const RowItems& row = list->Model().Row(4);
    Click(w, row.userIcon.left / 15 + 10, row.userIcon.top / 15 + 10, MK_SHIFT);
    EXPECT_EQ(items, (std::vector<int>{3, 3, 5}));
    EXPECT_EQ(PixelAt(300, SlotTop(2)), kWhite); // the old row is deselected
}

TEST_F(ListWindow, APressedRowItemHoldsTheMouseUntilReleasedOrInterrupted) {
    Fill(6);
    const RowItems& row = list->Model().Row(2);
    const int x = row.label.left / 15 + 5, y = row.label.top / 15 + 3;
    // Pressed on the name and released outside the list: the list holds the mouse, so the
    // release reaches it, and nothing is clicked.
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    EXPECT_EQ(GetCapture(), w);
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(x, 1000));
    EXPECT_EQ(GetCapture(), nullptr);
    // A later release over the same name, with no press in the list, is no click.
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    EXPECT_TRUE(items.empty());

    // Pressed again, and another window takes the mouse (a menu, a dialog): the press is over.
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SetCapture(host);
    ReleaseCapture();
    SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    EXPECT_TRUE(items.empty());

    // Pressed and released on the same name: one click, and the mouse is free again.
    Click(w, x, y);
    EXPECT_EQ(items, (std::vector<int>{3}));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ListWindow, HeaderReportsOnlyReleasesAndCannotBeResized) {
    Fill(3);
    const HWND header = list->HeaderWindow();
    ASSERT_NE(header, nullptr);
    // Refused: the resize pointer, the press (so no capture and no divider drag) and the
    // double click.
    EXPECT_EQ(SendMessageW(header, WM_SETCURSOR, reinterpret_cast<WPARAM>(header),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              1);
    EXPECT_EQ(SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(24, 5)), 1);
    EXPECT_NE(GetCapture(), header);
    SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 5));
    EXPECT_EQ(SendMessageW(header, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(24, 5)), 1);
    EXPECT_TRUE(columns.empty());
    // On a boundary the right-hand column; beyond the last column (up to x 65535) the last.
    for (const int x : {24, 71, 72, 600, 0xFFFF})
        SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(x, 5));
    EXPECT_EQ(columns, (std::vector<int>{1, 2, 3, 3, 3}));
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(SendMessageW(list->ListViewWindow(), LVM_GETCOLUMNWIDTH, column, 0), 24);
}

TEST_F(ListWindow, TheScrollBarScrollsWhileTheThumbMovesAndByPagesOfTheRowCount) {
    Fill(30); // nine rows fit
    const HWND sb = list->ScrollBarWindow();
    ASSERT_TRUE(IsWindowVisible(sb));
    // Scrolls; gives the top row and the thumb's position.
    auto scroll = [&](WORD code, int position = 0) {
        SendMessageW(w, WM_VSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(sb));
        SCROLLINFO si{sizeof(si), SIF_POS, 0, 0, 0, 0, 0};
        GetScrollInfo(sb, SB_CTL, &si);
        return std::pair{list->Model().TopIndex(), si.nPos};
    };
    list->selectItem(5, false);
    EXPECT_EQ(PixelAt(250, SlotTop(0) + 5), kWhite);
    EXPECT_EQ(scroll(SB_THUMBTRACK, 5).first, 5);
    // Row 5 now fills the first slot, painted without waiting for the end of the drag.
    EXPECT_EQ(PixelAt(250, SlotTop(0) + 5), kHighlight);
    scroll(SB_THUMBTRACK, 7);
    EXPECT_EQ(PixelAt(250, SlotTop(0) + 5), kWhite);
    scroll(SB_ENDSCROLL);
    // A click lands on the row now shown there.
    Click(w, 300, SlotTop(1) + 20);
    EXPECT_EQ(items, (std::vector<int>{9}));

    // The large change is the row count: a page down shows the last rows, the thumb at
    // the end and the last row in the last slot.
    list->selectItem(29, false);
    EXPECT_EQ(scroll(SB_PAGEDOWN), std::pair(21, 21));
    EXPECT_EQ(PixelAt(250, SlotTop(8) + 5), kHighlight);
    EXPECT_EQ(scroll(SB_PAGEDOWN), std::pair(21, 21));
    EXPECT_EQ(scroll(SB_LINEUP), std::pair(20, 20));
    EXPECT_EQ(scroll(SB_PAGEUP), std::pair(0, 0));
    EXPECT_EQ(PixelAt(250, SlotTop(8) + 5), kWhite);
    EXPECT_EQ(scroll(SB_PAGEUP), std::pair(0, 0));
}

TEST_F(ListWindow, NoHeaderPutsTheFirstRowOnePixelFromTheTop) {
    MemoryPropertyBag layout; // the second list: small icons, no header
    layout.Set(L"SmallIcons", true);
    layout.Set(L"NoHeader", true);
    list.reset();
    ASSERT_TRUE(Create(RECT{3, 286, 3 + 339, 286 + 181}, &layout));
    EXPECT_FALSE(IsWindowVisible(list->ListViewWindow()));
    list->AddItem(L"<no restrictions>", -1, false, false, 0);
    list->AddItem(L"anna", 1, true, false, 1);
    list->selectItem(0, false);
    // The first row's highlight starts one pixel above it: at the very top, 18 pixels high.
    EXPECT_EQ(PixelAt(250, 0), kHighlight);
    EXPECT_EQ(PixelAt(250, 17), kHighlight);
    EXPECT_EQ(PixelAt(250, 18), kWhite);
    // Row 1's clock (16 x 16 at x 17) is drawn in its slot, from y 19 on.
    int inSlot = 0, above = 0;
    for (int x = 17; x < 17 + 16; ++x)
        for (int y = 18; y < 19 + 16; ++y)
            (y == 18 ? above : inSlot) += PixelAt(x, y) != kWhite;
    EXPECT_GT(inSlot, 0);
    EXPECT_EQ(above, 0);
}

// Everything a list's windows show: the scroll bar's state and place, the header strip
// with its columns, and the rows as painted.
struct Shown {
    std::vector<LRESULT> bar;    // min, max, page, position, visible, then its rectangle
    std::vector<LRESULT> header; // visible, its rectangle, then the column widths
    testing::Pixels rows;
};

void AddPlace(std::vector<LRESULT>& values, HWND child, HWND parent) {
    values.push_back(IsWindowVisible(child));
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    values.insert(values.end(), {r.left, r.top, r.right, r.bottom});
}

Shown ShownBy(const CustomList& list) {
    Shown s;
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(list.ScrollBarWindow(), SB_CTL, &si);
    s.bar = {si.nMin, si.nMax, static_cast<LRESULT>(si.nPage), si.nPos};
    AddPlace(s.bar, list.ScrollBarWindow(), list.Window());
    AddPlace(s.header, list.ListViewWindow(), list.Window());
    for (WPARAM c = 0; c < CustomListModel::ColumnCount; ++c)
        s.header.push_back(SendMessageW(list.ListViewWindow(), LVM_GETCOLUMNWIDTH, c, 0));
    s.rows = testing::Printed(list.Window());
    return s;
}

void ExpectSameShown(const Shown& a, const Shown& b) {
    EXPECT_EQ(a.bar, b.bar);
    EXPECT_EQ(a.header, b.header);
    EXPECT_TRUE(a.rows == b.rows) << "the rows are painted differently";
}

TEST_F(ListWindow, FillingInOneBatchShowsExactlyWhatFillingRowByRowShows) {
    // Nine rows fit: below, at, just past and far past the first row that does not.
    for (const int count : {5, 9, 10, 300}) {
        SCOPED_TRACE(count);
        auto rowByRow = CustomList::Create(host, 101, kListBounds);
        auto batched = CustomList::Create(host, 102, kListBounds);
        ASSERT_TRUE(rowByRow && batched);
        auto add = [](CustomList& l, int i) {
            l.AddItem(L"user" + std::to_wstring(1000 - i), i % 4, i % 2 == 0, i % 3 == 0, i + 1);
        };
        for (int i = 0; i < count; ++i)
            add(*rowByRow, i);
        rowByRow->selectItem(count / 2, false);

        const Shown before = ShownBy(*batched);
        {
            CustomList::Batch batch(*batched);
            {
                CustomList::Batch nested(*batched);
                for (int i = 0; i < count; ++i)
                    add(*batched, i);
            }
            batched->selectItem(count / 2, false);
            // Nothing has reached the windows yet, not even at the end of the inner batch.
            EXPECT_EQ(ShownBy(*batched).bar, before.bar);
        }
        ExpectSameShown(ShownBy(*rowByRow), ShownBy(*batched));
    }
}

TEST_F(ListWindow, AHeaderFirstShownLaterIsTheOneAListMadeWithItShows) {
    MemoryPropertyBag layout;
    layout.Set(L"NoHeader", true);
    auto later = CustomList::Create(host, 101, kListBounds, &layout);
    ASSERT_TRUE(later);
    EXPECT_EQ(later->ListViewWindow(), nullptr) << "no list view while no header shows";
    later->SetNoHeader(false);
    std::vector<int> clicked;
    later->ColumnClick = [&](std::int32_t column) { clicked.push_back(column); };
    for (CustomList* l : {list.get(), later.get()}) {
        l->AddItem(L"anna", 2, true, false, 1);
        l->AddItem(L"bob", 1, false, true, 2);
        l->Sort(3, false);
    }
    ExpectSameShown(ShownBy(*list), ShownBy(*later));
    Click(later->HeaderWindow(), 5, 5);
    EXPECT_EQ(clicked, std::vector<int>{0}) << "its clicks reach the list";
}

// The painted pixels of row slot k (96 dpi).
std::vector<COLORREF> SlotPixels(const CustomList& list, const Shown& shown, int k) {
    const int top = (list.Model().ListTop() + k * list.Model().RowHeight()) / 15;
    const int bottom = top + list.Model().RowHeight() / 15;
    const auto& pixels = shown.rows.colours;
    return {pixels.begin() + top * shown.rows.width, pixels.begin() + bottom * shown.rows.width};
}

TEST_F(ListWindow, SetFontIgnoresBoldAndLeavesTheNamesAlreadyShown) {
    auto fill = [&](CustomList& l, int bold) {
        l.AddItem(L"Anna Adams", 1, false, false, 1);
        l.AddItem(L"Ben Brown", 1, false, false, 2);
        if (bold >= 0)
            l.SetFont(L"Tahoma", 14, bold == 1, false, false, false);
        l.AddItem(L"Carla Cole", 1, false, false, 3);
    };
    fill(*list, 1);
    auto plain = CustomList::Create(host, 101, kListBounds);
    auto untouched = CustomList::Create(host, 102, kListBounds);
    ASSERT_TRUE(plain && untouched);
    fill(*plain, 0);
    fill(*untouched, -1);
    const Shown bold = ShownBy(*list), notBold = ShownBy(*plain), designed = ShownBy(*untouched);
    EXPECT_TRUE(bold.rows == notBold.rows) << "the bold flag was applied";
    // Row 1 was added before SetFont and keeps its font; row 2 takes the new one, and so
    // does row 0, whose name is the template every later row copies.
    EXPECT_TRUE(SlotPixels(*list, bold, 1) == SlotPixels(*untouched, designed, 1));
    EXPECT_FALSE(SlotPixels(*list, bold, 2) == SlotPixels(*untouched, designed, 2));
    EXPECT_FALSE(SlotPixels(*list, bold, 0) == SlotPixels(*untouched, designed, 0));
}

// The columns of the header in which the sort mark's bluish pixels lie, as painted.
std::pair<int, int> SortMarkColumns(HWND header) {
    DrainMessages();
    UpdateWindow(header);
    RECT r{};
    GetClientRect(header, &r);
    const gdi::WindowDc dc = gdi::GetWindowDc(header);
    int first = -1, last = -1;
    for (int x = 0; x < r.right; ++x)
        for (int y = 0; y < r.bottom; ++y) {
            const COLORREF c = GetPixel(dc.Get(), x, y);
            if (GetBValue(c) >= GetRValue(c) + 40) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
    return {first, last};
}

// How far into the sort mark picture its first column bluish enough for SortMarkColumns
// lies, on the header's background.
int MarkInset(HWND header, int mark) {
    const gdi::WindowDc dc = gdi::GetWindowDc(header);
    const COLORREF background = GetPixel(dc.Get(), 2, 2); // left of any mark and caption
    const std::uint32_t rgb =
        (GetRValue(background) << 16) | (GetGValue(background) << 8) | GetBValue(background);
    const Picture picture = SortMarkImage(mark);
    for (int x = 0; x < picture.width; ++x)
        for (int y = 0; y < picture.height; ++y) {
            const std::uint32_t c = OverColour(picture.At(x, y), rgb);
            if ((c & 0xFF) >= ((c >> 16) & 0xFF) + 40)
                return x;
        }
    return -1;
}

TEST_F(ListWindow, TheHeaderShowsTheSortMarkWhereTheSortIs) {
    Fill(3);
    const HWND header = list->HeaderWindow();
    // Columns 0 to 2 are 24 pixels wide: the mark stands 6 pixels into its column, and
    // nothing of it is left at its old place.
    for (const int column : {0, 1, 2}) {
        list->Sort(column, column != 1);
        const auto [left, right] = SortMarkColumns(header);
        const int mark = column != 1 ? AscendingSortMark : DescendingSortMark;
        EXPECT_EQ(left, 24 * column + 6 + MarkInset(header, mark)) << column;
        EXPECT_LT(right, 24 * column + 6 + SortMarkSize.width) << column;
    }
    // In the name column the mark follows the caption, 14 pixels past its measured width.
    list->Sort(3, false);
    const auto font =
        reinterpret_cast<HFONT>(SendMessageW(list->ListViewWindow(), WM_GETFONT, 0, 0));
    const gdi::WindowDc dc = gdi::GetWindowDc(header);
    const gdi::Selection keep(dc.Get(), font);
    SIZE caption{};
    GetTextExtentPoint32W(dc.Get(), L"User name", 9, &caption);
    const auto [left3, right3] = SortMarkColumns(header);
    EXPECT_EQ(left3, 72 + caption.cx + 14 + MarkInset(header, DescendingSortMark));
    EXPECT_LT(right3, 72 + caption.cx + 14 + SortMarkSize.width);
}

HWND watchedHeader = nullptr;
LONG_PTR procAfterLastMessage = 0;

LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->hwnd == watchedHeader && call->message == WM_NCDESTROY)
        procAfterLastMessage = GetWindowLongPtrW(call->hwnd, GWLP_WNDPROC);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ListWindow, TheHeaderHasItsOwnProcedureBackWhenTheListGoes) {
    const HHOOK hook =
        SetWindowsHookExW(WH_CALLWNDPROCRET, &AfterMessage, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    // The list object goes first, or its window goes first with its parent.
    for (const bool objectFirst : {true, false}) {
        SCOPED_TRACE(objectFirst ? "object first" : "window first");
        if (!list) {
            ASSERT_TRUE(Create(kListBounds));
        }
        watchedHeader = list->HeaderWindow();
        const LONG_PTR own = GetClassLongPtrW(watchedHeader, GCLP_WNDPROC);
        EXPECT_NE(GetWindowLongPtrW(watchedHeader, GWLP_WNDPROC), own) << "not hooked";
        procAfterLastMessage = 0;
        if (objectFirst) {
            list.reset();
        } else {
            DestroyWindow(w);
            EXPECT_EQ(list->HeaderWindow(), nullptr);
            list.reset();
        }
        EXPECT_EQ(procAfterLastMessage, own);
    }
    UnhookWindowsHookEx(hook);
}

TEST_F(ListWindow, SettersOfTheSelectedRowChangeNothingWithoutASelection) {
    Fill(4); // rows 0 and 2 restricted, rows 0 and 3 locked
    ASSERT_EQ(list->SelectedItem(), -1);
    const Shown before = ShownBy(*list);
    // Each would show on the first or the last row, were it taken for the selected one.
    list->SetAccountLocked(false);
    list->SetHasTimeRestrictions(true);
    list->SetNewUserName(L"changed");
    ExpectSameShown(before, ShownBy(*list));
}

constexpr COLORREF kStrip = gdi::ToColorRef(HeadingModel::StripColour);

// A caption strip in the host, 19 pixels high.
std::unique_ptr<Heading> MakeStrip(HWND host, int width, int top = 2) {
    return Heading::Create(host, 1, RECT{2, top, 2 + width, top + 19});
}

// Wider than designed: the band and the closing line follow the real width from the
// start (the strip gets WM_CREATE and its first WM_SIZE), with no repair after creation.
TEST(StripWindow, ShowsItsColourTheBandOnePixelInTheClosingLineAndADash) {
    const testing::HostWindow host;
    auto strip = MakeStrip(host, 300);
    ASSERT_NE(strip, nullptr);
    EXPECT_NE(strip->CaptionFont(), nullptr); // made at WM_CREATE
    wchar_t title[8] = {};
    GetWindowTextW(strip->Window(), title, 8);
    EXPECT_EQ(std::wstring(title), L"-");
    const testing::Pixels shown = testing::Printed(strip->Window());
    const auto at = [&](int x, int y) { return shown.At(x, y); };
    // The strip's colour round the band, which starts one pixel in and is 16 pixels high.
    EXPECT_EQ(at(0, 0), kStrip);
    EXPECT_EQ(at(0, 10), kStrip);
    EXPECT_EQ(at(150, 0), kStrip);
    EXPECT_EQ(at(150, 17), kStrip);
    EXPECT_NE(at(1, 1), kStrip);
    EXPECT_NE(at(150, 16), kStrip);
    // The closing line: the last column is the strip's colour where the band would show.
    EXPECT_NE(at(298, 8), kStrip);
    EXPECT_EQ(at(299, 8), kStrip);
    // The dash: dark pixels in the caption's first few columns, none once the text is empty.
    auto dark = [](const testing::Pixels& pixels) {
        return std::count_if(pixels.colours.begin(), pixels.colours.end(), [](COLORREF c) {
            return GetRValue(c) < 64 && GetGValue(c) < 64 && GetBValue(c) < 64;
        });
    };
    EXPECT_GT(dark(shown), 0);
    strip->SetText(L"");
    EXPECT_EQ(dark(testing::Printed(strip->Window())), 0);
}

TEST(StripWindow, StaysBoldWhateverSetFontSaysAndTakesTheRest) {
    const testing::HostWindow host;
    auto notBold = MakeStrip(host, 300);
    auto bold = MakeStrip(host, 300, 30);
    ASSERT_TRUE(notBold && bold);
    notBold->SetFont(L"Tahoma", 9, false, true, true, true);
    bold->SetFont(L"Tahoma", 9, true, true, true, true);
    EXPECT_TRUE(notBold->Model().Font().bold);
    LOGFONTW font{};
    ASSERT_NE(GetObjectW(notBold->CaptionFont(), sizeof(font), &font), 0);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(std::wstring(font.lfFaceName), L"Tahoma");
    EXPECT_TRUE(font.lfItalic && font.lfUnderline && font.lfStrikeOut);
    EXPECT_TRUE(testing::Printed(notBold->Window()) == testing::Printed(bold->Window()));
}

} // namespace
} // namespace qb::controls
