// The main window's model on a simulated machine: the load sequence, the hours grid, the
// two lists, the divider, the details panel and their editing, the read-only mode and the
// closing procedure, driven as the window drives it and checked in the records, the lists'
// rows, what each control shows and what reaches the machine.

#include "mainwindow/control_ids.h"
#include "mainwindow/input_form_model.h"
#include "support/sim_world.h"

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

// A user list on the portable list model, the size of the main window's first list.
class ModelList final : public UserList {
public:
    void BeginUpdate() override {}
    void EndUpdate() override {}
    void AddItem(const std::wstring& userName, std::int32_t userPriv, bool userRestricted,
                 bool userLocked, std::int32_t userTag) override {
        model.AddItem(userName, userPriv, userRestricted, userLocked, userTag);
    }
    void selectItem(std::int32_t itmNum, bool byTag) override { model.selectItem(itmNum, byTag); }
    void HideSelection() override { model.HideSelection(); }
    std::int32_t SelectedItem() const override { return model.SelectedItem(); }
    void SetAccountLocked(bool b) override { model.SetAccountLocked(b); }
    void SetHasTimeRestrictions(bool b) override { model.SetHasTimeRestrictions(b); }
    void SetNewUserName(const std::wstring& name) override { model.SetNewUserName(name); }
    void SetNewUserType(std::int32_t t, std::int32_t itmNum) override {
        model.SetNewUserType(t, itmNum);
    }
    void Sort(std::int32_t sortColumn, bool sortForwards) override {
        model.Sort(sortColumn, sortForwards);
    }
    void SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                 bool fontUnderline, bool fontStrikethru) override {
        model.SetFont(fontName, fontSize, fontBold, fontItalic, fontUnderline, fontStrikethru);
    }

    // The rows' names, top to bottom.
    Names RowNames() const {
        Names names;
        for (int i = 0; i <= model.LastIndex(); ++i)
            names.push_back(model.Entry(i).userName);
        return names;
    }
    int Index(const std::wstring& name) const {
        const Names names = RowNames();
        return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
    }
    const controls::ListEntry& Row(const std::wstring& name) const {
        return model.Entry(Index(name));
    }
    const controls::ListEntry& Selected() const { return model.Entry(model.SelectedItem()); }

    controls::CustomListModel model{controls::ListMetrics{}, 5085, 3570};
};

class FakeTimer final : public Timer {
public:
    void SetEnabled(bool e) override { enabled = e; }
    bool enabled = false;
};

// English names and a day/month/year date, so that the texts are predictable.
class FakeLocale final : public platform::LocaleApi {
public:
    std::wstring AbbreviatedDayName(int day) override {
        static const wchar_t* names[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
        return day >= 1 && day <= 7 ? names[day - 1] : L"";
    }
    std::wstring ShortDate(const platform::SystemTime& t) override {
        wchar_t buf[32];
        std::swprintf(buf, 32, L"%02u/%02u/%04u", t.day, t.month, t.year);
        return buf;
    }
    std::wstring LongTime(const platform::SystemTime& t) override {
        wchar_t buf[32];
        std::swprintf(buf, 32, L"%02u:%02u:%02u", t.hour, t.minute, t.second);
        return buf;
    }
};

std::wstring Changed(const std::wstring& name) {
    return L"The settings for " + name +
           L" have been changed.\r\nDo you want to save the new settings?";
}

// A machine of a small family: anna (administrator, logged on), kim (administrator,
// not allowed on Sundays), tom (user, never logged on) and the built-in accounts.
class Form : public ::testing::Test {
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
        list1.model.ItemClick = [this](std::int32_t tag) { model.CustomList1ItemClick(tag); };
        list2.model.ItemClick = [this](std::int32_t tag) { model.CustomList2ItemClick(tag); };
    }
    void Open() {
        w.Load();
        w.g.BootTime = DateTime::FromCivil({2026, 12, 6, 8, 30, 0});
        model.Load(LoadContext{});
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
    // The texts of the message boxes shown.
    Names Messages() const {
        Names texts;
        for (const auto& box : w.user.messageBoxes)
            texts.push_back(box.text);
        return texts;
    }
    // The middle of grid cell (column, row), in twips.
    static int X(int column) { return column * 660 + 330; }
    static int Y(int row) { return row * 240 + 120; }

    testing::SimWorld w;
    ModelList list1, list2;
    FakeLocale locale;
    FakeTimer timer;
    InputFormModel model{w.g,    list1, list2,
                         locale, timer, AppVersion{L"Whitfield Software", L"Quill Bay", 1, 0, 0}};
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
    for (const auto& [x, column] : std::vector<std::pair<int, int>>{
             {0, 0}, {659, 0}, {660, 1}, {4619, 6}, {4620, -1}, {-1, -1}})
        EXPECT_EQ(model.ColumnAt(x), column) << x;
    for (const auto& [y, row] : std::vector<std::pair<int, int>>{
             {0, 0}, {239, 0}, {240, 1}, {5759, 23}, {5760, -1}, {-5, -1}})
        EXPECT_EQ(model.RowAt(y), row) << y;

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

TEST_F(Form, PrivilegedAccountsAreOfferedNormalUserAtEveryMouseUp) {
    Open();
    Click1(L"kim");
    w.user.answers = {platform::id::No, platform::id::No, platform::id::Yes};
    model.GridMouseUp(); // kim already has restrictions: asked without any change
    ASSERT_EQ(w.user.messageBoxes.size(), 1u);
    EXPECT_EQ(w.user.messageBoxes[0].text,
              L"kim is a member of the Administrators group.\r\n"
              L"To prevent kim from changing the system time, change to normal user?");
    EXPECT_EQ(w.user.messageBoxes[0].caption, L"Quill Bay");
    EXPECT_EQ(w.user.messageBoxes[0].type, platform::mb::YesNo | platform::mb::IconQuestion);
    Paint(3, 3); // No again: still an administrator, asked again
    EXPECT_EQ(R(L"kim").UserType(), Administrator);
    Paint(6, 6);
    EXPECT_EQ(w.user.messageBoxes.size(), 3u);
    EXPECT_EQ(R(L"kim").UserType(), User);
    EXPECT_EQ(R(L"kim").UserGroups(), 2) << "Users stays, Administrators goes";
    EXPECT_EQ(Text(ids::DetailSettingEntry0 + 1), L"Users");
    EXPECT_EQ(list1.Row(L"kim").userPriv, User);
    EXPECT_EQ(list2.Row(L"kim").userPriv, User);
    model.GridMouseUp(); // a normal user now: no more questions
    // The logged-on user's own account is never asked about, restricted or not.
    Click1(L"anna");
    Paint(0, 0);
    EXPECT_TRUE(R(L"anna").HasTimeRestrictions());
    EXPECT_EQ(w.user.messageBoxes.size(), 3u);
}

TEST_F(Form, TheSecondListCopiesHoursOrClearsThemAndLetsGoAfterATick) {
    Open();
    Click1(L"tom");
    // The row of kim in the second list: its hours go onto tom, the grid shows them.
    Click2(L"kim");
    for (int b = 0; b < kLogonHourBytes; ++b)
        EXPECT_EQ(R(L"tom").LogonHour(b), R(L"kim").LogonHour(b)) << b;
    EXPECT_TRUE(list1.Row(L"tom").userRestricted);
    EXPECT_EQ(model.DayTotal(1), 0);
    EXPECT_EQ(model.Title(), L"Quill Bay - tom") << "the shown account stays tom";
    EXPECT_TRUE(Shown(ids::UndoButton));
    EXPECT_TRUE(timer.enabled);
    EXPECT_TRUE(list2.model.SelectionHighlight().visible);
    model.UnSelTimerTick();
    EXPECT_FALSE(timer.enabled);
    EXPECT_FALSE(list2.model.SelectionHighlight().visible);
    EXPECT_TRUE(list1.model.SelectionHighlight().visible);

    // "<no restrictions>": every hour allowed, 24:00 under every day.
    Click2(L"<no restrictions>");
    EXPECT_FALSE(R(L"tom").HasTimeRestrictions());
    for (int c = 0; c < kGridColumns; ++c)
        EXPECT_EQ(Text(ids::TotalTime0 + c), L"24:00");
    EXPECT_FALSE(list1.Row(L"tom").userRestricted);
    EXPECT_FALSE(Shown(ids::UndoButton)) << "back as read";
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
    model.MoreButtonClick();
    EXPECT_FALSE(R(L"tom").DataHasChanged());
    EXPECT_EQ(model.DayTotal(0), 24);
    EXPECT_EQ(model.ClientHeight(), kCollapsedHeight);
}

TEST_F(Form, AMachineWithoutAccountsOpensEmpty) {
    auto bare = simulated::SimulatedMachine::Bare();
    bare->SetLoggedOnUser(L"root");
    testing::SimWorld empty(std::move(bare));
    ModelList a, b;
    InputFormModel form(empty.g, a, b, locale, timer, AppVersion{L"W", L"Quill Bay", 1, 0, 0});
    empty.Load();
    form.Load(LoadContext{});
    EXPECT_EQ(form.CurrentAccount(), 0);
    EXPECT_EQ(form.Title(), L"Quill Bay");
    EXPECT_FALSE(form.Grid().drawn);
    EXPECT_EQ(b.RowNames(), (Names{L"<no restrictions>"}));
    form.GridMouseDown(GridButton::Left, X(0), Y(0));
    form.GridMouseUp();
    form.CustomList2ItemClick(0);
    form.CustomList1ColumnClick(3);
    form.MoreButtonClick();
    EXPECT_FALSE(form.DragActive());
}

TEST_F(Form, UndoThrowsAwayTheShownAccountsEdits) {
    Open();
    Click1(L"tom");
    Paint(0, 0);
    R(L"tom").SetFullName(L"Tommy");
    ASSERT_TRUE(Shown(ids::UndoButton));
    model.UndoButtonClick();
    EXPECT_FALSE(R(L"tom").DataHasChanged());
    EXPECT_FALSE(Shown(ids::UndoButton));
    EXPECT_FALSE(list1.Row(L"tom").userRestricted);
    EXPECT_EQ(model.DayTotal(0), 24);
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

TEST_F(WelcomeScreen, MissingValuesLeaveTheBoxClearAndTheWelcomeScreenUnused) {
    Open(); // no "Administrator" value
    EXPECT_EQ(model.ShowAdminValue(), 0);
    EXPECT_FALSE(model.Control(ids::ShowAdmin).checked);
    w.registry.Set(HkeyLocalMachine, kWinlogon, "LogonType", Dword(2));
    InputFormModel again(w.g, list1, list2, locale, timer, AppVersion{L"W", L"Quill Bay", 1, 0, 0});
    again.Load(LoadContext{});
    EXPECT_FALSE(again.WelcomeScreenInUse());
}

TEST_F(WelcomeScreen, OnlyTheWelcomeScreenChoiceChangedIsWrittenToTheRegistry) {
    w.registry.CreateKey(HkeyLocalMachine, kUserList);
    w.user.windows["QuillbayService"] = 77;
    Open();
    model.ShowAdminClick(true);
    w.user.answers = {platform::id::Yes};
    EXPECT_TRUE(model.CloseProcedure());
    EXPECT_EQ(Messages(), (Names{Changed(L"Administrator")}));
    EXPECT_EQ(w.registry.Get(HkeyLocalMachine, kUserList, "Administrator"), Dword(1));
    // The record had no changes of its own; being the logged-on user's, it is written last.
    EXPECT_EQ(w.user.sent.size(), 3u);
}

// The companion service is there to hear the commands.
class Closing : public Form {
protected:
    void SetUp() override {
        Form::SetUp();
        w.user.windows["QuillbayService"] = 77;
    }
    // The commands sent, in order.
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        for (const auto& sent : w.user.sent)
            commands.emplace_back(reinterpret_cast<const char*>(sent.buffer.data()));
        return commands;
    }
    // The accounts written, in order.
    Names Written() const {
        Names targets;
        for (const auto& call : w.machine->Calls())
            if (call.function == "NetUserSetInfo")
                targets.push_back(call.target);
        return targets;
    }
};

TEST_F(Closing, AUserWithoutRightsClosesWithoutAWord) {
    w.machine->SetLoggedOnUser(L"tom");
    Open();
    EXPECT_TRUE(model.CloseProcedure());
    EXPECT_TRUE(w.user.messageBoxes.empty());
    EXPECT_TRUE(w.user.sent.empty());
}

TEST_F(Closing, ConfirmedAccountsAreWrittenTheOwnOneLastBetweenSuspendAndResume) {
    Open();
    EXPECT_TRUE(model.CloseProcedure()) << "nothing changed";
    EXPECT_TRUE(w.user.messageBoxes.empty());
    EXPECT_EQ(Commands(), (std::vector<std::string>{"/suspend", "/resume"}));

    w.user.sent.clear();
    w.machine->ClearCalls();
    R(L"anna").SetComment(L"mum");
    R(L"kim").SetComment(L"big sister");
    R(L"tom").SetComment(L"little brother");
    int pumps = 0;
    model.ProcessPendingMessages = [&] { ++pumps; };
    // Administrator, anna, Guest, kim, tom: anna Yes, kim Yes, tom No.
    w.user.answers = {platform::id::Yes, platform::id::Yes, platform::id::No};
    EXPECT_TRUE(model.CloseProcedure());
    EXPECT_EQ(Messages(), (Names{Changed(L"anna"), Changed(L"kim"), Changed(L"tom")}));
    EXPECT_EQ(Written(), (Names{L"kim", L"anna"}));
    EXPECT_FALSE(R(L"tom").DataHasChanged()) << "answered No: reset";
    EXPECT_EQ(Commands(), (std::vector<std::string>{"/suspend", "/update", "/resume"}));
    EXPECT_EQ(pumps, 1);
}

TEST_F(Closing, CancelStopsTheWalkButNotTheOwnWriteNorTheResume) {
    Open();
    w.machine->ClearCalls();
    R(L"anna").SetComment(L"mum");
    R(L"kim").SetComment(L"big sister");
    R(L"tom").SetComment(L"little brother");
    w.user.answers = {platform::id::Yes, platform::id::Cancel};
    EXPECT_FALSE(model.CloseProcedure());
    EXPECT_EQ(Messages().size(), 2u) << "tom is not asked about";
    EXPECT_EQ(Written(), (Names{L"anna"}));
    EXPECT_TRUE(R(L"kim").DataHasChanged());
    EXPECT_EQ(Commands(), (std::vector<std::string>{"/suspend", "/update", "/resume"}));
}

TEST_F(Closing, NobodyIsLockedOut) {
    Open();
    // anna and kim leave Administrators; the built-in administrator gets no hour at all.
    R(L"anna").SetUserGroups(0);
    R(L"kim").SetUserGroups(2);
    userInfo& admin = R(L"Administrator");
    for (int b = 0; b < kLogonHourBytes; ++b)
        admin.SetLogonHour(b, 0);
    admin.SetUserName(L"Boss");
    EXPECT_FALSE(model.CloseProcedure());
    ASSERT_EQ(w.user.messageBoxes.size(), 1u);
    EXPECT_EQ(w.user.messageBoxes[0].text, L"You can't block all hours for Boss");
    EXPECT_EQ(w.user.messageBoxes[0].type, platform::mb::Ok | platform::mb::IconExclamation);
    EXPECT_TRUE(w.user.sent.empty());
    // A second administrator makes it safe.
    R(L"kim").SetUserGroups(4);
    w.user.answers = {platform::id::No, platform::id::No, platform::id::No, platform::id::No};
    EXPECT_TRUE(model.CloseProcedure());
}

TEST_F(Closing, TheOwnRestrictionsAndGroupsAreQuestioned) {
    w.machine->AddMember(L"Power Users", L"anna");
    Open();
    Paint(0, 0);
    R(L"anna").SetUserGroups(0);
    // No to both: the hours and the groups go back; nothing is left to save.
    w.user.answers = {platform::id::No, platform::id::No};
    EXPECT_TRUE(model.CloseProcedure());
    EXPECT_EQ(Messages(),
              (Names{L"Are you sure you want to restrict your own logon times?",
                     L"Are you sure you want to remove yourself from the Administrators and Power "
                     L"Users groups?"}));
    EXPECT_FALSE(R(L"anna").DataHasChanged());
    EXPECT_EQ(model.DayTotal(0), 24) << "redrawn";
    EXPECT_FALSE(list1.Row(L"anna").userRestricted);

    // Added to Power Users only: no question about groups.
    w.user.messageBoxes.clear();
    R(L"anna").SetUserGroups(4 | 8 | 2);
    w.user.answers = {platform::id::No};
    model.CloseProcedure();
    EXPECT_EQ(Messages(), (Names{Changed(L"anna")}));
}

using StringField = const std::wstring& (userInfo::*)(bool) const;

// tom's details, the panel open.
class Editing : public Form {
protected:
    void SetUp() override {
        Form::SetUp();
        Open();
        Click1(L"tom");
        model.MoreButtonClick();
        tom = w.Record(L"tom"); // kept: its name changes
    }
    bool Commit(int index, const std::wstring& text) {
        return model.DetailSettingEntryValidate(index, text);
    }
    bool UndoShown() const { return Shown(ids::UndoButton); }

    userInfo* tom = nullptr;
};

TEST_F(Editing, TextBoxesCommitTheirFieldAndUndoFollowsTheRecord) {
    for (const auto& [index, field] : std::vector<std::pair<int, StringField>>{
             {0, &userInfo::FullName}, {3, &userInfo::Comment}, {4, &userInfo::UserComment}}) {
        EXPECT_TRUE(Commit(index, L" Tom  Thumb "));
        EXPECT_EQ((tom->*field)(false), L" Tom  Thumb ") << "as typed, box " << index;
        EXPECT_TRUE(UndoShown());
        EXPECT_TRUE(Commit(index, (tom->*field)(true))); // typed back as read
        EXPECT_FALSE(UndoShown()) << index;
    }
    for (const int index : {1, 2, 7}) // shown only
        EXPECT_TRUE(Commit(index, L"typed"));
    EXPECT_FALSE(tom->DataHasChanged());
    EXPECT_EQ(Text(ids::DetailSettingEntry0 + 1), L"Users");

    // A new password is taken; clearing the box afterwards does not take it back.
    EXPECT_TRUE(Commit(6, L"s3cret"));
    EXPECT_TRUE(Commit(6, L""));
    EXPECT_EQ(tom->Password(), L"s3cret");
    EXPECT_TRUE(UndoShown());
}

TEST_F(Editing, UserNamesAreRefusedWithTheirReasonOrTakenIntoRecordAndList) {
    const std::wstring fullStop = L"The username cannot end with a '.' character";
    std::vector<std::pair<std::wstring, std::wstring>> refused = {{L"tom.", fullStop},
                                                                  {L"t/m.", fullStop}};
    for (const wchar_t c : std::wstring(L"/\\[]<>:;,+=?"))
        refused.emplace_back(L"to" + std::wstring(1, c) + L"m",
                             L"The username cannot contain any of the characters /\\[]<>:;,+=?");
    Names messages;
    for (const auto& [name, message] : refused) {
        EXPECT_FALSE(Commit(5, name)) << name.c_str();
        messages.push_back(message);
    }
    EXPECT_EQ(Messages(), messages);
    EXPECT_EQ(w.user.messageBoxes.back().type, platform::mb::Ok | platform::mb::IconInformation);
    EXPECT_EQ(tom->UserName(), L"tom");
    EXPECT_EQ(list1.Selected().userName, L"tom");
    EXPECT_FALSE(UndoShown());

    w.user.messageBoxes.clear();
    for (const std::wstring name : {L"t.om", L"tom thumb", L""}) {
        EXPECT_TRUE(Commit(5, name));
        EXPECT_EQ(tom->UserName(), name);
        EXPECT_EQ(list1.Selected().userName, name);
        EXPECT_TRUE(UndoShown());
    }
    EXPECT_TRUE(w.user.messageBoxes.empty());
}

TEST_F(Editing, CheckBoxesAndThePadlockFlipTheFlags) {
    model.AccountDisabledClick(true);
    EXPECT_TRUE(tom->AccountDisabled());
    EXPECT_TRUE(Shown(ids::LockImage));
    EXPECT_TRUE(list1.Selected().userLocked);
    model.LockImageClick();
    EXPECT_FALSE(tom->AccountDisabled());
    EXPECT_FALSE(Shown(ids::LockImage));
    EXPECT_FALSE(list1.Selected().userLocked);
    EXPECT_FALSE(UndoShown());

    model.PasswordLockedClick(true);
    model.PasswordNotNeededClick(true);
    model.PasswordLockedClick(false);
    EXPECT_TRUE(tom->PasswordNotNeeded());
    EXPECT_TRUE(UndoShown()) << "one flag still differs";
    model.PasswordNotNeededClick(false);
    EXPECT_FALSE(UndoShown());

    // The logged-on user cannot lock their own account.
    Click1(L"anna");
    model.AccountDisabledClick(true);
    EXPECT_FALSE(R(L"anna").AccountDisabled());
}

TEST_F(Editing, TheGroupDialogKeepsOneBoxTickedAndAGreyedAdministrator) {
    UserTypesModel dialog(w.g.Store);
    dialog.SetUser(*tom);
    EXPECT_EQ(dialog.BoxCaption(PowerUsersGroup), L"Power Users");
    dialog.Check1Click(UsersGroup); // the only ticked box stays ticked
    EXPECT_EQ(dialog.Value(UsersGroup), UserTypesModel::Ticked);
    dialog.Check1Click(GuestsGroup);
    dialog.CancelButtonClick();
    EXPECT_EQ(tom->UserGroups(), 2) << "Cancel leaves the record alone";

    UserTypesModel greyed(w.g.Store);
    tom->SetUserGroups(0); // in none of the groups: opens as a member of Users
    greyed.SetUser(*tom);
    greyed.SetMustBeAdmin(true);
    greyed.Check1Click(AdministratorsGroup);
    EXPECT_EQ(greyed.Value(AdministratorsGroup), UserTypesModel::Greyed);
    greyed.Check1Click(GuestsGroup);
    greyed.CloseButtonClick();
    EXPECT_EQ(tom->UserGroups(), 1 | 2 | 4) << "the greyed box counts as ticked";
}

TEST_F(Editing, TheOpenerTypesByFirstMatchAndKeepsTheLastAdministrator) {
    std::vector<int> clicks;
    bool ok = true, mustBeAdmin = false;
    model.ShowUserTypesForm = [&](UserTypesModel& dialog) {
        mustBeAdmin = dialog.MustBeAdmin();
        for (const int box : clicks)
            dialog.Check1Click(box);
        ok ? dialog.CloseButtonClick() : dialog.CancelButtonClick();
    };
    const struct {
        std::vector<int> clicks; // on tom, a member of Users
        std::int32_t type;
        const wchar_t* memberOf;
    } cases[] = {{{PowerUsersGroup}, PowerUser, L"Power Users"},
                 {{PowerUsersGroup, AdministratorsGroup}, Administrator, L"Administrators"},
                 {{GuestsGroup, UsersGroup}, Guest, L"Guests"}};
    for (const auto& c : cases) {
        clicks = c.clicks;
        model.UserImageClick();
        EXPECT_EQ(tom->UserType(), c.type) << c.memberOf;
        EXPECT_EQ(Text(ids::DetailSettingEntry0 + 1), c.memberOf);
        EXPECT_EQ(list1.Row(L"tom").userPriv, c.type);
        EXPECT_EQ(list2.Row(L"tom").userPriv, c.type);
        EXPECT_TRUE(Shown(ids::UserImage0 + c.type));
        model.UndoButtonClick();
    }
    // Cancel still types by the groups, replacing a type that disagrees with them; a
    // record in no group at all is left as it is.
    ok = false;
    tom->SetUserType(Guest, true);
    model.UserImageClick();
    EXPECT_EQ(tom->UserType(), User);
    tom->SetUserGroups(0, true); // would type as Guest
    model.UserImageClick();
    EXPECT_EQ(tom->UserType(), User);

    // Administrators: the built-in one, anna and kim. The built-in one always stays; so
    // does the last one, counted on the memberships as edited.
    ok = true;
    clicks = {AdministratorsGroup};
    auto open = [&](const wchar_t* name) {
        Click1(name);
        model.UserImageClick();
        return mustBeAdmin;
    };
    EXPECT_TRUE(open(L"Administrator"));
    EXPECT_FALSE(open(L"kim"));
    EXPECT_EQ(R(L"kim").UserType(), User) << "left with Users";
    R(L"Administrator").SetUserGroups(2);
    EXPECT_TRUE(open(L"anna"));
    EXPECT_EQ(R(L"anna").UserType(), Administrator);
    EXPECT_FALSE(open(L"tom")) << "not a member: nothing to keep";
}

} // namespace
} // namespace qb::mainwindow
