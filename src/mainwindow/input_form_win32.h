#pragma once
// The main window (Windows only). It creates one child window per control of the design
// (labels, text boxes, buttons, check boxes and pictures as the system's own controls; the
// caption strips, the user lists and the hours grid as ours), hands every user action to
// InputFormModel and then shows what the model's state says. It paints the shapes of the
// design and the divider itself.

#include "controls/customlist/custom_list_win32.h"
#include "controls/heading/heading_win32.h"
#include "controls/window_base_win32.h"
#include "mainwindow/hours_grid_win32.h"
#include "mainwindow/input_form_model.h"
#include "services/hook_window_win32.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace qb::mainwindow {

class InputForm final : public controls::WindowBase, private services::WindowProcOwner {
public:
    static constexpr const wchar_t* ClassName = L"QuillBayInputForm";

    // Creates the window and runs its load sequence; the window is not shown yet. Null
    // when the window cannot be made.
    static std::unique_ptr<InputForm> Create(Globals& g, platform::LocaleApi& locale,
                                             AppVersion version);
    InputForm(const InputForm&) = delete;
    InputForm& operator=(const InputForm&) = delete;
    ~InputForm() override;

    // Shows the window the way the program starts it.
    void Show(int showCommand);

    // Called once, when the window is being destroyed (its unload).
    std::function<void()> Unloaded;

    InputFormModel& Model() { return *model_; }
    const InputFormModel& Model() const { return *model_; }
    // The child window of a control, by its identifier (null for none, and for a label the
    // window draws itself).
    HWND ControlWindow(int id) const;
    // Where a control shows, in the window's client pixels: its window's place, or where the
    // window draws it; empty while it does not show.
    RECT ControlRect(int id) const;
    // The font a control's text shows in (null for none of its own).
    HFONT ControlFont(int id) const;
    controls::CustomList* List(int id) const;

private:
    class ListAdapter;
    class WindowTimer;

    InputForm(Globals& g, platform::LocaleApi& locale, AppVersion version);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& client) override;
    void DrawLabel(HDC dc, const ControlSpec& design, const ControlState& state);
    bool CreateControls();
    // Makes one control as designed; false when the window system refuses it.
    bool MakeControl(const ControlSpec& design);
    // Makes a control that was left hidden at start, now that the window shows it as
    // `state` says; null when it cannot be made.
    HWND MakeDeferredControl(int id, const ControlState& state);
    static bool Deferrable(const ControlSpec& design);
    static ControlState AsDesigned(const ControlSpec& design);
    void Load();
    void ApplyFonts();
    void ApplyFont(const ControlSpec& design);
    // Brings every child window, the title, the size and the painted shapes up to the
    // model's state.
    void Sync();
    void OnCommand(int id, int code);
    // A click on a button, check box or picture of the window, once the edits are in.
    void OnClick(int id);
    // The text boxes, the lists and the grid, hooked: a box tells when it takes or loses
    // the focus, a list or the grid when it is pressed, the "Member of" box when clicked.
    LRESULT WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    bool Hook(int id);
    void PlaceAsDesigned(HWND w, int id);
    // Puts what was typed into the records: the boxes that lost the focus since, and with
    // `focusedToo` the box that holds it. False when a user name was refused: the box
    // has the focus again, and the action that asked is not to go on.
    bool CommitEdits(bool focusedToo);
    bool CommitEntry(int index);
    // `w` is this window or one of its children.
    bool IsOwnWindow(HWND w) const;
    // Runs the closing procedure; closes when it says so, or `always`.
    void Close(bool always);
    LRESULT OnColour(HDC dc, HWND control);
    RECT ToPixels(const TwipsRect& r) const;
    bool OnDivider(int x, int y) const;
    void SetClientHeight(int twips);
    // The window's size for a client area of the design's width and that height.
    SIZE OuterSize(int clientHeight) const;
    // The pictures of the lists, the strips, the divider and the details for the density.
    void MakePictures();
    // The program's icon on the title bar and in the task switcher, for the density.
    void SetWindowIcons();
    // The icon of a picture of the details: a user type's, or the padlock.
    controls::gdi::Icon DrawDetailPicture(int id) const;
    // Shown at another density: pictures, fonts and every control's place made anew for
    // it, the window at the place the system suggests.
    void OnDpiChanged(const controls::Density& density, const RECT* suggested);

    Globals& g_;
    platform::LocaleApi& locale_;
    AppVersion version_;
    controls::Density density_;

    std::unique_ptr<ListAdapter> list1Adapter_;
    std::unique_ptr<ListAdapter> list2Adapter_;
    std::unique_ptr<WindowTimer> timer_;
    std::unique_ptr<InputFormModel> model_;

    std::map<int, HWND> windows_; // the system's controls, by identifier
    std::map<int, std::unique_ptr<controls::Heading>> headings_;
    std::map<int, std::unique_ptr<controls::CustomList>> lists_;
    std::unique_ptr<HoursGrid> grid_;
    std::shared_ptr<const controls::ListPictures> listPictures_;
    controls::HeadingBandBitmap band_;

    controls::gdi::Font font_;       // the system font, as designed weight regular
    controls::gdi::Font boldFont_;   // and bold
    controls::gdi::Font designFont_; // the check boxes keep the designed font
    controls::gdi::Brush white_;
    controls::gdi::Bitmap divider_;
    std::array<controls::gdi::Icon, 4> typeIcons_;
    controls::gdi::Icon lockIcon_;
    controls::gdi::Icon bigIcon_;
    controls::gdi::Icon smallIcon_;

    // What the windows show now, to touch them only where the model changed.
    std::map<int, ControlState> applied_;
    std::wstring appliedTitle_;
    int appliedClientHeight_ = 0;
    std::vector<ShapeState> appliedShapes_;
    TwipsRect appliedDivider_;
    bool dividerDrag_ = false;
    bool unloaded_ = false;
    bool fontsApplied_ = false;
    bool closing_ = false;
    // A close of the frame or the system that came while the group dialog or the closing
    // procedure was running: it is carried out once they are done, never dropped.
    bool closeDeferred_ = false;
    void CarryOutDeferredClose();

    // Editing. The box that holds the focus (-1 for none), also while the window is
    // inactive; the boxes that lost it to another control, their commit posted; a commit
    // under way (its message box is up); the group dialog open.
    std::map<int, services::HookSlot> hooks_; // by control identifier
    controls::FramelessControls frameless_;
    int focusedEntry_ = -1;
    std::vector<int> leftEntries_;
    bool committing_ = false;
    bool groupsOpen_ = false;
    // The child that had the focus when the window was last deactivated.
    HWND lastFocus_ = nullptr;
};

} // namespace qb::mainwindow
