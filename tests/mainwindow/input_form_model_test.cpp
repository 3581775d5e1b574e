// The main window's model on a simulated machine: the load sequence, the hours grid, the
// two lists, the divider, the details panel and their editing, the read-only mode and the
// closing procedure, driven as the window drives it and checked in the records, the lists'
// rows, what each control shows and what reaches the machine.

#include "mainwindow/control_ids.h"
#include "mainwindow/input_form_model.h"
#include "support/form_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qb::mainwindow {
namespace {

using platform::HkeyLocalMachine;
using testing::Dword;
using Names = std::vector<std::wstring>;

constexpr char kWinlogon[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr char kUserList[] =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\SpecialAccounts\\UserList";

// A machine of a small family: anna (administrator, logged on), kim (administrator,
// not allowed on Sundays), tom (user, never logged on) and the built-in accounts.
class Form : public ::testing::Test, public testing::FormWorld {
protected:
    void SetUp() override {
        w.machine->AddAccount({.name = L"anna",
                               .lastLogon = 1764936000, // 5 December 2025 12:00:00 UTC
                               .groups = {L"Administrators"}});
        simulated::AccountSpec kim{.name = L"kim", .groups = {L"Administrators", L"Users"}};
        kim.logonHours.emplace().fill(0xFF);
        (*kim.logonHours)[0] = (*kim.logonHours)[1] = (*kim.logonHours)[2] = 0; // Sunday
        w.machine->AddAccount(kim);
        w.machine->AddAccount({.name = L"tom", .groups = {L"Users"}});
        w.machine->SetLoggedOnUser(L"anna");
    }
    // A click on the row of `name`, as the user makes it: the list selects the row and
    // tells the window.
    void Click1(const wchar_t* name) { list1.model.ClickRow(list1.Index(name)); }
    void Click2(const wchar_t* name) { list2.model.ClickRow(list2.Index(name)); }
    // A press and release on grid cell (column, row).
    void Paint(int column, int row, GridButton button = GridButton::Left) {
        model.GridMouseDown(button, X(column), Y(row));
        model.GridMouseUp();
    }
    userInfo& R(const wchar_t* name) { return *w.Record(name); }
    const std::wstring& Text(int id) const { return model.Control(id).text; }
    bool Shown(int id) const { return model.Control(id).visible; }
};

TEST_F(Form, OpensOnTheLoggedOnUserWithTitleStripsAndLabels) {
    w.registry.Set(HkeyLocalMachine, "SOFTWARE\\Quill Bay", "WarningMinutes", Dword(12));
    Open();
    EXPECT_EQ(w.g.WarningMinutes, 12) << "the settings store, read at load";
    EXPECT_EQ(list1.Selected().userName, L"anna");
    EXPECT_EQ(model.Title(), L"Quill Bay - anna");
    EXPECT_EQ(Text(ids::Heading2), L"Allowable logon times for anna...");
    EXPECT_EQ(Text(ids::HourLabel0 + 9), L"09:00 - 09:59");
    EXPECT_EQ(Text(ids::DayLabel0), L"Sun");
    EXPECT_EQ(Text(ids::AppLabel0), L"Whitfield Software Quill Bay");
    EXPECT_EQ(Text(ids::AppLabel0 + 1), L"Version 1.00.00");
    EXPECT_EQ(model.ClientHeight(), kCollapsedHeight);
    // Both lists by name, ascending; the second one headed by "<no restrictions>".
    Names names{L"Administrator", L"anna", L"Guest", L"kim", L"tom"};
    EXPECT_EQ(list1.RowNames(), names);
    names.insert(names.begin(), L"<no restrictions>");
    EXPECT_EQ(list2.RowNames(), names);
    EXPECT_TRUE(list1.Row(L"kim").userRestricted);
    EXPECT_TRUE(list1.Row(L"Guest").userLocked);
    EXPECT_TRUE(Shown(ids::MoreButton));
    EXPECT_FALSE(Shown(ids::WarningLabel0));
}

TEST_F(Form, WithoutTheLoggedOnUsersAccountTheFirstRecordIsShown) {
    w.Load();
    for (int i = 1; i <= w.g.Accounts.Count(); ++i) // as for a domain account
        w.g.Accounts.Item(i).SetCurrentUser(false);
    model.Load(LoadContext{});
    EXPECT_EQ(model.Title(), L"Quill Bay - " + w.g.Accounts.Item(1).UserName());
}

TEST_F(Form, FontRulesOfTheMenuFont) {
    struct Case {
        std::int32_t height, weight;
        int ppi;
        float size;
        bool bold;
    };
    for (const Case c :
         {Case{-11, 400, 96, 8, false}, Case{-14, 550, 96, 10, false}, Case{-14, 551, 96, 10, true},
          Case{-17, 700, 144, 8, true}, Case{-13, 400, 96, 10, false}}) {
        MenuFont menu;
        menu.faceName = std::wstring(L"Tahoma\0\0junk", 12);
        menu.height = c.height;
        menu.weight = c.weight;
        menu.italic = true;
        const SystemFontInfo info = LoadSystemFont(c.ppi, menu);
        EXPECT_EQ(info.FontSize, c.size) << c.height << " at " << c.ppi;
        EXPECT_EQ(info.Bold, c.bold) << c.weight;
        EXPECT_EQ(info.FontName, L"Tahoma");
        EXPECT_TRUE(info.Italic);
    }
}

TEST_F(Form, GridHitTestsAndTheColumnToDayMapping) {
    Open();
    for (const auto& [x, column] :
         std::vector<std::pair<int, int>>{{0, 0}, {4619, 6}, {4620, -1}, {-1, -1}})
        EXPECT_EQ(model.ColumnAt(x), column) << x;
    for (const auto& [y, row] :
         std::vector<std::pair<int, int>>{{0, 0}, {5759, 23}, {5760, -1}, {-5, -1}})
        EXPECT_EQ(model.RowAt(y), row) << y;
    // At 100 % to 250 %, the pointer on the pixel in the middle of an hour label or a day
    // caption is, on the grid, in that hour's row or that day's column.
    for (const int dpi : {96, 120, 144, 168, 192, 216, 240}) {
        const controls::Density d(dpi);
        const controls::PixelRect grid = d.Pixels(DesignOf(ids::AllowedHoursGraphic)->bounds);
        auto middle = [&](int id) {
            const controls::PixelRect r = d.Pixels(DesignOf(id)->bounds);
            return std::pair{d.PointTwips((r.left + r.right) / 2 - grid.left),
                             d.PointTwips((r.top + r.bottom) / 2 - grid.top)};
        };
        for (int r = 0; r < kGridRows; ++r)
            EXPECT_EQ(model.RowAt(middle(ids::HourLabel0 + r).second), r) << dpi;
        for (int k = 0; k < 7; ++k) // Saturday's caption (6) over the first column
            EXPECT_EQ(model.ColumnAt(middle(ids::DayLabel0 + k).first), (k + 1) % 7) << dpi;
    }

    // The top cell of the first column is Saturday 00:00: bit 0 of byte 18. The bottom
    // cell of the last column is Friday 23:00: bit 7 of byte 17. The right button paints
    // like the left.
    Paint(0, 0);
    Paint(6, 23, GridButton::Right);
    for (int b = 0; b < kLogonHourBytes; ++b)
        EXPECT_EQ(R(L"anna").LogonHour(b), b == 18 ? 0xFE : b == 17 ? 0x7F : 0xFF) << b;
    EXPECT_EQ(model.DayTotal(0), 23);
    EXPECT_EQ(model.DayTotal(6), 23);
    EXPECT_TRUE(list1.Row(L"anna").userRestricted);
}

TEST_F(Form, ADragPaintsTheOppositeOfItsFirstCellOncePerCell) {
    Open();
    Click1(L"kim"); // Sunday (column 1) denied, the rest allowed
    model.TakePaintedCells();
    // Pressed on an allowed Monday cell: the drag denies. It passes row 1 twice and wanders
    // outside the grid and onto a denied Sunday cell, which it leaves as it is.
    model.GridMouseDown(GridButton::Left, X(2), Y(0));
    for (const auto& [c, r] :
         std::vector<std::pair<int, int>>{{2, 1}, {2, 0}, {2, 1}, {-1, 1}, {1, 1}, {2, 2}})
        model.GridMouseMove(c < 0 ? -200 : X(c), Y(r));
    model.GridMouseUp(); // kim is not asked about: the question is answered below
    userInfo& kim = R(L"kim");
    EXPECT_EQ(kim.LogonHour(3), 0xF8) << "Monday 00:00-02:59 denied, each once";
    EXPECT_EQ(kim.LogonHour(0), 0x00);
    EXPECT_EQ(model.DayTotal(1), 0);
    EXPECT_EQ(Text(ids::TotalTime0 + 2), L"21:00");
    EXPECT_EQ(model.TakePaintedCells(), (std::vector<std::pair<int, int>>{{2, 0}, {2, 1}, {2, 2}}));
    EXPECT_FALSE(model.DragActive());

    // Pressed on a denied cell: the drag allows.
    model.GridMouseDown(GridButton::Left, X(1), Y(5));
    model.GridMouseMove(X(1), Y(6));
    model.GridMouseUp();
    EXPECT_EQ(model.DayTotal(1), 2);
    EXPECT_EQ(kim.LogonHour(0), 0x60);
}

TEST_F(Form, TheKeysMoveTheFocusCellAndPaintAsTheMouseDoes) {
    using namespace controls::accessible;
    Open();
    Click1(L"tom");
    model.GridFocus(true);
    const ShiftState shift{true, false, false};
    const struct {
        Key key;
        std::pair<int, int> cell;
    } moves[] = {{Key::Right, {1, 0}},  {Key::Down, {1, 1}},      {Key::End, {6, 1}},
                 {Key::Right, {6, 1}},  {Key::PageDown, {6, 23}}, {Key::Home, {0, 23}},
                 {Key::PageUp, {0, 0}}, {Key::Up, {0, 0}},        {Key::Right, {1, 0}}};
    for (const auto& m : moves) {
        EXPECT_TRUE(model.GridKeyDown(m.key, {}, false));
        EXPECT_EQ(model.FocusCell(), m.cell);
    }
    EXPECT_FALSE(model.GridKeyDown(Key::Left, {false, true, false}, false)) << "Ctrl: not ours";
    EXPECT_FALSE(R(L"tom").DataHasChanged()) << "moving changes nothing";
    EXPECT_EQ(model.GridCell(0, 8).name, L"Saturday 08:00 - 08:59");
    EXPECT_EQ(model.GridCell(1, 0).state,
              StateFocusable | StateSelectable | StateChecked | StateSelected | StateFocused);
    // Space turns Sunday 00:00 (bit 0) over once, however long it is held; its repeats
    // alone (held since before the grid had the focus) turn nothing.
    model.TakeGridEvents();
    model.GridKeyDown(Key::Space, {}, true);
    model.GridKeyUp(Key::Space);
    model.GridKeyDown(Key::Space, {}, false);
    model.GridKeyDown(Key::Space, {}, true);
    model.GridKeyUp(Key::Space);
    EXPECT_EQ(R(L"tom").LogonHour(0), 0xFE);
    EXPECT_EQ(model.TakeGridEvents(), (std::vector<Event>{{EventStateChange, 2}}));
    // Shift from Monday 00:00 down two rows: the drag's value, the opposite of where it
    // began, on every cell it passes. Page Down without Shift paints no more, and jumps.
    model.GridKeyDown(Key::Right, {}, false);
    model.GridKeyDown(Key::Down, shift, false);
    model.GridKeyDown(Key::Down, shift, false);
    model.GridKeyUp(Key::Shift);
    model.TakeGridEvents();
    model.GridKeyDown(Key::PageDown, {}, false);
    EXPECT_EQ(R(L"tom").LogonHour(3), 0xF8);
    EXPECT_EQ(Text(ids::TotalTime0 + 2), L"21:00");
    EXPECT_TRUE(list1.Row(L"tom").userRestricted);
    EXPECT_EQ(model.TakeGridEvents(), (std::vector<Event>{{EventSelection, model.GridChild(2, 23)},
                                                          {EventFocus, model.GridChild(2, 23)}}));

    // A privileged account is asked about when the key is let go, and when the grid loses
    // the focus in the middle of a painting.
    Click1(L"kim");
    model.GridKeyDown(Key::Space, {}, false);
    EXPECT_TRUE(w.user.messageBoxes.empty());
    model.GridKeyUp(Key::Space);
    model.GridKeyDown(Key::Up, shift, false);
    model.GridFocus(false);
    EXPECT_EQ(w.user.messageBoxes.size(), 2u);
    model.GridKeyUp(Key::Shift);
    EXPECT_EQ(w.user.messageBoxes.size(), 2u) << "ended already";
}

// Yes to "change to normal user?" changes the type even when the drag left the hours as
// read, and Undo shows for it (found by the closing property test).
TEST_F(Form, ChangingToANormalUserAtTheGridShowsUndo) {
    Open();
    Click1(L"kim");
    w.user.answers = {platform::id::Yes};
    model.GridMouseUp(); // kim's Sundays were denied already: asked without any change
    EXPECT_EQ(R(L"kim").UserGroups(), 2);
    EXPECT_TRUE(Shown(ids::UndoButton));
}

// What the second list's rows copy is followed by the closing property test; here, what
// the click does to the window besides.
TEST_F(Form, TheSecondListsRowLetsGoAfterATickAndTheShownAccountStays) {
    Open();
    Click1(L"tom");
    Click2(L"kim");
    EXPECT_EQ(model.Title(), L"Quill Bay - tom");
    EXPECT_TRUE(timer.enabled);
    EXPECT_TRUE(list2.model.SelectionHighlight().visible);
    model.UnSelTimerTick();
    EXPECT_FALSE(timer.enabled);
    EXPECT_FALSE(list2.model.SelectionHighlight().visible);
    EXPECT_TRUE(list1.model.SelectionHighlight().visible);
    Click2(L"<no restrictions>");
    for (int c = 0; c < kGridColumns; ++c)
        EXPECT_EQ(Text(ids::TotalTime0 + c), L"24:00");
    EXPECT_TRUE(timer.enabled);
}

TEST_F(Form, HeaderClicksSortBothLists) {
    Open();
    model.CustomList1ColumnClick(3); // already the sort column: now descending
    EXPECT_EQ(list1.RowNames(), (Names{L"tom", L"kim", L"Guest", L"anna", L"Administrator"}));
    EXPECT_EQ(list2.RowNames(),
              (Names{L"<no restrictions>", L"tom", L"kim", L"Guest", L"anna", L"Administrator"}));
    model.CustomList1ColumnClick(0); // by type, ascending: Guest, Users, Administrators
    EXPECT_EQ(list1.RowNames(), (Names{L"Guest", L"tom", L"Administrator", L"anna", L"kim"}));
    EXPECT_EQ(list2.RowNames()[1], L"Guest");
    model.CustomList1ColumnClick(3); // back to names: the direction it last had
    EXPECT_EQ(list1.RowNames().front(), L"tom");
    EXPECT_EQ(list1.Selected().userName, L"anna") << "selection kept";
}

TEST_F(Form, TheDividerStaysWithinItsLimitsAndFollowsOnlyOverItsWidth) {
    Open();
    const TwipsRect list2Before = model.Control(ids::CustomList2).bounds;
    // The pointer's y is relative to the divider where it is now; it was grabbed at 60.
    auto dragTo = [&](int top, int x) {
        model.DividerMouseMove(x, top - model.Divider().top + 60);
    };
    model.DividerMouseDown(100, 60);
    dragTo(4885, 100);
    EXPECT_EQ(model.Divider().top, 4885);
    EXPECT_EQ(model.Control(ids::CustomList1).bounds.height, 4885 - 315);
    EXPECT_EQ(model.Control(ids::Heading3).bounds.top, 5005);
    EXPECT_EQ(model.Control(ids::CustomList2).bounds.top, 5290);
    EXPECT_EQ(model.Control(ids::CustomList2).bounds.bottom(), list2Before.bottom());
    // Moves towards a top with the pointer at x: one twip beyond a limit, or sideways off
    // the divider, and it stays where it was.
    const struct {
        int top, x, expected;
    } moves[] = {{6210, 100, 6210}, {6211, 100, 6210},  {3000, 5116, 6210},
                 {3000, -1, 6210},  {1110, 5115, 1110}, {1109, 0, 1110}};
    for (const auto& m : moves) {
        dragTo(m.top, m.x);
        EXPECT_EQ(model.Divider().top, m.expected) << m.top << " at x " << m.x;
    }
    model.DividerMouseUp();
    dragTo(2000, 100);
    EXPECT_EQ(model.Divider().top, 1110) << "no drag after the release";
}

TEST_F(Form, DetailsOfTheShownAccount) {
    Open();
    EXPECT_EQ(Text(ids::DetailSettingEntry0 + 5), L"anna");
    EXPECT_EQ(Text(ids::DetailSettingEntry0 + 1), L"Administrators");
    // 5 December 2025 12:00 UTC in the machine's zone (UTC): a Friday.
    EXPECT_EQ(Text(ids::DetailSettingEntry0 + 2), L"Fri 05/12/2025 12:00:00");
    EXPECT_EQ(Text(ids::DetailSettingEntry0 + 7), L"Sun 06/12/2026 08:30:00");
    EXPECT_FALSE(model.Control(ids::AccountDisabled).enabled) << "no one locks themselves out";
    EXPECT_FALSE(Shown(ids::UserImage0 + Administrator)) << "collapsed: no pictures";

    model.MoreButtonClick();
    EXPECT_EQ(model.ClientHeight(), kExpandedHeight);
    EXPECT_EQ(Text(ids::MoreButton), L"<< Less");
    EXPECT_TRUE(Shown(ids::UserImage0 + Administrator));
    EXPECT_EQ(model.Control(ids::CloseButton).bounds.top, kExpandedHeight - 495);

    Click1(L"Guest");
    EXPECT_EQ(Text(ids::DetailSettingEntry0 + 2), L"<no information>");
    EXPECT_TRUE(model.Control(ids::AccountDisabled).checked);
    EXPECT_TRUE(model.Control(ids::AccountDisabled).enabled);
    EXPECT_TRUE(Shown(ids::LockImage));
    EXPECT_TRUE(Shown(ids::UserImage0 + Guest));
    EXPECT_FALSE(Shown(ids::UserImage0 + Administrator));

    model.MoreButtonClick();
    EXPECT_EQ(model.ClientHeight(), kCollapsedHeight);
    EXPECT_EQ(Text(ids::MoreButton), L"More >>");
    EXPECT_FALSE(Shown(ids::LockImage));
    EXPECT_FALSE(Shown(ids::Heading4));
}

TEST_F(Form, AUserWithoutAdministratorRightsOnlyLooks) {
    w.machine->SetLoggedOnUser(L"tom");
    Open();
    EXPECT_EQ(model.Title(), L"Quill Bay - tom");
    EXPECT_FALSE(Shown(ids::CustomList2));
    EXPECT_FALSE(Shown(ids::Heading3));
    EXPECT_EQ(Text(ids::WarningLabel0), L"You need to logon as an administrator to be able to");
    EXPECT_EQ(Text(ids::WarningLabel0 + 1), L"view all account settings or make any changes.");
    EXPECT_TRUE(Shown(ids::WarningLabel0 + 1));
    EXPECT_FALSE(Shown(ids::MoreButton));
    EXPECT_FALSE(Shown(ids::SettingsButton));

    model.GridMouseDown(GridButton::Left, X(0), Y(0));
    model.GridMouseMove(X(0), Y(5));
    model.GridMouseUp();
    model.GridKeyDown(Key::Space, {}, false);
    model.GridKeyDown(Key::Down, {true, false, false}, false);
    model.MoreButtonClick();
    EXPECT_FALSE(R(L"tom").DataHasChanged());
    EXPECT_EQ(model.DayTotal(0), 24);
    EXPECT_EQ(model.ClientHeight(), kCollapsedHeight);

    // Closing asks nothing, writes nothing and tells the service nothing.
    w.user.windows["QuillbayService"] = 77;
    EXPECT_TRUE(model.CloseProcedure());
    EXPECT_TRUE(w.user.messageBoxes.empty());
    EXPECT_TRUE(w.user.sent.empty());
}

TEST_F(Form, AMachineWithoutAccountsOpensEmpty) {
    auto bare = simulated::SimulatedMachine::Bare();
    bare->SetLoggedOnUser(L"root");
    testing::FormWorld empty(std::move(bare));
    empty.Open();
    InputFormModel& form = empty.model;
    EXPECT_EQ(form.CurrentAccount(), 0);
    EXPECT_EQ(form.Title(), L"Quill Bay");
    EXPECT_FALSE(form.Grid().drawn);
    EXPECT_EQ(empty.list2.RowNames(), (Names{L"<no restrictions>"}));
    form.GridMouseDown(GridButton::Left, X(0), Y(0));
    form.GridMouseUp();
    form.CustomList2ItemClick(0);
    form.CustomList1ColumnClick(3);
    form.MoreButtonClick();
    EXPECT_FALSE(form.DragActive());
}

// The built-in administrator is the logged-on user, on a machine that logs on through
// the welcome screen.
class WelcomeScreen : public Form {
protected:
    void SetUp() override {
        Form::SetUp();
        w.machine->SetLoggedOnUser(L"Administrator");
        w.registry.Set(HkeyLocalMachine, kWinlogon, "LogonType", Dword(1));
    }
};

TEST_F(WelcomeScreen, ValuesAreReadAfterTheFirstDisplay) {
    w.registry.Set(HkeyLocalMachine, kUserList, "Administrator", Dword(1));
    Open();
    EXPECT_TRUE(model.WelcomeScreenInUse());
    EXPECT_EQ(model.ShowAdminValue(), 1);
    EXPECT_TRUE(model.Control(ids::ShowAdmin).checked);
    // The first display was made before the values were read: the full-name box is wide.
    EXPECT_EQ(model.Control(ids::DetailSettingEntry0).bounds.width, kFullNameWide);
    Click1(L"Administrator");
    EXPECT_EQ(model.Control(ids::DetailSettingEntry0).bounds.width, kFullNameNarrow);
    EXPECT_FALSE(Shown(ids::ShowAdmin)) << "collapsed";
    model.MoreButtonClick();
    EXPECT_TRUE(Shown(ids::ShowAdmin));
    Click1(L"kim");
    EXPECT_FALSE(Shown(ids::ShowAdmin));
    EXPECT_EQ(model.Control(ids::DetailSettingEntry0).bounds.width, kFullNameWide);
    EXPECT_EQ(w.registry.OpenKeyCount(), 0u);
}

} // namespace
} // namespace qb::mainwindow
