#include "settings/info_form_win32.h"

#include "startup/startup.h"

#include <windowsx.h>

#include <algorithm>
#include <string>
#include <utility>

namespace qb::settings {

namespace {

// A resizable dialog frame without minimize and maximize boxes.
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
// The check of the text box, once the focus has settled where it was going.
constexpr UINT kValidateText1 = WM_APP + 1;
// The font the option buttons and the check box keep, as they were designed.
const controls::FontSpec kDesignedFont{L"MS Sans Serif", 8.25f, false, false, false, false};

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

// Where a window of this size goes over its owner: centred, and kept on the owner's screen.
POINT CentredOver(HWND owner, int width, int height) {
    RECT area{};
    HMONITOR monitor = MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (monitor != nullptr && GetMonitorInfoW(monitor, &info))
        area = info.rcWork;
    else
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    RECT over = area;
    if (owner != nullptr)
        GetWindowRect(owner, &over);
    POINT p{over.left + (over.right - over.left - width) / 2,
            over.top + (over.bottom - over.top - height) / 2};
    p.x = std::max<LONG>(area.left, std::min<LONG>(p.x, area.right - width));
    p.y = std::max<LONG>(area.top, std::min<LONG>(p.y, area.bottom - height));
    return p;
}

} // namespace

InfoForm::InfoForm(Globals& g, mainwindow::SystemFontInfo font, const controls::Density& density)
    : model_(g), font_(std::move(font)), density_(density) {}

InfoForm::~InfoForm() {
    // The children go with the window while this object can still answer their messages.
    if (Window() != nullptr)
        DestroyWindow(Window());
}

bool InfoForm::ShowModal(HWND owner, Globals& g, const mainwindow::SystemFontInfo& font) {
    // At first on its owner's screen, at that screen's density.
    std::unique_ptr<InfoForm> form(new InfoForm(g, font, controls::gdi::WindowDensity(owner)));
    if (!form->Make(owner)) {
        g.ports.user.ShowMessageBox(reinterpret_cast<platform::WindowHandle>(owner),
                                    L"The settings could not be opened.", kAppTitle,
                                    platform::mb::Ok | platform::mb::IconStop);
        return false;
    }

    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled)
        EnableWindow(owner, FALSE);
    ShowWindow(form->Window(), SW_SHOWNORMAL);
    UpdateWindow(form->Window());

    // The dialog's own message loop, until it closes or its owner goes with it. A quit
    // message ends the loop and is put back for the loop outside.
    MSG msg;
    while (form->outcome_ == Outcome::Open && form->Window() != nullptr) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1)
            break;
        // Tab, the arrow keys, Enter (Close) and Escape, as in a dialog.
        if (form->Window() != nullptr && IsDialogMessageW(form->Window(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    // The owner is enabled before the dialog goes, so that the activation returns to it
    // rather than to another program's window.
    const bool applied = form->outcome_ == Outcome::Applied;
    if (ownerWasEnabled && IsWindow(owner))
        EnableWindow(owner, TRUE);
    form.reset();
    if (owner != nullptr && IsWindow(owner))
        SetActiveWindow(owner);
    return applied;
}

HWND InfoForm::ControlWindow(int id) const {
    if (id == ids::Heading1)
        return heading_ ? heading_->Window() : nullptr;
    const auto found = windows_.find(id);
    return found == windows_.end() ? nullptr : found->second;
}

RECT InfoForm::ToPixels(const TwipsRect& r) const {
    return controls::gdi::ToRect(density_.Pixels(r));
}

bool InfoForm::Make(HWND owner) {
    const SIZE outer = controls::gdi::OuterSize(density_.Pixels(kInfoClientWidth),
                                                density_.Pixels(kInfoClientHeight), kWindowStyle,
                                                kWindowExStyle, density_);
    const int width = outer.cx;
    const int height = outer.cy;
    const POINT at = CentredOver(owner, width, height);

    controls::WindowClass windowClass;
    windowClass.name = ClassName;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.background = COLOR_BTNFACE;
    controls::WindowPlacement placement;
    placement.style = kWindowStyle;
    placement.exStyle = kWindowExStyle;
    placement.title = kInfoFormCaption;
    placement.x = at.x;
    placement.y = at.y;
    placement.width = width;
    placement.height = height;
    placement.parent = owner; // owned, not a child: a top-level window over the main window
    if (!MakeWindow(windowClass, placement) || !CreateControls())
        return false;

    model_.SetOwner(reinterpret_cast<platform::WindowHandle>(Window()));
    model_.Load();
    ApplyFonts();
    Sync();
    RECT client{};
    GetClientRect(Window(), &client);
    PlaceForSize(client.right, client.bottom);
    return true;
}

bool InfoForm::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    frameFill_.Reset(CreateSolidBrush(controls::gdi::ToColorRef(colour::FrameFill)));
    frameBorder_.Reset(CreateSolidBrush(controls::gdi::ToColorRef(colour::FrameBorder)));
    MakeGrip();

    for (const InfoControl& design : InfoFormControls()) {
        const RECT r = ToPixels(design.bounds);
        if (design.kind == InfoControlKind::Heading) {
            heading_ = controls::Heading::Create(Window(), design.id, r, nullptr,
                                                 controls::MakeHeadingBand(density_));
            if (!heading_)
                return false;
            heading_->SetText(design.text);
            continue;
        }
        const wchar_t* windowClass = L"BUTTON";
        DWORD style = WS_CHILD | WS_VISIBLE;
        DWORD exStyle = 0;
        switch (design.kind) {
        case InfoControlKind::Label:
            windowClass = L"STATIC";
            style |= SS_LEFT | SS_NOPREFIX;
            break;
        case InfoControlKind::Entry:
            windowClass = L"EDIT";
            style |= ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case InfoControlKind::Option:
            // The first option button opens the group the arrow keys move in.
            style |= BS_AUTORADIOBUTTON | (design.id == ids::Option1 ? WS_GROUP | WS_TABSTOP : 0);
            break;
        case InfoControlKind::Check:
            style |= BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP;
            break;
        case InfoControlKind::Button:
            style |= BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP;
            break;
        case InfoControlKind::Heading:
            break;
        }
        const HWND w = CreateWindowExW(exStyle, windowClass, design.text.c_str(), style, r.left,
                                       r.top, r.right - r.left, r.bottom - r.top, Window(),
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)),
                                       instance, nullptr);
        if (w == nullptr)
            return false;
        windows_[design.id] = w;
    }
    return true;
}

void InfoForm::ApplyFonts() {
    const controls::FontSpec system{font_.FontName, font_.FontSize,  false,
                                    font_.Italic,   font_.Underline, font_.Strikethrough};
    // A face that cannot be made leaves a control with the font it had.
    systemFont_ = controls::gdi::MakeFont(system, false, density_);
    designFont_ = controls::gdi::MakeFont(kDesignedFont, false, density_);
    for (const InfoControl& design : InfoFormControls()) {
        switch (design.kind) {
        case InfoControlKind::Heading:
            heading_->SetFont(font_.FontName, font_.FontSize, font_.Bold, font_.Italic,
                              font_.Underline, font_.Strikethrough);
            break;
        case InfoControlKind::Option:
        case InfoControlKind::Check:
            if (designFont_)
                SendMessageW(ControlWindow(design.id), WM_SETFONT,
                             reinterpret_cast<WPARAM>(designFont_.Get()), FALSE);
            break;
        default:
            if (systemFont_)
                SendMessageW(ControlWindow(design.id), WM_SETFONT,
                             reinterpret_cast<WPARAM>(systemFont_.Get()), FALSE);
            break;
        }
    }
}

void InfoForm::Sync() {
    const HWND text1 = ControlWindow(ids::Text1);
    if (WindowText(text1) != model_.Text1())
        SetWindowTextW(text1, model_.Text1().c_str());
    for (int index = 0; index < 2; ++index)
        SendMessageW(ControlWindow(ids::Option1 + index), BM_SETCHECK,
                     model_.Option1() == index ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(ControlWindow(ids::Check1), BM_SETCHECK,
                 model_.Check1() ? BST_CHECKED : BST_UNCHECKED, 0);
}

void InfoForm::MakeGrip() {
    const RECT grip = ToPixels(PlaceForClientSize(kInfoClientWidth, kInfoClientHeight).resizeImage);
    grip_ = controls::gdi::MakeIcon(
        SizeGripPicture(std::min(grip.right - grip.left, grip.bottom - grip.top)));
}

void InfoForm::OnDpiChanged(const controls::Density& density, LPARAM suggested) {
    density_ = density;
    MakeGrip();
    if (heading_)
        heading_->SetDensity(controls::MakeHeadingBand(density_));
    ApplyFonts();
    for (const InfoControl& design : InfoFormControls()) {
        const RECT r = ToPixels(design.bounds);
        SetWindowPos(ControlWindow(design.id), nullptr, r.left, r.top, r.right - r.left,
                     r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The new size places the Close button and the grip again.
    controls::gdi::TakeSuggestedRect(Window(), suggested);
    RECT client{};
    GetClientRect(Window(), &client);
    PlaceForSize(client.right, client.bottom);
}

void InfoForm::PlaceForSize(int width, int height) {
    placement_ = PlaceForClientSize(density_.Twips(width), density_.Twips(height));
    const RECT close = ToPixels(placement_.closeButton);
    if (const HWND button = ControlWindow(ids::CloseButton))
        SetWindowPos(button, nullptr, close.left, close.top, close.right - close.left,
                     close.bottom - close.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(Window(), nullptr, FALSE);
}

void InfoForm::ValidateLeavingText1() {
    if (outcome_ != Outcome::Open)
        return;
    // Only a move to another control of the dialog asks: switching to another program
    // leaves the text as it is until the user comes back and moves on.
    const HWND text1 = ControlWindow(ids::Text1);
    const HWND focus = GetFocus();
    if (focus == nullptr || focus == text1 || !IsChild(Window(), focus))
        return;
    if (!model_.Text1Validate())
        SetFocus(text1);
}

void InfoForm::OnCommand(int id, int code, HWND control) {
    switch (id) {
    case ids::Text1:
        if (code == EN_CHANGE) {
            model_.SetText1(WindowText(control));
        } else if (code == EN_SETFOCUS) {
            const int length = GetWindowTextLengthW(control);
            SendMessageW(control, EM_SETSEL, static_cast<WPARAM>(length), length);
        } else if (code == EN_KILLFOCUS) {
            // The focus is still on its way; the check runs once it has arrived.
            PostMessageW(Window(), kValidateText1, 0, 0);
        }
        break;
    case ids::Option1:
    case ids::Option1 + 1:
        if (code == BN_CLICKED)
            model_.Option1Click(id - ids::Option1);
        break;
    case ids::Check1:
        if (code == BN_CLICKED)
            model_.SetCheck1(SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
        break;
    case ids::CloseButton:
        if (code == BN_CLICKED) {
            if (model_.CloseButtonClick())
                outcome_ = Outcome::Applied;
            else
                SetFocus(ControlWindow(ids::Text1));
        }
        break;
    case IDCANCEL: // Escape: as the frame's close, nothing changes
        outcome_ = Outcome::Dismissed;
        break;
    default:
        break;
    }
}

LRESULT InfoForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case kValidateText1:
        ValidateLeavingText1();
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(ids::CloseButton, DC_HASDEFID);
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(systemFont_.Get());
    case WM_CTLCOLORSTATIC: {
        // Every label, option button and check box stands on a frame.
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, controls::gdi::ToColorRef(colour::FrameFill));
        return reinterpret_cast<LRESULT>(frameFill_.Get());
    }
    case WM_ACTIVATE:
        // As a dialog does: the focus goes back to the control that last had it, at first
        // to the text box.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus != nullptr && IsChild(Window(), focus))
                lastFocus_ = focus;
        } else {
            const HWND target = lastFocus_ != nullptr && IsWindow(lastFocus_)
                                    ? lastFocus_
                                    : ControlWindow(ids::Text1);
            if (target != nullptr)
                SetFocus(target);
        }
        return 0;
    case WM_SIZE:
        PlaceForSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_GETMINMAXINFO: {
        RECT window{}, client{};
        GetWindowRect(Window(), &window);
        GetClientRect(Window(), &client);
        const TrackingLimits limits =
            TrackingSize((window.right - window.left) - client.right,
                         (window.bottom - window.top) - client.bottom, density_);
        auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
        info.ptMinTrackSize.x = limits.minWidth;
        info.ptMinTrackSize.y = limits.minHeight;
        info.ptMaxTrackSize.x = limits.maxWidth;
        return DefaultProc(message, wParam, lParam);
    }
    case WM_NCHITTEST: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(Window(), &p);
        if (IsOnSizeGrip(placement_.resizeImage, density_.PointTwips(p.x),
                         density_.PointTwips(p.y)))
            return HTBOTTOMRIGHT;
        return DefaultProc(message, wParam, lParam);
    }
    case WM_DPICHANGED:
        OnDpiChanged(controls::gdi::DpiChangedDensity(wParam), lParam);
        return 0;
    case WM_CLOSE:
        // The frame's close: the dialog goes, and nothing it shows is applied.
        outcome_ = Outcome::Dismissed;
        return 0;
    default:
        break;
    }
    return WindowBase::HandleMessage(message, wParam, lParam);
}

void InfoForm::Paint(HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    for (const TwipsRect& frame : InfoFrames()) {
        const RECT r = ToPixels(frame);
        FillRect(dc, &r, frameFill_.Get());
        controls::gdi::FrameTwips(dc, density_, frame, frameBorder_.Get());
    }
    if (grip_) {
        const RECT r = ToPixels(placement_.resizeImage);
        DrawIconEx(dc, r.left, r.top, grip_.Get(), r.right - r.left, r.bottom - r.top, 0, nullptr,
                   DI_NORMAL);
    }
}

} // namespace qb::settings
