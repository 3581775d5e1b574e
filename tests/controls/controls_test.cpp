// The portable models of the user list and the caption strip, and the pictures they show.
// What the list shows after any sequence of rows, sorts, selections, clicks, scrolls, sizes
// and settings is compared with a plain statement of it by the list's fuzz target (fuzz/),
// whose seed corpus the test command runs; here are its densities, keys and screen readers.

#include "controls/customlist/custom_list_model.h"
#include "controls/customlist/sort_key.h"
#include "controls/pictures/pictures.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace qb::controls {
namespace {

// A list the size CustomList1 has in the main window (5085 twips wide), under a 20-pixel
// header and beside a 17-pixel scroll bar at 96 dpi.
CustomListModel MakeList(int height = 3570) {
    CustomListModel list(ListMetrics{}, 5085, height);
    list.Resize(5085, height);
    return list;
}

void AddUsers(CustomListModel& list, int count) {
    for (int i = 0; i < count; ++i)
        list.AddItem(L"user" + std::to_wstring(i), 1, false, false, i + 1);
}

// "eve" has no type (-1), "Bo" is a prefix of "Bob", and "nobody" carries tag 0.
void AddAccounts(CustomListModel& list) {
    list.AddItem(L"Zoe", 1, true, false, 1);
    list.AddItem(L"adam", 2, false, true, 2);
    list.AddItem(L"Guest", 0, false, true, 3);
    list.AddItem(L"mike", 3, true, false, 4);
    list.AddItem(L"Bob", 1, false, false, 5);
    list.AddItem(L"carl", 2, true, true, 6);
    list.AddItem(L"eve", -1, false, false, 7);
    list.AddItem(L"Bo", 1, false, false, 8);
    list.AddItem(L"nobody", 3, true, true, 0);
}

// 100 % to 250 %, as Windows offers them.
constexpr std::array kDensities{96, 120, 144, 168, 192, 216, 240};

TEST(Density, EveryPixelBelongsToTheRegionPaintedOnIt) {
    for (int dpi = 96; dpi <= 240; ++dpi) {
        const Density d(dpi);
        for (int px = -40; px < 1600; ++px) {
            // The pointer's twips lie in every region drawn over that pixel and no other.
            const int t = d.PointTwips(px);
            ASSERT_LE(d.Pixels(t), px) << dpi;
            ASSERT_GT(d.Pixels(t + 1), px) << dpi;
            ASSERT_EQ(d.Pixels(d.Twips(px)), px) << dpi; // a measured length comes back
        }
    }
}

TEST(CustomListGeometry, NoRowReachesIntoTheNextSlotAtAnyDensity) {
    for (const int dpi : kDensities) {
        const Density d(dpi);
        for (const bool small : {false, true}) {
            SCOPED_TRACE(testing::Message() << dpi << (small ? " small" : " large"));
            // The header and the label as a window on that screen measures them.
            ListMetrics metrics{d, d.Scaled(20), d.Scaled(17), d.Twips(d.Scaled(13))};
            CustomListModel list(metrics, 5085, 3570);
            list.Resize(5085, 3570);
            list.SetSmallIcons(small);
            AddUsers(list, 40);
            // Pictures nor text, in pixels.
            const auto [first, last] = list.VisibleRows();
            for (int i = first; i <= last; ++i) {
                const RowItems& r = list.Row(i);
                const int slot = r.userIcon.top - kDesignPixel;
                const int end = d.Pixels(slot + list.RowHeight());
                EXPECT_EQ(d.Pixels(list.Row(i + 1).userIcon.top - kDesignPixel), end);
                EXPECT_GE(d.Pixels(r.label.top), d.Pixels(slot));
                EXPECT_LE(d.Pixels(r.label.bottom()), end) << i;
                EXPECT_LE(d.Pixels(r.userIcon.top) + d.Scaled(UserImageSize(r.userPicture).height),
                          end)
                    << i;
            }
        }
    }
}

TEST(CustomListKeys, SelectScrollAndClickAsTheMouseWouldAndSortWithCtrl) {
    CustomListModel list = MakeList(1755); // four rows fit
    AddUsers(list, 10);
    std::vector<int> clicks, columns;
    list.ItemClick = [&](std::int32_t tag) { clicks.push_back(tag); };
    list.ColumnClick = [&](std::int32_t column) { columns.push_back(column); };
    EXPECT_EQ(list.FocusRect(), std::nullopt);
    list.SetFocused(true);
    // Without a selection the keys start on the first row; a page is a row less than fit.
    const struct {
        Key key;
        int selected, top;
    } steps[] = {{Key::Down, 0, 0},   {Key::Down, 1, 0}, {Key::PageDown, 4, 1},
                 {Key::End, 9, 6},    {Key::Down, 9, 6}, {Key::Space, 9, 6},
                 {Key::PageUp, 6, 6}, {Key::Up, 5, 5},   {Key::Home, 0, 0}};
    for (const auto& step : steps) {
        EXPECT_TRUE(list.KeyDown(step.key, {}));
        EXPECT_EQ(list.SelectedItem(), step.selected);
        EXPECT_EQ(list.TopIndex(), step.top);
        EXPECT_EQ(list.FocusRect()->top, list.SelectionHighlight().top);
    }
    EXPECT_EQ(clicks, (std::vector<int>{1, 2, 5, 10, 10, 7, 6, 1})) << "Down on the last: none";
    const ShiftState ctrl{false, true, false};
    EXPECT_FALSE(list.KeyDown(Key::Left, {}));
    EXPECT_FALSE(list.KeyDown(Key::Down, ctrl));
    EXPECT_FALSE(list.KeyDown(Key::Digit2, {}));
    EXPECT_TRUE(list.KeyDown(Key::Digit1, ctrl));
    EXPECT_TRUE(list.KeyDown(Key::Digit4, ctrl));
    EXPECT_EQ(columns, (std::vector<int>{0, 3}));
    list.SetNoHeader(true);
    EXPECT_FALSE(list.KeyDown(Key::Digit1, ctrl)) << "no header, no columns";
}

// The list keeps its rows' names itself, and gathers them anew when renames have left
// more behind than is shown (under AddressSanitizer a row left pointing into the old
// room stops the test).
TEST(CustomListNames, EveryRowKeepsItsNameThroughRenamesWithoutEndAndSorts) {
    CustomListModel list = MakeList();
    AddUsers(list, 40);
    std::vector<std::wstring> names;
    for (int i = 0; i < 40; ++i)
        names.push_back(L"user" + std::to_wstring(i));
    std::mt19937 random(7);
    for (int step = 0; step < 3'000; ++step) {
        const int row = static_cast<int>(random() % 40);
        names[row] = std::wstring(random() % 40, static_cast<wchar_t>(L'a' + step % 26)) +
                     std::to_wstring(step);
        list.SetNewUserName(names[row], row);
        if (step % 500 == 0) {
            list.Sort(3, true); // the rows move, each with its name
            names.clear();
            for (int i = 0; i < 40; ++i)
                names.emplace_back(list.Entry(i).userName);
        }
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(list.LabelText(i), names[i]) << "step " << step << ", row " << i;
    }
}

TEST(CustomListAccessibility, RowsTellTheirNameTypeClockLockAndChanges) {
    using namespace accessible;
    CustomListModel list = MakeList(1755);
    AddAccounts(list); // rows 0..8 as added; four fit
    const std::pair<std::wstring, std::wstring> rows[] = {
        {L"Zoe", L"User, logon hours restricted"},
        {L"adam", L"Administrator, locked"},
        {L"Guest", L"Guest, locked"},
        {L"mike", L"Power user, logon hours restricted"},
        {L"Bob", L"User"},
        {L"carl", L"Administrator, logon hours restricted, locked"},
        {L"eve", L""}};
    list.SetFocused(true);
    list.ClickRow(1);
    list.ClickRow(2);
    list.HideSelection(); // still the row the keys act on, no longer selected
    for (int i = 0; i < 7; ++i) {
        const Item row = list.AccessibleRow(i);
        EXPECT_EQ(std::make_pair(row.name, row.description), rows[i]);
        EXPECT_EQ(row.state, StateSelectable | StateFocusable | (i == 2 ? StateFocused : 0) |
                                 (i >= 4 ? StateOffscreen : 0))
            << i;
        EXPECT_EQ(row.bounds.top, list.Row(i).userIcon.top - 15);
    }
    list.SetFocused(false);
    EXPECT_EQ(list.AccessibleRow(2).state & StateFocused, 0u);
    list.SetAccountLocked(true);
    list.SetNewUserName(L"G");
    list.Sort(3, true);
    // The focus on the first row at first, then on each row clicked; the sort, once the list
    // has lost the focus, moves only the selection.
    EXPECT_EQ(list.TakeAccessibleEvents(), (std::vector<Event>{{EventFocus, 1},
                                                               {EventSelection, 2},
                                                               {EventFocus, 2},
                                                               {EventSelection, 3},
                                                               {EventFocus, 3},
                                                               {EventDescriptionChange, 3},
                                                               {EventNameChange, 3},
                                                               {EventSelection, 7},
                                                               {EventReorder, Self}}));
}

TEST(SortKeys, BackwardsMirrorsTheCodePageBytes) {
    // The Euro sign is 0x80 in Windows-1252; a character it cannot hold is its '?'.
    SortKeyBuilder keys(Windows1252Bytes());
    EXPECT_EQ(keys.Backwards(L"\u20ac\u0416"), (SortKey{256 - 0x80, 256 - '?'}));
}

double Luma(std::uint32_t rgb) {
    return 0.299 * ((rgb >> 16) & 0xFF) + 0.587 * ((rgb >> 8) & 0xFF) + 0.114 * (rgb & 0xFF);
}

TEST(Pictures, HaveTheirSizesStandOutOnTheirBackgroundAndAreSampledAsIfEveryPixelWere) {
    // The normal look sits on white, the selected look on the highlight.
    auto check = [](auto draw, int index, const Density& d, int width, int height, bool selected) {
        const Picture p = draw(index, d, Sampling::AlongEdges);
        EXPECT_EQ(p.pixels, draw(index, d, Sampling::EveryPixel).pixels);
        // The list's colours are 0x00BBGGRR, the pictures' 0x00RRGGBB.
        auto rgb = [](std::uint32_t bgr) {
            return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
        };
        const std::uint32_t background =
            rgb(selected ? ListColours::Highlight : ListColours::Background);
        ASSERT_EQ(p.width, width);
        ASSERT_EQ(p.height, height);
        ASSERT_EQ(p.pixels.size(), static_cast<std::size_t>(width * height));
        int visible = 0;
        for (const std::uint32_t pixel : p.pixels)
            visible += std::fabs(Luma(OverColour(pixel, background)) - Luma(background)) > 60;
        EXPECT_GT(visible, width * height / 6);
    };
    // Drawn anew at their size for each density.
    for (const int dpi : {96, 144, 240}) {
        const Density d(dpi);
        for (int i = 0; i < 16; ++i) {
            SCOPED_TRACE(testing::Message() << dpi << " user " << i);
            check(UserImage, i, d, d.Scaled(i < 8 ? 23 : 15), d.Scaled(i < 8 ? 22 : 16),
                  (i / 4) % 2 == 1);
        }
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(testing::Message() << dpi << " clock and lock " << i);
            const int w = d.Scaled(i < 2 ? 24 : 16), h = d.Scaled(i < 2 ? 22 : 16);
            check(ClockImage, i, d, w, h, i % 2 == 1);
            check(LockImage, i, d, w, h, i % 2 == 1);
        }
        check(SortMarkImage, AscendingSortMark, d, d.Scaled(12), d.Scaled(12), false);
        check(SortMarkImage, DescendingSortMark, d, d.Scaled(12), d.Scaled(12), false);
    }
    for (const int size : {16, 48, 256})
        EXPECT_EQ(ProgramIcon(size).pixels, ProgramIcon(size, Sampling::EveryPixel).pixels) << size;
}

} // namespace
} // namespace qb::controls
