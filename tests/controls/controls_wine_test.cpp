// The two controls in real windows under Wine: mouse messages in, events and painted
// pixels out.

#include "controls/customlist/custom_list.h"
#include "controls/heading/heading.h"
#include "wine_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb::controls {
namespace {

using testing::Drain;
using testing::HostWindow;
using testing::PixelAt;
using testing::PumpUntil;

constexpr COLORREF kHighlight = RGB(96, 135, 223);
constexpr COLORREF kStrip = RGB(0x4F, 0x77, 0xC0);

LPARAM Point(int x, int y) {
    return MAKELPARAM(x, y);
}

class ListFixture : public ::testing::Test {
protected:
    void SetUp() override {
        // CustomList1's designed size: 5085 x 3570 twips at 96 dpi.
        list = CustomList::Create(host.Get(), 100, RECT{3, 21, 3 + 339, 21 + 238});
        ASSERT_NE(list, nullptr);
        list->ItemClick = [this](std::int32_t tag) { items.push_back(tag); };
        list->ColumnClick = [this](std::int32_t column) { columns.push_back(column); };
    }
    void Fill(int count) {
        for (int i = 0; i < count; ++i)
            list->AddItem(L"user" + std::to_wstring(100 + i), i % 4, i % 2 == 0, i % 3 == 0, i + 1);
        Drain();
    }
    int Tppy() const { return list->Model().Metrics().tppy; }
    // Top pixel of row slot k.
    int SlotTopPx(int k) const {
        return (list->Model().ListTop() + k * list->Model().RowHeight()) / Tppy();
    }

    HostWindow host{760, 520};
    std::unique_ptr<CustomList> list;
    std::vector<int> items;
    std::vector<int> columns;
};

TEST_F(ListFixture, ClickingARowPixelRaisesItsTag) {
    Fill(6);
    // One pixel above row 2's icons, right of its label's reach: the empty part.
    const HWND w = list->Window();
    PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(200, SlotTopPx(2) - 1));
    PostMessageW(w, WM_LBUTTONUP, 0, Point(200, SlotTopPx(2) - 1));
    ASSERT_TRUE(PumpUntil([&] { return !items.empty(); }));
    EXPECT_EQ(items, (std::vector<int>{3}));
    EXPECT_EQ(list->SelectedItem(), 2);
    // The highlight is painted from that pixel down.
    EXPECT_EQ(PixelAt(w, 300, SlotTopPx(2) - 1), kHighlight);
    EXPECT_EQ(PixelAt(w, 300, SlotTopPx(2) - 2), RGB(255, 255, 255));

    // On row 4's user-type icon: press and release.
    const RowItems& row = list->Model().Row(4);
    const int ix = row.userIcon.left / 15 + 10, iy = row.userIcon.top / Tppy() + 10;
    PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, Point(ix, iy));
    PostMessageW(w, WM_LBUTTONUP, MK_SHIFT, Point(ix, iy));
    ASSERT_TRUE(PumpUntil([&] { return items.size() == 2; }));
    EXPECT_EQ(items.back(), 5);
    EXPECT_EQ(PixelAt(w, 300, SlotTopPx(2)), RGB(255, 255, 255)); // old row deselected
}

TEST_F(ListFixture, RightClickAndShiftClickOnTheEmptyPartDoNothing) {
    Fill(6);
    const HWND w = list->Window();
    const int y = SlotTopPx(1) + 20; // below row 1's label, beside its icons
    PostMessageW(w, WM_RBUTTONDOWN, MK_RBUTTON, Point(250, y));
    PostMessageW(w, WM_RBUTTONUP, 0, Point(250, y));
    PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, Point(250, y));
    PostMessageW(w, WM_LBUTTONUP, MK_SHIFT, Point(250, y));
    PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, Point(250, y));
    PostMessageW(w, WM_LBUTTONUP, MK_CONTROL, Point(250, y));
    Drain();
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(list->SelectedItem(), -1);
    // Below the last row: nothing either; the plain left button on the row does act.
    PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(250, SlotTopPx(7)));
    PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(250, y));
    ASSERT_TRUE(PumpUntil([&] { return !items.empty(); }));
    EXPECT_EQ(items, (std::vector<int>{2}));
}

TEST_F(ListFixture, HeaderReleaseGivesTheColumn) {
    Fill(3);
    const HWND header = list->HeaderWindow();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(SendMessageW(list->ListViewWindow(), LVM_GETCOLUMNWIDTH, 0, 0), 24);
    PostMessageW(header, WM_LBUTTONUP, 0, Point(24, 5));  // boundary of columns 0 and 1
    PostMessageW(header, WM_LBUTTONUP, 0, Point(71, 5));  // last pixel of column 2
    PostMessageW(header, WM_LBUTTONUP, 0, Point(72, 5));  // first of column 3
    PostMessageW(header, WM_LBUTTONUP, 0, Point(600, 5)); // beyond the last column
    PostMessageW(header, WM_LBUTTONUP, 0, static_cast<LPARAM>(0xFFFF)); // x of 65535
    ASSERT_TRUE(PumpUntil([&] { return columns.size() == 5; }));
    EXPECT_EQ(columns, (std::vector<int>{1, 2, 3, 3, 3}));
}

TEST_F(ListFixture, HeaderRefusesTheResizePointerPressAndDoubleClick) {
    Fill(3);
    const HWND header = list->HeaderWindow();
    EXPECT_EQ(SendMessageW(header, WM_SETCURSOR, reinterpret_cast<WPARAM>(header),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              1);
    EXPECT_EQ(SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, Point(24, 5)), 1);
    EXPECT_NE(GetCapture(), header);
    // A would-be divider drag changes no width.
    SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, Point(60, 5));
    SendMessageW(header, WM_LBUTTONUP, 0, Point(60, 5));
    EXPECT_EQ(SendMessageW(list->ListViewWindow(), LVM_GETCOLUMNWIDTH, 0, 0), 24);
    EXPECT_EQ(SendMessageW(list->ListViewWindow(), LVM_GETCOLUMNWIDTH, 1, 0), 24);
    EXPECT_EQ(SendMessageW(header, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(24, 5)), 1);
    Drain();
    EXPECT_EQ(columns, (std::vector<int>{2})); // only the release counted
    // The strip is exactly as tall as the header.
    RECT lv, hd;
    GetClientRect(list->ListViewWindow(), &lv);
    GetWindowRect(header, &hd);
    EXPECT_EQ(lv.bottom, hd.bottom - hd.top);
}

TEST_F(ListFixture, SortMarkIsPaintedOnTheHeader) {
    Fill(5);
    list->Sort(1, true);
    const HWND header = list->HeaderWindow();
    auto markPixels = [&](int left) {
        Drain();
        RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        HDC dc = GetDC(header);
        int n = 0;
        for (int y = 4; y < 16; ++y)
            for (int x = left; x < left + 12; ++x)
                if (GetPixel(dc, x, y) == RGB(0x4F, 0x6F, 0x9F))
                    ++n;
        ReleaseDC(header, dc);
        return n;
    };
    EXPECT_GT(markPixels(24 + 6), 10);
    list->Sort(0, false);
    EXPECT_GT(markPixels(6), 10);
    EXPECT_EQ(markPixels(24 + 6), 0);
}

TEST_F(ListFixture, DraggingTheThumbScrollsWhileItMoves) {
    Fill(30);
    const HWND sb = list->ScrollBarWindow();
    ASSERT_TRUE(IsWindowVisible(sb));
    EXPECT_EQ(list->Model().ScrollBar().max, 30 - (3570 - 315) / 360);
    list->selectItem(5, false);
    const HWND w = list->Window();
    EXPECT_EQ(PixelAt(w, 250, SlotTopPx(0) + 5), RGB(255, 255, 255));
    SendMessageW(w, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5), reinterpret_cast<LPARAM>(sb));
    EXPECT_EQ(list->Model().TopIndex(), 5);
    // Row 5 now fills the first slot, painted without waiting for the end of the drag.
    EXPECT_EQ(PixelAt(w, 250, SlotTopPx(0) + 5), kHighlight);
    SendMessageW(w, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 7), reinterpret_cast<LPARAM>(sb));
    EXPECT_EQ(list->Model().TopIndex(), 7);
    EXPECT_EQ(PixelAt(w, 250, SlotTopPx(0) + 5), RGB(255, 255, 255));
    SendMessageW(w, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 7), reinterpret_cast<LPARAM>(sb));
    SendMessageW(w, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(sb));
    EXPECT_EQ(GetScrollPos(sb, SB_CTL), 7);
    // A click lands on the row now shown there.
    PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, Point(300, SlotTopPx(1) + 20));
    ASSERT_TRUE(PumpUntil([&] { return !items.empty(); }));
    EXPECT_EQ(items.back(), 9);
    // Growing the list until all rows fit hides the bar and returns to the top.
    SetWindowPos(w, nullptr, 0, 0, 339, 800, SWP_NOMOVE | SWP_NOZORDER);
    Drain();
    EXPECT_FALSE(IsWindowVisible(sb));
    EXPECT_EQ(list->Model().TopIndex(), 0);
}

TEST(CustomListWindow, NoHeaderPutsTheFirstRowOnePixelFromTheTop) {
    HostWindow host(760, 520);
    MemoryPropertyBag layout;
    layout.Set(L"SmallIcons", true);
    layout.Set(L"NoHeader", true);
    auto list = CustomList::Create(host.Get(), 101, RECT{3, 286, 3 + 339, 286 + 181}, &layout);
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(IsWindowVisible(list->ListViewWindow()));
    list->AddItem(L"<no restrictions>", -1, false, false, 0);
    list->AddItem(L"anna", 1, true, false, 1);
    list->selectItem(0, false);
    const HWND w = list->Window();
    // The highlight starts one pixel above the row: at the very top, 18 pixels high.
    EXPECT_EQ(PixelAt(w, 250, 0), kHighlight);
    EXPECT_EQ(PixelAt(w, 250, 17), kHighlight);
    EXPECT_EQ(PixelAt(w, 250, 18), RGB(255, 255, 255));
    // Row 1's clock sits in its slot from y 19.
    bool clockInSlot = false;
    for (int y = 19; y < 19 + 16 && !clockInSlot; ++y)
        for (int x = 17; x < 17 + 16; ++x)
            if (PixelAt(w, x, y) != RGB(255, 255, 255))
                clockInSlot = true;
    EXPECT_TRUE(clockInSlot);
    for (int x = 17; x < 17 + 16; ++x)
        EXPECT_EQ(PixelAt(w, x, 18), RGB(255, 255, 255)) << x;
}

TEST(HeadingWindow, ShowsADashAndKeepsItsLineOnePixelInside) {
    HostWindow host(760, 520);
    auto heading = Heading::Create(host.Get(), 200, RECT{2, 2, 2 + 341, 2 + 19});
    ASSERT_NE(heading, nullptr);
    wchar_t text[16] = {};
    GetWindowTextW(heading->Window(), text, 16);
    EXPECT_STREQ(text, L"-");
    const HWND w = heading->Window();
    auto darkPixels = [&] {
        int n = 0;
        for (int y = 3; y < 19; ++y)
            for (int x = 0; x < 20; ++x)
                if (GetRValue(PixelAt(w, x, y)) < 60 && GetBValue(PixelAt(w, x, y)) < 60)
                    ++n;
        return n;
    };
    EXPECT_GT(darkPixels(), 0); // the dash, in black
    auto checkEdges = [&](int width) {
        EXPECT_EQ(PixelAt(w, width - 1, 5), kStrip);
        EXPECT_EQ(PixelAt(w, width - 1, 16), kStrip);
        EXPECT_NE(PixelAt(w, width - 2, 5), kStrip); // the band reaches the line
        EXPECT_EQ(PixelAt(w, 0, 5), kStrip);
        EXPECT_NE(PixelAt(w, 1, 5), kStrip);
        EXPECT_EQ(PixelAt(w, 100, 0), kStrip);
    };
    checkEdges(341);
    SetWindowPos(w, nullptr, 0, 0, 500, 19, SWP_NOMOVE | SWP_NOZORDER);
    Drain();
    EXPECT_EQ(heading->Model().LineX(), 500 * 15 - 15);
    checkEdges(500);
    // A caption set from outside through the window text.
    SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L" "));
    EXPECT_EQ(heading->Text(), L" ");
    EXPECT_EQ(darkPixels(), 0);
    // A font request without bold leaves the caption bold.
    heading->SetFont(L"Tahoma", 10, false, true, false, false);
    LOGFONTW lf{};
    ASSERT_NE(GetObjectW(heading->CaptionFont(), sizeof(lf), &lf), 0);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_TRUE(lf.lfItalic);
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
}

} // namespace
} // namespace qb::controls
