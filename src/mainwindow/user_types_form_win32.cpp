#include "mainwindow/user_types_form_win32.h"

#include "controls/keys_win32.h"
#include "mainwindow/form_layout.h"

#include <algorithm>

namespace qb::mainwindow {

namespace {

// A fixed-size dialog frame, as the system's own dialogs have.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The boxes in the order of the screen, top to bottom: also the order of the Tab key.
constexpr std::array<int, kBuiltinGroupCount> kScreenOrder = {GuestsGroup, UsersGroup,
                                                              PowerUsersGroup, AdministratorsGroup};

// Where a window of `size` goes: centred on `owner`, and inside the work area of the
// owner's screen.
POINT CentredOn(HWND owner, SIZE size) {
    RECT over{};
    GetWindowRect(owner, &over);
    POINT p{over.left + (over.right - over.left - size.cx) / 2,
            over.top + (over.bottom - over.top - size.cy) / 2};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &monitor)) {
        const RECT& work = monitor.rcWork;
        p.x = std::max(work.left, std::min(p.x, work.right - size.cx));
        p.y = std::max(work.top, std::min(p.y, work.bottom - size.cy));
    }
    return p;
}

} // namespace

UserTypesForm::UserTypesForm(UserTypesModel& model, const controls::Density& density)
    : model_(model), density_(density) {}

RECT UserTypesForm::ToPixels(const TwipsRect& r) const {
    return controls::gdi::ToRect(density_.Pixels(r));
}

void UserTypesForm::ShowModal(HWND owner, UserTypesModel& model, const SystemFontInfo& font) {
    // At first on its owner's screen, at that screen's density.
    UserTypesForm form(model, controls::gdi::WindowDensity(owner));
    const SIZE size = controls::gdi::OuterSize(form.density_.Pixels(UserTypesModel::ClientWidth),
                                               form.density_.Pixels(UserTypesModel::ClientHeight),
                                               kStyle, kExStyle, form.density_);
    const POINT at = CentredOn(owner, size);

    controls::WindowClass windowClass;
    windowClass.name = ClassName;
    windowClass.background = COLOR_BTNFACE;
    controls::WindowPlacement placement;
    placement.style = kStyle;
    placement.exStyle = kExStyle;
    placement.title = UserTypesModel::Caption;
    placement.x = at.x;
    placement.y = at.y;
    placement.width = size.cx;
    placement.height = size.cy;
    placement.parent = owner; // a popup's parent is its owner
    if (!form.MakeWindow(windowClass, placement) || !form.CreateControls(font)) {
        model.CancelButtonClick();
        return;
    }

    // Modal: the owner takes no input until the dialog has gone.
    const bool ownerWasDisabled = EnableWindow(owner, FALSE) != FALSE;
    ShowWindow(form.Window(), SW_SHOW);
    for (const int index : kScreenOrder) {
        const HWND box = form.boxes_[static_cast<std::size_t>(index)];
        if (IsWindowEnabled(box)) {
            SetFocus(box);
            break;
        }
    }
    MSG msg;
    while (!model.Closed() && form.Window() != nullptr) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: the main loop is to see the quit as well.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0)
            break;
        // Tab, Enter and Esc as in a dialog of the system.
        if (IsDialogMessageW(form.Window(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (!model.Closed())
        model.CancelButtonClick();
    // The owner is enabled before the dialog goes, so that the system activates it next
    // rather than some other program's window.
    if (!ownerWasDisabled)
        EnableWindow(owner, TRUE);
    if (form.Window() != nullptr)
        DestroyWindow(form.Window());
    SetActiveWindow(owner);
}

bool UserTypesForm::CreateControls(const SystemFontInfo& font) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    fontSpec_ = controls::FontSpec{font.FontName, font.FontSize,  false,
                                   font.Italic,   font.Underline, font.Strikethrough};
    font_ = controls::gdi::MakeFont(fontSpec_, false, density_);
    auto make = [&](int id, const TwipsRect& bounds, const std::wstring& text, DWORD style) {
        placed_.emplace_back(id, bounds);
        const RECT r = ToPixels(bounds);
        const HWND w =
            CreateWindowExW(0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                            r.left, r.top, r.right - r.left, r.bottom - r.top, Window(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (w != nullptr && font_)
            SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        return w;
    };
    for (const int index : kScreenOrder) {
        // Not an automatic box: a click asks the model what the box is to show.
        const HWND box = make(Check1Id + index, UserTypesModel::CheckBounds(index),
                              model_.BoxCaption(index), BS_CHECKBOX);
        if (box == nullptr)
            return false;
        boxes_[static_cast<std::size_t>(index)] = box;
    }
    // Cancel sits left of OK, as designed; the Tab key goes along the screen.
    if (make(IDCANCEL, UserTypesModel::CancelBounds, L"Cancel", BS_PUSHBUTTON) == nullptr ||
        make(IDOK, UserTypesModel::OkBounds, L"OK", BS_DEFPUSHBUTTON) == nullptr)
        return false;
    Sync();
    return true;
}

void UserTypesForm::Sync() {
    for (int index = 0; index < kBuiltinGroupCount; ++index) {
        const HWND box = boxes_[static_cast<std::size_t>(index)];
        const UserTypesModel::CheckValue value = model_.Value(index);
        SendMessageW(box, BM_SETCHECK, value == UserTypesModel::Clear ? BST_UNCHECKED : BST_CHECKED,
                     0);
        // Greyed: ticked, and out of the user's reach.
        EnableWindow(box, value != UserTypesModel::Greyed);
    }
}

LRESULT UserTypesForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND: {
        if (HIWORD(wParam) != BN_CLICKED)
            return 0;
        const int id = LOWORD(wParam);
        if (id == IDOK)
            model_.CloseButtonClick();
        else if (id == IDCANCEL)
            model_.CancelButtonClick();
        else if (id >= Check1Id && id < Check1Id + kBuiltinGroupCount)
            model_.Check1Click(id - Check1Id);
        Sync();
        // The modal loop looks at the model after each message: one more wakes it.
        if (model_.Closed())
            PostMessageW(Window(), WM_NULL, 0, 0);
        return 0;
    }
    case DM_GETDEFID:
        // Enter is OK, or Cancel while that has the focus.
        return controls::DefaultButton(Window(), IDOK);
    case WM_DPICHANGED: {
        // On a screen of another density: its font, and every control at its twips there.
        density_ = controls::gdi::DpiChangedDensity(wParam);
        if (controls::gdi::Font f = controls::gdi::MakeFont(fontSpec_, false, density_))
            font_ = std::move(f);
        for (const auto& [id, bounds] : placed_) {
            const HWND w = GetDlgItem(Window(), id);
            const RECT r = ToPixels(bounds);
            SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            if (font_)
                SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
        }
        controls::gdi::TakeSuggestedRect(Window(), lParam);
        Invalidate(nullptr, true);
        return 0;
    }
    case WM_CLOSE:
        // The frame's close box: Cancel. The window goes when the modal loop ends.
        model_.CancelButtonClick();
        PostMessageW(Window(), WM_NULL, 0, 0);
        return 0;
    default:
        return WindowBase::HandleMessage(message, wParam, lParam);
    }
}

void UserTypesForm::Paint(HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const controls::gdi::Brush brush(CreateSolidBrush(controls::gdi::ToColorRef(colour::Frame)));
    controls::gdi::FrameTwips(dc, density_, UserTypesModel::FrameBounds, brush.Get());
}

} // namespace qb::mainwindow
