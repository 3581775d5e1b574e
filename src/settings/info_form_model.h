#pragma once
// The settings dialog, InfoForm, as a portable model: what it shows when it opens, how the
// warning period is read from its text box and checked, and what closing it with its Close
// button writes, starts and sends. The Win32 window hands it the user's actions and shows
// its state; closing the window by its frame never reaches it and so changes nothing.

#include "platform/kernel32.h"
#include "platform/user32.h"
#include "startup/globals.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace qb::settings {

// The autostart of the tray program: a text value under the Run key of the machine.
inline constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kRunValueName[] = L"Quillbay";
inline constexpr wchar_t kCompanionProgram[] = L"quillsvc.exe";

inline constexpr wchar_t kTooShortMessage[] = L"Time must be at least 5 minutes";
inline constexpr wchar_t kTooLongMessage[] = L"Time must be less than 60 minutes";

// The number at the start of a text box's text: blanks (spaces, tabs, line breaks) before
// it are skipped; an optional sign, digits with an optional decimal point, and an optional
// exponent are read up to the first character that cannot continue the number; a text
// that does not start with a number gives 0. The value is rounded to the nearest whole
// number, an exact half to the even neighbour (7.5 gives 8, 6.5 gives 6), and held to the
// 32-bit range.
std::int32_t NumberFromText(std::wstring_view text);

// Whether a warning period may be kept.
enum class PeriodCheck { InRange, TooShort, TooLong };
PeriodCheck CheckWarningPeriod(std::int32_t minutes);

// The Run value that starts `path`: Windows reads it as a command line, so a path with a
// blank is quoted ("C:\Program Files\...") lest a program at its first words ("C:\Program")
// be started instead; a path without one is written bare, as it always was.
std::wstring RunCommandFor(std::wstring_view path);
// Whether a Run value starts `path`: the path bare or in one pair of quotes, compared as
// Windows compares file names.
bool RunCommandStarts(std::wstring_view command, std::wstring_view path);

// Paths compared as Windows compares file names: without regard to the case of letters.
// Letters are folded in the Latin, Greek and Cyrillic alphabets, which cover every path the
// system's ANSI code pages can spell with case.
bool SamePathIgnoringCase(std::wstring_view a, std::wstring_view b);

class InfoFormModel {
public:
    explicit InfoFormModel(Globals& g);

    // The window's handle, as the owner of the message boxes the model shows.
    void SetOwner(platform::WindowHandle owner) { owner_ = owner; }

    // Opening: shows the shared settings and whether the tray program starts with Windows,
    // and remembers the settings as they were.
    void Load();

    // --- What the controls show, and the user's changes to them ---
    const std::wstring& Text1() const { return text1_; }
    void SetText1(std::wstring text) { text1_ = std::move(text); }
    // The selected option button: 0 "Logoff", 1 "Turn off computer".
    int Option1() const { return option1_; }
    void Option1Click(int index);
    bool Check1() const { return check1_; }
    void SetCheck1(bool checked) { check1_ = checked; }

    // The full path of the tray program, in the program's own folder.
    const std::wstring& CompanionPath() const { return companionPath_; }

    // The focus is leaving the text box: true when it may. A warning period out of range
    // is refused with a message, and the focus is to stay in the text box.
    bool Text1Validate();

    // Close: applies the dialog. False when the warning period is refused (the message was
    // shown; the focus belongs in the text box and the dialog stays open); else the shared
    // settings are taken from the controls, the tray program's autostart is set or removed
    // and it is started or told to close, and changed settings are stored and announced to
    // the service. Then the dialog is to close.
    bool CloseButtonClick();

private:
    Globals& g_;
    platform::WindowHandle owner_ = 0;
    std::wstring text1_;
    int option1_ = 1;
    bool check1_ = false;
    std::wstring companionPath_;
    std::int32_t openingMinutes_ = 0;
    bool openingTurnOff_ = false;
};

} // namespace qb::settings
