#pragma once
// The settings dialog (Windows only): a window of the program's own class, owned by the
// main window and shown modally. It creates the system's controls from the design, hands
// the user's actions to InfoFormModel and shows what the model says; it paints the frames
// behind the controls and the size grip itself.

#include "controls/heading/heading_win32.h"
#include "controls/window_base_win32.h"
#include "mainwindow/system_font.h"
#include "settings/info_form_layout.h"
#include "settings/info_form_model.h"

#include <windows.h>

#include <map>
#include <memory>

namespace qb::settings {

class InfoForm final : public controls::WindowBase {
public:
    static constexpr const wchar_t* ClassName = L"QuillBayInfoForm";

    // Opens the dialog over `owner` and returns once it has closed. Meanwhile the owner is
    // disabled; afterwards it is enabled and active again. True when the dialog was closed
    // with Close (its settings applied), false when by its frame or Escape (nothing
    // changed) or when it could not be opened (which is reported).
    static bool ShowModal(HWND owner, Globals& g, const mainwindow::SystemFontInfo& font);

    InfoForm(const InfoForm&) = delete;
    InfoForm& operator=(const InfoForm&) = delete;
    ~InfoForm() override;

    // The child window of a control, by its identifier (null for none).
    HWND ControlWindow(int id) const;

private:
    enum class Outcome { Open, Applied, Dismissed };

    InfoForm(Globals& g, mainwindow::SystemFontInfo font, const controls::Density& density);
    bool Make(HWND owner);
    bool CreateControls();
    void ApplyFonts();
    // Brings the text box, option buttons and check box up to the model.
    void Sync();
    // Puts the Close button and the size grip where the client area's size says.
    void PlaceForSize(int width, int height);
    void OnCommand(int id, int code, HWND control);
    void ValidateLeavingText1();
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& client) override;
    RECT ToPixels(const TwipsRect& r) const;
    // The size grip's picture at the dialog's density.
    void MakeGrip();
    // On a screen of another density: fonts, pictures and every control again, the
    // window at the place the system suggests.
    void OnDpiChanged(const controls::Density& density, LPARAM suggested);

    InfoFormModel model_;
    mainwindow::SystemFontInfo font_;
    controls::Density density_;
    Outcome outcome_ = Outcome::Open;

    std::map<int, HWND> windows_; // the system's controls, by identifier
    std::unique_ptr<controls::Heading> heading_;
    controls::gdi::Font systemFont_; // the labels, the text box and the button
    controls::gdi::Font designFont_; // the option buttons and the check box keep theirs
    controls::gdi::Brush frameFill_;
    controls::gdi::Brush frameBorder_;
    controls::gdi::Icon grip_;
    ResizePlacement placement_;
    HWND lastFocus_ = nullptr; // the control that had the focus when the dialog went inactive
};

} // namespace qb::settings
