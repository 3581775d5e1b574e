// The user list on a screen of 144 dots per inch, where a pixel is 10 twips: the layout's
// twips are the same as at 96, its pixels are not, and 15-twip gaps fall on half pixels.

#include "controls/customlist/custom_list_win32.h"
#include "support/windows_win32.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qb::controls {
namespace {

constexpr int kTpp = 10;
constexpr COLORREF kWhite = gdi::ToColorRef(ListColours::Background);
constexpr COLORREF kHighlight = gdi::ToColorRef(ListColours::Highlight);

// The first column of a picture that shows on white.
int FirstVisibleColumn(const Picture& picture) {
    for (int x = 0; x < picture.width; ++x)
        for (int y = 0; y < picture.height; ++y)
            if (OverColour(picture.At(x, y), 0xFFFFFF) != 0xFFFFFF)
                return x;
    return -1;
}

// CustomList1's designed size, 5085 x 3570 twips, in this screen's pixels.
class ListAt144 : public ::testing::Test {
protected:
    void SetUp() override {
        list = CustomList::Create(host, 100, RECT{4, 31, 4 + 508, 31 + 357});
        ASSERT_NE(list, nullptr);
        w = list->Window();
        list->ItemClick = [this](std::int32_t tag) { items.push_back(tag); };
        ASSERT_EQ(list->Model().Metrics().tppx, kTpp) << "the screen is not at 144 dpi";
        ASSERT_EQ(list->Model().Metrics().tppy, kTpp);
    }
    COLORREF PixelAt(int x, int y) const { return testing::ScreenPixel(w, x, y); }
    // The first column at or right of `from` in pixel rows [top, top + height) that is not
    // the list's white.
    int FirstPaintedColumn(int from, int top, int height) const {
        for (int x = from; x < from + 40; ++x)
            for (int y = top; y < top + height; ++y)
                if (PixelAt(x, y) != kWhite)
                    return x;
        return -1;
    }

    testing::HostWindow host; // goes after the list
    HWND w = nullptr;
    std::unique_ptr<CustomList> list;
    std::vector<int> items;
};

TEST_F(ListAt144, RowItemsKeepTheirTwipsAndArePaintedAtTheWholePixelBelow) {
    list->AddItem(L"anna", 1, true, true, 1);
    const RowItems& row = list->Model().Row(0);
    // One pixel in, then gaps of 15 and 60 twips: half pixels here.
    EXPECT_EQ(row.userIcon.left, 10);
    EXPECT_EQ(row.clockIcon.left, 10 + 230 + 15);
    EXPECT_EQ(row.lockIcon.left, 255 + 240 + 15);
    EXPECT_EQ(row.label.left, 510 + 240 + 60);
    const int top = row.userIcon.top / kTpp;
    EXPECT_EQ(FirstPaintedColumn(0, top, 22), 1 + FirstVisibleColumn(UserImage(1)));
    // The clock at 25.5 pixels is drawn from pixel 25, the lock at 51.
    EXPECT_EQ(FirstPaintedColumn(1 + 23, top, 22), 25 + FirstVisibleColumn(ClockImage(0)));
    EXPECT_EQ(FirstPaintedColumn(25 + 24, top, 22), 51 + FirstVisibleColumn(LockImage(0)));
}

TEST_F(ListAt144, HeaderColumnsAndRowSlotsInPixels) {
    // The first three columns as wide as their pictures, the name column the rest.
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(SendMessageW(list->ListViewWindow(), LVM_GETCOLUMNWIDTH, c, 0), 24) << c;
    EXPECT_EQ(SendMessageW(list->ListViewWindow(), LVM_GETCOLUMNWIDTH, 3, 0), 508 - 72);

    for (int i = 0; i < 30; ++i)
        list->AddItem(L"user" + std::to_wstring(i), 1, false, false, i + 1);
    const CustomListModel& m = list->Model();
    EXPECT_EQ(m.RowHeight(), 24 * kTpp);
    const int fit = (357 * kTpp - m.ListTop()) / m.RowHeight();
    EXPECT_EQ(m.ScrollBar().max, 30 - fit);
    // Each slot's hit area starts one pixel above it, where its highlight starts.
    const int slot2 = (m.ListTop() + 2 * m.RowHeight()) / kTpp;
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, slot2 - 1)); // beside the icons
    SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, slot2 - 2));
    EXPECT_EQ(items, (std::vector<int>{3, 2}));
    EXPECT_EQ(PixelAt(300, slot2 - 2), kHighlight);
    EXPECT_EQ(PixelAt(300, slot2 - 1), kWhite);
    EXPECT_EQ(PixelAt(300, slot2 - 2 - 23), kHighlight);
    EXPECT_EQ(PixelAt(300, slot2 - 2 - 24), kWhite);
}

} // namespace
} // namespace qb::controls
