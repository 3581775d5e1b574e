// The real main window under Wine, on a simulated machine, driven by window messages as a
// user's mouse would drive it; checked in what its controls show, what it paints and what
// reaches the account records.

#include "mainwindow/control_ids.h"
#include "mainwindow/input_form_win32.h"
#include "mainwindow/user_types_form_win32.h"
#include "platform/win32/locale_win32.h"
#include "support/message_pump_win32.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qb::mainwindow {
namespace {

using simulated::AccountSpec;

std::wstring TextOf(HWND w) {
    wchar_t buf[512] = {};
    SendMessageW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf));
    return buf;
}

AccountSpec Account(std::wstring name, std::vector<std::wstring> groups) {
    AccountSpec a;
    a.name = std::move(name);
    a.groups = std::move(groups);
    return a;
}

// A window of the program on a machine with anna (administrator), kim (administrator,
// never on Sundays) and tom.
class Window : public ::testing::Test {
protected:
    void SetUp() override {
        w.machine->AddAccount(Account(L"anna", {L"Administrators"}));
        AccountSpec kim = Account(L"kim", {L"Administrators"});
        kim.logonHours.emplace();
        kim.logonHours->fill(0xFF);
        (*kim.logonHours)[0] = (*kim.logonHours)[1] = (*kim.logonHours)[2] = 0;
        w.machine->AddAccount(kim);
        w.machine->AddAccount(Account(L"tom", {L"Users"}));
        w.machine->SetLoggedOnUser(L"anna");
    }
    void TearDown() override {
        form.reset();
        testing::DrainMessages();
    }
    void Open() {
        w.Load();
        form = InputForm::Create(w.g, locale, AppVersion{L"Inkwell", L"Quill Bay", 1, 0, 0});
        ASSERT_NE(form, nullptr);
        form->Show(SW_SHOWNORMAL);
        testing::DrainMessages();
    }
    HWND Ctl(int id) const { return form->ControlWindow(id); }
    HWND Entry(int index) const { return Ctl(ids::DetailSettingEntry0 + index); }
    // A click on the row of `name` in a list, as the mouse makes it.
    void ClickRow(int list, const std::wstring& name) {
        const controls::CustomList& l = *form->List(list);
        int row = 0;
        while (row <= l.Model().LastIndex() && l.Model().Entry(row).userName != name)
            ++row;
        ASSERT_LE(row, l.Model().LastIndex()) << "no row for this name";
        const LPARAM at = MAKELPARAM(250, l.Model().Row(row).userIcon.top / 15 + 5);
        SendMessageW(l.Window(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(l.Window(), WM_LBUTTONUP, 0, at);
    }
    const controls::ListEntry& SelectedRow(int list) const {
        const controls::CustomList& l = *form->List(list);
        return l.Model().Entry(l.SelectedItem());
    }
    userInfo& R(const wchar_t* name) { return *w.Record(name); }
    // A client pixel of the grid for cell (column, row), its middle.
    POINT Cell(int column, int row) const {
        RECT r;
        GetClientRect(Ctl(ids::AllowedHoursGraphic), &r);
        return POINT{column * r.right / 7 + r.right / 14, row * r.bottom / 24 + r.bottom / 48};
    }
    void Mouse(UINT message, POINT p, WPARAM keys = 0) {
        SendMessageW(Ctl(ids::AllowedHoursGraphic), message, keys, MAKELPARAM(p.x, p.y));
    }
    COLORREF GridPixel(POINT p) {
        testing::DrainMessages();
        HWND grid = Ctl(ids::AllowedHoursGraphic);
        UpdateWindow(grid);
        HDC dc = GetDC(grid);
        const COLORREF c = GetPixel(dc, p.x, p.y);
        ReleaseDC(grid, dc);
        return c;
    }

    testing::SimWorld w;
    win32::Win32Locale locale;
    std::unique_ptr<InputForm> form;
};

TEST_F(Window, OpensOnTheLoggedOnUser) {
    Open();
    wchar_t title[128] = {};
    GetWindowTextW(form->Window(), title, 128);
    EXPECT_STREQ(title, L"Quill Bay - anna");
    EXPECT_EQ(TextOf(Ctl(ids::Heading2)), L"Allowable logon times for anna...");
    EXPECT_EQ(TextOf(Ctl(ids::Heading1)), L"Select user...");
    EXPECT_EQ(TextOf(Ctl(ids::Heading3)), L"Copy logon times from...");
    EXPECT_EQ(SelectedRow(ids::CustomList1).userName, L"anna");
    EXPECT_EQ(form->List(ids::CustomList2)->Model().Entry(0).userName, L"<no restrictions>");
    EXPECT_EQ(TextOf(Ctl(ids::HourLabel0 + 13)), L"13:00 - 13:59");
    EXPECT_EQ(TextOf(Ctl(ids::AppLabel0 + 1)), L"Version 1.00.00");
    EXPECT_FALSE(TextOf(Ctl(ids::DayLabel0)).empty()) << "a day name from the locale";
    EXPECT_TRUE(IsWindowVisible(Ctl(ids::MoreButton)));
    EXPECT_FALSE(IsWindowVisible(Ctl(ids::WarningLabel0)));
    RECT client;
    GetClientRect(form->Window(), &client);
    EXPECT_EQ(client.right, kClientWidth / 15);
    EXPECT_EQ(client.bottom, kCollapsedHeight / 15);
}

TEST_F(Window, AGridDragChangesExactlyThePaintedCells) {
    Open();
    ClickRow(ids::CustomList1, L"tom");
    ASSERT_EQ(TextOf(Ctl(ids::Heading2)), L"Allowable logon times for tom...");

    const COLORREF allowed = GridPixel(Cell(3, 10));
    Mouse(WM_LBUTTONDOWN, Cell(3, 10), MK_LBUTTON); // Tuesday 10:00, allowed: the drag denies
    Mouse(WM_MOUSEMOVE, Cell(3, 11), MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, Cell(3, 10), MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, Cell(4, 11), MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, POINT{-40, 5}, MK_LBUTTON); // outside the grid: nothing
    Mouse(WM_LBUTTONUP, POINT{-40, 5});
    // Tuesday is day 2: hours 10 and 11 are bits 58 and 59 (byte 7, bits 2 and 3);
    // Wednesday 11:00 is bit 83 (byte 10, bit 3).
    const userInfo& tom = R(L"tom");
    for (int b = 0; b < kLogonHourBytes; ++b) {
        const int expected = b == 7 ? 0xF3 : b == 10 ? 0xF7 : 0xFF;
        EXPECT_EQ(tom.LogonHour(b), expected) << "byte " << b;
    }
    EXPECT_EQ(TextOf(Ctl(ids::TotalTime0 + 3)), L"22:00");
    EXPECT_EQ(TextOf(Ctl(ids::TotalTime0 + 4)), L"23:00");
    EXPECT_EQ(TextOf(Ctl(ids::TotalTime0 + 2)), L"24:00");
    EXPECT_NE(GridPixel(Cell(3, 10)), allowed);
    EXPECT_EQ(GridPixel(Cell(3, 11)), GridPixel(Cell(3, 10)));
    EXPECT_EQ(GridPixel(Cell(3, 12)), allowed);
    EXPECT_TRUE(IsWindowVisible(Ctl(ids::UndoButton)));
    EXPECT_TRUE(SelectedRow(ids::CustomList1).userRestricted);
    EXPECT_EQ(GetCapture(), nullptr) << "the mouse is free after the release";
}

TEST_F(Window, NoRestrictionsAllowsEveryHour) {
    Open();
    const controls::CustomList& list2 = *form->List(ids::CustomList2);
    ClickRow(ids::CustomList2, L"kim"); // anna gets kim's hours: Sundays off
    EXPECT_EQ(TextOf(Ctl(ids::TotalTime0 + 1)), L"00:00");
    EXPECT_EQ(R(L"anna").LogonHour(1), 0);
    ClickRow(ids::CustomList2, L"<no restrictions>");
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(TextOf(Ctl(ids::TotalTime0 + c)), L"24:00") << c;
    EXPECT_FALSE(R(L"anna").HasTimeRestrictions());
    EXPECT_FALSE(IsWindowVisible(Ctl(ids::UndoButton)));
    // The source row lets go of its highlight by itself.
    EXPECT_TRUE(list2.Model().SelectionHighlight().visible);
    EXPECT_TRUE(testing::PumpUntil([&] { return !list2.Model().SelectionHighlight().visible; },
                                   std::chrono::milliseconds(5000)));
}

TEST_F(Window, AUserWithoutRightsSeesTheWarningAndCannotPaint) {
    w.machine->SetLoggedOnUser(L"tom");
    Open();
    EXPECT_FALSE(IsWindowVisible(Ctl(ids::CustomList2)));
    EXPECT_FALSE(IsWindowVisible(Ctl(ids::Heading3)));
    EXPECT_TRUE(IsWindowVisible(Ctl(ids::WarningLabel0)));
    EXPECT_EQ(TextOf(Ctl(ids::WarningLabel0)),
              L"You need to logon as an administrator to be able to");
    EXPECT_EQ(TextOf(Ctl(ids::WarningLabel0 + 1)),
              L"view all account settings or make any changes.");
    EXPECT_FALSE(IsWindowVisible(Ctl(ids::MoreButton)));
    const COLORREF before = GridPixel(Cell(0, 0));
    Mouse(WM_LBUTTONDOWN, Cell(0, 0), MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, Cell(0, 5), MK_LBUTTON);
    Mouse(WM_LBUTTONUP, Cell(0, 5));
    SendMessageW(Ctl(ids::MoreButton), BM_CLICK, 0, 0);
    EXPECT_FALSE(R(L"tom").DataHasChanged());
    EXPECT_EQ(GridPixel(Cell(0, 0)), before);
    EXPECT_EQ(TextOf(Ctl(ids::TotalTime0)), L"24:00");
    RECT client;
    GetClientRect(form->Window(), &client);
    EXPECT_EQ(client.bottom, kCollapsedHeight / 15);
}

TEST_F(Window, MoreShowsTheDetailsAndLessHidesThem) {
    Open();
    SendMessageW(Ctl(ids::MoreButton), BM_CLICK, 0, 0);
    testing::DrainMessages();
    RECT client;
    GetClientRect(form->Window(), &client);
    EXPECT_EQ(client.bottom, kExpandedHeight / 15);
    EXPECT_EQ(TextOf(Ctl(ids::MoreButton)), L"<< Less");
    EXPECT_TRUE(IsWindowVisible(Ctl(ids::Heading4)));
    EXPECT_EQ(TextOf(Ctl(ids::DetailSettingEntry0 + 5)), L"anna");
    EXPECT_EQ(TextOf(Ctl(ids::DetailSettingEntry0 + 1)), L"Administrators");
    EXPECT_EQ(TextOf(Ctl(ids::DetailSettingEntry0 + 2)), L"<no information>");
    EXPECT_TRUE(IsWindowVisible(Ctl(ids::UserImage0 + Administrator)));
    EXPECT_FALSE(IsWindowEnabled(Ctl(ids::AccountDisabled)));
    SendMessageW(Ctl(ids::MoreButton), BM_CLICK, 0, 0);
    GetClientRect(form->Window(), &client);
    EXPECT_EQ(client.bottom, kCollapsedHeight / 15);
    EXPECT_FALSE(IsWindowVisible(Ctl(ids::Heading4)));
}

TEST_F(Window, AMachineWithoutAccountsOpensEmptyAndCloses) {
    testing::SimWorld bare(simulated::SimulatedMachine::Bare());
    bare.Load();
    auto empty = InputForm::Create(bare.g, locale, AppVersion{L"Inkwell", L"Quill Bay", 1, 0, 0});
    ASSERT_NE(empty, nullptr);
    empty->Show(SW_SHOWNORMAL);
    bool unloaded = false;
    empty->Unloaded = [&] { unloaded = true; };
    const HWND grid = empty->ControlWindow(ids::AllowedHoursGraphic);
    SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(grid, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    testing::DrainMessages();
    SendMessageW(empty->Window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(unloaded);
    EXPECT_EQ(empty->Window(), nullptr);
}

// Text typed into a box as the keyboard types it: what the box holds is selected and
// typed over.
void Type(HWND box, const std::wstring& text) {
    SendMessageW(box, EM_SETSEL, 0, -1);
    for (const wchar_t c : text)
        SendMessageW(box, WM_CHAR, c, 1);
}

// Where the caret is: the selection's start and end.
std::pair<DWORD, DWORD> Selection(HWND box) {
    DWORD start = 0, end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

const std::wstring kCharacterMessage =
    L"The username cannot contain any of the characters /\\[]<>:;,+=?";

TEST_F(Window, TypedDetailsReachTheRecordWhenTheFocusLeaves) {
    Open();
    ClickRow(ids::CustomList1, L"tom");
    SendMessageW(Ctl(ids::MoreButton), BM_CLICK, 0, 0);
    EXPECT_NE(SendMessageW(Entry(6), EM_GETPASSWORDCHAR, 0, 0), 0) << "the password is masked";
    EXPECT_NE(GetWindowLongW(Entry(1), GWL_STYLE) & ES_READONLY, 0) << "groups by the dialog";

    userInfo& tom = R(L"tom");
    SetFocus(Entry(5));
    Type(Entry(5), L"tommy");
    testing::DrainMessages();
    EXPECT_EQ(tom.UserName(), L"tom") << "typing alone changes nothing";
    SetFocus(Entry(0));
    testing::DrainMessages();
    EXPECT_EQ(tom.UserName(), L"tommy");
    EXPECT_EQ(SelectedRow(ids::CustomList1).userName, L"tommy");
    EXPECT_TRUE(IsWindowVisible(Ctl(ids::UndoButton)));

    // Typed, and another account chosen in the list: the text goes to the account it was
    // typed for, and the box shows the other account's.
    Type(Entry(0), L"Tom Thumb");
    ClickRow(ids::CustomList1, L"kim");
    EXPECT_EQ(tom.FullName(), L"Tom Thumb");
    EXPECT_EQ(TextOf(Ctl(ids::Heading4)), L"Account details for kim...");
    EXPECT_EQ(TextOf(Entry(0)), L"");

    // A refused name: the message, the focus back in the box with the caret at its end,
    // nothing changed.
    SetFocus(Entry(5));
    Type(Entry(5), L"k:m");
    SendMessageW(Entry(5), EM_SETSEL, 0, 0); // the caret back at the start
    SetFocus(Entry(3));
    testing::DrainMessages();
    ASSERT_EQ(w.user.messageBoxes.size(), 1u);
    EXPECT_EQ(w.user.messageBoxes[0].text, kCharacterMessage);
    EXPECT_EQ(GetFocus(), Entry(5));
    EXPECT_EQ(Selection(Entry(5)), (std::pair<DWORD, DWORD>{3, 3}));
    EXPECT_FALSE(R(L"kim").DataHasChanged());
    // The list is not to be clicked away from it either.
    ClickRow(ids::CustomList1, L"anna");
    EXPECT_EQ(TextOf(Ctl(ids::Heading4)), L"Account details for kim...");
    EXPECT_EQ(w.user.messageBoxes.size(), 2u);
}

// The group dialog runs its own message loop: a timer of this thread, dispatched by that
// loop, does what the user would do in it.
std::function<void(HWND)> dialogSteps;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND dialog = FindWindowW(UserTypesForm::ClassName, nullptr);
    if (dialog == nullptr || !IsWindowVisible(dialog) || !dialogSteps)
        return;
    KillTimer(nullptr, timer);
    std::exchange(dialogSteps, nullptr)(dialog);
}

void WhenTheDialogOpens(std::function<void(HWND)> steps) {
    dialogSteps = std::move(steps);
    SetTimer(nullptr, 0, 10, &DriveDialog);
}

HWND GroupBox(HWND dialog, int group) {
    return GetDlgItem(dialog, UserTypesForm::Check1Id + group);
}

TEST_F(Window, TheGroupDialogChangesTheTypeAndTheListsFollow) {
    Open();
    ClickRow(ids::CustomList1, L"tom");
    SendMessageW(Ctl(ids::MoreButton), BM_CLICK, 0, 0);
    std::wstring caption;
    bool ownerEnabled = true, usersTicked = false;
    WhenTheDialogOpens([&](HWND dialog) {
        caption = TextOf(dialog);
        ownerEnabled = IsWindowEnabled(form->Window()) != FALSE;
        usersTicked = SendMessageW(GroupBox(dialog, UsersGroup), BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageW(GroupBox(dialog, PowerUsersGroup), BM_CLICK, 0, 0);
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0); // Enter: OK
    });
    SendMessageW(Ctl(ids::UserImage0 + User), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageW(Ctl(ids::UserImage0 + User), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    EXPECT_EQ(caption, L"Member of these groups...");
    EXPECT_FALSE(ownerEnabled) << "modal";
    EXPECT_TRUE(usersTicked);
    EXPECT_TRUE(IsWindowEnabled(form->Window()));
    EXPECT_EQ(FindWindowW(UserTypesForm::ClassName, nullptr), nullptr);
    EXPECT_EQ(R(L"tom").UserType(), PowerUser);
    EXPECT_EQ(TextOf(Entry(1)), L"Power Users");
    EXPECT_TRUE(IsWindowVisible(Ctl(ids::UserImage0 + PowerUser)));
    EXPECT_FALSE(IsWindowVisible(Ctl(ids::UserImage0 + User)));
    EXPECT_EQ(SelectedRow(ids::CustomList1).userPriv, PowerUser);
    const controls::ListEntry& second =
        form->List(ids::CustomList2)
            ->Model()
            .Entry(form->List(ids::CustomList1)->SelectedItem() + 1);
    EXPECT_EQ(second.userName, L"tom");
    EXPECT_EQ(second.userPriv, PowerUser);
    EXPECT_TRUE(IsWindowVisible(Ctl(ids::UndoButton)));

    // The built-in administrator from the "Member of" box: Administrators ticked and out of
    // reach; Esc cancels what was clicked.
    ClickRow(ids::CustomList1, L"Administrator");
    bool adminTicked = false, adminEnabled = true;
    WhenTheDialogOpens([&](HWND dialog) {
        const HWND admins = GroupBox(dialog, AdministratorsGroup);
        adminTicked = SendMessageW(admins, BM_GETCHECK, 0, 0) == BST_CHECKED;
        adminEnabled = IsWindowEnabled(admins) != FALSE;
        SendMessageW(GroupBox(dialog, GuestsGroup), BM_CLICK, 0, 0);
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    SendMessageW(Entry(1), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(Entry(1), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(adminTicked);
    EXPECT_FALSE(adminEnabled);
    EXPECT_EQ(FindWindowW(UserTypesForm::ClassName, nullptr), nullptr);
    EXPECT_FALSE(R(L"Administrator").DataHasChanged());
}

TEST_F(Window, ClosingTakesWhatWasTypedAndARefusedNameKeepsTheWindowOpen) {
    w.user.windows["QuillbayService"] = 77;
    Open();
    ClickRow(ids::CustomList1, L"tom");
    SendMessageW(Ctl(ids::MoreButton), BM_CLICK, 0, 0);
    SetFocus(Entry(5));
    Type(Entry(5), L"tom?");
    SendMessageW(Entry(5), EM_SETSEL, 0, 0);
    // The close box and the Close button: the name is refused, nothing is sent.
    SendMessageW(form->Window(), WM_CLOSE, 0, 0);
    testing::DrainMessages();
    ASSERT_NE(form->Window(), nullptr);
    SendMessageW(Ctl(ids::CloseButton), BM_CLICK, 0, 0);
    testing::DrainMessages();
    ASSERT_NE(form->Window(), nullptr);
    ASSERT_EQ(w.user.messageBoxes.size(), 2u);
    EXPECT_EQ(w.user.messageBoxes[1].text, kCharacterMessage);
    EXPECT_EQ(GetFocus(), Entry(5));
    EXPECT_EQ(Selection(Entry(5)), (std::pair<DWORD, DWORD>{4, 4}));
    EXPECT_TRUE(w.user.sent.empty()) << "no command to the service";
    EXPECT_FALSE(R(L"tom").DataHasChanged());

    // Corrected and not committed yet: Close takes it, asks about tom and writes it.
    Type(Entry(5), L"thomas");
    w.user.answers = {platform::id::Yes};
    SendMessageW(Ctl(ids::CloseButton), BM_CLICK, 0, 0);
    testing::DrainMessages();
    EXPECT_EQ(form->Window(), nullptr);
    EXPECT_EQ(w.user.messageBoxes.back().text,
              L"The settings for tom have been changed.\r\nDo you want to save the new settings?");
    EXPECT_NE(w.machine->FindAccount(L"thomas"), nullptr);
    EXPECT_EQ(w.machine->FindAccount(L"tom"), nullptr);
}

} // namespace
} // namespace qb::mainwindow
