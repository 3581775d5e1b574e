#include "mainwindow/input_form_model.h"

#include "accounts/account_store.h"
#include "accounts/logon_hours.h"
#include "mainwindow/control_ids.h"
#include "platform/assert.h"
#include "services/companion.h"
#include "services/registry.h"
#include "settings/settings_store.h"
#include "startup/startup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qb::mainwindow {

namespace {

// Whether the built-in administrator shows on the welcome screen, and whether the machine
// logs on through the welcome screen at all.
constexpr wchar_t kUserListKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\SpecialAccounts\\UserList";
constexpr wchar_t kShowAdminValueName[] = L"Administrator";
constexpr wchar_t kWinlogonKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr wchar_t kLogonTypeValueName[] = L"LogonType";
constexpr std::int32_t kWelcomeScreenLogonType = 1;

// Membership bits of the built-in groups that a lockout or a self-demotion is about.
constexpr std::int32_t kAdministratorsBit = 1 << AdministratorsGroup;
constexpr std::int32_t kPowerUsersBit = 1 << PowerUsersGroup;

constexpr wchar_t kNoRestrictions[] = L"<no restrictions>";
constexpr wchar_t kNoInformation[] = L"<no information>";
constexpr wchar_t kWarning0[] = L"You need to logon as an administrator to be able to";
constexpr wchar_t kWarning1[] = L"view all account settings or make any changes.";

// The "User name" column of the lists, by which both are sorted at first.
constexpr std::int32_t kNameColumn = 3;
// Logon-hour bytes of an account without any restriction.
constexpr std::uint8_t kAllHoursAllowed = 255;
// Of the built-in groups only Guests (1) and Users (2) stay when an account is made a
// normal user: a member of Administrators or Power Users could change the clock. With
// neither left it joins Users, so that it stays in some built-in group.
constexpr std::int32_t kNormalUserGroups = 3;
constexpr std::int32_t kUsersBit = 1 << UsersGroup;

std::wstring TwoDigits(int n) {
    wchar_t buf[16];
    std::swprintf(buf, 16, L"%02d", n);
    return buf;
}

// The weekday of a date-time, Sunday being day 1.
int Weekday(const DateTime& time) {
    // Day 0 of the date-time count, 30 December 1899, was a Saturday.
    std::int64_t days = time.Seconds() / 86400;
    if (time.Seconds() % 86400 < 0)
        --days;
    return static_cast<int>(((days + 6) % 7 + 7) % 7) + 1;
}

platform::SystemTime ToSystemTime(const DateTime& time) {
    const CivilTime c = time.ToCivil();
    platform::SystemTime t;
    t.year = static_cast<std::uint16_t>(c.year);
    t.month = static_cast<std::uint16_t>(c.month);
    t.day = static_cast<std::uint16_t>(c.day);
    t.dayOfWeek = static_cast<std::uint16_t>(Weekday(time) - 1);
    t.hour = static_cast<std::uint16_t>(c.hour);
    t.minute = static_cast<std::uint16_t>(c.minute);
    t.second = static_cast<std::uint16_t>(c.second);
    return t;
}

} // namespace

std::wstring VersionLine(const AppVersion& version) {
    return L"Version " + std::to_wstring(version.major) + L"." + TwoDigits(version.minor) + L"." +
           TwoDigits(version.revision);
}

InputFormModel::InputFormModel(Globals& g, UserList& customList1, UserList& customList2,
                               platform::LocaleApi& locale, Timer& unSelTimer, AppVersion version)
    : g_(g), list1_(customList1), list2_(customList2), locale_(locale), unSelTimer_(unSelTimer),
      version_(std::move(version)), title_(version_.fileDescription) {
    for (const ControlSpec& design : DesignedControls()) {
        ControlState& state = controls_[design.id];
        state.bounds = design.bounds;
        state.visible = design.visible;
        state.text = design.text;
    }
    for (const ShapeSpec& design : DesignedShapes())
        shapes_.push_back(ShapeState{design, true});
    // The panel's frame and inner rule show with the panel.
    shapes_[DetailBox].visible = false;
    shapes_[Separator1].visible = false;
    // The lists are named by the strips over them; the grid by its own, per account.
    Ctl(ids::CustomList1).text = Ctl(ids::Heading1).text;
    Ctl(ids::CustomList2).text = Ctl(ids::Heading3).text;
    Ctl(ids::AllowedHoursGraphic).text = Ctl(ids::Heading2).text;
}

const ControlState& InputFormModel::Control(int id) const {
    const auto found = controls_.find(id);
    QB_ASSERT(found != controls_.end());
    return found->second;
}

ControlState& InputFormModel::Ctl(int id) {
    const auto found = controls_.find(id);
    QB_ASSERT(found != controls_.end());
    return found->second;
}

userInfo* InputFormModel::Record(std::int32_t position) {
    if (position < 1 || position > g_.Accounts.Count())
        return nullptr;
    return &g_.Accounts.Item(position);
}

std::vector<std::pair<int, int>> InputFormModel::TakePaintedCells() {
    return std::exchange(grid_.painted, {});
}

// --- Load ---

void InputFormModel::Load(const LoadContext& context) {
    title_ = version_.fileDescription;
    nonClientHeight_ = context.nonClientHeight;
    // What the companion service was last set to replaces the defaults of start-up.
    settings::ReadSettingsStore(g_);
    g_.MarkStage(stage::SettingsStore);
    font_ = LoadSystemFont(context.pixelsPerInch, context.menuFont);
    list1_.SetFont(font_.FontName, font_.FontSize, font_.Bold, font_.Italic, font_.Underline,
                   font_.Strikethrough);
    list2_.SetFont(font_.FontName, font_.FontSize, font_.Bold, font_.Italic, font_.Underline,
                   font_.Strikethrough);
    g_.MarkStage(stage::Fonts);
    clientHeight_ = kCollapsedHeight;
    cellWidth_ = context.cellWidth > 0 ? context.cellWidth : 660;
    cellHeight_ = context.cellHeight > 0 ? context.cellHeight : 240;
    dragActive_ = false;

    for (int h = 0; h < kGridRows; ++h)
        Ctl(ids::HourLabel0 + h).text = TwoDigits(h) + L":00 - " + TwoDigits(h) + L":59";
    Ctl(ids::AppLabel0).text = version_.companyName + L" " + version_.fileDescription;
    Ctl(ids::AppLabel0 + 1).text = VersionLine(version_);
    for (int k = 0; k < 7; ++k) {
        Ctl(ids::DayLabel0 + k).text = locale_.AbbreviatedDayName(k + 1);
        dayNames_[static_cast<std::size_t>(k)] = locale_.DayName(k + 1);
    }

    sortColumn_ = kNameColumn;
    sortForwards_.fill(true);
    PopulateUserLists();
    g_.MarkStage(stage::Lists);

    if (g_.CurrentUserIsAdmin) {
        Ctl(ids::MoreButton).visible = true;
        Ctl(ids::SettingsButton).visible = true;
    } else {
        Ctl(ids::CustomList2).visible = false;
        Ctl(ids::Heading3).visible = false;
        Ctl(ids::WarningLabel0).text = kWarning0;
        Ctl(ids::WarningLabel0).visible = true;
        Ctl(ids::WarningLabel0 + 1).text = kWarning1;
        Ctl(ids::WarningLabel0 + 1).visible = true;
    }

    // Read only now: the first display of the account above was made without the
    // welcome screen, as the window has always done; later displays use these values.
    services::RegistryValue showAdmin = std::int32_t{0};
    services::ReadRegistryValue(g_.ports, platform::HkeyLocalMachine, kUserListKey,
                                kShowAdminValueName, showAdmin);
    const auto* number = std::get_if<std::int32_t>(&showAdmin);
    showAdminValue_ = number != nullptr ? *number : 0;
    Ctl(ids::ShowAdmin).checked = showAdminValue_ == 1;

    services::RegistryValue logonType = std::int32_t{0};
    welcomeScreenInUse_ =
        services::ReadRegistryValue(g_.ports, platform::HkeyLocalMachine, kWinlogonKey,
                                    kLogonTypeValueName, logonType) &&
        std::holds_alternative<std::int32_t>(logonType) &&
        std::get<std::int32_t>(logonType) == kWelcomeScreenLogonType;
    g_.MarkStage(stage::Registry);
}

// --- The lists ---

void InputFormModel::PopulateUserLists() {
    list1_.BeginUpdate();
    list2_.BeginUpdate();
    list1_.Reserve(g_.Accounts.Count());
    list2_.Reserve(g_.Accounts.Count() + 1);
    list2_.AddItem(kNoRestrictions, -1, false, false, 0);
    currentAccount_ = g_.Accounts.Count() > 0 ? 1 : 0;
    for (int i = 1; i <= g_.Accounts.Count(); ++i) {
        const userInfo& r = g_.Accounts.Item(i);
        list1_.AddItem(r.UserName(), r.UserType(), r.HasTimeRestrictions(), r.AccountDisabled(), i);
        list2_.AddItem(r.UserName(), r.UserType(), r.HasTimeRestrictions(), r.AccountDisabled(), i);
        if (r.CurrentUser())
            currentAccount_ = i;
    }
    list1_.EndUpdate();
    list2_.EndUpdate();
    list1_.Sort(kNameColumn, true);
    list2_.Sort(kNameColumn, true);
    // With no accounts at all there is nothing to select or show: the window stays empty.
    if (currentAccount_ == 0)
        return;
    list1_.selectItem(currentAccount_, true);
    ShowAccount(currentAccount_);
    if (g_.CurrentUserIsAdmin)
        Ctl(ids::MoreButton).visible = true;
}

void InputFormModel::CustomList1ItemClick(std::int32_t tag) {
    currentAccount_ = tag;
    ShowAccount(currentAccount_);
}

void InputFormModel::CustomList1ColumnClick(std::int32_t column) {
    if (column < 0 || column >= static_cast<std::int32_t>(sortForwards_.size()))
        return;
    auto& forwards = sortForwards_[static_cast<std::size_t>(column)];
    if (column == sortColumn_)
        forwards = !forwards;
    else
        sortColumn_ = column;
    list1_.Sort(column, forwards);
    list2_.Sort(column, forwards);
}

void InputFormModel::CustomList2ItemClick(std::int32_t tag) {
    userInfo* current = Current();
    if (tag != 0) {
        const userInfo* source = Record(tag);
        if (current != nullptr && source != nullptr) {
            for (int b = 0; b < kLogonHourBytes; ++b)
                current->SetLogonHour(b, source->LogonHour(b));
            ShowInLists(currentAccount_);
            ShowAccount(tag);
        }
    } else {
        ClearRestrictions();
    }
    unSelTimer_.SetEnabled(true);
}

void InputFormModel::UnSelTimerTick() {
    unSelTimer_.SetEnabled(false);
    list2_.HideSelection();
}

// --- The hours grid ---

int InputFormModel::ColumnAt(int x) const {
    const double q = static_cast<double>(x) / cellWidth_;
    return q >= 0 && q < kGridColumns ? static_cast<int>(q) : -1;
}

int InputFormModel::RowAt(int y) const {
    const double q = static_cast<double>(y) / cellHeight_;
    return q >= 0 && q < kGridRows ? static_cast<int>(q) : -1;
}

void InputFormModel::SetTotalCaption(int column) {
    Ctl(ids::TotalTime0 + column).text =
        TwoDigits(dayTotals_[static_cast<std::size_t>(column)]) + L":00";
}

void InputFormModel::DrawGrid(const userInfo& record) {
    grid_.drawn = true;
    for (int c = 0; c < kGridColumns; ++c) {
        dayTotals_[static_cast<std::size_t>(c)] = 0;
        for (int r = 0; r < kGridRows; ++r) {
            const bool allowed = IsHourAllowed(record, c, r);
            ShowCell(c, r, allowed);
            if (allowed)
                ++dayTotals_[static_cast<std::size_t>(c)];
        }
        SetTotalCaption(c);
    }
}

void InputFormModel::ShowCell(int column, int row, bool allowed) {
    bool& shown = grid_.allowed[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
    if (shown != allowed)
        gridEvents_.Raise(controls::accessible::EventStateChange, GridChild(column, row));
    shown = allowed;
    grid_.painted.emplace_back(column, row);
    ++grid_.paintCount;
}

void InputFormModel::PaintCell(bool value) {
    const userInfo* current = Current();
    if (current == nullptr || IsHourAllowed(*current, lastColumn_, lastRow_) == value)
        return;
    ShowCell(lastColumn_, lastRow_, value);
    dayTotals_[static_cast<std::size_t>(lastColumn_)] += value ? 1 : -1;
    SetTotalCaption(lastColumn_);
}

void InputFormModel::GridMouseDown(GridButton /*button*/, int x, int y) {
    // Every button paints alike, though not while a key paints.
    const int c = ColumnAt(x), r = RowAt(y);
    if (c == -1 || r == -1 || keyPaint_ != KeyPaint::None)
        return;
    MoveFocusCell(c, r);
    StartPaint(c, r);
}

void InputFormModel::GridMouseMove(int x, int y) {
    PaintTo(ColumnAt(x), RowAt(y));
}

void InputFormModel::GridMouseUp() {
    if (keyPaint_ == KeyPaint::None)
        EndPaint();
}

bool InputFormModel::StartPaint(int c, int r) {
    // Only an administrator may paint at all.
    userInfo* current = Current();
    if (!g_.CurrentUserIsAdmin || current == nullptr)
        return false;
    dragActive_ = true;
    paintValue_ = !IsHourAllowed(*current, c, r);
    lastColumn_ = c;
    lastRow_ = r;
    PaintCell(paintValue_);
    SetHourAllowed(*current, c, r, paintValue_);
    return true;
}

void InputFormModel::PaintTo(int c, int r) {
    if (!g_.CurrentUserIsAdmin || !dragActive_)
        return;
    userInfo* current = Current();
    if (current == nullptr || c == -1 || r == -1 || (c == lastColumn_ && r == lastRow_))
        return;
    lastColumn_ = c;
    lastRow_ = r;
    PaintCell(paintValue_);
    SetHourAllowed(*current, c, r, paintValue_);
}

void InputFormModel::EndPaint() {
    if (!g_.CurrentUserIsAdmin)
        return;
    dragActive_ = false;
    userInfo* r = Current();
    if (r == nullptr)
        return;
    ShowUndoFor(r);
    ShowInLists(currentAccount_);
    if (r->CurrentUser() || !r->HasTimeRestrictions() || r->UserType() <= User)
        return;

    const std::wstring& name = r->UserName();
    const std::wstring text = name + L" is a member of the " +
                              g_.Store.GroupDisplayName(r->UserType()) + L" group.\r\nTo prevent " +
                              name + L" from changing the system time, change to normal user?";
    if (g_.ports.user.ShowMessageBox(owner_, text, version_.fileDescription,
                                     platform::mb::YesNo | platform::mb::IconQuestion) !=
        platform::id::Yes)
        return;
    r->SetUserType(User);
    const std::int32_t kept = r->UserGroups() & kNormalUserGroups;
    r->SetUserGroups(kept != 0 ? kept : kUsersBit);
    Ctl(ids::DetailSettingEntry0 + 1).text = g_.Store.GroupDisplayName(r->UserType());
    ShowTypePictures(*r);
    ShowInLists(currentAccount_);
    ShowUndoFor(r); // the hours may be as read again, the type is not
}

void InputFormModel::ClearRestrictions() {
    userInfo* r = Current();
    if (r == nullptr)
        return;
    for (int b = 0; b < kLogonHourBytes; ++b)
        r->SetLogonHour(b, kAllHoursAllowed);
    ShowUndoFor(r);
    grid_.drawn = true;
    for (int c = 0; c < kGridColumns; ++c) {
        for (int row = 0; row < kGridRows; ++row)
            ShowCell(c, row, true);
        dayTotals_[static_cast<std::size_t>(c)] = kGridRows;
        SetTotalCaption(c);
    }
    ShowInLists(currentAccount_);
}

// --- The hours grid from the keyboard ---

void InputFormModel::GridFocus(bool focused) {
    gridFocused_ = focused;
    if (focused)
        gridEvents_.Raise(controls::accessible::EventFocus, GridChild(focusColumn_, focusRow_));
    else if (std::exchange(keyPaint_, KeyPaint::None) != KeyPaint::None)
        EndPaint();
}

void InputFormModel::MoveFocusCell(int column, int row) {
    if (column == focusColumn_ && row == focusRow_)
        return;
    focusColumn_ = column;
    focusRow_ = row;
    const int child = GridChild(column, row);
    gridEvents_.Raise(controls::accessible::EventSelection, child);
    if (gridFocused_)
        gridEvents_.Raise(controls::accessible::EventFocus, child);
}

bool InputFormModel::GridKeyDown(Key key, ShiftState shift, bool repeat) {
    if (shift.ctrl || shift.alt)
        return false;
    if (key == Key::Space) {
        // Held down, Space is one press: its repeats paint nothing more.
        if (!repeat && keyPaint_ == KeyPaint::None && !dragActive_ &&
            StartPaint(focusColumn_, focusRow_))
            keyPaint_ = KeyPaint::Space;
        return true;
    }
    int c = focusColumn_, r = focusRow_;
    switch (key) {
    case Key::Left:
        --c;
        break;
    case Key::Right:
        ++c;
        break;
    case Key::Up:
        --r;
        break;
    case Key::Down:
        ++r;
        break;
    case Key::Home:
        c = 0;
        break;
    case Key::End:
        c = kGridColumns - 1;
        break;
    case Key::PageUp:
        r = 0;
        break;
    case Key::PageDown:
        r = kGridRows - 1;
        break;
    default:
        return false;
    }
    c = std::clamp(c, 0, kGridColumns - 1);
    r = std::clamp(r, 0, kGridRows - 1);
    // Shift paints from the focus cell, as a drag pressed there, once there is a way to go.
    if (shift.shift && (c != focusColumn_ || r != focusRow_) && keyPaint_ == KeyPaint::None &&
        !dragActive_ && StartPaint(focusColumn_, focusRow_))
        keyPaint_ = KeyPaint::Shift;
    if (keyPaint_ == KeyPaint::None) {
        MoveFocusCell(c, r);
        return true;
    }
    // A painting goes one cell at a time, so that it passes every cell on the way.
    while (c != focusColumn_ || r != focusRow_) {
        MoveFocusCell(focusColumn_ + (c > focusColumn_) - (c < focusColumn_),
                      focusRow_ + (r > focusRow_) - (r < focusRow_));
        PaintTo(focusColumn_, focusRow_);
    }
    return true;
}

void InputFormModel::GridKeyUp(Key key) {
    const bool ends = (key == Key::Space && keyPaint_ == KeyPaint::Space) ||
                      (key == Key::Shift && keyPaint_ == KeyPaint::Shift);
    if (!ends)
        return;
    keyPaint_ = KeyPaint::None;
    EndPaint();
}

controls::accessible::Item InputFormModel::GridCell(int column, int row) const {
    namespace acc = controls::accessible;
    acc::Item item;
    if (column < 0 || column >= kGridColumns || row < 0 || row >= kGridRows)
        return item;
    item.name = dayNames_[static_cast<std::size_t>((column + 6) % 7)] + L" " +
                Control(ids::HourLabel0 + row).text;
    item.role = acc::RoleCell;
    item.state = acc::StateFocusable | acc::StateSelectable;
    if (grid_.drawn &&
        grid_.allowed[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)])
        item.state |= acc::StateChecked;
    if (column == focusColumn_ && row == focusRow_)
        item.state |= acc::StateSelected | (gridFocused_ ? acc::StateFocused : 0);
    if (!g_.CurrentUserIsAdmin)
        item.state |= acc::StateReadOnly;
    item.bounds = TwipsRect{column * cellWidth_, row * cellHeight_, cellWidth_, cellHeight_};
    return item;
}

// --- The divider ---

void InputFormModel::DividerMouseDown(int /*x*/, int y) {
    dragActive_ = true;
    dividerGrab_ = y;
}

void InputFormModel::DividerMouseMove(int x, int y) {
    if (!dragActive_ || x < 0 || x > divider_.width)
        return;
    const int newTop = divider_.top + y - dividerGrab_;
    if (newTop < kDividerMinTop || newTop > kDividerMaxTop)
        return;
    PlaceDivider(newTop);
}

void InputFormModel::DividerKey(bool up) {
    // A step of a list row, stopping at the limits a drag stops at.
    PlaceDivider(std::clamp(divider_.top + (up ? -kDividerKeyStep : kDividerKeyStep),
                            kDividerMinTop, kDividerMaxTop));
}

void InputFormModel::PlaceDivider(int top) {
    divider_.top = top;
    ControlState& heading3 = Ctl(ids::Heading3);
    ControlState& list1 = Ctl(ids::CustomList1);
    ControlState& list2 = Ctl(ids::CustomList2);
    const TwipsRect& outline = shapes_[ListViewsOutline].design.bounds;
    heading3.bounds.top = divider_.top + divider_.height;
    list1.bounds.height = divider_.top - list1.bounds.top;
    list2.bounds.top = heading3.bounds.top + heading3.bounds.height;
    // One pixel of the design above the outline's bottom edge, which stays visible under
    // the list at any density.
    list2.bounds.height = outline.bottom() - list2.bounds.top - controls::kDesignPixel;
}

void InputFormModel::DividerMouseUp() {
    dragActive_ = false;
}

// --- Showing an account ---

void InputFormModel::ShowUndoFor(const userInfo* record) {
    Ctl(ids::UndoButton).visible = record != nullptr && record->DataHasChanged();
}

void InputFormModel::ShowInLists(std::int32_t position) {
    const userInfo* r = Record(position);
    if (r == nullptr)
        return;
    // Rows are found by their tag, never by their number: the two lists have the same
    // order, but the second has a row more, and either may have been sorted since.
    for (UserList* list : {&list1_, &list2_}) {
        const std::int32_t row = list->IndexOfTag(position);
        if (row < 0)
            continue;
        // The first list's selected row keeps its selected look; the second list only
        // flashes its selection, so its rows always take the normal look.
        const std::int32_t at = list == &list1_ && row == list->SelectedItem() ? -1 : row;
        list->SetNewUserName(r->UserName(), at);
        list->SetNewUserType(r->UserType(), at);
        list->SetHasTimeRestrictions(r->HasTimeRestrictions(), at);
        list->SetAccountLocked(r->AccountDisabled(), at);
    }
}

void InputFormModel::ShowTypePictures(const userInfo& record) {
    for (int t = 0; t < 4; ++t)
        Ctl(ids::UserImage0 + t).visible = Expanded() && record.UserType() == t;
}

void InputFormModel::ApplyWelcomeScreenRule(const userInfo& record) {
    const bool offered = welcomeScreenInUse_ && record.IsAdministratorAccount();
    Ctl(ids::ShowAdmin).visible = offered && Expanded();
    Ctl(ids::DetailSettingEntry0).bounds.width = offered ? kFullNameNarrow : kFullNameWide;
}

std::wstring InputFormModel::GeneralDate(const DateTime& time) {
    const platform::SystemTime t = ToSystemTime(time);
    return locale_.AbbreviatedDayName(Weekday(time)) + L" " + locale_.ShortDate(t) + L" " +
           locale_.LongTime(t);
}

void InputFormModel::ShowAccount(std::int32_t position) {
    if (position == 0)
        return;
    const userInfo* shown = Record(position);
    if (shown == nullptr)
        return;
    DrawGrid(*shown);
    if (position == currentAccount_) {
        const userInfo& r = *shown;
        title_ = version_.fileDescription + L" - " + r.UserName();
        Ctl(ids::Heading2).text = L"Allowable logon times for " + r.UserName() + L"...";
        Ctl(ids::AllowedHoursGraphic).text = Ctl(ids::Heading2).text;
        Ctl(ids::Heading4).text = L"Account details for " + r.UserName() + L"...";
        Ctl(ids::DetailSettingEntry0).text = r.FullName();
        Ctl(ids::DetailSettingEntry0 + 1).text = g_.Store.GroupDisplayName(r.UserType());
        Ctl(ids::DetailSettingEntry0 + 2).text =
            r.LastLogon().IsZero() ? std::wstring(kNoInformation) : GeneralDate(r.LastLogon());
        Ctl(ids::DetailSettingEntry0 + 3).text = r.Comment();
        Ctl(ids::DetailSettingEntry0 + 4).text = r.UserComment();
        Ctl(ids::DetailSettingEntry0 + 5).text = r.UserName();
        Ctl(ids::DetailSettingEntry0 + 6).text = r.Password();
        Ctl(ids::DetailSettingEntry0 + 7).text = GeneralDate(g_.BootTime);
        ShowTypePictures(r);
        ControlState& disabled = Ctl(ids::AccountDisabled);
        disabled.checked = r.AccountDisabled();
        // The logged-on user cannot lock their own account.
        disabled.enabled = !r.CurrentUser();
        Ctl(ids::LockImage).visible = Expanded() && r.AccountDisabled();
        Ctl(ids::PasswordLocked).checked = r.PasswordCantChange();
        Ctl(ids::PasswordNotNeeded).checked = r.PasswordNotNeeded();
        ApplyWelcomeScreenRule(r);
    }
    ShowUndoFor(Current());
}

// --- Expanding and collapsing ---

void InputFormModel::SetTopOfBottomRow() {
    const int top = clientHeight_ - kBottomRowOffset;
    Ctl(ids::CloseButton).bounds.top = top;
    Ctl(ids::MoreButton).bounds.top = top;
    Ctl(ids::SettingsButton).bounds.top = top;
    Ctl(ids::AppLabel0).bounds.top = top - 60;
    Ctl(ids::AppLabel0 + 1).bounds.top = top - 60 + 240;
}

void InputFormModel::ApplyPanelVisibility() {
    const bool e = Expanded();
    for (int i = 0; i < 8; ++i) {
        Ctl(ids::DetailSettingLabel0 + i).visible = e;
        Ctl(ids::DetailSettingEntry0 + i).visible = e;
    }
    const userInfo* r = Current();
    for (int t = 0; t < 4; ++t)
        Ctl(ids::UserImage0 + t).visible = e && r != nullptr && r->UserType() == t;
    Ctl(ids::LockImage).visible = e && r != nullptr && r->AccountDisabled();
    shapes_[DetailBox].visible = e;
    shapes_[Separator1].visible = e;
    Ctl(ids::Heading4).visible = e;
    Ctl(ids::AccountDisabled).visible = e;
    Ctl(ids::PasswordLocked).visible = e;
    Ctl(ids::PasswordNotNeeded).visible = e;
    shapes_[Background].design.bounds.height = shapes_[Separator0].design.bounds.top;
    const bool offered = r != nullptr && welcomeScreenInUse_ && r->IsAdministratorAccount();
    Ctl(ids::ShowAdmin).visible = offered && e;
    Ctl(ids::DetailSettingEntry0).bounds.width = offered ? kFullNameNarrow : kFullNameWide;
    Ctl(ids::SettingsButton).visible = g_.CurrentUserIsAdmin;
    SetTopOfBottomRow();
}

void InputFormModel::MoreButtonClick() {
    if (!g_.CurrentUserIsAdmin)
        return;
    if (clientHeight_ == kCollapsedHeight) {
        clientHeight_ = kExpandedHeight;
        Ctl(ids::MoreButton).text = L"<< Less";
        shapes_[Separator0].design.bounds.top = kSeparatorExpandedY;
    } else {
        clientHeight_ = kCollapsedHeight;
        Ctl(ids::MoreButton).text = L"More >>";
        shapes_[Separator0].design.bounds.top = kSeparatorCollapsedY;
    }
    ApplyPanelVisibility();
}

} // namespace qb::mainwindow

namespace qb::mainwindow {

void InputFormModel::ShowAdminClick(bool checked) {
    Ctl(ids::ShowAdmin).checked = checked;
}

// --- Undo and closing ---

void InputFormModel::UndoButtonClick() {
    userInfo* r = Current();
    if (r == nullptr)
        return;
    r->ResetToOriginal();
    ShowInLists(currentAccount_);
    ShowAccount(currentAccount_);
}

int InputFormModel::Ask(const std::wstring& text, std::uint32_t buttons) {
    return g_.ports.user.ShowMessageBox(owner_, text, kAppTitle, buttons);
}

void InputFormModel::Redisplay(std::int32_t position) {
    ShowInLists(position);
    if (position == currentAccount_)
        ShowAccount(currentAccount_);
}

bool InputFormModel::LockoutCheck() {
    int administrators = 0;
    const userInfo* builtin = nullptr;
    for (int i = 1; i <= g_.Accounts.Count(); ++i) {
        const userInfo& r = g_.Accounts.Item(i);
        if (r.UserGroups() & kAdministratorsBit)
            ++administrators;
        if (r.IsAdministratorAccount())
            builtin = &r;
    }
    // Without a record of the built-in administrator there is nothing to examine.
    if (administrators >= 2 || builtin == nullptr)
        return true;
    std::uint8_t any = 0;
    for (int b = 0; b < kLogonHourBytes; ++b)
        any |= builtin->LogonHour(b);
    if (any != 0)
        return true;
    Ask(L"You can't block all hours for " + builtin->UserName(),
        platform::mb::Ok | platform::mb::IconExclamation);
    return false;
}

void InputFormModel::AskAboutOwnRestrictions() {
    const std::int32_t own = g_.CurrentUserIndex;
    userInfo* r = Record(own);
    if (r == nullptr)
        return;
    if (r->HasTimeRestrictions() &&
        Ask(L"Are you sure you want to restrict your own logon times?",
            platform::mb::YesNo | platform::mb::IconQuestion) == platform::id::No) {
        r->ResetToOriginalHours();
        Redisplay(own);
    }
    const bool fromAdministrators = (r->UserGroups(true) & kAdministratorsBit) != 0 &&
                                    (r->UserGroups() & kAdministratorsBit) == 0;
    const bool fromPowerUsers =
        (r->UserGroups(true) & kPowerUsersBit) != 0 && (r->UserGroups() & kPowerUsersBit) == 0;
    if (!fromAdministrators && !fromPowerUsers)
        return;
    std::wstring groups;
    if (fromAdministrators)
        groups = g_.Store.GetBuiltinGroupName(AdministratorsGroup);
    if (fromAdministrators && fromPowerUsers)
        groups += L" and ";
    if (fromPowerUsers)
        groups += g_.Store.GetBuiltinGroupName(PowerUsersGroup);
    const std::wstring plural = fromAdministrators && fromPowerUsers ? L"s" : L"";
    if (Ask(L"Are you sure you want to remove yourself from the " + groups + L" group" + plural +
                L"?",
            platform::mb::YesNo | platform::mb::IconQuestion) == platform::id::No) {
        // The user type came from these groups: it goes back with them, or the record would
        // still count as changed and a Yes later would demote the user after all.
        r->SetUserGroups(r->UserGroups(true));
        r->SetUserType(r->UserType(true));
        Redisplay(own);
    }
}

bool InputFormModel::CloseProcedure() {
    if (!g_.CurrentUserIsAdmin)
        return true; // nothing to ask, write or tell
    if (!LockoutCheck())
        return false;
    AskAboutOwnRestrictions();

    services::SendCommand(g_.ports, services::kServiceWindowTitle, L"/suspend");
    if (ProcessPendingMessages)
        ProcessPendingMessages();

    const bool showAdmin = Ctl(ids::ShowAdmin).checked;
    const bool welcomeChanged = welcomeScreenInUse_ && (showAdmin ? 1 : 0) != showAdminValue_;
    bool closeAfterwards = true;
    bool saved = false;
    userInfo* writeLast = nullptr;
    for (int i = 1; i <= g_.Accounts.Count(); ++i) {
        userInfo& r = g_.Accounts.Item(i);
        const bool welcome = welcomeChanged && r.IsAdministratorAccount();
        if (!r.DataHasChanged() && !welcome)
            continue;
        const int answer = Ask(L"The settings for " + r.UserName(true) +
                                   L" have been changed.\r\nDo you want to save the new settings?",
                               platform::mb::YesNoCancel | platform::mb::IconQuestion);
        if (answer == platform::id::Cancel) {
            closeAfterwards = false;
            break;
        }
        if (answer != platform::id::Yes) {
            r.ResetToOriginal();
            Redisplay(i);
            continue;
        }
        // The logged-on user's own account goes last: writing it may take away the
        // rights that the other writes need.
        if (r.CurrentUser()) {
            writeLast = &r;
            g_.CurrentUserIndex = i;
        } else if (r.DataHasChanged()) {
            g_.Store.SaveAccount(r, g_.CurrentViewer());
            Redisplay(i);
        }
        if (welcome)
            services::WriteRegistryValue(g_.ports, platform::HkeyLocalMachine, kUserListKey,
                                         kShowAdminValueName, std::int32_t{showAdmin ? 1 : 0},
                                         false);
        saved = true;
    }
    if (writeLast != nullptr) {
        g_.Store.SaveAccount(*writeLast, g_.CurrentViewer());
        Redisplay(g_.CurrentUserIndex);
    }
    if (saved)
        services::SendCommand(g_.ports, services::kServiceWindowTitle, L"/update");
    services::SendCommand(g_.ports, services::kServiceWindowTitle, L"/resume");
    return closeAfterwards;
}

} // namespace qb::mainwindow

namespace qb::mainwindow {

namespace {

// The detail text boxes by index.
constexpr int kFullNameEntry = 0;
constexpr int kMemberOfEntry = 1;
constexpr int kLastLogonEntry = 2;
constexpr int kCommentEntry = 3;
constexpr int kUserCommentEntry = 4;
constexpr int kUserNameEntry = 5;
constexpr int kPasswordEntry = 6;
constexpr int kStartUpEntry = 7;

constexpr wchar_t kEndsWithFullStop[] = L"The username cannot end with a '.' character";
constexpr wchar_t kForbiddenCharacter[] =
    L"The username cannot contain any of the characters /\\[]<>:;,+=?";
constexpr wchar_t kForbiddenCharacters[] = L"/\\[]<>:;,+=?";

} // namespace

std::wstring UserNameRefusal(const std::wstring& name) {
    if (!name.empty() && name.back() == L'.')
        return kEndsWithFullStop;
    if (name.find_first_of(kForbiddenCharacters) != std::wstring::npos)
        return kForbiddenCharacter;
    return {};
}

bool InputFormModel::DetailSettingEntryValidate(int index, const std::wstring& text) {
    userInfo* r = Current();
    if (r == nullptr || index < 0 || index > kStartUpEntry || index == kMemberOfEntry ||
        index == kLastLogonEntry || index == kStartUpEntry)
        return true; // shown only: nothing to take
    // The box shows what was typed, taken or not.
    Ctl(ids::DetailSettingEntry0 + index).text = text;
    bool accepted = true;
    switch (index) {
    case kFullNameEntry:
        r->SetFullName(text);
        break;
    case kCommentEntry:
        r->SetComment(text);
        break;
    case kUserCommentEntry:
        r->SetUserComment(text);
        break;
    case kUserNameEntry:
        if (const std::wstring refusal = UserNameRefusal(text); !refusal.empty()) {
            g_.ports.user.ShowMessageBox(owner_, refusal, kAppTitle,
                                         platform::mb::Ok | platform::mb::IconInformation);
            accepted = false;
        } else {
            r->SetUserName(text);
            ShowInLists(currentAccount_);
        }
        break;
    case kPasswordEntry:
        // An empty box keeps a new password typed before: clearing it is no way to
        // take back a password, Undo is.
        if (!text.empty())
            r->SetPassword(text);
        break;
    default:
        break;
    }
    ShowUndoFor(r);
    return accepted;
}

void InputFormModel::AccountDisabledClick(bool checked) {
    userInfo* r = Current();
    ControlState& box = Ctl(ids::AccountDisabled);
    // The logged-on user's own account cannot be locked, not even by its padlock.
    if (r == nullptr || !box.enabled)
        return;
    box.checked = checked;
    r->SetAccountDisabled(checked);
    ShowUndoFor(r);
    Ctl(ids::LockImage).visible = Expanded() && r->AccountDisabled();
    ShowInLists(currentAccount_);
}

void InputFormModel::PasswordLockedClick(bool checked) {
    userInfo* r = Current();
    if (r == nullptr)
        return;
    Ctl(ids::PasswordLocked).checked = checked;
    r->SetPasswordCantChange(checked);
    ShowUndoFor(r);
}

void InputFormModel::PasswordNotNeededClick(bool checked) {
    userInfo* r = Current();
    if (r == nullptr)
        return;
    Ctl(ids::PasswordNotNeeded).checked = checked;
    r->SetPasswordNotNeeded(checked);
    ShowUndoFor(r);
}

void InputFormModel::LockImageClick() {
    AccountDisabledClick(!Ctl(ids::AccountDisabled).checked);
}

int InputFormModel::CountAdministrators() const {
    int count = 0;
    for (int i = 1; i <= g_.Accounts.Count() && count <= 1; ++i)
        if ((g_.Accounts.Item(i).UserGroups() & kAdministratorsBit) != 0)
            ++count;
    return count;
}

void InputFormModel::UserImageClick() {
    userInfo* r = Current();
    if (r == nullptr)
        return;
    // The built-in administrator, and the last member of Administrators, stay in it: the
    // machine must keep an administrator.
    const int administrators = r->IsAdministratorAccount() ? 1 : CountAdministrators();
    UserTypesModel dialog(g_.Store);
    dialog.SetUser(*r);
    dialog.SetMustBeAdmin(administrators < 2 && (r->UserGroups() & kAdministratorsBit) != 0);
    if (ShowUserTypesForm)
        ShowUserTypesForm(dialog);
    // Cancelled on a record that belongs to none of the groups: nothing to derive.
    if (r->UserGroups() == 0)
        return;
    r->SetUserType(UserTypeFromGroups(r->UserGroups()));
    Ctl(ids::DetailSettingEntry0 + kMemberOfEntry).text = g_.Store.GroupDisplayName(r->UserType());
    ShowTypePictures(*r);
    ShowInLists(currentAccount_);
    ShowUndoFor(r);
}

} // namespace qb::mainwindow
