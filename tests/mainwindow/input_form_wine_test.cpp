// The real main window under Wine, on a simulated machine, driven by window messages as a
// user's mouse and keyboard drive it. What the model decides is checked natively; here,
// what only the window adds: that its messages reach the model, what it paints, the focus,
// the group dialog's modal loop, and what reaches the account records.

#include "mainwindow/user_types_form_win32.h"
#include "support/main_window_win32.h"

#include <oleacc.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qb::mainwindow {
namespace {

using testing::WindowText;

// anna (administrator, logged on), kim (administrator, never on Sundays) and tom.
class Window : public MainWindowTest {
protected:
    Window() {
        simulated::AccountSpec kim{.name = L"kim", .groups = {L"Administrators"}};
        kim.logonHours.emplace().fill(0xFF);
        (*kim.logonHours)[0] = (*kim.logonHours)[1] = (*kim.logonHours)[2] = 0;
        w.machine->AddAccount(kim);
        w.machine->AddAccount({.name = L"tom", .groups = {L"Users"}});
    }
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
    const controls::ListEntry& SelectedRow() const {
        const controls::CustomList& l = *form->List(ids::CustomList1);
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
        return testing::ScreenPixel(Ctl(ids::AllowedHoursGraphic), p.x, p.y);
    }
};

TEST_F(Window, OpensOnTheLoggedOnUser) {
    Open();
    EXPECT_EQ(WindowText(form->Window()), L"Quill Bay - anna");
    EXPECT_EQ(SelectedRow().userName, L"anna");
    EXPECT_EQ(TextOf(ids::Heading1), L"Select user...");
    EXPECT_EQ(TextOf(ids::Heading2), L"Allowable logon times for anna...");
    EXPECT_EQ(TextOf(ids::Heading3), L"Copy logon times from...");
    // Over each grid column, its day's name in the user's locale: Saturday first.
    const LCTYPE days[] = {LOCALE_SABBREVDAYNAME6, LOCALE_SABBREVDAYNAME7, LOCALE_SABBREVDAYNAME1,
                           LOCALE_SABBREVDAYNAME2, LOCALE_SABBREVDAYNAME3, LOCALE_SABBREVDAYNAME4,
                           LOCALE_SABBREVDAYNAME5};
    // The day names are drawn by the window, each in its colour, Saturday and Sunday green.
    const testing::Pixels shown = testing::Printed(form->Window());
    for (int column = 0; column < kGridColumns; ++column) {
        POINT cell = Cell(column, 0);
        MapWindowPoints(Ctl(ids::AllowedHoursGraphic), form->Window(), &cell, 1);
        std::wstring over;
        for (int k = 0; k < 7; ++k) {
            const RECT r = form->ControlRect(ids::DayLabel0 + k);
            if (cell.x < r.left || cell.x >= r.right)
                continue;
            over = form->Model().Control(ids::DayLabel0 + k).text;
            int inColour = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    const COLORREF c = shown.At(x, y);
                    inColour += k == 0 || k == 6 ? GetGValue(c) > GetRValue(c) + 40
                                                 : GetBValue(c) > GetRValue(c) + 40;
                }
            EXPECT_GT(inColour, 10) << "column " << column;
        }
        wchar_t name[64] = {};
        GetLocaleInfoW(LOCALE_USER_DEFAULT, days[column], name, 64);
        EXPECT_EQ(over, name) << "column " << column;
    }
    EXPECT_EQ(form->Model().Control(ids::DayLabel0 + 6).text, L"Sat") << "Wine's English locale";
    EXPECT_FALSE(IsWindowVisible(Ctl(ids::WarningLabel0)));
    EXPECT_EQ(ClientSize().cx, kClientWidth / 15);
    EXPECT_EQ(ClientSize().cy, kCollapsedHeight / 15);
}

TEST_F(Window, AGridDragChangesExactlyThePaintedCells) {
    Open();
    ClickRow(ids::CustomList1, L"tom");
    // Over the grid the pointer is the program's painting pointer.
    const HWND grid = Ctl(ids::AllowedHoursGraphic);
    EXPECT_EQ(SendMessageW(grid, WM_SETCURSOR, reinterpret_cast<WPARAM>(grid),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101)));
    const COLORREF allowed = GridPixel(Cell(3, 10));
    Mouse(WM_LBUTTONDOWN, Cell(3, 10), MK_LBUTTON); // Tuesday 10:00, allowed: the drag denies
    Mouse(WM_MOUSEMOVE, Cell(3, 11), MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, Cell(3, 10), MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, Cell(4, 11), MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, POINT{-40, 5}, MK_LBUTTON); // outside the grid: nothing
    Mouse(WM_LBUTTONUP, POINT{-40, 5});
    // Tuesday is day 2: hours 10 and 11 are bits 58 and 59 (byte 7, bits 2 and 3);
    // Wednesday 11:00 is bit 83 (byte 10, bit 3).
    for (int b = 0; b < kLogonHourBytes; ++b)
        EXPECT_EQ(R(L"tom").LogonHour(b), b == 7 ? 0xF3 : b == 10 ? 0xF7 : 0xFF) << "byte " << b;
    EXPECT_EQ(TextOf(ids::TotalTime0 + 3), L"22:00");
    EXPECT_EQ(TextOf(ids::TotalTime0 + 4), L"23:00");
    EXPECT_NE(GridPixel(Cell(3, 10)), allowed);
    EXPECT_EQ(GridPixel(Cell(3, 11)), GridPixel(Cell(3, 10)));
    EXPECT_EQ(GridPixel(Cell(3, 12)), allowed);
    EXPECT_EQ(GetCapture(), nullptr) << "the mouse is free after the release";
}

TEST_F(Window, AUserWithoutRightsSeesTheWarningAndChangesNothing) {
    w.machine->SetLoggedOnUser(L"tom");
    Open();
    EXPECT_FALSE(IsWindowVisible(Ctl(ids::CustomList2)));
    EXPECT_TRUE(IsWindowVisible(Ctl(ids::WarningLabel0 + 1)));
    EXPECT_EQ(TextOf(ids::WarningLabel0), L"You need to logon as an administrator to be able to");
    EXPECT_EQ(TextOf(ids::WarningLabel0 + 1), L"view all account settings or make any changes.");
    const COLORREF before = GridPixel(Cell(0, 0));
    Mouse(WM_LBUTTONDOWN, Cell(0, 0), MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, Cell(0, 5), MK_LBUTTON);
    Mouse(WM_LBUTTONUP, Cell(0, 5));
    Click(ids::MoreButton);
    EXPECT_FALSE(R(L"tom").DataHasChanged());
    EXPECT_EQ(GridPixel(Cell(0, 0)), before);
    EXPECT_EQ(TextOf(ids::TotalTime0), L"24:00");
    EXPECT_EQ(ClientSize().cy, kCollapsedHeight / 15);
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

TEST_F(Window, TypedDetailsReachTheRecordWhenTheFocusLeavesAndARefusedNameKeepsIt) {
    w.user.windows["QuillbayService"] = 77;
    Open();
    ClickRow(ids::CustomList1, L"tom");
    Click(ids::MoreButton);
    EXPECT_NE(SendMessageW(Entry(6), EM_GETPASSWORDCHAR, 0, 0), 0) << "the password is masked";
    EXPECT_NE(GetWindowLongW(Entry(1), GWL_STYLE) & ES_READONLY, 0) << "groups by the dialog";

    // Typed, and another account chosen in the list: the text goes to the account it was
    // typed for, and the box shows the other account's.
    userInfo& tom = R(L"tom");
    SetFocus(Entry(0));
    Type(Entry(0), L"Tom Thumb");
    ClickRow(ids::CustomList1, L"kim");
    EXPECT_EQ(tom.FullName(), L"Tom Thumb");
    EXPECT_EQ(TextOf(ids::Heading4), L"Account details for kim...");
    EXPECT_EQ(WindowText(Entry(0)), L"");

    // A refused name, whatever asks for it - another box, the list, the close box, the
    // Close button: its message, the focus back in the box with the caret at its end, and
    // nothing changed, sent or closed.
    SetFocus(Entry(5));
    Type(Entry(5), L"k:m");
    const std::function<void()> leaving[] = {
        [&] { SetFocus(Entry(3)); }, [&] { ClickRow(ids::CustomList1, L"anna"); },
        [&] { SendMessageW(form->Window(), WM_CLOSE, 0, 0); }, [&] { Click(ids::CloseButton); }};
    for (std::size_t i = 0; i < std::size(leaving); ++i) {
        SendMessageW(Entry(5), EM_SETSEL, 0, 0);
        leaving[i]();
        testing::DrainMessages();
        ASSERT_NE(form->Window(), nullptr) << i;
        ASSERT_EQ(w.user.messageBoxes.size(), i + 1);
        EXPECT_EQ(w.user.messageBoxes[i].text,
                  L"The username cannot contain any of the characters /\\[]<>:;,+=?");
        EXPECT_EQ(GetFocus(), Entry(5)) << i;
        EXPECT_EQ(Selection(Entry(5)), (std::pair<DWORD, DWORD>{3, 3})) << i;
    }
    EXPECT_EQ(TextOf(ids::Heading4), L"Account details for kim...");
    EXPECT_FALSE(R(L"kim").DataHasChanged());
    EXPECT_TRUE(w.user.sent.empty()) << "no command to the service";

    // Corrected and not committed yet: Close takes it, and writes both accounts.
    Type(Entry(5), L"kimberly");
    w.user.answers = {platform::id::Yes, platform::id::Yes};
    Click(ids::CloseButton);
    testing::DrainMessages();
    EXPECT_EQ(form->Window(), nullptr);
    EXPECT_NE(w.machine->FindAccount(L"kimberly"), nullptr);
    EXPECT_EQ(w.machine->FindAccount(L"tom")->fullName, L"Tom Thumb");
}

// A close of the frame always closes the window, whatever the closing procedure decided,
// and one that comes while the group dialog or a question is up is carried out after it;
// the Close button's Cancel keeps the window open.
TEST_F(Window, TheFramesCloseIsNeverLost) {
    const std::wstring tomChanged =
        L"The settings for tom have been changed.\r\nDo you want to save the new settings?";
    struct Case {
        const char* what;
        std::function<void()> act;
        std::vector<int> answers;
        bool closed;
        std::vector<std::wstring> asked;
    };
    const std::vector<Case> cases = {
        {"close box, Cancel",
         [this] { SendMessageW(form->Window(), WM_CLOSE, 0, 0); },
         {platform::id::Cancel},
         true,
         {tomChanged}},
        {"Close button, Cancel",
         [this] { Click(ids::CloseButton); },
         {platform::id::Cancel},
         false,
         {tomChanged}},
        {"close box, lockout",
         [this] {
             for (const wchar_t* name : {L"anna", L"kim"})
                 R(name).SetUserGroups(2);
             for (int b = 0; b < kLogonHourBytes; ++b)
                 R(L"Administrator").SetLogonHour(b, 0);
             SendMessageW(form->Window(), WM_CLOSE, 0, 0);
         },
         {platform::id::Ok},
         true,
         {L"You can't block all hours for Administrator"}},
        {"close box during a question",
         [this] {
             w.user.answerer = [this](const testing::ShownMessageBox&) {
                 const bool first = w.user.messageBoxes.size() == 1;
                 if (first)
                     SendMessageW(form->Window(), WM_CLOSE, 0, 0);
                 return first ? platform::id::Cancel : platform::id::No;
             };
             Click(ids::CloseButton);
         },
         {},
         true,
         {tomChanged, tomChanged}},
        {"close box during the group dialog",
         [this] {
             testing::ModalScript script(UserTypesForm::ClassName, {[this](HWND) {
                                             SendMessageW(form->Window(), WM_CLOSE, 0, 0);
                                             PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
                                         }});
             SendMessageW(Entry(1), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
             SendMessageW(Entry(1), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
         },
         {platform::id::No},
         true,
         {tomChanged}},
    };
    for (const Case& c : cases) {
        Open();
        ClickRow(ids::CustomList1, L"tom");
        Click(ids::MoreButton);
        R(L"tom").SetComment(L"changed");
        w.user.messageBoxes.clear();
        w.user.answerer = nullptr;
        w.user.answers = {c.answers.begin(), c.answers.end()};
        c.act();
        testing::DrainMessages();
        EXPECT_EQ(form->Window() == nullptr, c.closed) << c.what;
        std::vector<std::wstring> asked;
        for (const auto& box : w.user.messageBoxes)
            asked.push_back(box.text);
        EXPECT_EQ(asked, c.asked) << c.what;
        form.reset();
        testing::DrainMessages();
    }
}

// Every action of the window from the keyboard: keys pressed in order where the focus is
// (or on a control first given it), with a modifier held meanwhile, and what they did.
TEST_F(Window, TheKeyboardDoesWhatTheMouseDoes) {
    Open();
    ASSERT_EQ(FocusId(), ids::CustomList1) << "the first list has the focus at first";
    userInfo& tom = R(L"tom");
    const int e = ids::DetailSettingEntry0;
    auto shown = [&] { return WindowText(form->Window()).substr(12); }; // "Quill Bay - "
    auto first = [&] { return form->List(ids::CustomList1)->Model().Entry(0).userName; };
    auto listHeight = [&] {
        RECT r;
        GetWindowRect(Ctl(ids::CustomList1), &r);
        return r.bottom - r.top;
    };
    const int designedHeight = listHeight();
    const struct {
        int focus;
        UINT held;
        std::vector<UINT> keys;
        std::function<bool()> did;
    } steps[] = {
        // The first list: a row for each key, its account shown; its columns with Ctrl.
        {0, 0, {VK_DOWN}, [&] { return shown() == L"Guest"; }},
        {0, 0, {VK_HOME}, [&] { return shown() == L"Administrator"; }},
        {0, 0, {VK_NEXT, VK_UP}, [&] { return shown() == L"kim"; }},
        {0, VK_CONTROL, {'1'}, [&] { return first() == L"Guest"; }},
        {0, VK_CONTROL, {'4'}, [&] { return first() == L"Administrator"; }},
        // The bar between the lists, with Alt, a step at a time.
        {0, VK_MENU, {VK_DOWN, VK_DOWN}, [&] { return listHeight() == designedHeight + 64; }},
        {0, VK_MENU, {VK_UP}, [&] { return listHeight() == designedHeight + 32; }},
        {0, 0, {VK_END}, [&] { return shown() == L"tom"; }},
        // The second list: kim's hours onto tom, then none restricted.
        {0, 0, {VK_TAB, VK_END, VK_UP}, [&] { return TextOf(ids::TotalTime0 + 1) == L"00:00"; }},
        {0, 0, {VK_HOME}, [&] { return TextOf(ids::TotalTime0 + 1) == L"24:00"; }},
        // The grid: Space denies Sunday 00:00, Shift paints Monday 00:00 to 02:00.
        {0, 0, {VK_TAB, VK_RIGHT, VK_SPACE, VK_RIGHT}, [&] { return tom.LogonHour(0) == 0xFE; }},
        {0, VK_SHIFT, {VK_DOWN, VK_DOWN}, [&] { return tom.LogonHour(3) == 0xF8; }},
        // Undo, which hides and hands the focus on.
        {0,
         0,
         {VK_TAB, VK_RETURN},
         [&] { return !tom.DataHasChanged() && FocusId() == ids::SettingsButton; }},
        {ids::MoreButton, 0, {VK_SPACE}, [&] { return ClientSize().cy == kExpandedHeight / 15; }},
        // Typed into a box: taken when the focus leaves it, not before.
        {e + 5, 0, {VK_END, 'M', 'Y'}, [&] { return tom.UserName() == L"tom"; }},
        {0, 0, {VK_TAB}, [&] { return SelectedRow().userName == L"tommy"; }},
        {ids::PasswordLocked, 0, {VK_SPACE}, [&] { return tom.PasswordCantChange(); }},
        {ids::PasswordNotNeeded, 0, {VK_SPACE}, [&] { return tom.PasswordNotNeeded(); }},
        {ids::AccountDisabled, 0, {VK_SPACE}, [&] { return tom.AccountDisabled(); }},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        if (steps[i].focus != 0)
            SetFocus(Ctl(steps[i].focus));
        if (steps[i].held != 0)
            Key(steps[i].held, true);
        for (const UINT key : steps[i].keys)
            Press(key);
        if (steps[i].held != 0)
            Key(steps[i].held, false);
        EXPECT_TRUE(steps[i].did()) << "step " << i;
    }
    EXPECT_TRUE(w.user.messageBoxes.empty()) << "tom is no administrator";
    // The window's timer takes the highlight off the source row.
    EXPECT_TRUE(testing::PumpUntil(
        [&] { return !form->List(ids::CustomList2)->Model().SelectionHighlight().visible; },
        std::chrono::milliseconds(5000)));

    // Tab goes through the controls in reading order, Shift+Tab back.
    const std::vector<int> order = {ids::CustomList2,
                                    ids::AllowedHoursGraphic,
                                    ids::UndoButton,
                                    e + 5,
                                    e + 1,
                                    e,
                                    e + 3,
                                    e + 4,
                                    e + 6,
                                    ids::PasswordLocked,
                                    ids::PasswordNotNeeded,
                                    e + 2,
                                    e + 7,
                                    ids::AccountDisabled,
                                    ids::SettingsButton,
                                    ids::MoreButton,
                                    ids::CloseButton,
                                    ids::CustomList1};
    std::vector<int> visited;
    SetFocus(Ctl(ids::CustomList1));
    for (std::size_t i = 0; i < order.size(); ++i) {
        Press(VK_TAB);
        visited.push_back(FocusId());
    }
    EXPECT_EQ(visited, order);
    Key(VK_SHIFT, true);
    Press(VK_TAB);
    Key(VK_SHIFT, false);
    EXPECT_EQ(FocusId(), ids::CloseButton);
    Press(VK_SPACE); // tom's changes are not saved (the answer is not Yes)
    EXPECT_EQ(form->Window(), nullptr);
    EXPECT_EQ(w.user.messageBoxes.size(), 1u);
}

HWND GroupBox(HWND dialog, int group) {
    return GetDlgItem(dialog, UserTypesForm::Check1Id + group);
}
bool Checked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

TEST_F(Window, TheGroupDialogFromTheKeyboard) {
    Open();
    ClickRow(ids::CustomList1, L"tom");
    Click(ids::MoreButton);
    // The groups of the shown account, opened by `key` on "Member of" (0: a click on its
    // user type's picture), and `keys` inside.
    auto groups = [&](UINT key, std::function<void(HWND)> keys) {
        testing::ModalScript script(UserTypesForm::ClassName, {std::move(keys)});
        SetFocus(Entry(1));
        if (key != 0) {
            Press(key);
        } else {
            const HWND picture = Ctl(ids::UserImage0 + R(L"Administrator").UserType());
            SendMessageW(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
            SendMessageW(picture, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        }
        EXPECT_EQ(script.StepsTaken(), 1u);
        EXPECT_FALSE(script.Forced()) << "closed by its keys";
    };
    // Tab along the screen, Space on a box, Enter for OK.
    groups(VK_RETURN, [&](HWND dialog) {
        EXPECT_EQ(WindowText(dialog), L"Member of these groups...");
        EXPECT_FALSE(IsWindowEnabled(form->Window())) << "modal";
        EXPECT_TRUE(Checked(GroupBox(dialog, UsersGroup)));
        std::vector<int> tabs;
        for (int i = 0; i < 6; ++i) {
            testing::Press(dialog, VK_TAB);
            tabs.push_back(FocusId());
        }
        const int box = UserTypesForm::Check1Id;
        EXPECT_EQ(tabs,
                  (std::vector<int>{box + UsersGroup, box + PowerUsersGroup,
                                    box + AdministratorsGroup, IDCANCEL, IDOK, box + GuestsGroup}));
        SetFocus(GroupBox(dialog, PowerUsersGroup));
        testing::Press(dialog, VK_SPACE);
        testing::Press(dialog, VK_RETURN);
    });
    EXPECT_TRUE(IsWindowEnabled(form->Window()));
    EXPECT_EQ(R(L"tom").UserType(), PowerUser);
    EXPECT_EQ(WindowText(Entry(1)), L"Power Users");
    EXPECT_TRUE(IsWindowVisible(Ctl(ids::UserImage0 + PowerUser)));
    // Guests ticked, and Enter on Cancel, by Space on "Member of".
    groups(VK_SPACE, [&](HWND dialog) {
        SetFocus(GroupBox(dialog, GuestsGroup));
        testing::Press(dialog, VK_SPACE);
        SetFocus(GetDlgItem(dialog, IDCANCEL));
        testing::Press(dialog, VK_RETURN);
    });
    EXPECT_EQ(R(L"tom").UserGroups(), 2 | 8) << "Users and Power Users, no Guests";
    // The built-in administrator, from its picture: Administrators ticked and out of
    // reach; Esc cancels.
    ClickRow(ids::CustomList1, L"Administrator");
    groups(0, [&](HWND dialog) {
        EXPECT_TRUE(Checked(GroupBox(dialog, AdministratorsGroup)));
        EXPECT_FALSE(IsWindowEnabled(GroupBox(dialog, AdministratorsGroup)));
        SetFocus(GroupBox(dialog, GuestsGroup));
        testing::Press(dialog, VK_SPACE);
        testing::Press(dialog, VK_ESCAPE);
    });
    EXPECT_FALSE(R(L"Administrator").DataHasChanged());
}

// What a screen reader reads of a part of a window (0: the window itself), through the
// window's client object as it gets one.
struct Part {
    std::wstring name, description;
    long role = 0, state = 0;
};
Part Read(HWND window, long child) {
    Part part;
    IAccessible* object = nullptr;
    if (AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&object)) != S_OK)
        return part;
    VARIANT v{}, out{};
    v.vt = VT_I4;
    v.lVal = child;
    for (auto [get, text] : {std::pair{&IAccessible::get_accName, &part.name},
                             {&IAccessible::get_accDescription, &part.description}}) {
        BSTR got = nullptr;
        if ((object->*get)(v, &got) == S_OK)
            text->assign(got, SysStringLen(got));
        SysFreeString(got);
    }
    if (object->get_accRole(v, &out) == S_OK)
        part.role = out.lVal;
    if (object->get_accState(v, &out) == S_OK)
        part.state = out.lVal;
    object->Release();
    return part;
}

// The events the window raises, heard as a screen reader hears them.
std::vector<std::pair<DWORD, LONG>> heard;
void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object == OBJID_CLIENT && child != CHILDID_SELF)
        heard.emplace_back(event, child);
}

TEST_F(Window, ScreenReadersReadTheRowsAndCellsAndHearWhatChanges) {
    Open();
    ClickRow(ids::CustomList1, L"kim");
    const HWND list = Ctl(ids::CustomList1), grid = Ctl(ids::AllowedHoursGraphic);
    EXPECT_EQ(Read(list, CHILDID_SELF).name, L"Select user...");
    EXPECT_EQ(Read(list, CHILDID_SELF).role, ROLE_SYSTEM_LIST);
    const controls::CustomListModel& rows = form->List(ids::CustomList1)->Model();
    for (int i = 0; i <= rows.LastIndex(); ++i) {
        const Part row = Read(list, i + 1);
        EXPECT_EQ(row.name, rows.Entry(i).userName);
        EXPECT_EQ(row.role, ROLE_SYSTEM_LISTITEM);
        const bool kim = row.name == L"kim";
        EXPECT_EQ(row.state & (STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED),
                  kim ? STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED : 0);
        if (kim) {
            EXPECT_EQ(row.description, L"Administrator, logon hours restricted");
        }
    }
    EXPECT_EQ(Read(grid, CHILDID_SELF).name, L"Allowable logon times for kim...");
    wchar_t saturday[64] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDAYNAME6, saturday, 64);
    const Part sat8 = Read(grid, 8 * 7 + 1);
    EXPECT_EQ(sat8.name, std::wstring(saturday) + L" 08:00 - 08:59");
    EXPECT_EQ(sat8.state & STATE_SYSTEM_CHECKED, STATE_SYSTEM_CHECKED);
    EXPECT_EQ(Read(grid, 8 * 7 + 2).state & STATE_SYSTEM_CHECKED, 0) << "kim's Sunday";

    // The grid takes the focus on its first cell; Right moves it to Sunday 00:00, which
    // Space allows.
    const HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_STATECHANGE, nullptr, &Hear,
                        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    SetFocus(grid);
    Press(VK_RIGHT);
    Press(VK_SPACE);
    UnhookWinEvent(hook);
    EXPECT_EQ(heard, (std::vector<std::pair<DWORD, LONG>>{{EVENT_OBJECT_FOCUS, 1},
                                                          {EVENT_OBJECT_SELECTION, 2},
                                                          {EVENT_OBJECT_FOCUS, 2},
                                                          {EVENT_OBJECT_STATECHANGE, 2}}));
    EXPECT_EQ(Read(grid, 2).state & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSED),
              STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSED);
}

} // namespace
} // namespace qb::mainwindow
