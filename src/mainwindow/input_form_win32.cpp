#include "mainwindow/input_form_win32.h"

#include "controls/keys_win32.h"
#include "mainwindow/control_ids.h"
#include "mainwindow/form_pictures.h"
#include "mainwindow/user_types_form_win32.h"
#include "platform/assert.h"
#include "settings/info_form_win32.h"

#include <windowsx.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace qb::mainwindow {

namespace {

// The pointer of the hours grid: cursor resource 101 of the program.
constexpr int kGridCursorResource = 101;
// The program's icon, where the program has one (a test holds none).
constexpr int kProgramIconResource = 1;
constexpr UINT_PTR kUnSelTimerId = 1;
constexpr UINT kUnSelTimerMilliseconds = 1500;
// Posted when a text box has lost the focus to another control: its text is committed
// once the focus change is over, never inside it, since a refused user name shows a
// message and takes the focus back.
constexpr UINT kCommitEditsMessage = WM_APP + 1;
// The detail text boxes; the "Member of" box among them opens the group dialog.
constexpr int kDetailEntries = 8;
constexpr int kMemberOfEntry = 1;
// The window has a fixed size: its two heights are the only ones it takes.
constexpr DWORD kWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The font the check boxes keep, as they were designed.
const controls::FontSpec kDesignedFont{L"MS Sans Serif", 8.25f, false, false, false, false};

// NONCLIENTMETRICSA as the program asks for it: 340 bytes, its menu font at byte 160.
constexpr UINT kNonClientMetricsSize = 340;
constexpr std::size_t kMenuFontOffset = 160;

COLORREF ToColorRef(std::uint32_t bbggrr) {
    return static_cast<COLORREF>(bbggrr);
}

// The menu font of the non-client metrics, its face name converted from the system code
// page.
MenuFont ReadMenuFont() {
    std::array<BYTE, kNonClientMetricsSize> metrics{};
    const UINT size = kNonClientMetricsSize;
    std::memcpy(metrics.data(), &size, sizeof size);
    MenuFont font;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, metrics.data(), 0))
        return font;
    LOGFONTA lf{};
    std::memcpy(&lf, metrics.data() + kMenuFontOffset, sizeof lf);
    font.height = lf.lfHeight;
    font.weight = lf.lfWeight;
    font.italic = lf.lfItalic != 0;
    font.underline = lf.lfUnderline != 0;
    font.strikeOut = lf.lfStrikeOut != 0;
    wchar_t face[LF_FACESIZE] = {};
    MultiByteToWideChar(CP_ACP, 0, lf.lfFaceName, LF_FACESIZE, face, LF_FACESIZE);
    font.faceName.assign(face, LF_FACESIZE);
    return font;
}

} // namespace

// A user list of the window, as the model asks for it.
class InputForm::ListAdapter final : public UserList {
public:
    explicit ListAdapter(controls::CustomList& list) : list_(list) {}
    void BeginUpdate() override { batch_.emplace(list_); }
    void EndUpdate() override { batch_.reset(); }
    void Reserve(std::int32_t rows) override { list_.Reserve(rows); }
    void AddItem(const std::wstring& userName, std::int32_t userPriv, bool userRestricted,
                 bool userLocked, std::int32_t userTag) override {
        list_.AddItem(userName, userPriv, userRestricted, userLocked, userTag);
    }
    void selectItem(std::int32_t itmNum, bool byTag) override { list_.selectItem(itmNum, byTag); }
    void HideSelection() override { list_.HideSelection(); }
    std::int32_t SelectedItem() const override { return list_.SelectedItem(); }
    std::int32_t IndexOfTag(std::int32_t tag) const override { return list_.IndexOfTag(tag); }
    void SetAccountLocked(bool b, std::int32_t itmNum) override {
        list_.SetAccountLocked(b, itmNum);
    }
    void SetHasTimeRestrictions(bool b, std::int32_t itmNum) override {
        list_.SetHasTimeRestrictions(b, itmNum);
    }
    void SetNewUserName(const std::wstring& name, std::int32_t itmNum) override {
        list_.SetNewUserName(name, itmNum);
    }
    void SetNewUserType(std::int32_t t, std::int32_t itmNum) override {
        list_.SetNewUserType(t, itmNum);
    }
    void Sort(std::int32_t sortColumn, bool sortForwards) override {
        list_.Sort(sortColumn, sortForwards);
    }
    void SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                 bool fontUnderline, bool fontStrikethru) override {
        list_.SetFont(fontName, fontSize, fontBold, fontItalic, fontUnderline, fontStrikethru);
    }

private:
    controls::CustomList& list_;
    std::optional<controls::CustomList::Batch> batch_;
};

// The window's one timer.
class InputForm::WindowTimer final : public Timer {
public:
    explicit WindowTimer(HWND window) : window_(window) {}
    void SetEnabled(bool enabled) override {
        if (enabled)
            SetTimer(window_, kUnSelTimerId, kUnSelTimerMilliseconds, nullptr);
        else
            KillTimer(window_, kUnSelTimerId);
    }

private:
    HWND window_;
};

InputForm::InputForm(Globals& g, platform::LocaleApi& locale, AppVersion version)
    : g_(g), locale_(locale), version_(std::move(version)),
      density_(controls::gdi::WindowDensity(nullptr)) {}

InputForm::~InputForm() {
    // The children go with the window; their objects must not outlive it unbound.
    if (Window() != nullptr)
        DestroyWindow(Window());
}

std::unique_ptr<InputForm> InputForm::Create(Globals& g, platform::LocaleApi& locale,
                                             AppVersion version) {
    std::unique_ptr<InputForm> form(new InputForm(g, locale, std::move(version)));
    const controls::Density& d = form->density_;
    const SIZE outer = controls::gdi::OuterSize(d.Pixels(kClientWidth), d.Pixels(kCollapsedHeight),
                                                kWindowStyle, 0, d);
    controls::WindowClass windowClass;
    windowClass.name = ClassName;
    windowClass.background = COLOR_BTNFACE;
    controls::WindowPlacement placement;
    placement.style = kWindowStyle;
    placement.title = form->version_.fileDescription.c_str();
    placement.width = outer.cx;
    placement.height = outer.cy;
    if (!form->WindowBase::MakeWindow(windowClass, placement))
        return nullptr;
    // The window may have opened on a screen of another density than the first one.
    form->density_ = controls::gdi::WindowDensity(form->Window());
    form->SetWindowIcons();
    g.MarkStage(stage::MainWindow);
    if (!form->CreateControls())
        return nullptr;
    form->Load();
    return form;
}

void InputForm::Show(int showCommand) {
    ShowWindow(Window(), showCommand);
    UpdateWindow(Window());
}

HWND InputForm::ControlWindow(int id) const {
    if (const auto found = windows_.find(id); found != windows_.end())
        return found->second;
    if (const auto found = headings_.find(id); found != headings_.end())
        return found->second->Window();
    if (const auto found = lists_.find(id); found != lists_.end())
        return found->second->Window();
    if (id == ids::AllowedHoursGraphic && grid_)
        return grid_->Window();
    return nullptr;
}

controls::CustomList* InputForm::List(int id) const {
    const auto found = lists_.find(id);
    return found == lists_.end() ? nullptr : found->second.get();
}

RECT InputForm::ToPixels(const TwipsRect& r) const {
    return controls::gdi::ToRect(density_.Pixels(r));
}

void InputForm::SetWindowIcons() {
    // The title bar's small icon and the task switcher's large one, each drawn for its size
    // at the window's density rather than shrunk from another.
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto load = [&](int width, int height) {
        return controls::gdi::Icon(
            static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kProgramIconResource),
                                          IMAGE_ICON, controls::gdi::SystemMetric(width, density_),
                                          controls::gdi::SystemMetric(height, density_), 0)));
    };
    controls::gdi::Icon big = load(SM_CXICON, SM_CYICON);
    controls::gdi::Icon small = load(SM_CXSMICON, SM_CYSMICON);
    // The small one first: a window given only a large icon makes itself a small copy of it.
    SendMessageW(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.Get()));
    SendMessageW(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.Get()));
    bigIcon_ = std::move(big);
    smallIcon_ = std::move(small);
}

void InputForm::MakePictures() {
    // Once per density, shared by every control that shows them.
    listPictures_ = controls::ListPictures::Make(density_);
    band_ = controls::MakeHeadingBand(density_);
    const RECT divider = ToPixels(kDesignedDivider);
    divider_ = controls::gdi::MakeBitmap(
        DividerPicture(divider.right - divider.left, divider.bottom - divider.top, density_));
    // The details' picture controls made so far are given their new icons before the old
    // ones go; the others are drawn when their controls are made.
    std::array<controls::gdi::Icon, 4> typeIcons;
    controls::gdi::Icon lockIcon;
    for (const auto& [id, w] : windows_) {
        const int type = id - ids::UserImage0;
        controls::gdi::Icon* icon = id == ids::LockImage ? &lockIcon
                                    : type >= 0 && type < 4
                                        ? &typeIcons[static_cast<std::size_t>(type)]
                                        : nullptr;
        if (icon == nullptr)
            continue;
        *icon = DrawDetailPicture(id);
        SendMessageW(w, STM_SETICON, reinterpret_cast<WPARAM>(icon->Get()), 0);
    }
    typeIcons_ = std::move(typeIcons);
    lockIcon_ = std::move(lockIcon);
}

controls::gdi::Icon InputForm::DrawDetailPicture(int id) const {
    return controls::gdi::MakeIcon(
        id == ids::LockImage
            ? controls::LockImage(2, density_)
            : controls::UserImage(controls::SmallUserImages + id - ids::UserImage0, density_));
}

bool InputForm::CreateControls() {
    MakePictures();
    g_.MarkStage(stage::Pictures);
    white_.Reset(CreateSolidBrush(ToColorRef(colour::White)));

    // A control hidden as designed is made the first time the window shows it: most of
    // them belong to the details, which many starts never open, and each control costs
    // the window system more than the rest of a start's work for it.
    const ControlSpec* gridDesign = nullptr;
    for (const ControlSpec& design : DesignedControls()) {
        if (design.drawn)
            continue; // no window: Paint draws it
        if (design.kind == ControlKind::Grid)
            gridDesign = &design; // made once the model is there
        else if (design.visible || !Deferrable(design))
            if (!MakeControl(design))
                return false;
    }

    list1Adapter_ = std::make_unique<ListAdapter>(*lists_.at(ids::CustomList1));
    list2Adapter_ = std::make_unique<ListAdapter>(*lists_.at(ids::CustomList2));
    timer_ = std::make_unique<WindowTimer>(Window());
    model_ = std::make_unique<InputFormModel>(g_, *list1Adapter_, *list2Adapter_, locale_, *timer_,
                                              version_);
    model_->SetOwner(reinterpret_cast<platform::WindowHandle>(Window()));
    model_->ProcessPendingMessages = [] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    };

    lists_.at(ids::CustomList1)->ItemClick = [this](std::int32_t tag) {
        model_->CustomList1ItemClick(tag);
        Sync();
    };
    lists_.at(ids::CustomList1)->ColumnClick = [this](std::int32_t column) {
        model_->CustomList1ColumnClick(column);
        Sync();
    };
    lists_.at(ids::CustomList2)->ItemClick = [this](std::int32_t tag) {
        model_->CustomList2ItemClick(tag);
        Sync();
    };

    model_->ShowUserTypesForm = [this](UserTypesModel& dialog) {
        groupsOpen_ = true;
        UserTypesForm::ShowModal(Window(), dialog, model_->SystemFont());
        groupsOpen_ = false;
        CarryOutDeferredClose();
    };

    QB_ASSERT(gridDesign != nullptr);
    grid_ =
        HoursGrid::Create(Window(), ids::AllowedHoursGraphic, ToPixels(gridDesign->bounds), *model_,
                          density_, MAKEINTRESOURCEW(kGridCursorResource), [this] { Sync(); });
    if (grid_ == nullptr)
        return false;
    // Made last, it goes where the design has it: the Tab key follows the windows' order.
    PlaceAsDesigned(grid_->Window(), gridDesign->id);
    applied_[gridDesign->id] = AsDesigned(*gridDesign);
    for (const int id : {ids::CustomList1, ids::CustomList2, ids::AllowedHoursGraphic})
        if (!Hook(id))
            return false;
    g_.MarkStage(stage::Controls);
    return true;
}

bool InputForm::Deferrable(const ControlSpec& design) {
    return design.kind != ControlKind::List && design.kind != ControlKind::Grid && !design.drawn;
}

ControlState InputForm::AsDesigned(const ControlSpec& design) {
    ControlState state;
    state.bounds = design.bounds;
    state.visible = design.visible;
    state.text = design.text;
    return state;
}

bool InputForm::MakeControl(const ControlSpec& design) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const RECT r = ToPixels(design.bounds);
    const DWORD visible = design.visible ? WS_VISIBLE : 0;
    auto* const id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id));
    const DWORD child = WS_CHILD | WS_CLIPSIBLINGS | visible;
    HWND w = nullptr;
    auto make = [&](DWORD exStyle, const wchar_t* cls, DWORD style) {
        return CreateWindowExW(exStyle, cls, design.text.c_str(), child | style, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, Window(), id, instance, nullptr);
    };
    switch (design.kind) {
    case ControlKind::Label: {
        const DWORD align = design.align == TextAlign::Centre  ? SS_CENTER
                            : design.align == TextAlign::Right ? SS_RIGHT
                                                               : SS_LEFT;
        w = make(0, L"STATIC", align | SS_NOPREFIX);
        break;
    }
    case ControlKind::Entry:
        w = make(design.framed ? WS_EX_CLIENTEDGE : 0, L"EDIT",
                 ES_AUTOHSCROLL | WS_TABSTOP | (design.readOnly ? ES_READONLY : 0) |
                     (design.masked ? ES_PASSWORD : 0));
        break;
    case ControlKind::CheckBox:
        w = make(0, L"BUTTON", BS_CHECKBOX | WS_TABSTOP);
        break;
    case ControlKind::Button:
        w = make(0, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP);
        break;
    case ControlKind::Picture: {
        // The pictures are clicked: the padlock unlocks, a user type opens the groups.
        w = make(0, L"STATIC", SS_ICON | SS_CENTERIMAGE | SS_REALSIZECONTROL | SS_NOTIFY);
        controls::gdi::Icon& icon =
            design.id == ids::LockImage
                ? lockIcon_
                : typeIcons_[static_cast<std::size_t>(design.id - ids::UserImage0)];
        if (!icon)
            icon = DrawDetailPicture(design.id);
        SendMessageW(w, STM_SETICON, reinterpret_cast<WPARAM>(icon.Get()), 0);
        break;
    }
    case ControlKind::Heading: {
        auto heading = controls::Heading::Create(Window(), design.id, r, nullptr, band_);
        if (!heading)
            return false;
        heading->SetText(design.text);
        if (!design.visible)
            ShowWindow(heading->Window(), SW_HIDE);
        headings_[design.id] = std::move(heading);
        break;
    }
    case ControlKind::List: {
        // The second list shows small rows without a header, as designed.
        controls::MemoryPropertyBag layout;
        if (design.id == ids::CustomList2) {
            layout.Set(L"SmallIcons", true);
            layout.Set(L"NoHeader", true);
        }
        auto list =
            controls::CustomList::Create(Window(), design.id, r, &layout, nullptr, listPictures_);
        if (!list)
            return false;
        lists_[design.id] = std::move(list);
        break;
    }
    case ControlKind::Grid:
        return false;
    }
    if (w != nullptr) {
        windows_[design.id] = w;
        if (design.kind != ControlKind::Entry)
            frameless_.Hook(w);
    } else if (headings_.count(design.id) == 0 && lists_.count(design.id) == 0)
        return false;
    // What the control shows now: the first Sync changes only what the model changed.
    applied_[design.id] = AsDesigned(design);
    return true;
}

HWND InputForm::MakeDeferredControl(int id, const ControlState& state) {
    const ControlSpec* design = DesignOf(id);
    if (design == nullptr || !Deferrable(*design))
        return nullptr;
    // Made where, as and with what the model shows it now, rather than as designed and then
    // moved, shown and given its text, each a request to the window system and a repaint.
    // A label sized to its text is sized when it is placed.
    ControlSpec made = *design;
    if (!design->autoSize) {
        made.bounds = state.bounds;
        made.text = state.text;
        made.visible = state.visible;
    }
    if (!MakeControl(made))
        return nullptr;
    const HWND w = ControlWindow(id);
    PlaceAsDesigned(w, id);
    ApplyFont(*design);
    const int entry = id - ids::DetailSettingEntry0;
    if (entry >= 0 && entry < kDetailEntries && (entry == kMemberOfEntry || !design->readOnly))
        Hook(id);
    return w;
}

void InputForm::PlaceAsDesigned(HWND w, int id) {
    // After the nearest control designed before it that exists: the windows then stand,
    // and the Tab key goes, in the design's order, whenever each was made.
    HWND after = HWND_TOP;
    for (const ControlSpec& other : DesignedControls()) {
        if (other.id == id)
            break;
        if (const HWND made = ControlWindow(other.id); made != nullptr)
            after = made;
    }
    SetWindowPos(w, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool InputForm::Hook(int id) {
    return services::HookWindow(ControlWindow(id), *this, hooks_[id]);
}

bool InputForm::IsOwnWindow(HWND w) const {
    return w != nullptr && (w == Window() || IsChild(Window(), w));
}

LRESULT InputForm::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    const int id = GetDlgCtrlID(hWnd);
    services::HookSlot& slot = hooks_.at(id);
    const int entry = id - ids::DetailSettingEntry0;
    // A box that takes typing.
    const bool isEntry = entry >= 0 && entry < kDetailEntries && entry != kMemberOfEntry;
    switch (uMsg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        // A list row or a grid cell changes the records: what was typed goes in first,
        // into the account it was typed for. A refused name drops the press.
        if (!isEntry && entry != kMemberOfEntry && !CommitEdits(true))
            return 0;
        break;
    case WM_LBUTTONUP:
        if (entry == kMemberOfEntry) {
            const LRESULT result = services::CallNextProc(slot, hWnd, uMsg, wParam, lParam);
            OnClick(id);
            return result;
        }
        break;
    case WM_GETDLGCODE:
        // Enter on the "Member of" box is the box's, not the window's: it opens the groups.
        if (entry == kMemberOfEntry && lParam != 0 &&
            reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
            reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN)
            return services::CallNextProc(slot, hWnd, uMsg, wParam, lParam) | DLGC_WANTMESSAGE;
        break;
    case WM_KEYDOWN:
        // Enter and Space open the groups from the keyboard, as a click does.
        if (entry == kMemberOfEntry && (wParam == VK_RETURN || wParam == VK_SPACE)) {
            OnClick(id);
            return 0;
        }
        break;
    case WM_CHAR:
        if (entry == kMemberOfEntry && (wParam == L'\r' || wParam == L' '))
            return 0;
        break;
    case WM_SYSKEYDOWN:
        // Alt+Up and Alt+Down in either list move the bar between them, as a drag does.
        if ((id == ids::CustomList1 || id == ids::CustomList2) &&
            (wParam == VK_UP || wParam == VK_DOWN)) {
            model_->DividerKey(wParam == VK_UP);
            Sync();
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (isEntry)
            focusedEntry_ = entry;
        break;
    case WM_KILLFOCUS:
        // To another control of the window: commit. To a message box, a dialog or another
        // program: the box keeps the focus as far as the window is concerned.
        if (isEntry && IsOwnWindow(reinterpret_cast<HWND>(wParam))) {
            if (focusedEntry_ == entry)
                focusedEntry_ = -1;
            if (std::find(leftEntries_.begin(), leftEntries_.end(), entry) == leftEntries_.end())
                leftEntries_.push_back(entry);
            PostMessageW(Window(), kCommitEditsMessage, 0, 0);
        }
        break;
    default:
        break;
    }
    return services::CallNextProc(slot, hWnd, uMsg, wParam, lParam);
}

bool InputForm::CommitEdits(bool focusedToo) {
    // Asked again while a refused name's message is up: whatever asked waits.
    if (committing_ || !model_)
        return false;
    committing_ = true;
    bool accepted = true;
    for (const int entry : std::exchange(leftEntries_, {}))
        accepted = CommitEntry(entry) && accepted;
    if (accepted && focusedToo && focusedEntry_ >= 0)
        accepted = CommitEntry(focusedEntry_);
    committing_ = false;
    // Boxes left while the message was up are committed next.
    if (!leftEntries_.empty())
        PostMessageW(Window(), kCommitEditsMessage, 0, 0);
    return accepted;
}

bool InputForm::CommitEntry(int index) {
    const int id = ids::DetailSettingEntry0 + index;
    const HWND box = ControlWindow(id);
    const int length = GetWindowTextLengthW(box);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(box, text.data(), length + 1)));
    // The box shows this already: the window is not to write it again.
    applied_[id].text = text;
    const bool accepted = model_->DetailSettingEntryValidate(index, text);
    if (!accepted) {
        // Back into the box, the caret after the last character, to correct the name.
        SetFocus(box);
        SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
    }
    Sync();
    return accepted;
}

void InputForm::Load() {
    LoadContext context;
    {
        // The menu font's height is given for this device context's density: together
        // they give its size in points, which every screen then shows at its own density.
        const controls::gdi::WindowDc dc = controls::gdi::GetWindowDc(Window());
        context.pixelsPerInch = dc ? GetDeviceCaps(dc.Get(), LOGPIXELSY) : 96;
    }
    // The cell pictures are drawn for each screen at the size of their cell there: a cell
    // keeps its size in twips, and its picture fills it, at any density.
    context.cellWidth = kCellPictureWidthPx * controls::kDesignPixel;
    context.cellHeight = kCellPictureHeightPx * controls::kDesignPixel;
    context.menuFont = ReadMenuFont();
    RECT window{}, client{};
    GetWindowRect(Window(), &window);
    GetClientRect(Window(), &client);
    context.nonClientHeight = density_.Twips((window.bottom - window.top) - client.bottom);
    g_.MarkStage(stage::Fonts);
    model_->Load(context);
    ApplyFonts();
    g_.MarkStage(stage::Fonts);
    Sync();
    g_.MarkStage(stage::Controls);
}

void InputForm::ApplyFonts() {
    const SystemFontInfo& info = model_->SystemFont();
    const controls::FontSpec system{info.FontName, info.FontSize,  false,
                                    info.Italic,   info.Underline, info.Strikethrough};
    // A face that cannot be made leaves the control with the font it had.
    font_ = controls::gdi::MakeFont(system, false, density_);
    boldFont_ = controls::gdi::MakeFont(system, true, density_);
    designFont_ = controls::gdi::MakeFont(kDesignedFont, false, density_);
    fontsApplied_ = true;
    for (const ControlSpec& design : DesignedControls())
        ApplyFont(design);
}

void InputForm::ApplyFont(const ControlSpec& design) {
    // A control made before the fonts takes its own from ApplyFonts.
    if (!fontsApplied_)
        return;
    const SystemFontInfo& info = model_->SystemFont();
    const HWND w = ControlWindow(design.id);
    if (w == nullptr)
        return; // made later, and given its font then
    switch (design.kind) {
    case ControlKind::Label:
    case ControlKind::Entry:
    case ControlKind::Button: {
        const HFONT f = design.bold ? boldFont_.Get() : font_.Get();
        if (f != nullptr)
            SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
        break;
    }
    case ControlKind::CheckBox:
        if (designFont_)
            SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(designFont_.Get()), FALSE);
        break;
    case ControlKind::Heading:
        headings_.at(design.id)->SetFont(info.FontName, info.FontSize, info.Bold, info.Italic,
                                         info.Underline, info.Strikethrough);
        break;
    default:
        break; // the lists took theirs at load; pictures and the grid have none
    }
}

SIZE InputForm::OuterSize(int clientHeight) const {
    // The frame as the window has it now, at whatever density the system draws it.
    RECT window{}, client{};
    GetWindowRect(Window(), &window);
    GetClientRect(Window(), &client);
    return SIZE{density_.Pixels(kClientWidth) + (window.right - window.left) - client.right,
                density_.Pixels(clientHeight) + (window.bottom - window.top) - client.bottom};
}

void InputForm::SetClientHeight(int twips) {
    const SIZE outer = OuterSize(twips);
    RECT now{};
    GetWindowRect(Window(), &now);
    if (now.right - now.left == outer.cx && now.bottom - now.top == outer.cy)
        return; // made at that size: moving it to where it is would still cost a layout
    SetWindowPos(Window(), nullptr, 0, 0, outer.cx, outer.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void InputForm::OnDpiChanged(const controls::Density& density, const RECT* suggested) {
    if (!model_ || density == density_)
        return;
    density_ = density;
    SetWindowIcons();
    MakePictures();
    for (const auto& [id, list] : lists_)
        list->SetDensity(listPictures_);
    for (const auto& [id, heading] : headings_)
        heading->SetDensity(band_);
    if (grid_)
        grid_->SetDensity(density_);
    ApplyFonts();
    // The place the system chose on the new screen, at the size the design has there (the
    // window has no other size); then every control again, from the model's twips.
    const SIZE outer = OuterSize(model_->ClientHeight());
    if (suggested != nullptr)
        SetWindowPos(Window(), nullptr, suggested->left, suggested->top, outer.cx, outer.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    else
        SetClientHeight(model_->ClientHeight());
    applied_.clear();
    appliedShapes_.clear();
    Sync();
    Invalidate(nullptr, true);
}

void InputForm::Sync() {
    if (!model_)
        return;
    for (const auto& [id, state] : model_->Controls()) {
        const ControlState* was = nullptr;
        if (const auto found = applied_.find(id); found != applied_.end())
            was = &found->second;
        if (const ControlSpec* drawn = DesignOf(id); drawn != nullptr && drawn->drawn) {
            // Drawn again where it was and where it is, when it changed.
            if (was == nullptr || was->text != state.text || !(was->bounds == state.bounds) ||
                was->visible != state.visible) {
                for (const ControlState* where : {was, &state}) {
                    if (where == nullptr)
                        continue;
                    const RECT r = ToPixels(where->bounds);
                    Invalidate(&r);
                }
            }
            applied_[id] = state;
            continue;
        }
        HWND w = ControlWindow(id);
        if (w == nullptr && state.visible) {
            w = MakeDeferredControl(id, state);
            if (const auto made = applied_.find(id); made != applied_.end())
                was = &made->second; // what it was made with
        }
        if (w == nullptr)
            continue; // hidden, and not made yet
        const bool isHeading = headings_.count(id) != 0;
        const bool isOwn = isHeading || lists_.count(id) != 0 || id == ids::AllowedHoursGraphic;
        if (was == nullptr || was->text != state.text) {
            // The lists and the grid show no text of theirs: theirs are names for screen
            // readers.
            if (isHeading)
                headings_.at(id)->SetText(state.text);
            else
                SetWindowTextW(w, state.text.c_str());
        }
        // A label sized to its text is placed again when its text changes.
        const ControlSpec* design = DesignOf(id);
        const bool autoSize = design != nullptr && design->autoSize;
        if (was == nullptr || !(was->bounds == state.bounds) ||
            (autoSize && was->text != state.text)) {
            RECT r = ToPixels(state.bounds);
            if (autoSize) {
                // As wide as its text in its own font.
                const controls::gdi::WindowDc dc = controls::gdi::GetWindowDc(w);
                auto* const f = reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0));
                SIZE size{};
                if (dc) {
                    const controls::gdi::Selection font(
                        dc.Get(),
                        f != nullptr ? static_cast<HGDIOBJ>(f) : GetStockObject(DEFAULT_GUI_FONT));
                    GetTextExtentPoint32W(dc.Get(), state.text.c_str(),
                                          static_cast<int>(state.text.size()), &size);
                }
                r.right = r.left + size.cx + density_.Scaled(2);
            }
            SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (was == nullptr || was->checked != state.checked)
            if (!isOwn)
                SendMessageW(w, BM_SETCHECK, state.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        if (was == nullptr || was->enabled != state.enabled)
            EnableWindow(w, state.enabled ? TRUE : FALSE);
        if (was == nullptr || was->visible != state.visible) {
            // A control that hides with the focus hands it on, as in a dialog: the keyboard
            // is never left nowhere (Undo hides as it is pressed).
            if (!state.visible && GetFocus() == w)
                if (const HWND next = GetNextDlgTabItem(Window(), w, FALSE))
                    SetFocus(next);
            ShowWindow(w, state.visible ? SW_SHOWNA : SW_HIDE);
        }
        applied_[id] = state;
    }

    if (appliedTitle_ != model_->Title()) {
        appliedTitle_ = model_->Title();
        SetWindowTextW(Window(), appliedTitle_.c_str());
    }
    if (appliedClientHeight_ != model_->ClientHeight()) {
        appliedClientHeight_ = model_->ClientHeight();
        SetClientHeight(appliedClientHeight_);
    }
    bool shapesChanged =
        appliedShapes_.size() != ShapeCount || !(appliedDivider_ == model_->Divider());
    for (std::size_t i = 0; !shapesChanged && i < appliedShapes_.size(); ++i) {
        const ShapeState& now = model_->ShapeAt(static_cast<Shape>(i));
        shapesChanged = appliedShapes_[i].visible != now.visible ||
                        !(appliedShapes_[i].design.bounds == now.design.bounds);
    }
    if (shapesChanged) {
        appliedShapes_.clear();
        for (int i = 0; i < ShapeCount; ++i)
            appliedShapes_.push_back(model_->ShapeAt(static_cast<Shape>(i)));
        appliedDivider_ = model_->Divider();
        Invalidate(nullptr, true);
    }
    if (grid_)
        grid_->ShowPaintedCells();
}

void InputForm::Paint(HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (!model_)
        return;
    for (int i = 0; i < ShapeCount; ++i) {
        const ShapeState& shape = model_->ShapeAt(static_cast<Shape>(i));
        if (!shape.visible)
            continue;
        const TwipsRect& b = shape.design.bounds;
        const RECT r = ToPixels(b);
        controls::gdi::Brush brush(CreateSolidBrush(ToColorRef(shape.design.colour)));
        switch (shape.design.kind) {
        case ShapeKind::Filled:
            FillRect(dc, &r, brush.Get());
            break;
        case ShapeKind::Outline:
            controls::gdi::FrameTwips(dc, density_, b, brush.Get());
            break;
        case ShapeKind::Line: {
            const RECT line{r.left, r.top, r.right,
                            density_.Pixels(b.top + controls::kDesignPixel)};
            FillRect(dc, &line, brush.Get());
            break;
        }
        }
    }
    if (divider_) {
        const RECT r = ToPixels(model_->Divider());
        controls::gdi::MemoryDc source(CreateCompatibleDC(dc));
        const controls::gdi::Selection picture(source.Get(), divider_.Get());
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source.Get(), 0, 0, SRCCOPY);
    }
    for (const ControlSpec& design : DesignedControls())
        if (design.drawn)
            DrawLabel(dc, design, model_->Control(design.id));
}

void InputForm::DrawLabel(HDC dc, const ControlSpec& design, const ControlState& state) {
    if (!state.visible)
        return;
    // As the system's label draws itself, on white with the window's label colours.
    const RECT r = ToPixels(state.bounds);
    const HFONT font = design.bold ? boldFont_.Get() : font_.Get();
    const controls::gdi::Selection selected(dc, font != nullptr ? static_cast<HGDIOBJ>(font)
                                                                : GetStockObject(SYSTEM_FONT));
    FillRect(dc, &r, white_.Get());
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ToColorRef(colour::White));
    SetTextColor(dc, ToColorRef(design.textColour));
    const UINT align = design.align == TextAlign::Centre  ? DT_CENTER
                       : design.align == TextAlign::Right ? DT_RIGHT
                                                          : DT_LEFT;
    RECT text = r;
    DrawTextW(dc, state.text.c_str(), -1, &text,
              align | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX);
}

HFONT InputForm::ControlFont(int id) const {
    if (const HWND w = ControlWindow(id); w != nullptr)
        return reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0));
    const ControlSpec* design = DesignOf(id);
    return design != nullptr && design->drawn ? (design->bold ? boldFont_ : font_).Get() : nullptr;
}

RECT InputForm::ControlRect(int id) const {
    if (const HWND w = ControlWindow(id); w != nullptr) {
        RECT r{};
        if (!IsWindowVisible(w))
            return r;
        GetWindowRect(w, &r);
        MapWindowPoints(nullptr, Window(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    const ControlSpec* design = DesignOf(id);
    if (design == nullptr || !design->drawn || !model_ || !model_->Control(id).visible)
        return RECT{};
    return ToPixels(model_->Control(id).bounds);
}

void InputForm::Close(bool always) {
    if (closing_)
        return; // a second request while the first one's questions are open
    closing_ = true;
    const bool close = model_ == nullptr || model_->CloseProcedure();
    closing_ = false;
    if (close || always) {
        DestroyWindow(Window());
        return;
    }
    Sync();
    CarryOutDeferredClose();
}

void InputForm::CarryOutDeferredClose() {
    // Posted, so that the handler that ran the dialog or the questions finishes first.
    if (std::exchange(closeDeferred_, false))
        PostMessageW(Window(), WM_CLOSE, 0, 0);
}

bool InputForm::OnDivider(int x, int y) const {
    const RECT r = ToPixels(model_->Divider());
    const POINT p{x, y};
    return PtInRect(&r, p) != FALSE;
}

void InputForm::OnCommand(int id, int code) {
    // Also STN_CLICKED, the same code, from the pictures; and IDOK, Enter in a box.
    if (code != BN_CLICKED)
        return;
    OnClick(id);
}

void InputForm::OnClick(int id) {
    // Nothing acts on what the boxes show until it is in the records.
    if (!CommitEdits(true))
        return;
    switch (id) {
    case ids::AccountDisabled:
        model_->AccountDisabledClick(!model_->Control(id).checked);
        Sync();
        break;
    case ids::PasswordLocked:
        model_->PasswordLockedClick(!model_->Control(id).checked);
        Sync();
        break;
    case ids::PasswordNotNeeded:
        model_->PasswordNotNeededClick(!model_->Control(id).checked);
        Sync();
        break;
    case ids::LockImage:
        model_->LockImageClick();
        Sync();
        break;
    case ids::UserImage0:
    case ids::UserImage0 + 1:
    case ids::UserImage0 + 2:
    case ids::UserImage0 + 3:
    case ids::DetailSettingEntry0 + kMemberOfEntry:
        model_->UserImageClick();
        Sync();
        break;
    case ids::MoreButton:
        model_->MoreButtonClick();
        Sync();
        break;
    case ids::UndoButton:
        model_->UndoButtonClick();
        Sync();
        break;
    case ids::ShowAdmin:
        // Ticking it changes no account; closing compares it with what was read.
        model_->ShowAdminClick(!model_->Control(ids::ShowAdmin).checked);
        Sync();
        break;
    case ids::CloseButton:
        Close(false);
        break;
    case ids::SettingsButton:
        // The button shows only for administrators; the click asks again all the same.
        if (g_.CurrentUserIsAdmin)
            settings::InfoForm::ShowModal(Window(), g_, model_->SystemFont());
        break;
    default:
        break;
    }
}

LRESULT InputForm::OnColour(HDC dc, HWND control) {
    const int id = GetDlgCtrlID(control);
    const ControlSpec* design = DesignOf(id);
    const bool onFace = id == ids::AppLabel0 || id == ids::AppLabel0 + 1;
    SetTextColor(dc, ToColorRef(design != nullptr ? design->textColour : colour::Black));
    if (onFace) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    SetBkColor(dc, ToColorRef(colour::White));
    return reinterpret_cast<LRESULT>(white_.Get());
}

LRESULT InputForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (model_)
            OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
        if (model_)
            return OnColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        break;
    case WM_TIMER:
        if (wParam == kUnSelTimerId && model_) {
            model_->UnSelTimerTick();
            Sync();
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (model_ && reinterpret_cast<HWND>(wParam) == Window() && LOWORD(lParam) == HTCLIENT) {
            POINT p{};
            GetCursorPos(&p);
            ScreenToClient(Window(), &p);
            if (OnDivider(p.x, p.y) || dividerDrag_) {
                SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
                return TRUE;
            }
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        if (model_ && OnDivider(x, y)) {
            SetCapture(Window());
            dividerDrag_ = true;
            model_->DividerMouseDown(density_.PointTwips(x) - model_->Divider().left,
                                     density_.PointTwips(y) - model_->Divider().top);
            Sync();
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (dividerDrag_) {
            model_->DividerMouseMove(
                density_.PointTwips(GET_X_LPARAM(lParam)) - model_->Divider().left,
                density_.PointTwips(GET_Y_LPARAM(lParam)) - model_->Divider().top);
            Sync();
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_CAPTURECHANGED:
        if (dividerDrag_) {
            dividerDrag_ = false;
            if (message != WM_CAPTURECHANGED && GetCapture() == Window())
                ReleaseCapture();
            model_->DividerMouseUp();
            Sync();
        }
        return 0;
    case WM_GETMINMAXINFO:
        if (model_) {
            // The window takes its designed size even where that is larger than the
            // screen (a high pixel density on a small screen): its layout is fixed, and a
            // window cut to the screen would hide its bottom row of buttons.
            auto& info = *reinterpret_cast<MINMAXINFO*>(lParam);
            const SIZE outer = OuterSize(kExpandedHeight);
            info.ptMaxTrackSize.x = std::max<LONG>(info.ptMaxTrackSize.x, outer.cx);
            info.ptMaxTrackSize.y = std::max<LONG>(info.ptMaxTrackSize.y, outer.cy);
            return 0;
        }
        break;
    case kCommitEditsMessage:
        CommitEdits(false);
        return 0;
    case WM_DPICHANGED:
        // Moved to a screen of another density (or that screen's setting changed).
        OnDpiChanged(controls::gdi::DpiChangedDensity(wParam), reinterpret_cast<RECT*>(lParam));
        return 0;
    case WM_ACTIVATE:
        // The window keeps its focused control while another window is active, as a
        // dialog does: a box being edited has the focus again when the user comes back.
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (IsOwnWindow(GetFocus()) && GetFocus() != Window())
                lastFocus_ = GetFocus();
        } else if (HIWORD(wParam) == 0) {
            // At first, as a dialog gives it to its first control, the first list has it.
            const HWND focus = lastFocus_ != nullptr && IsOwnWindow(lastFocus_) &&
                                       IsWindowVisible(lastFocus_) && IsWindowEnabled(lastFocus_)
                                   ? lastFocus_
                                   : ControlWindow(ids::CustomList1);
            if (focus != nullptr) {
                SetFocus(focus);
                return 0;
            }
        }
        break;
    case DM_GETDEFID:
        // The window has no default button: Enter presses the button that has the focus.
        return controls::DefaultButton(Window(), 0);
    case WM_CLOSE:
        // From the close box, the system menu or the task list: the closing procedure
        // runs, and the window closes whatever it decided. While the group dialog or the
        // closing procedure waits for an answer, afterwards. Not before what was typed is
        // in the records: a refused user name keeps the window open, its box holding the
        // focus.
        if (groupsOpen_ || closing_) {
            closeDeferred_ = true;
            return 0;
        }
        if (!CommitEdits(true))
            return 0;
        Close(true);
        return 0;
    case WM_DESTROY:
        if (!unloaded_) {
            unloaded_ = true;
            KillTimer(Window(), kUnSelTimerId);
            if (Unloaded)
                Unloaded();
        }
        return 0;
    default:
        break;
    }
    return WindowBase::HandleMessage(message, wParam, lParam);
}

} // namespace qb::mainwindow
