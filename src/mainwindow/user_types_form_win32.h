#pragma once
// UserTypesForm, the group membership dialog (Windows only): a modal window of our own
// class, owned by the main window, with the four group check boxes, OK and Cancel. It
// shows what UserTypesModel says and hands it every click. Enter is OK, Esc and the
// frame's close box are Cancel. The Administrators box, when it must stay ticked, shows
// ticked and unavailable: it reads as ticked and cannot be cleared.

#include "controls/window_base_win32.h"
#include "mainwindow/system_font.h"
#include "mainwindow/user_types_model.h"

#include <windows.h>

#include <array>
#include <utility>
#include <vector>

namespace qb::mainwindow {

class UserTypesForm final : public controls::WindowBase {
public:
    static constexpr const wchar_t* ClassName = L"QuillBayUserTypesForm";
    // The check box of group `index` has identifier Check1Id + index; OK and Cancel have
    // the system's IDOK and IDCANCEL.
    static constexpr int Check1Id = 100;

    // Shows the dialog for `model` over `owner` and returns once it has closed: the owner
    // is disabled meanwhile and active again afterwards. A dialog that cannot be made
    // counts as cancelled.
    static void ShowModal(HWND owner, UserTypesModel& model, const SystemFontInfo& font);

private:
    UserTypesForm(UserTypesModel& model, const controls::Density& density);
    bool CreateControls(const SystemFontInfo& font);
    // Brings the check boxes up to the model's values.
    void Sync();
    RECT ToPixels(const TwipsRect& r) const;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& client) override;

    UserTypesModel& model_;
    controls::Density density_;
    std::array<HWND, kBuiltinGroupCount> boxes_{};
    std::vector<std::pair<int, TwipsRect>> placed_; // every control, by identifier
    controls::FontSpec fontSpec_;
    controls::gdi::Font font_;
};

} // namespace qb::mainwindow
