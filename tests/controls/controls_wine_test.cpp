// The controls in real windows under Wine: mouse messages in, events and painted pixels out.

#include "controls/customlist/custom_list_win32.h"
#include "controls/heading/heading_win32.h"
#include "support/message_pump_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qb::controls {
namespace {

constexpr COLORREF kHighlight = gdi::ToColorRef(ListColours::Highlight);
constexpr COLORREF kWhite = gdi::ToColorRef(ListColours::Background);

using testing::DrainMessages;

// The colour painted at a client pixel, once the pending paints are done.
COLORREF PixelAt(HWND window, int x, int y) {
    DrainMessages();
    UpdateWindow(window);
    const gdi::WindowDc dc = gdi::GetWindowDc(window);
    return GetPixel(dc.Get(), x, y);
}

// A press and a release of the left (or the right) button at a client pixel; the list
// handles both before this returns.
void Click(HWND w, int x, int y, WPARAM keys = 0, bool right = false) {
    SendMessageW(w, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN,
                 keys | (right ? MK_RBUTTON : MK_LBUTTON), MAKELPARAM(x, y));
    SendMessageW(w, right ? WM_RBUTTONUP : WM_LBUTTONUP, keys, MAKELPARAM(x, y));
}

// A top-level window holding a list the size of CustomList1 (5085 x 3570 twips at 96 dpi),
// and what the list reported to its owner.
class ListWindow : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"QuillBayTestHost";
        RegisterClassW(&wc); // fails harmlessly from the second test on
        host = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               800, 600, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(Create(RECT{3, 21, 3 + 339, 21 + 238}));
    }
    void TearDown() override {
        list.reset();
        DestroyWindow(host);
        DrainMessages();
    }
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

    HWND host = nullptr;
    HWND w = nullptr;
    std::unique_ptr<CustomList> list;
    std::vector<int> items;
    std::vector<int> columns;
};

TEST_F(ListWindow, ClickingARowPixelRaisesItsTag) {
    Fill(6);
    // One pixel above row 2's icons: the empty part of its slot.
    Click(w, 200, SlotTop(2) - 1);
    EXPECT_EQ(items, (std::vector<int>{3}));
    EXPECT_EQ(list->SelectedItem(), 2);
    // The highlight is painted from that pixel down.
    EXPECT_EQ(PixelAt(w, 300, SlotTop(2) - 1), kHighlight);
    EXPECT_EQ(PixelAt(w, 300, SlotTop(2) - 2), kWhite);
    // Row 4's user-type icon clicks its row, Shift or not.
    const RowItems& row = list->Model().Row(4);
    Click(w, row.userIcon.left / 15 + 10, row.userIcon.top / 15 + 10, MK_SHIFT);
    EXPECT_EQ(items, (std::vector<int>{3, 5}));
    EXPECT_EQ(PixelAt(w, 300, SlotTop(2)), kWhite); // the old row is deselected
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

TEST_F(ListWindow, RightClickAndShiftClickOnTheEmptyPartDoNothing) {
    Fill(6);
    const int y = SlotTop(1) + 20; // below row 1's label, beside its icons
    Click(w, 250, y, 0, true);
    Click(w, 250, y, MK_SHIFT);
    Click(w, 250, y, MK_CONTROL);
    Click(w, 250, SlotTop(7)); // below the last row
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(list->SelectedItem(), -1);
    Click(w, 250, y); // the plain left button does act there
    EXPECT_EQ(items, (std::vector<int>{2}));
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

TEST_F(ListWindow, DraggingTheThumbScrollsWhileItMoves) {
    Fill(30);
    const HWND sb = list->ScrollBarWindow();
    ASSERT_TRUE(IsWindowVisible(sb));
    list->selectItem(5, false);
    auto track = [&](WORD code, int position) {
        SendMessageW(w, WM_VSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(sb));
    };
    EXPECT_EQ(PixelAt(w, 250, SlotTop(0) + 5), kWhite);
    track(SB_THUMBTRACK, 5);
    EXPECT_EQ(list->Model().TopIndex(), 5);
    // Row 5 now fills the first slot, painted without waiting for the end of the drag.
    EXPECT_EQ(PixelAt(w, 250, SlotTop(0) + 5), kHighlight);
    track(SB_THUMBTRACK, 7);
    EXPECT_EQ(PixelAt(w, 250, SlotTop(0) + 5), kWhite);
    track(SB_ENDSCROLL, 0);
    // A click lands on the row now shown there.
    Click(w, 300, SlotTop(1) + 20);
    EXPECT_EQ(items, (std::vector<int>{9}));
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
    EXPECT_EQ(PixelAt(w, 250, 0), kHighlight);
    EXPECT_EQ(PixelAt(w, 250, 17), kHighlight);
    EXPECT_EQ(PixelAt(w, 250, 18), kWhite);
    // Row 1's clock (16 x 16 at x 17) is drawn in its slot, from y 19 on.
    int inSlot = 0, above = 0;
    for (int x = 17; x < 17 + 16; ++x)
        for (int y = 18; y < 19 + 16; ++y)
            (y == 18 ? above : inSlot) += PixelAt(w, x, y) != kWhite;
    EXPECT_GT(inSlot, 0);
    EXPECT_EQ(above, 0);
}

} // namespace
} // namespace qb::controls

namespace qb::controls {
namespace {

// Everything a list's windows show: the scroll bar's state and place, the header strip
// and its columns, and the rows as painted.
struct Shown {
    int barMin, barMax, barPage, barPos;
    bool barVisible;
    RECT barRect;
    bool headerVisible;
    RECT headerRect;
    std::array<LRESULT, CustomListModel::ColumnCount> columns;
    std::vector<std::uint32_t> pixels;
};

RECT RectIn(HWND child, HWND parent) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

Shown ShownBy(const CustomList& list) {
    Shown s{};
    SCROLLINFO si{sizeof(si), SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(list.ScrollBarWindow(), SB_CTL, &si);
    s.barMin = si.nMin;
    s.barMax = si.nMax;
    s.barPage = static_cast<int>(si.nPage);
    s.barPos = si.nPos;
    s.barVisible = IsWindowVisible(list.ScrollBarWindow()) != FALSE;
    s.barRect = RectIn(list.ScrollBarWindow(), list.Window());
    s.headerVisible = IsWindowVisible(list.ListViewWindow()) != FALSE;
    s.headerRect = RectIn(list.ListViewWindow(), list.Window());
    for (int c = 0; c < CustomListModel::ColumnCount; ++c)
        s.columns[static_cast<std::size_t>(c)] =
            SendMessageW(list.ListViewWindow(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0);

    RECT client{};
    GetClientRect(list.Window(), &client);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = client.right;
    bi.bmiHeader.biHeight = -client.bottom;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const gdi::Bitmap bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    const gdi::MemoryDc dc(CreateCompatibleDC(nullptr));
    const gdi::Selection keep(dc.Get(), bitmap.Get());
    SendMessageW(list.Window(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    s.pixels.assign(first, first + client.right * client.bottom);
    return s;
}

void ExpectSameShown(const Shown& a, const Shown& b) {
    EXPECT_EQ(a.barMin, b.barMin);
    EXPECT_EQ(a.barMax, b.barMax);
    EXPECT_EQ(a.barPage, b.barPage);
    EXPECT_EQ(a.barPos, b.barPos);
    EXPECT_EQ(a.barVisible, b.barVisible);
    EXPECT_TRUE(EqualRect(&a.barRect, &b.barRect));
    EXPECT_EQ(a.headerVisible, b.headerVisible);
    EXPECT_TRUE(EqualRect(&a.headerRect, &b.headerRect));
    EXPECT_EQ(a.columns, b.columns);
    EXPECT_TRUE(a.pixels == b.pixels) << "the rows are painted differently";
}

TEST_F(ListWindow, FillingInOneBatchShowsExactlyWhatFillingRowByRowShows) {
    // Nine rows fit: below, at, just past and far past the first row that does not.
    for (const int count : {5, 9, 10, 300}) {
        SCOPED_TRACE(count);
        const RECT bounds{3, 21, 3 + 339, 21 + 238};
        auto rowByRow = CustomList::Create(host, 101, bounds);
        auto batched = CustomList::Create(host, 102, bounds);
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
            const Shown during = ShownBy(*batched);
            EXPECT_EQ(during.barMax, before.barMax);
            EXPECT_EQ(during.barVisible, before.barVisible);
        }
        const ScrollBarState& a = rowByRow->Model().ScrollBar();
        const ScrollBarState& b = batched->Model().ScrollBar();
        EXPECT_EQ(std::tie(a.visible, a.max, a.largeChange, a.value),
                  std::tie(b.visible, b.max, b.largeChange, b.value));
        ExpectSameShown(ShownBy(*rowByRow), ShownBy(*batched));
    }
}

// The painted pixels of row slot k (96 dpi), from a capture of the whole list.
std::vector<std::uint32_t> SlotPixels(const CustomList& list, const Shown& shown, int k) {
    RECT client{};
    GetClientRect(list.Window(), &client);
    const int top = (list.Model().ListTop() + k * list.Model().RowHeight()) / 15;
    const int bottom = top + list.Model().RowHeight() / 15;
    return std::vector<std::uint32_t>(shown.pixels.begin() + top * client.right,
                                      shown.pixels.begin() + bottom * client.right);
}

TEST_F(ListWindow, SetFontIgnoresBoldAndLeavesTheNamesAlreadyShown) {
    const RECT bounds{3, 21, 3 + 339, 21 + 238};
    auto fill = [&](CustomList& l, int bold) {
        l.AddItem(L"Anna Adams", 1, false, false, 1);
        l.AddItem(L"Ben Brown", 1, false, false, 2);
        if (bold >= 0)
            l.SetFont(L"Tahoma", 14, bold == 1, false, false, false);
        l.AddItem(L"Carla Cole", 1, false, false, 3);
    };
    fill(*list, 1);
    auto plain = CustomList::Create(host, 101, bounds);
    auto untouched = CustomList::Create(host, 102, bounds);
    ASSERT_TRUE(plain && untouched);
    fill(*plain, 0);
    fill(*untouched, -1);
    const Shown bold = ShownBy(*list), notBold = ShownBy(*plain), designed = ShownBy(*untouched);
    EXPECT_TRUE(bold.pixels == notBold.pixels) << "the bold flag was applied";
    // Row 1 was added before SetFont and keeps its font; row 2 takes the new one, and so
    // does row 0, whose name is the template every later row copies.
    EXPECT_TRUE(SlotPixels(*list, bold, 1) == SlotPixels(*untouched, designed, 1));
    EXPECT_FALSE(SlotPixels(*list, bold, 2) == SlotPixels(*untouched, designed, 2));
    EXPECT_FALSE(SlotPixels(*list, bold, 0) == SlotPixels(*untouched, designed, 0));
}

TEST(Heading, ReceivesItsCreationAndFirstSizeLikeEveryWindow) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuillBayStripHost";
    RegisterClassW(&wc);
    const HWND host = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                      0, 600, 200, nullptr, nullptr, wc.hInstance, nullptr);
    // Wider than designed: the caption and the closing line follow the real width from the
    // start, with no repair after creation.
    auto strip = Heading::Create(host, 1, RECT{2, 2, 2 + 500, 2 + 19});
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(strip->Model().CaptionWidth(), 500 * strip->Model().Tppx());
    EXPECT_EQ(strip->Model().LineX(), 499 * strip->Model().Tppx());
    EXPECT_NE(strip->CaptionFont(), nullptr); // made at WM_CREATE
    strip.reset();
    DestroyWindow(host);
    DrainMessages();
}

} // namespace
} // namespace qb::controls
