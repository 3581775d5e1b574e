// The main window's model on a simulated machine: the load sequence, the hours grid, the
// two lists, the divider, the details panel and the read-only mode, driven as the window
// drives it and checked in the records, the lists' rows and what each control shows.

#include "mainwindow/control_ids.h"
#include "mainwindow/input_form_model.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qb::mainwindow {
namespace {

using controls::CustomListModel;
using simulated::AccountSpec;

// A user list on the portable list model, the size of the main window's first list.
class ModelList final : public UserList {
public:
    ModelList() { model.Resize(5085, 3570); }
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

    // The rows top to bottom, as "name" or "name:tag".
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> names;
        for (int i = 0; i <= model.LastIndex(); ++i)
            names.push_back(model.Entry(i).userName);
        return names;
    }
    int RowNamed(const std::wstring& name) const {
        for (int i = 0; i <= model.LastIndex(); ++i)
            if (model.Entry(i).userName == name)
                return i;
        return -1;
    }
    const controls::ListEntry* RowTagged(int tag) const {
        for (int i = 0; i <= model.LastIndex(); ++i)
            if (model.Entry(i).userTag == tag)
                return &model.Entry(i);
        return nullptr;
    }

    CustomListModel model{controls::ListMetrics{}, 5085, 3570};
};

class FakeTimer final : public Timer {
public:
    void SetEnabled(bool e) override {
        enabled = e;
        starts += e ? 1 : 0;
    }
    bool enabled = false;
    int starts = 0;
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

AccountSpec Account(std::wstring name, std::vector<std::wstring> groups) {
    AccountSpec a;
    a.name = std::move(name);
    a.groups = std::move(groups);
    return a;
}

platform::LogonHoursBytes Hours(std::uint8_t fill) {
    platform::LogonHoursBytes h;
    h.fill(fill);
    return h;
}

// A machine of a small family: anna (administrator, logged on), kim (administrator,
// not allowed on Sundays), tom (user, never logged on) and the built-in accounts.
class Form : public ::testing::Test {
protected:
    void SetUp() override {
        AccountSpec anna = Account(L"anna", {L"Administrators"});
        anna.lastLogon = 1764936000; // 5 December 2025 12:00:00 UTC
        w.machine->AddAccount(anna);
        AccountSpec kim = Account(L"kim", {L"Administrators", L"Users"});
        kim.logonHours = Hours(0xFF);
        for (int b = 0; b < 3; ++b) // Sunday: bits 0..23
            (*kim.logonHours)[static_cast<std::size_t>(b)] = 0;
        w.machine->AddAccount(kim);
        w.machine->AddAccount(Account(L"tom", {L"Users"}));
        w.machine->SetLoggedOnUser(L"anna");
    }
    void SetUpEvents() {
        list1.model.ItemClick = [this](std::int32_t tag) { model.CustomList1ItemClick(tag); };
        list2.model.ItemClick = [this](std::int32_t tag) { model.CustomList2ItemClick(tag); };
    }
    // A click on the row of `name`, as the user makes it: the list selects the row and
    // tells the window.
    void Click1(const wchar_t* name) { list1.model.ClickRow(list1.RowNamed(name)); }
    void Click2(const wchar_t* name) { list2.model.ClickRow(list2.RowNamed(name)); }
    void Open() {
        SetUpEvents();
        w.Load();
        w.g.BootTime = DateTime::FromCivil({2026, 12, 6, 8, 30, 0});
        model.Load(LoadContext{});
    }
    userInfo& R(const wchar_t* name) { return *w.Record(name); }
    int Tag(const wchar_t* name) {
        for (int i = 1; i <= w.g.Accounts.Count(); ++i)
            if (w.g.Accounts.Item(i).UserName() == name)
                return i;
        return 0;
    }
    const std::wstring& Text(int id) const { return model.Control(id).text; }
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
    Open();
    EXPECT_EQ(model.CurrentAccount(), Tag(L"anna"));
    EXPECT_EQ(list1.model.Entry(list1.SelectedItem()).userName, L"anna");
    EXPECT_EQ(model.Title(), L"Quill Bay - anna");
    EXPECT_EQ(Text(ids::Heading2), L"Allowable logon times for anna...");
    EXPECT_EQ(Text(ids::Heading4), L"Account details for anna...");
    EXPECT_EQ(Text(ids::HourLabel0), L"00:00 - 00:59");
    EXPECT_EQ(Text(ids::HourLabel0 + 23), L"23:00 - 23:59");
    EXPECT_EQ(Text(ids::DayLabel0), L"Sun");
    EXPECT_EQ(Text(ids::DayLabel0 + 6), L"Sat");
    EXPECT_EQ(Text(ids::AppLabel0), L"Whitfield Software Quill Bay");
    EXPECT_EQ(Text(ids::AppLabel0 + 1), L"Version 1.00.00");
    EXPECT_EQ(model.ClientHeight(), kCollapsedHeight);
    // Both lists by name, ascending; the second one headed by "<no restrictions>".
    const std::vector<std::wstring> names{L"Administrator", L"anna", L"Guest", L"kim", L"tom"};
    EXPECT_EQ(list1.Names(), names);
    std::vector<std::wstring> second{L"<no restrictions>"};
    second.insert(second.end(), names.begin(), names.end());
    EXPECT_EQ(list2.Names(), second);
    EXPECT_TRUE(list1.RowTagged(Tag(L"kim"))->userRestricted);
    EXPECT_TRUE(list1.RowTagged(Tag(L"Guest"))->userLocked);
    EXPECT_TRUE(model.Control(ids::MoreButton).visible);
    EXPECT_FALSE(model.Control(ids::WarningLabel0).visible);
}

TEST_F(Form, WithoutTheLoggedOnUsersAccountTheFirstRecordIsShown) {
    SetUpEvents();
    w.Load();
    for (int i = 1; i <= w.g.Accounts.Count(); ++i) // as for a domain account
        w.g.Accounts.Item(i).SetCurrentUser(false);
    model.Load(LoadContext{});
    EXPECT_EQ(model.CurrentAccount(), 1);
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
        EXPECT_FALSE(info.Underline);
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

    userInfo& anna = R(L"anna");
    // The top cell of the first column is Saturday 00:00: bit 0 of byte 18.
    model.GridMouseDown(GridButton::Left, X(0), Y(0));
    model.GridMouseUp();
    EXPECT_EQ(anna.LogonHour(18), 0xFE);
    // The bottom cell of the last column is Friday 23:00: bit 7 of byte 17. The right
    // button paints like the left.
    model.GridMouseDown(GridButton::Right, X(6), Y(23));
    model.GridMouseUp();
    EXPECT_EQ(anna.LogonHour(17), 0x7F);
    for (int b = 0; b < kLogonHourBytes; ++b) {
        if (b != 17 && b != 18) {
            EXPECT_EQ(anna.LogonHour(b), 0xFF) << b;
        }
    }
    EXPECT_EQ(model.DayTotal(0), 23);
    EXPECT_EQ(model.DayTotal(6), 23);
    EXPECT_EQ(Text(ids::TotalTime0), L"23:00");
    EXPECT_TRUE(list1.RowTagged(Tag(L"anna"))->userRestricted);
    EXPECT_TRUE(model.Control(ids::UndoButton).visible);
}

TEST_F(Form, ADragPaintsTheOppositeOfItsFirstCellOncePerCell) {
    Open();
    Click1(L"kim"); // Sunday (column 1) denied, the rest allowed
    const std::uint64_t before = model.Grid().paintCount;
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
    EXPECT_EQ(model.DayTotal(2), 21);
    EXPECT_EQ(model.DayTotal(1), 0);
    EXPECT_EQ(Text(ids::TotalTime0 + 2), L"21:00");
    EXPECT_EQ(model.Grid().paintCount - before, 3u);
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
    model.GridMouseDown(GridButton::Left, X(3), Y(3));
    model.GridMouseUp(); // No again: still an administrator, asked again
    EXPECT_EQ(R(L"kim").UserType(), Administrator);
    model.GridMouseDown(GridButton::Left, X(6), Y(6));
    model.GridMouseUp();
    EXPECT_EQ(w.user.messageBoxes.size(), 3u);
    EXPECT_EQ(R(L"kim").UserType(), User);
    EXPECT_EQ(R(L"kim").UserGroups(), 2) << "Users stays, Administrators goes";
    EXPECT_EQ(Text(ids::DetailSettingEntry0 + 1), L"Users");
    EXPECT_EQ(list1.RowTagged(Tag(L"kim"))->userPriv, User);
    EXPECT_EQ(list2.RowTagged(Tag(L"kim"))->userPriv, User);
    model.GridMouseUp(); // a normal user now: no more questions
    EXPECT_EQ(w.user.messageBoxes.size(), 3u);

    // The logged-on user's own account is never asked about, restricted or not.
    Click1(L"anna");
    model.GridMouseDown(GridButton::Left, X(0), Y(0));
    model.GridMouseUp();
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
    EXPECT_TRUE(list1.RowTagged(Tag(L"tom"))->userRestricted);
    EXPECT_EQ(model.DayTotal(1), 0);
    EXPECT_EQ(model.CurrentAccount(), Tag(L"tom")) << "the shown account stays tom";
    EXPECT_EQ(model.Title(), L"Quill Bay - tom");
    EXPECT_TRUE(model.Control(ids::UndoButton).visible);
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
    EXPECT_FALSE(list1.RowTagged(Tag(L"tom"))->userRestricted);
    EXPECT_FALSE(model.Control(ids::UndoButton).visible) << "back as read";
    EXPECT_EQ(timer.starts, 2);
}

TEST_F(Form, HeaderClicksSortBothLists) {
    Open();
    model.CustomList1ColumnClick(3); // already the sort column: now descending
    EXPECT_EQ(list1.Names(),
              (std::vector<std::wstring>{L"tom", L"kim", L"Guest", L"anna", L"Administrator"}));
    EXPECT_EQ(list2.Names(), (std::vector<std::wstring>{L"<no restrictions>", L"tom", L"kim",
                                                        L"Guest", L"anna", L"Administrator"}));
    model.CustomList1ColumnClick(0); // by type, ascending: Guest, Users, Administrators
    EXPECT_EQ(list1.Names(),
              (std::vector<std::wstring>{L"Guest", L"tom", L"Administrator", L"anna", L"kim"}));
    EXPECT_EQ(list2.Names()[1], L"Guest");
    model.CustomList1ColumnClick(3); // back to names: the direction it last had
    EXPECT_EQ(list1.Names().front(), L"tom");
    EXPECT_EQ(list1.model.Entry(list1.SelectedItem()).userName, L"anna") << "selection kept";
}

TEST_F(Form, TheDividerStaysWithinItsLimitsAndFollowsOnlyOverItsWidth) {
    Open();
    const TwipsRect list2Before = model.Control(ids::CustomList2).bounds;
    // The pointer's y is relative to the divider where it is now; it was grabbed at 60.
    auto dragTo = [&](int top, int x = 100) {
        model.DividerMouseMove(x, top - model.Divider().top + 60);
    };
    model.DividerMouseDown(100, 60);
    dragTo(4885);
    EXPECT_EQ(model.Divider().top, 4885);
    EXPECT_EQ(model.Control(ids::CustomList1).bounds.height, 4885 - 315);
    EXPECT_EQ(model.Control(ids::Heading3).bounds.top, 5005);
    EXPECT_EQ(model.Control(ids::CustomList2).bounds.top, 5290);
    EXPECT_EQ(model.Control(ids::CustomList2).bounds.bottom(), list2Before.bottom());
    dragTo(6210);
    EXPECT_EQ(model.Divider().top, 6210);
    dragTo(6211);
    EXPECT_EQ(model.Divider().top, 6210) << "one twip beyond the limit";
    dragTo(3000, 5116);
    EXPECT_EQ(model.Divider().top, 6210) << "sideways off the divider";
    dragTo(3000, -1);
    EXPECT_EQ(model.Divider().top, 6210);
    dragTo(1110, 5115);
    EXPECT_EQ(model.Divider().top, 1110) << "back over it, to the upper limit";
    dragTo(1109, 0);
    EXPECT_EQ(model.Divider().top, 1110);
    model.DividerMouseUp();
    dragTo(2000);
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
    for (int t = 0; t < 4; ++t)
        EXPECT_FALSE(model.Control(ids::UserImage0 + t).visible) << "collapsed: no pictures";

    model.MoreButtonClick();
    EXPECT_EQ(model.ClientHeight(), kExpandedHeight);
    EXPECT_EQ(Text(ids::MoreButton), L"<< Less");
    EXPECT_TRUE(model.Control(ids::UserImage0 + Administrator).visible);
    EXPECT_TRUE(model.Control(ids::Heading4).visible);
    EXPECT_EQ(model.Control(ids::CloseButton).bounds.top, kExpandedHeight - 495);

    Click1(L"Guest");
    EXPECT_EQ(Text(ids::DetailSettingEntry0 + 2), L"<no information>");
    EXPECT_TRUE(model.Control(ids::AccountDisabled).checked);
    EXPECT_TRUE(model.Control(ids::AccountDisabled).enabled);
    EXPECT_TRUE(model.Control(ids::LockImage).visible);
    EXPECT_TRUE(model.Control(ids::UserImage0 + Guest).visible);
    EXPECT_FALSE(model.Control(ids::UserImage0 + Administrator).visible);

    // A display from the second list redraws the grid only.
    Click2(L"kim");
    EXPECT_EQ(model.Title(), L"Quill Bay - Guest");
    EXPECT_EQ(Text(ids::Heading2), L"Allowable logon times for Guest...");
    EXPECT_EQ(model.DayTotal(1), 0) << "kim's Sunday, now also the guest's";

    model.MoreButtonClick();
    EXPECT_EQ(model.ClientHeight(), kCollapsedHeight);
    EXPECT_EQ(Text(ids::MoreButton), L"More >>");
    EXPECT_FALSE(model.Control(ids::LockImage).visible);
    EXPECT_FALSE(model.Control(ids::Heading4).visible);
}

TEST_F(Form, AUserWithoutAdministratorRightsOnlyLooks) {
    w.machine->SetLoggedOnUser(L"tom");
    Open();
    EXPECT_EQ(w.g.Accounts.Count(), 1);
    EXPECT_EQ(model.Title(), L"Quill Bay - tom");
    EXPECT_FALSE(model.Control(ids::CustomList2).visible);
    EXPECT_FALSE(model.Control(ids::Heading3).visible);
    EXPECT_EQ(Text(ids::WarningLabel0), L"You need to logon as an administrator to be able to");
    EXPECT_EQ(Text(ids::WarningLabel0 + 1), L"view all account settings or make any changes.");
    EXPECT_TRUE(model.Control(ids::WarningLabel0 + 1).visible);
    EXPECT_FALSE(model.Control(ids::MoreButton).visible);
    EXPECT_FALSE(model.Control(ids::SettingsButton).visible);

    model.GridMouseDown(GridButton::Left, X(0), Y(0));
    model.GridMouseMove(X(0), Y(5));
    model.GridMouseUp();
    model.MoreButtonClick();
    EXPECT_FALSE(R(L"tom").DataHasChanged());
    EXPECT_FALSE(model.DragActive());
    EXPECT_EQ(model.DayTotal(0), 24);
    EXPECT_EQ(model.ClientHeight(), kCollapsedHeight);
    EXPECT_FALSE(model.Control(ids::UndoButton).visible);
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
    EXPECT_EQ(b.Names(), (std::vector<std::wstring>{L"<no restrictions>"}));
    form.GridMouseDown(GridButton::Left, X(0), Y(0));
    form.GridMouseUp();
    form.CustomList2ItemClick(0);
    form.CustomList1ColumnClick(3);
    form.MoreButtonClick();
    EXPECT_FALSE(form.DragActive());
}

} // namespace
} // namespace qb::mainwindow

namespace qb::mainwindow {
namespace {

constexpr char kWinlogon[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr char kUserList[] =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\SpecialAccounts\\UserList";

std::vector<std::uint8_t> Dword(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

// The built-in administrator is the logged-on user, on a machine that logs on through
// the welcome screen.
class WelcomeScreen : public Form {
protected:
    void SetUp() override {
        Form::SetUp();
        w.machine->SetLoggedOnUser(L"Administrator");
        w.registry.Set(platform::HkeyLocalMachine, kWinlogon, "LogonType",
                       platform::reg_type::Dword, Dword(1));
    }
};

TEST_F(WelcomeScreen, ValuesAreReadAfterTheFirstDisplay) {
    w.registry.Set(platform::HkeyLocalMachine, kUserList, "Administrator",
                   platform::reg_type::Dword, Dword(1));
    Open();
    EXPECT_TRUE(model.WelcomeScreenInUse());
    EXPECT_EQ(model.ShowAdminValue(), 1);
    EXPECT_TRUE(model.Control(ids::ShowAdmin).checked);
    // The first display was made before the values were read: the full-name box is wide.
    EXPECT_EQ(model.Control(ids::DetailSettingEntry0).bounds.width, kFullNameWide);
    Click1(L"Administrator");
    EXPECT_EQ(model.Control(ids::DetailSettingEntry0).bounds.width, kFullNameNarrow);
    EXPECT_FALSE(model.Control(ids::ShowAdmin).visible) << "collapsed";
    model.MoreButtonClick();
    EXPECT_TRUE(model.Control(ids::ShowAdmin).visible);
    Click1(L"kim");
    EXPECT_FALSE(model.Control(ids::ShowAdmin).visible);
    EXPECT_EQ(model.Control(ids::DetailSettingEntry0).bounds.width, kFullNameWide);
    EXPECT_EQ(w.registry.OpenKeyCount(), 0u);
}

TEST_F(WelcomeScreen, MissingValuesLeaveTheBoxClearAndTheWelcomeScreenUnused) {
    Open(); // no "Administrator" value
    EXPECT_EQ(model.ShowAdminValue(), 0);
    EXPECT_FALSE(model.Control(ids::ShowAdmin).checked);
    w.registry.Set(platform::HkeyLocalMachine, kWinlogon, "LogonType", platform::reg_type::Dword,
                   Dword(2));
    InputFormModel again(w.g, list1, list2, locale, timer, AppVersion{L"W", L"Quill Bay", 1, 0, 0});
    again.Load(LoadContext{});
    EXPECT_FALSE(again.WelcomeScreenInUse());
}

TEST_F(Form, UndoThrowsAwayTheShownAccountsEdits) {
    Open();
    Click1(L"tom");
    model.GridMouseDown(GridButton::Left, X(0), Y(0));
    model.GridMouseUp();
    R(L"tom").SetFullName(L"Tommy");
    ASSERT_TRUE(model.Control(ids::UndoButton).visible);
    model.UndoButtonClick();
    EXPECT_FALSE(R(L"tom").DataHasChanged());
    EXPECT_FALSE(model.Control(ids::UndoButton).visible);
    EXPECT_FALSE(list1.RowTagged(Tag(L"tom"))->userRestricted);
    EXPECT_EQ(model.DayTotal(0), 24);
}

// The companion service is there to hear the commands; the sent commands in order.
class Closing : public Form {
protected:
    void SetUp() override {
        Form::SetUp();
        w.user.windows["QuillbayService"] = 77;
    }
    std::vector<std::string> Commands() const {
        std::vector<std::string> commands;
        for (const auto& sent : w.user.sent)
            commands.emplace_back(reinterpret_cast<const char*>(sent.buffer.data()));
        return commands;
    }
    std::vector<std::wstring> Questions() const {
        std::vector<std::wstring> texts;
        for (const auto& box : w.user.messageBoxes)
            texts.push_back(box.text);
        return texts;
    }
    std::vector<std::wstring> Written() const {
        std::vector<std::wstring> targets;
        for (const auto& call : w.machine->Calls())
            if (call.function == "NetUserSetInfo")
                targets.push_back(call.target);
        return targets;
    }
    static std::wstring Changed(const std::wstring& name) {
        return L"The settings for " + name +
               L" have been changed.\r\nDo you want to save the new settings?";
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
    w.machine->ClearCalls();
    R(L"anna").SetComment(L"mum");
    R(L"kim").SetComment(L"big sister");
    R(L"tom").SetComment(L"little brother");
    int pumps = 0;
    model.ProcessPendingMessages = [&] { ++pumps; };
    // Administrator, anna, Guest, kim, tom: anna Yes, kim Yes, tom No.
    w.user.answers = {platform::id::Yes, platform::id::Yes, platform::id::No};
    EXPECT_TRUE(model.CloseProcedure());
    EXPECT_EQ(Questions(),
              (std::vector<std::wstring>{Changed(L"anna"), Changed(L"kim"), Changed(L"tom")}));
    EXPECT_EQ(Written(), (std::vector<std::wstring>{L"kim", L"anna"}));
    EXPECT_EQ(w.machine->FindAccount(L"kim")->comment, L"big sister");
    EXPECT_EQ(w.machine->FindAccount(L"anna")->comment, L"mum");
    EXPECT_EQ(w.machine->FindAccount(L"tom")->comment, L"");
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
    EXPECT_EQ(Questions().size(), 2u) << "tom is not asked about";
    EXPECT_EQ(Written(), (std::vector<std::wstring>{L"anna"}));
    EXPECT_TRUE(R(L"kim").DataHasChanged());
    EXPECT_TRUE(R(L"tom").DataHasChanged());
    EXPECT_EQ(Commands(), (std::vector<std::string>{"/suspend", "/update", "/resume"}));
}

TEST_F(Closing, NothingChangedStillSuspendsAndResumes) {
    Open();
    EXPECT_TRUE(model.CloseProcedure());
    EXPECT_TRUE(w.user.messageBoxes.empty());
    EXPECT_EQ(Commands(), (std::vector<std::string>{"/suspend", "/resume"}));
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
    Click1(L"anna");
    model.GridMouseDown(GridButton::Left, X(0), Y(0));
    model.GridMouseUp();
    R(L"anna").SetUserGroups(0);
    // No to both: the hours and the groups go back; nothing is left to save.
    w.user.answers = {platform::id::No, platform::id::No};
    EXPECT_TRUE(model.CloseProcedure());
    EXPECT_EQ(Questions(),
              (std::vector<std::wstring>{
                  L"Are you sure you want to restrict your own logon times?",
                  L"Are you sure you want to remove yourself from the Administrators and Power "
                  L"Users groups?"}));
    EXPECT_FALSE(R(L"anna").DataHasChanged());
    EXPECT_EQ(model.DayTotal(0), 24) << "redrawn";
    EXPECT_FALSE(list1.RowTagged(Tag(L"anna"))->userRestricted);

    // Added to Power Users only: no question about groups.
    w.user.messageBoxes.clear();
    R(L"anna").SetUserGroups(4 | 8 | 2);
    w.user.answers = {platform::id::No};
    model.CloseProcedure();
    EXPECT_EQ(Questions(), (std::vector<std::wstring>{Changed(L"anna")}));
}

TEST_F(WelcomeScreen, OnlyTheWelcomeScreenChoiceChangedIsWrittenToTheRegistry) {
    w.registry.CreateKey(platform::HkeyLocalMachine, kUserList);
    w.user.windows["QuillbayService"] = 77;
    Open();
    w.machine->ClearCalls();
    model.ShowAdminClick(true);
    w.user.answers = {platform::id::Yes};
    EXPECT_TRUE(model.CloseProcedure());
    ASSERT_EQ(w.user.messageBoxes.size(), 1u);
    EXPECT_EQ(w.user.messageBoxes[0].text,
              L"The settings for Administrator have been changed.\r\nDo you want to save the new "
              L"settings?");
    const auto stored = w.registry.Get(platform::HkeyLocalMachine, kUserList, "Administrator");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->data, Dword(1));
    // The record had no changes of its own; being the logged-on user's, it is written last.
    EXPECT_EQ(w.user.sent.size(), 3u);
}

} // namespace
} // namespace qb::mainwindow

namespace qb::mainwindow {
namespace {

using StringField = const std::wstring& (userInfo::*)(bool) const;

// tom's details, the panel open.
class Editing : public Form {
protected:
    void SetUp() override {
        Form::SetUp();
        Open();
        Click1(L"tom");
        model.MoreButtonClick();
        tom = &w.g.Accounts.Item(Tag(L"tom")); // by position: its name changes
    }
    bool Commit(int index, const std::wstring& text) {
        return model.DetailSettingEntryValidate(index, text);
    }
    bool UndoShown() const { return model.Control(ids::UndoButton).visible; }
    const controls::ListEntry& Row1() const { return list1.model.Entry(list1.SelectedItem()); }

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
    const std::wstring character =
        L"The username cannot contain any of the characters /\\[]<>:;,+=?";
    std::vector<std::pair<std::wstring, std::wstring>> refused = {{L"tom.", fullStop},
                                                                  {L"t/m.", fullStop}};
    for (const wchar_t c : std::wstring(L"/\\[]<>:;,+=?"))
        refused.emplace_back(L"to" + std::wstring(1, c) + L"m", character);
    for (const auto& [name, message] : refused) {
        w.user.messageBoxes.clear();
        EXPECT_FALSE(Commit(5, name));
        ASSERT_EQ(w.user.messageBoxes.size(), 1u);
        EXPECT_EQ(w.user.messageBoxes[0].text, message) << name.c_str();
        EXPECT_EQ(w.user.messageBoxes[0].type, platform::mb::Ok | platform::mb::IconInformation);
        EXPECT_EQ(tom->UserName(), L"tom");
        EXPECT_EQ(Row1().userName, L"tom");
        EXPECT_FALSE(UndoShown());
    }
    w.user.messageBoxes.clear();
    for (const std::wstring name : {L"t.om", L"tom thumb", L""}) {
        EXPECT_TRUE(Commit(5, name));
        EXPECT_EQ(tom->UserName(), name);
        EXPECT_EQ(Row1().userName, name);
        EXPECT_TRUE(UndoShown());
    }
    EXPECT_TRUE(w.user.messageBoxes.empty());
}

TEST_F(Editing, CheckBoxesAndThePadlockFlipTheFlags) {
    model.AccountDisabledClick(true);
    EXPECT_TRUE(tom->AccountDisabled());
    EXPECT_TRUE(model.Control(ids::LockImage).visible);
    EXPECT_TRUE(Row1().userLocked);
    model.LockImageClick();
    EXPECT_FALSE(tom->AccountDisabled());
    EXPECT_FALSE(model.Control(ids::LockImage).visible);
    EXPECT_FALSE(Row1().userLocked);
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
        EXPECT_EQ(Row1().userPriv, c.type);
        EXPECT_TRUE(model.Control(ids::UserImage0 + c.type).visible);
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
