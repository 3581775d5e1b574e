#pragma once
// The main window, InputForm, as a portable model: everything the window decides lives
// here - what each control shows and where, what a mouse action on the hours grid, the
// divider or a list changes in the account records, the load sequence, the sort state of
// the lists, the expanded or collapsed panel. The Win32 window creates one child window
// per control from the design, hands this model the user's actions in twips and shows
// what the model's state says after each of them. The hours grid takes the keyboard as
// well as the mouse, and its cells are described here as a screen reader is told of them.

#include "controls/accessible.h"
#include "controls/keys.h"
#include "mainwindow/form_layout.h"
#include "mainwindow/system_font.h"
#include "mainwindow/user_list.h"
#include "mainwindow/user_types_model.h"
#include "platform/locale.h"
#include "platform/user32.h"
#include "startup/globals.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace qb::mainwindow {

// The program's version record, as far as the window shows it.
struct AppVersion {
    std::wstring companyName;
    std::wstring fileDescription; // the product title
    int major = 0;
    int minor = 0;
    int revision = 0;
};
// "Version 1.00.00" for 1.0.0: the minor number and the revision with two digits.
std::wstring VersionLine(const AppVersion& version);

// What one control shows now.
struct ControlState {
    TwipsRect bounds;
    bool visible = true;
    bool enabled = true;
    bool checked = false; // check boxes
    std::wstring text;    // the lists' and the grid's: their names for screen readers
};

struct ShapeState {
    ShapeSpec design;
    bool visible = true;
};

// The picture surface of the grid: what it shows (it keeps what was painted on it, as a
// picture would, and is repainted only by the grid's own operations), and the cells
// painted since the window last took them.
struct GridSurface {
    bool drawn = false; // an account's hours were drawn on it
    std::array<std::array<bool, kGridRows>, kGridColumns> allowed{};
    std::vector<std::pair<int, int>> painted; // (column, row), in painting order
    std::uint64_t paintCount = 0;             // cells painted since the window opened
};

// What the window measured for the load sequence.
struct LoadContext {
    int pixelsPerInch = 96;  // of the window's device context, vertically
    MenuFont menuFont;       // the system's menu font
    int nonClientHeight = 0; // outer window height minus client height, in twips
    int cellWidth = 660;     // the allowed-hour picture's size, in twips
    int cellHeight = 240;
};

enum class GridButton { Left, Right, Middle };
using controls::Key;
using controls::ShiftState;

// Why a user name is refused: the message shown for it, or empty text when the name is
// accepted. A name may not end in a full stop, nor hold any of / \ [ ] < > : ; , + = ?
std::wstring UserNameRefusal(const std::wstring& name);

class InputFormModel {
public:
    InputFormModel(Globals& g, UserList& customList1, UserList& customList2,
                   platform::LocaleApi& locale, Timer& unSelTimer, AppVersion version);

    // The window's handle, as the owner of the message boxes the model shows.
    void SetOwner(platform::WindowHandle owner) { owner_ = owner; }

    // The load handler, once, before the window is first shown.
    void Load(const LoadContext& context);

    // --- What the window shows ---
    const std::wstring& Title() const { return title_; }
    const SystemFontInfo& SystemFont() const { return font_; }
    const ControlState& Control(int id) const;
    const std::map<int, ControlState>& Controls() const { return controls_; }
    const ShapeState& ShapeAt(Shape shape) const {
        return shapes_[static_cast<std::size_t>(shape)];
    }
    const TwipsRect& Divider() const { return divider_; }
    const GridSurface& Grid() const { return grid_; }
    // Clears the list of cells painted since the last call and returns it.
    std::vector<std::pair<int, int>> TakePaintedCells();
    // The client area's height in twips: collapsed or expanded.
    int ClientHeight() const { return clientHeight_; }
    bool Expanded() const { return clientHeight_ == kExpandedHeight; }
    int NonClientHeight() const { return nonClientHeight_; }

    // --- Window state ---
    std::int32_t CurrentAccount() const { return currentAccount_; }
    bool DragActive() const { return dragActive_; }
    std::int32_t SortColumn() const { return sortColumn_; }
    bool SortForwards(int column) const {
        return sortForwards_.at(static_cast<std::size_t>(column));
    }
    std::int32_t ShowAdminValue() const { return showAdminValue_; }
    bool WelcomeScreenInUse() const { return welcomeScreenInUse_; }
    std::int32_t DayTotal(int column) const {
        return dayTotals_.at(static_cast<std::size_t>(column));
    }
    int CellWidth() const { return cellWidth_; }
    int CellHeight() const { return cellHeight_; }

    // --- The hours grid ---
    int ColumnAt(int x) const;
    int RowAt(int y) const;
    // x, y: the pointer in twips, relative to the grid surface.
    void GridMouseDown(GridButton button, int x, int y);
    void GridMouseMove(int x, int y);
    void GridMouseUp();
    void ClearRestrictions();

    // --- The hours grid from the keyboard ---
    // The grid took or lost the keyboard focus. Losing it ends a painting begun by a key,
    // as letting go of the key would.
    void GridFocus(bool focused);
    bool GridFocused() const { return gridFocused_; }
    // The focus cell, (column, row): where the keys act, framed while the grid has the
    // focus. A press of the mouse moves it to the cell pressed.
    std::pair<int, int> FocusCell() const { return {focusColumn_, focusRow_}; }
    // A key pressed while the grid has the focus (`repeat`: the key's auto-repeat); true
    // when the grid acted on it. The arrows move the focus cell by one, Home and End to
    // the row's first and last day, Page Up and Page Down to the day's first and last
    // hour. Space turns the focus cell over as a press of the mouse on it does. A move
    // with Shift paints every cell on its way, as a drag from the focus cell would.
    bool GridKeyDown(Key key, ShiftState shift, bool repeat);
    // A key let go. Letting go of Space, or of Shift after painting, ends the painting as
    // the release of the mouse does, with its question about privileged accounts.
    void GridKeyUp(Key key);
    // A cell as a screen reader is told of it: named by its day (in full, from the
    // locale) and hour, checked when the hour is allowed. Active Accessibility numbers
    // the cells row by row from 1, as GridChild says.
    controls::accessible::Item GridCell(int column, int row) const;
    static int GridChild(int column, int row) { return row * kGridColumns + column + 1; }
    // The grid's changes to announce since the last call.
    std::vector<controls::accessible::Event> TakeGridEvents() { return gridEvents_.Take(); }

    // --- The divider; x, y in twips relative to the divider ---
    void DividerMouseDown(int x, int y);
    void DividerMouseMove(int x, int y);
    void DividerMouseUp();
    // The keyboard's way to move the divider: a step up or down.
    void DividerKey(bool up);

    // --- The lists ---
    void PopulateUserLists();
    void CustomList1ItemClick(std::int32_t tag);
    void CustomList1ColumnClick(std::int32_t column);
    void CustomList2ItemClick(std::int32_t tag);
    void UnSelTimerTick();

    // --- The details panel ---
    void ShowAccount(std::int32_t position);
    void MoreButtonClick();
    // The welcome-screen check box was ticked or cleared; only closing looks at it.
    void ShowAdminClick(bool checked);

    // --- Editing the details ---
    // Text box `index` (DetailSettingEntry) as the focus leaves it, showing `text`: the
    // text goes into the shown record (the full name, the comments, a valid user name, a
    // new password when one was typed). False when the user name is refused, after its
    // message: the record is unchanged and the box is to keep the focus.
    bool DetailSettingEntryValidate(int index, const std::wstring& text);
    // The account check boxes, with the value the click gives them.
    void AccountDisabledClick(bool checked);
    void PasswordLockedClick(bool checked);
    void PasswordNotNeededClick(bool checked);
    // The padlock picture turns the "User account locked" box over.
    void LockImageClick();
    // A user-type picture or the "Member of" box: the group membership dialog for the
    // shown account, then its user type from the groups it is left in.
    void UserImageClick();
    // Runs the group membership dialog on `dialog` until it closes (set by the window).
    std::function<void(UserTypesModel& dialog)> ShowUserTypesForm;

    // --- Undo and closing ---
    // Throws away the edits of the shown account.
    void UndoButtonClick();
    // The closing procedure: checks that nobody is locked out, asks about the logged-on
    // user's own restrictions and about every changed account, writes what was confirmed
    // while the companion service stands still. True when the window is to close.
    bool CloseProcedure();
    // Lets the window process its pending messages once (set by the window).
    std::function<void()> ProcessPendingMessages;

private:
    ControlState& Ctl(int id);
    userInfo* Record(std::int32_t position);
    userInfo* Current() { return Record(currentAccount_); }
    void SetTotalCaption(int column);
    void DrawGrid(const userInfo& record);
    void ShowCell(int column, int row, bool allowed);
    void PaintCell(bool value);
    // The three steps of a drag on the grid: its press on a cell (false when it cannot
    // begin), a move onto another cell, and the release.
    bool StartPaint(int column, int row);
    void PaintTo(int column, int row);
    void EndPaint();
    void MoveFocusCell(int column, int row);
    void ShowUndoFor(const userInfo* record);
    // Shows the record's name, type, clock and padlock in its row of each list.
    void ShowInLists(std::int32_t position);
    void ShowTypePictures(const userInfo& record);
    // The administrators among the records, counted until there are two.
    int CountAdministrators() const;
    void ApplyWelcomeScreenRule(const userInfo& record);
    void ApplyPanelVisibility();
    std::wstring GeneralDate(const DateTime& time);
    bool LockoutCheck();
    void AskAboutOwnRestrictions();
    int Ask(const std::wstring& text, std::uint32_t buttons);
    void Redisplay(std::int32_t position);
    void SetTopOfBottomRow();
    void PlaceDivider(int top);

    Globals& g_;
    UserList& list1_;
    UserList& list2_;
    platform::LocaleApi& locale_;
    Timer& unSelTimer_;
    AppVersion version_;
    platform::WindowHandle owner_ = 0;

    std::wstring title_;
    SystemFontInfo font_;
    std::map<int, ControlState> controls_;
    std::vector<ShapeState> shapes_;
    TwipsRect divider_ = kDesignedDivider;
    GridSurface grid_;
    int clientHeight_ = kCollapsedHeight;
    int nonClientHeight_ = 0;

    std::int32_t currentAccount_ = 0;
    bool dragActive_ = false;
    int dividerGrab_ = 0;
    bool paintValue_ = false;
    std::int32_t lastColumn_ = -1;
    std::int32_t lastRow_ = -1;
    // A painting begun by a key, ended by letting go of it.
    enum class KeyPaint { None, Space, Shift } keyPaint_ = KeyPaint::None;
    bool gridFocused_ = false;
    int focusColumn_ = 0;
    int focusRow_ = 0;
    std::array<std::wstring, 7> dayNames_; // in full, Sunday first
    controls::accessible::EventQueue gridEvents_;
    std::array<std::int32_t, kGridColumns> dayTotals_{};
    int cellWidth_ = 660;
    int cellHeight_ = 240;
    std::int32_t sortColumn_ = 3;
    std::array<bool, 4> sortForwards_{true, true, true, true};
    std::int32_t showAdminValue_ = 0;
    bool welcomeScreenInUse_ = false;
};

} // namespace qb::mainwindow
