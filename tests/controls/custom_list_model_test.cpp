#include "controls/customlist/custom_list_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb::controls {
namespace {

// A list the size CustomList1 has in the main window: 5085 x 3570 twips, with a
// 20-pixel header and a 17-pixel scroll bar at 96 dpi.
CustomListModel MakeList(int width = 5085, int height = 3570, ListMetrics m = {}) {
    CustomListModel list(m, width, height);
    list.Resize(width, height);
    return list;
}

std::vector<std::wstring> Names(const CustomListModel& list) {
    std::vector<std::wstring> names;
    for (int i = 0; i <= list.LastIndex(); ++i)
        names.push_back(list.Entry(i).userName);
    return names;
}

void AddAccounts(CustomListModel& list) {
    // name, type, restricted, locked, tag
    list.AddItem(L"Zoe", 1, true, false, 1);
    list.AddItem(L"adam", 2, false, true, 2);
    list.AddItem(L"Guest", 0, false, true, 3);
    list.AddItem(L"mike", 3, true, false, 4);
    list.AddItem(L"Bob", 1, false, false, 5);
    list.AddItem(L"carl", 2, true, true, 6);
}

// --- Sorting ---

TEST(CustomListSort, EveryColumnBothDirections) {
    CustomListModel list = MakeList();
    AddAccounts(list);

    list.Sort(3, true);
    EXPECT_EQ(Names(list),
              (std::vector<std::wstring>{L"adam", L"Bob", L"carl", L"Guest", L"mike", L"Zoe"}));
    list.Sort(3, false);
    EXPECT_EQ(Names(list),
              (std::vector<std::wstring>{L"Zoe", L"mike", L"Guest", L"carl", L"Bob", L"adam"}));
    // By type: Guest, User, Administrator, PowerUser; names ascending inside each.
    list.Sort(0, true);
    EXPECT_EQ(Names(list),
              (std::vector<std::wstring>{L"Guest", L"Bob", L"Zoe", L"adam", L"carl", L"mike"}));
    list.Sort(0, false);
    EXPECT_EQ(Names(list),
              (std::vector<std::wstring>{L"mike", L"adam", L"carl", L"Bob", L"Zoe", L"Guest"}));
    // Clock: flagged first forwards, last backwards; names ascending inside.
    list.Sort(1, true);
    EXPECT_EQ(Names(list),
              (std::vector<std::wstring>{L"carl", L"mike", L"Zoe", L"adam", L"Bob", L"Guest"}));
    list.Sort(1, false);
    EXPECT_EQ(Names(list),
              (std::vector<std::wstring>{L"adam", L"Bob", L"Guest", L"carl", L"mike", L"Zoe"}));
    list.Sort(2, true);
    EXPECT_EQ(Names(list),
              (std::vector<std::wstring>{L"adam", L"carl", L"Guest", L"Bob", L"mike", L"Zoe"}));
    list.Sort(2, false);
    EXPECT_EQ(Names(list),
              (std::vector<std::wstring>{L"Bob", L"mike", L"Zoe", L"adam", L"carl", L"Guest"}));
    // The header remembers the last sort for its mark.
    EXPECT_EQ(list.Header().sortColumn, 2);
    EXPECT_EQ(list.Header().sortOrder, 1);
}

TEST(CustomListSort, RowsFollowTheirEntries) {
    CustomListModel list = MakeList();
    AddAccounts(list);
    list.Sort(3, true);
    for (int i = 0; i <= list.LastIndex(); ++i) {
        EXPECT_EQ(list.Row(i).labelText, list.Entry(i).userName);
        EXPECT_EQ(list.Row(i).clockIconVisible, list.Entry(i).userRestricted);
        EXPECT_EQ(list.Row(i).lockIconVisible, list.Entry(i).userLocked);
        EXPECT_EQ(list.Row(i).userPicture, list.Entry(i).userPriv);
    }
}

TEST(CustomListSort, PrefixNameFirstInBothDirections) {
    CustomListModel list = MakeList();
    list.AddItem(L"abc", 1, false, false, 1);
    list.AddItem(L"b", 1, false, false, 2);
    list.AddItem(L"ab", 1, false, false, 3);
    list.AddItem(L"a", 1, false, false, 4);
    list.Sort(3, true);
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"a", L"ab", L"abc", L"b"}));
    list.Sort(3, false);
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"b", L"a", L"ab", L"abc"}));
}

TEST(CustomListSort, BackwardsNamesGoThroughTheCodePage) {
    // In Windows-1252, e-acute is 0xE9 and the Euro sign 0x80: backwards, the one with
    // the higher code page code comes first, whatever their UTF-16 codes.
    CustomListModel list = MakeList();
    list.AddItem(L"x\u20ac", 1, false, false, 1); // x + Euro (0x80)
    list.AddItem(L"x\u00e9", 1, false, false, 2); // x + e-acute (0xE9)
    list.AddItem(L"xz", 1, false, false, 3);      // x + z (0x7A)
    list.Sort(3, false);
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"x\u00e9", L"x\u20ac", L"xz"}));
    // Upper and lower case sort together.
    CustomListModel cased = MakeList();
    cased.AddItem(L"Anna", 1, false, false, 1);
    cased.AddItem(L"anders", 1, false, false, 2);
    cased.AddItem(L"\u00c9mile", 1, false, false, 3); // capital E-acute lower-cases to 0xE9
    cased.Sort(3, false);
    EXPECT_EQ(Names(cased), (std::vector<std::wstring>{L"\u00c9mile", L"Anna", L"anders"}));
}

TEST(CustomListSort, UnknownTypeAndTagZero) {
    CustomListModel list = MakeList();
    list.AddItem(L"d", 3, false, false, 1);
    list.AddItem(L"c", 0, false, false, 2);
    list.AddItem(L"b", -1, false, false, 3);
    list.AddItem(L"zzz", 2, true, true, 0); // "<no restrictions>" row
    list.Sort(0, true);
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"zzz", L"b", L"c", L"d"}));
    list.Sort(0, false);
    EXPECT_EQ(Names(list), (std::vector<std::wstring>{L"zzz", L"d", L"c", L"b"}));
    for (int column = 0; column < 4; ++column) {
        for (bool forwards : {true, false}) {
            list.Sort(column, forwards);
            EXPECT_EQ(list.Entry(0).userTag, 0) << column << forwards;
        }
    }
}

TEST(CustomListSort, IsStableForEqualKeys) {
    CustomListModel list = MakeList();
    list.AddItem(L"same", 1, false, false, 10);
    list.AddItem(L"SAME", 1, false, false, 11);
    list.AddItem(L"Same", 1, false, false, 12);
    list.Sort(3, false);
    EXPECT_EQ(list.Entry(0).userTag, 10);
    EXPECT_EQ(list.Entry(1).userTag, 11);
    EXPECT_EQ(list.Entry(2).userTag, 12);
}

TEST(CustomListSort, KeepsTheSelectionAndTheLackOfIt) {
    CustomListModel list = MakeList();
    AddAccounts(list);
    list.Sort(3, true);
    EXPECT_EQ(list.SelectedItem(), -1);
    EXPECT_FALSE(list.SelectionHighlight().visible);
    for (int i = 0; i <= list.LastIndex(); ++i)
        EXPECT_FALSE(list.Row(i).labelWhite);

    list.selectItem(6, true); // carl
    list.Sort(3, false);
    ASSERT_EQ(list.SelectedItem(), 3);
    EXPECT_EQ(list.Entry(3).userName, L"carl");
    EXPECT_TRUE(list.Row(3).labelWhite);
    EXPECT_EQ(list.Row(3).userPicture, 4 + 2);
    EXPECT_TRUE(list.SelectionHighlight().visible);
    EXPECT_EQ(list.SelectionHighlight().top, list.Row(3).userIcon.top - 15);
    // Only the selected row has the selected look.
    for (int i = 0; i <= list.LastIndex(); ++i)
        EXPECT_EQ(list.Row(i).labelWhite, i == 3);
}

TEST(CustomListSort, EmptyListLeavesTheMark) {
    CustomListModel list = MakeList();
    const unsigned repaints = list.Header().repaints;
    list.Sort(3, false);
    EXPECT_EQ(list.Header().sortColumn, 0);
    EXPECT_EQ(list.Header().sortOrder, 0);
    EXPECT_EQ(list.Header().repaints, repaints);
    list.AddItem(L"a", 1, false, false, 1);
    list.Sort(3, false);
    EXPECT_EQ(list.Header().sortColumn, 3);
    EXPECT_EQ(list.Header().sortOrder, 1);
    EXPECT_GT(list.Header().repaints, repaints);
}

TEST(CustomListSort, TenThousandRowsStayInOrder) {
    CustomListModel list = MakeList();
    for (int i = 0; i < 10000; ++i)
        list.AddItem(L"user" + std::to_wstring((i * 7919) % 10000), i % 4, i % 3 == 0, i % 5 == 0,
                     i + 1);
    list.Sort(3, false);
    for (int i = 1; i <= list.LastIndex(); ++i)
        ASSERT_FALSE(list.Entry(i).sortKey < list.Entry(i - 1).sortKey) << i;
    list.Sort(0, true);
    for (int i = 1; i <= list.LastIndex(); ++i)
        ASSERT_LE(list.Entry(i - 1).userPriv, list.Entry(i).userPriv) << i;
}

// --- Selection and row properties ---

TEST(CustomListSelection, ByTagAndByIndex) {
    CustomListModel list = MakeList();
    AddAccounts(list);
    list.selectItem(4, true);
    EXPECT_EQ(list.SelectedItem(), 3);
    list.selectItem(999, true); // unknown tag: the first row
    EXPECT_EQ(list.SelectedItem(), 0);
    list.selectItem(2, false);
    EXPECT_EQ(list.SelectedItem(), 2);
    list.selectItem(17, false); // out of range: nothing changes
    EXPECT_EQ(list.SelectedItem(), 2);
    // selectItem does not restore the look of the previous row; the click path does.
    EXPECT_TRUE(list.Row(0).labelWhite);
    CustomListModel empty = MakeList();
    empty.selectItem(1, true);
    EXPECT_EQ(empty.SelectedItem(), -1);
}

TEST(CustomListSelection, HideSelectionKeepsTheIndex) {
    CustomListModel list = MakeList();
    AddAccounts(list);
    list.selectItem(1, false);
    list.HideSelection();
    EXPECT_EQ(list.SelectedItem(), 1);
    EXPECT_FALSE(list.SelectionHighlight().visible);
    EXPECT_FALSE(list.Row(1).labelWhite);
    EXPECT_EQ(list.Row(1).userPicture, 2);
    EXPECT_EQ(list.Row(1).lockPicture, 0);
}

TEST(CustomListSelection, SelectedLookAndIconRule) {
    CustomListModel list = MakeList();
    AddAccounts(list);
    list.selectItem(3, false); // mike, power user
    EXPECT_EQ(list.Row(3).userPicture, 7);
    EXPECT_EQ(list.Row(3).clockPicture, 1);
    EXPECT_EQ(list.Row(3).lockPicture, 1);
    EXPECT_EQ(list.Row(2).userPicture, 0);
    CustomListModel small = MakeList();
    small.SetSmallIcons(true);
    AddAccounts(small);
    small.selectItem(3, false);
    EXPECT_EQ(small.Row(3).userPicture, 8 + 4 + 3);
    EXPECT_EQ(small.Row(3).clockPicture, 3);
    EXPECT_EQ(small.Row(2).userPicture, 8);
    EXPECT_EQ(small.Row(2).lockPicture, 2);
}

TEST(CustomListSelection, SetOnlyPropertiesChangeTheSelectedRow) {
    CustomListModel list = MakeList();
    AddAccounts(list);
    // Without a selection they change nothing.
    list.SetAccountLocked(true);
    list.SetNewUserName(L"x");
    for (int i = 0; i <= list.LastIndex(); ++i)
        EXPECT_NE(list.Entry(i).userName, L"x");

    list.selectItem(4, false); // Bob
    list.SetAccountLocked(true);
    list.SetHasTimeRestrictions(true);
    list.SetNewUserName(L"Robert");
    list.SetNewUserType(2);
    EXPECT_TRUE(list.Entry(4).userLocked);
    EXPECT_TRUE(list.Row(4).lockIconVisible);
    EXPECT_TRUE(list.Row(4).clockIconVisible);
    EXPECT_EQ(list.Row(4).labelText, L"Robert");
    EXPECT_EQ(list.Entry(4).userPriv, 2);
    EXPECT_EQ(list.Row(4).userPicture, 4 + 2); // selected look
    list.SetAccountLocked(false);
    EXPECT_FALSE(list.Row(4).lockIconVisible);
}

TEST(CustomListSelection, NewUserTypeByIndexShowsTheNormalLook) {
    CustomListModel list = MakeList();
    AddAccounts(list);
    list.selectItem(1, false);
    list.SetNewUserType(3, 1);
    EXPECT_EQ(list.Entry(1).userPriv, 3);
    EXPECT_EQ(list.Row(1).userPicture, 3); // normal look on the highlighted row
    EXPECT_TRUE(list.Row(1).labelWhite);
    list.SetNewUserType(1, 42); // out of range: nothing
    EXPECT_EQ(list.Entry(1).userPriv, 3);
}

TEST(CustomListSelection, TypeMinusOneHasNoIconButTheRest) {
    CustomListModel list = MakeList();
    list.AddItem(L"nobody", -1, true, true, 7);
    list.AddItem(L"second", -1, false, false, 8);
    EXPECT_FALSE(list.Row(0).userIconVisible);
    EXPECT_FALSE(list.Row(1).userIconVisible);
    EXPECT_TRUE(list.Row(0).clockIconVisible);
    EXPECT_TRUE(list.Row(0).lockIconVisible);
    EXPECT_EQ(list.Row(0).labelText, L"nobody");
    EXPECT_TRUE(list.Row(1).labelVisible);
    // Setting a type later changes the picture, not the visibility.
    list.selectItem(1, false);
    list.SetNewUserType(1);
    EXPECT_FALSE(list.Row(1).userIconVisible);
}

// --- Geometry ---

TEST(CustomListGeometry, LargeAndSmallRowsAt96Dpi) {
    CustomListModel list = MakeList();
    const RowItems& large = list.TemplateRow();
    EXPECT_EQ(large.userIcon.left, 15);
    EXPECT_EQ(large.clockIcon.left, 375);
    EXPECT_EQ(large.lockIcon.left, 750);
    EXPECT_EQ(large.label.left, 1170);
    EXPECT_EQ(list.RowHeight(), 24 * 15);
    EXPECT_EQ(list.Header().columnWidthPx, (std::array<int, 4>{24, 24, 24, 5085 / 15 - 72}));
    EXPECT_EQ(list.ListTop(), 20 * 15 + 15);
    EXPECT_EQ(large.label.top, list.ListTop() + 60);

    list.SetSmallIcons(true);
    const RowItems& small = list.TemplateRow();
    EXPECT_EQ(small.userIcon.left, 15);
    EXPECT_EQ(small.clockIcon.left, 255);
    EXPECT_EQ(small.lockIcon.left, 510);
    EXPECT_EQ(small.label.left, 810);
    EXPECT_EQ(small.userIcon.width, 15 * 15);
    EXPECT_EQ(small.userIcon.height, 16 * 15);
    EXPECT_EQ(list.RowHeight(), 18 * 15);
    EXPECT_EQ(list.SelectionHighlight().height, 18 * 15);
    EXPECT_EQ(list.Header().columnWidthPx[0], 16);
    EXPECT_EQ(list.Header().columnWidthPx[1], 16);
    EXPECT_EQ(list.Header().columnWidthPx[2], 16);
    EXPECT_EQ(list.Header().columnWidthPx[3], 5085 / 15 - 48);
}

TEST(CustomListGeometry, At144DpiPixelsStayPixels) {
    ListMetrics m;
    m.tppx = m.tppy = 10;
    CustomListModel list = MakeList(3390, 2380, m);
    EXPECT_EQ(list.RowHeight(), 240);
    EXPECT_EQ(list.TemplateRow().clockIcon.left, 10 + 230 + 15);
    EXPECT_EQ(list.Header().columnWidthPx[0], 24);
    EXPECT_EQ(list.ListTop(), 20 * 10 + 10);
}

TEST(CustomListGeometry, SmallLabelsEvenOutAtTheFirstScroll) {
    CustomListModel list = MakeList(5085, 2715);
    list.SetSmallIcons(true);
    list.SetNoHeader(true);
    EXPECT_EQ(list.ListTop(), 15); // one pixel from the top
    EXPECT_FALSE(list.Header().visible);
    for (int i = 0; i < 20; ++i)
        list.AddItem(L"user" + std::to_wstring(i), 1, false, false, i + 1);
    const int slot0 = list.ListTop();
    EXPECT_EQ(list.Row(0).label.top - list.Row(0).userIcon.top, 30); // placed by NoHeader
    EXPECT_EQ(list.Row(0).userIcon.top, slot0);
    for (int i = 1; i < 20; ++i) {
        EXPECT_EQ(list.Row(i).userIcon.top, slot0 + i * list.RowHeight());
        EXPECT_EQ(list.Row(i).label.top - list.Row(i).userIcon.top, 15);
    }
    list.ScrollBarChanged(1);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(list.Row(i).userIcon.top, slot0 + (i - 1) * list.RowHeight());
        EXPECT_EQ(list.Row(i).label.top - list.Row(i).userIcon.top, 30);
    }
}

TEST(CustomListGeometry, LargeLabelsStayAtSixty) {
    CustomListModel list = MakeList(5085, 1500);
    for (int i = 0; i < 10; ++i)
        list.AddItem(L"u", 1, false, false, i + 1);
    EXPECT_EQ(list.Row(3).label.top - list.Row(3).userIcon.top, 60);
    list.ScrollBarChanged(2);
    EXPECT_EQ(list.Row(3).label.top - list.Row(3).userIcon.top, 60);
    EXPECT_EQ(list.Row(3).userIcon.top, list.ListTop() + list.RowHeight());
}

TEST(CustomListGeometry, SettersAfterRowsOnlyReLayTheTemplate) {
    CustomListModel list = MakeList();
    list.AddItem(L"a", 1, false, false, 1);
    list.AddItem(L"b", 1, false, false, 2);
    list.SetSmallIcons(true);
    EXPECT_EQ(list.Row(0).userIcon.width, 225);
    EXPECT_EQ(list.Row(1).userIcon.width, 345);
    EXPECT_EQ(list.Row(1).label.left, 1170);
}

TEST(CustomListGeometry, NoHeaderSetsNoColumnWidths) {
    CustomListModel list(ListMetrics{}, 5085, 2715);
    list.SetNoHeader(true);
    const auto widths = list.Header().columnWidthPx;
    list.SetSmallIcons(true);
    list.Resize(4000, 2000);
    EXPECT_EQ(list.Header().columnWidthPx, widths);
    list.SetNoHeader(false);
    list.Resize(4500, 2000);
    EXPECT_EQ(list.Header().columnWidthPx[3], 4500 / 15 - widths[0] - widths[1] - widths[2]);
}

TEST(CustomListGeometry, HighlightFollowsTheSelectedRow) {
    CustomListModel list = MakeList(5085, 1500);
    for (int i = 0; i < 10; ++i)
        list.AddItem(L"u", 1, false, false, i + 1);
    list.ClickRow(4);
    EXPECT_EQ(list.SelectionHighlight().top, list.Row(4).userIcon.top - 15);
    list.ScrollBarChanged(3);
    EXPECT_EQ(list.SelectionHighlight().top, list.ListTop() + list.RowHeight() - 15);
    EXPECT_EQ(list.SelectionHighlight().width, 5085 - 17 * 15);
}

// --- Fitting and scrolling ---

TEST(CustomListScrolling, FittingRule) {
    // 3570 high: area = 3570 - 315 = 3255 = 9 whole rows of 360.
    CustomListModel list = MakeList();
    EXPECT_FALSE(list.ScrollBar().visible);
    for (int i = 0; i < 9; ++i)
        list.AddItem(L"u", 1, false, false, i + 1);
    EXPECT_FALSE(list.ScrollBar().visible);
    EXPECT_EQ(list.Header().width, 5085);
    list.AddItem(L"u", 1, false, false, 10); // the first that does not fit
    EXPECT_TRUE(list.ScrollBar().visible);
    EXPECT_EQ(list.ScrollBar().max, 10 - 9);
    EXPECT_EQ(list.ScrollBar().largeChange, 10);
    EXPECT_EQ(list.SelectionHighlight().width, 5085 - 255);
    EXPECT_EQ(list.Header().width, 5085 - 255);
    // AddItem does not redo the name column; a resize does.
    EXPECT_EQ(list.Header().columnWidthPx[3], 5085 / 15 - 72);
    list.Resize(5085, 3570);
    EXPECT_EQ(list.ScrollBar().largeChange, 9);
    EXPECT_EQ(list.Header().columnWidthPx[3], (5085 - 255) / 15 - 72);

    // The last row can be brought to the bottom slot.
    list.ScrollBarChanged(list.ScrollBar().max);
    EXPECT_EQ(list.TopIndex(), 1);
    EXPECT_LE(list.Row(9).userIcon.top + list.RowHeight(), list.InnerHeight());

    // Hidden again only by a resize after which the rows fit, back at the top.
    list.Resize(5085, 6000);
    EXPECT_FALSE(list.ScrollBar().visible);
    EXPECT_EQ(list.TopIndex(), 0);
    EXPECT_EQ(list.Row(0).userIcon.top, list.ListTop());
    EXPECT_EQ(list.Header().width, 5085);
}

TEST(CustomListScrolling, ShrinkingClampsTheScrollValue) {
    CustomListModel list = MakeList(5085, 1500);
    for (int i = 0; i < 30; ++i)
        list.AddItem(L"u", 1, false, false, i + 1);
    list.ScrollBarChanged(1000);
    EXPECT_EQ(list.TopIndex(), list.ScrollBar().max);
    list.Resize(5085, 6000); // 16 rows fit now
    EXPECT_EQ(list.ScrollBar().max, 30 - (6000 - 315) / 360);
    EXPECT_EQ(list.TopIndex(), list.ScrollBar().max);
    EXPECT_EQ(list.ScrollBar().value, list.TopIndex());
}

// --- Mouse ---

struct Recorder {
    std::vector<int> items;
    std::vector<int> columns;
    void Attach(CustomListModel& list) {
        list.ItemClick = [this](std::int32_t tag) { items.push_back(tag); };
        list.ColumnClick = [this](std::int32_t c) { columns.push_back(c); };
    }
};

TEST(CustomListMouse, HitTestStartsOnePixelAboveTheSlot) {
    CustomListModel list = MakeList();
    AddAccounts(list);
    const int slot2 = list.ListTop() + 2 * list.RowHeight();
    EXPECT_EQ(list.RowAt(slot2), 2);
    EXPECT_EQ(list.RowAt(slot2 - 15), 2); // one pixel above the icons
    EXPECT_EQ(list.RowAt(slot2 - 16), 1);
    EXPECT_EQ(list.RowAt(slot2 + list.RowHeight() - 16), 2);
    EXPECT_EQ(list.RowAt(slot2 + list.RowHeight() - 15), 3);
    list.Resize(5085, 1500);
    list.ScrollBarChanged(2);
    EXPECT_EQ(list.RowAt(list.ListTop() - 15), 2);
}

TEST(CustomListMouse, EmptyPartClicksOnlyWithThePlainLeftButton) {
    CustomListModel list = MakeList();
    AddAccounts(list);
    Recorder r;
    r.Attach(list);
    const int x = 4000; // right of every label's text? labels reach the edge: use a gap
    const int gapY = list.ListTop() + list.RowHeight() + 315; // below row 1's label
    ASSERT_FALSE(list.ItemAt(x, gapY).has_value());
    list.MouseDown(MouseButton::Right, {}, x, gapY);
    list.MouseDown(MouseButton::Left, {true, false, false}, x, gapY);
    list.MouseDown(MouseButton::Left, {false, true, false}, x, gapY);
    list.MouseDown(MouseButton::Left, {false, false, true}, x, gapY);
    EXPECT_TRUE(r.items.empty());
    EXPECT_EQ(list.SelectedItem(), -1);
    list.MouseDown(MouseButton::Left, {}, x, gapY);
    EXPECT_EQ(r.items, (std::vector<int>{2}));
    EXPECT_EQ(list.SelectedItem(), 1);
    // Below the last row: nothing.
    list.MouseDown(MouseButton::Left, {}, x, list.ListTop() + 8 * list.RowHeight());
    EXPECT_EQ(r.items.size(), 1u);
    // The same row again raises the event again.
    list.MouseDown(MouseButton::Left, {}, x, gapY);
    EXPECT_EQ(r.items, (std::vector<int>{2, 2}));
}

TEST(CustomListMouse, ItemsClickOnReleaseWithAnyShiftState) {
    CustomListModel list = MakeList();
    AddAccounts(list);
    Recorder r;
    r.Attach(list);
    const RowItems& row = list.Row(3);
    const int ix = row.userIcon.left + 30, iy = row.userIcon.top + 30;
    ASSERT_EQ(list.ItemAt(ix, iy), (std::pair{3, RowItem::UserIcon}));
    list.MouseDown(MouseButton::Left, {true, false, false}, ix, iy);
    EXPECT_TRUE(r.items.empty()); // not on the press
    list.MouseUp(MouseButton::Left, ix, iy);
    EXPECT_EQ(r.items, (std::vector<int>{4}));
    // The previous row is deselected before the new one is selected.
    const RowItems& lbl = list.Row(5);
    list.MouseDown(MouseButton::Left, {}, lbl.label.left + 30, lbl.label.top + 30);
    list.MouseUp(MouseButton::Left, lbl.label.left + 30, lbl.label.top + 30);
    EXPECT_EQ(r.items, (std::vector<int>{4, 6}));
    EXPECT_FALSE(list.Row(3).labelWhite);
    EXPECT_TRUE(list.Row(5).labelWhite);
    // Released elsewhere, or with the right button: no click.
    list.MouseDown(MouseButton::Left, {}, ix, iy);
    list.MouseUp(MouseButton::Left, ix, iy + list.RowHeight());
    list.MouseDown(MouseButton::Right, {}, ix, iy);
    list.MouseUp(MouseButton::Right, ix, iy);
    EXPECT_EQ(r.items.size(), 2u);
    // A hidden clock is not an item: its place belongs to the empty part.
    const RowItems& noClock = list.Row(1);
    ASSERT_FALSE(noClock.clockIconVisible);
    EXPECT_FALSE(list.ItemAt(noClock.clockIcon.left + 30, noClock.clockIcon.top + 30));
}

TEST(CustomListMouse, ColumnFromXBoundaries) {
    CustomListModel list = MakeList();
    Recorder r;
    r.Attach(list);
    EXPECT_EQ(list.ColumnFromX(0), 0);
    EXPECT_EQ(list.ColumnFromX(23), 0);
    EXPECT_EQ(list.ColumnFromX(24), 1); // the boundary belongs to the right-hand column
    EXPECT_EQ(list.ColumnFromX(47), 1);
    EXPECT_EQ(list.ColumnFromX(48), 2);
    EXPECT_EQ(list.ColumnFromX(72), 3);
    EXPECT_EQ(list.ColumnFromX(338), 3);
    EXPECT_EQ(list.ColumnFromX(60000), 3); // beyond the last column
    list.HeaderButtonUp(24);
    list.HeaderButtonUp(65535);
    EXPECT_EQ(r.columns, (std::vector<int>{1, 3}));
}

TEST(CustomListMouse, SortMarkPlaces) {
    CustomListModel list = MakeList();
    list.AddItem(L"a", 1, false, false, 1);
    list.Sort(0, true);
    EXPECT_EQ(list.SortMarkX(700), 6);
    list.Sort(2, false);
    EXPECT_EQ(list.SortMarkX(700), 48 + 6);
    list.Sort(3, true);
    EXPECT_EQ(list.SortMarkX(52.5 * 15), (72 * 15 + 788) / 15 + 14); // 787.5 rounds to 788
}

// --- Persisted properties ---

TEST(CustomListProperties, ReadAppliesSmallIconsThenNoHeader) {
    MemoryPropertyBag bag;
    bag.Set(L"SmallIcons", true);
    bag.Set(L"NoHeader", true);
    CustomListModel list(ListMetrics{}, 5085, 2715);
    list.ReadProperties(bag);
    list.Resize(5085, 2715);
    EXPECT_TRUE(list.SmallIcons());
    EXPECT_TRUE(list.NoHeader());
    EXPECT_EQ(list.ListTop(), 15);
    EXPECT_EQ(list.TemplateRow().label.top, 15 + 30);
    MemoryPropertyBag out;
    list.WriteProperties(out);
    EXPECT_EQ(out.ReadBool(L"SmallIcons"), true);
    EXPECT_EQ(out.ReadBool(L"NoHeader"), true);

    // Missing or unreadable values mean False, and False need not be stored.
    MemoryPropertyBag odd;
    odd.Set(L"SmallIcons", std::wstring(L"yes"));
    CustomListModel plain(ListMetrics{}, 5085, 2715);
    plain.ReadProperties(odd);
    EXPECT_FALSE(plain.SmallIcons());
    EXPECT_FALSE(plain.NoHeader());
    MemoryPropertyBag none;
    plain.WriteProperties(none);
    EXPECT_TRUE(none.Values().empty());
}

} // namespace
} // namespace qb::controls
