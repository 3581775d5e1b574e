#pragma once
// The control identifiers of the main window, one per control, named after it; a control
// array takes consecutive identifiers from its first element (HourLabel0 + 5 is
// HourLabel(5)). Tests and accessibility tools find the controls by these numbers, so a
// published number never changes: new controls take new numbers.

namespace qb::mainwindow::ids {

// Caption strips.
constexpr int Heading1 = 1001; // "Select user..."
constexpr int Heading2 = 1002; // over the hours grid
constexpr int Heading3 = 1003; // "Copy logon times from..."
constexpr int Heading4 = 1004; // over the details panel

// The two user lists and the grid.
constexpr int CustomList1 = 1011;
constexpr int CustomList2 = 1012;
constexpr int AllowedHoursGraphic = 1021;

// Label arrays.
constexpr int DayLabel0 = 1100;           // DayLabel(0..7); 7 is "Time"
constexpr int HourLabel0 = 1200;          // HourLabel(0..23)
constexpr int TotalTime0 = 1300;          // TotalTime(0..6)
constexpr int AppLabel0 = 1400;           // AppLabel(0..1)
constexpr int WarningLabel0 = 1410;       // WarningLabel(0..1)
constexpr int DetailSettingLabel0 = 1500; // DetailSettingLabel(0..7)
constexpr int DetailSettingEntry0 = 1600; // DetailSettingEntry(0..7)

// Pictures of the details panel.
constexpr int UserImage0 = 1700; // UserImage(0..3), by user type
constexpr int LockImage = 1710;

// Buttons and check boxes.
constexpr int UndoButton = 1801;
constexpr int SettingsButton = 1802;
constexpr int MoreButton = 1803;
constexpr int CloseButton = 1804;
constexpr int ShowAdmin = 1811;
constexpr int AccountDisabled = 1812;
constexpr int PasswordLocked = 1813;
constexpr int PasswordNotNeeded = 1814;

} // namespace qb::mainwindow::ids
