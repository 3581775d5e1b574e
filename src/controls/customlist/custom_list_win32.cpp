#include "controls/customlist/custom_list_win32.h"

#include "controls/keys_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace qb::controls {

namespace {

const WindowClass kListClass{CustomList::ClassName, 0, IDC_ARROW, COLOR_WINDOW};
constexpr int kListViewId = 1;
constexpr int kScrollBarId = 2;
// The list view's first height and its columns' first widths, before the model says.
constexpr int kFirstListViewHeightPx = 40;
constexpr int kFirstColumnWidthPx = 24;

// The system's ANSI code page, straight from the platform, as the backwards name sort
// needs it: the bytes the ANSI conversion gives with no flags, a close character where the
// code page has one, and nothing where only the default character could stand in. On a
// machine whose ANSI code page is UTF-8 the platform refuses to say whether it used the
// default character, so there the bytes are taken as they come: every character has them.
AnsiBytesOf SystemAnsiBytes() {
    return [](wchar_t c) -> std::string {
        char buf[8];
        BOOL usedDefault = FALSE;
        int n = WideCharToMultiByte(CP_ACP, 0, &c, 1, buf, sizeof buf, nullptr, &usedDefault);
        if (n <= 0 && GetLastError() == ERROR_INVALID_PARAMETER) // UTF-8 as the ANSI page
            n = WideCharToMultiByte(CP_ACP, 0, &c, 1, buf, sizeof buf, nullptr, nullptr);
        if (n <= 0 || usedDefault)
            return {};
        return std::string(buf, static_cast<std::size_t>(n));
    };
}

// A picture at its place, at its size on this screen.
void DrawPicture(HDC dc, const gdi::BlendedPicture& picture, const TwipsRect& at, PictureSize size,
                 const Density& d) {
    gdi::DrawBlended(dc, picture, d.Pixels(at.left), d.Pixels(at.top), d.Scaled(size.width),
                     d.Scaled(size.height));
}

} // namespace

std::unique_ptr<CustomList> CustomList::Create(HWND parent, int id, const RECT& bounds,
                                               const PropertyBag* layout, AnsiBytesOf ansiBytes,
                                               std::shared_ptr<const ListPictures> pictures) {
    static const bool commonControls = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    if (!commonControls)
        return nullptr;
    std::unique_ptr<CustomList> list(new CustomList());
    list->layout_ = layout;
    list->ansiBytes_ = ansiBytes ? std::move(ansiBytes) : SystemAnsiBytes();
    list->density_ = pictures ? pictures->ForDensity() : gdi::WindowDensity(parent);
    list->pictures_ = pictures ? std::move(pictures) : ListPictures::Make(list->density_);
    const bool made = list->MakeWindow(
        kListClass,
        ChildAt(parent, id, bounds, WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS));
    list->layout_ = nullptr;
    if (!made)
        return nullptr;
    return list;
}

// Builds the header strip, the scroll bar and the model, and applies the saved layout;
// the first WM_SIZE, which follows, lays the list out.
bool CustomList::OnCreate(const CREATESTRUCTW& creation) {
    const HINSTANCE instance = creation.hInstance;
    const int width = creation.cx, height = creation.cy;

    const FontSpec designed;
    headerFont_ = gdi::MakeFont(designed, false, density_);
    labelFonts_.push_back(gdi::MakeFont(designed, false, density_));
    // A list laid out without a header gets its list view when it is first to show one:
    // making a list view takes the window system longer than the rest of the list.
    const bool header = layout_ == nullptr || !layout_->ReadBool(L"NoHeader").value_or(false);
    if (header && !MakeHeader())
        return false;

    scrollBar_ = CreateWindowExW(
        0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 0, 0, Window(),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kScrollBarId)), instance, nullptr);
    if (scrollBar_ == nullptr)
        return false;
    frameless_.Hook(scrollBar_);

    model_ = std::make_unique<CustomListModel>(Measure(density_), density_.Twips(width),
                                               density_.Twips(height), std::move(ansiBytes_));
    model_->SetLabelHeight(LabelHeightTwips());
    model_->ItemClick = [this](std::int32_t tag) {
        if (ItemClick)
            ItemClick(tag);
    };
    model_->ColumnClick = [this](std::int32_t column) {
        if (ColumnClick)
            ColumnClick(column);
    };

    if (layout_ != nullptr)
        model_->ReadProperties(*layout_);
    return true;
}

bool CustomList::MakeHeader() {
    // The header strip: a report-style list view without items, as tall as its header. It
    // is made hidden and set up with its drawing off: a list view lays out its header anew
    // after each change, and when it shows, each of those is a move of the header window.
    RECT client{};
    GetClientRect(Window(), &client);
    listView_ = CreateWindowExW(0, WC_LISTVIEWW, L"",
                                WS_CHILD | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SINGLESEL, 0, 0,
                                client.right, kFirstListViewHeightPx, Window(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListViewId)),
                                GetModuleHandleW(nullptr), nullptr);
    if (listView_ == nullptr)
        return false;
    // Made after the scroll bar, it still lies above it, as in a list made with it.
    if (scrollBar_ != nullptr)
        SetWindowPos(listView_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const HeaderChanges changes(*this);
    SendMessageW(listView_, WM_SETFONT, reinterpret_cast<WPARAM>(headerFont_.Get()), FALSE);
    const wchar_t* captions[CustomListModel::ColumnCount] = {L"", L"", L"",
                                                             CustomListModel::NameColumnCaption};
    for (int c = 0; c < CustomListModel::ColumnCount; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = kFirstColumnWidthPx;
        column.pszText = const_cast<wchar_t*>(captions[c]);
        SendMessageW(listView_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                     reinterpret_cast<LPARAM>(&column));
        applied_.columns[static_cast<std::size_t>(c)] = kFirstColumnWidthPx;
    }
    const auto header = reinterpret_cast<HWND>(SendMessageW(listView_, LVM_GETHEADER, 0, 0));
    if (header != nullptr)
        services::HookWindow(header, *this, headerHook_);
    services::HookWindow(listView_, *this, listViewHook_);
    return true;
}

// Changes to the header strip are made with the list view's drawing off (see MakeHeader),
// and the strip is drawn once when all are made; while the list is not on the screen yet,
// once when it is first painted, after it was made, filled and laid out. Turning the
// drawing off takes the window's visible style away: the strip shows again only when the
// model shows it.
CustomList::HeaderChanges::HeaderChanges(CustomList& list) noexcept : list_(list) {
    if (list_.headerChanges_++ == 0 && list_.listView_ != nullptr && !list_.headerDrawPending_)
        SendMessageW(list_.listView_, WM_SETREDRAW, FALSE, 0);
}

CustomList::HeaderChanges::~HeaderChanges() {
    if (--list_.headerChanges_ != 0 || list_.listView_ == nullptr)
        return;
    list_.headerDrawPending_ = true;
    if (IsWindowVisible(list_.Window()))
        list_.DrawHeaderStrip();
}

void CustomList::DrawHeaderStrip() {
    if (!std::exchange(headerDrawPending_, false) || listView_ == nullptr ||
        !applied_.headerVisible)
        return;
    SendMessageW(listView_, WM_SETREDRAW, TRUE, 0);
    if ((GetWindowLongPtrW(listView_, GWL_STYLE) & WS_VISIBLE) == 0)
        ShowWindow(listView_, SW_SHOWNA);
    RedrawWindow(listView_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

CustomList::~CustomList() {
    // The header and its list view may outlive this object for a moment (their windows go
    // with the list's, after this): from now on their messages go straight to their own
    // procedures.
    services::UnhookWindow(headerHook_);
    services::UnhookWindow(listViewHook_);
}

// --- the owner's interface: the model decides, the windows follow ---

CustomList::Batch::Batch(CustomList& list) noexcept : list_(list) {
    ++list_.batches_;
}

CustomList::Batch::~Batch() {
    if (--list_.batches_ == 0 && std::exchange(list_.syncPending_, false))
        list_.Sync();
}

void CustomList::SetSmallIcons(bool small) {
    model_->SetSmallIcons(small);
    Sync();
}

void CustomList::SetNoHeader(bool hdr) {
    if (!hdr && listView_ == nullptr) {
        if (!MakeHeader())
            return; // no header can be shown: the list stays without one
        // The header's height is known now that there is one.
        ListMetrics metrics = Measure(density_);
        metrics.labelHeight = model_->Metrics().labelHeight;
        model_->SetMetrics(metrics);
    }
    model_->SetNoHeader(hdr);
    Sync();
}

void CustomList::AddItem(const std::wstring& userName, std::int32_t userPriv, bool userRestricted,
                         bool userLocked, std::int32_t userTag) {
    model_->AddItem(userName, userPriv, userRestricted, userLocked, userTag);
    Sync();
}

void CustomList::selectItem(std::int32_t itmNum, bool byTag) {
    model_->selectItem(itmNum, byTag);
    Sync();
}

void CustomList::HideSelection() {
    model_->HideSelection();
    Sync();
}

void CustomList::SetAccountLocked(bool b, std::int32_t itmNum) {
    model_->SetAccountLocked(b, itmNum);
    Sync();
}

void CustomList::SetHasTimeRestrictions(bool b, std::int32_t itmNum) {
    model_->SetHasTimeRestrictions(b, itmNum);
    Sync();
}

void CustomList::SetNewUserName(const std::wstring& name, std::int32_t itmNum) {
    model_->SetNewUserName(name, itmNum);
    Sync();
}

void CustomList::SetNewUserType(std::int32_t t, std::int32_t itmNum) {
    model_->SetNewUserType(t, itmNum);
    Sync();
}

void CustomList::Sort(std::int32_t sortColumn, bool sortForwards) {
    model_->Sort(sortColumn, sortForwards);
    Sync();
}

void CustomList::SetFont(const std::wstring& fontName, float fontSize, bool fontBold,
                         bool fontItalic, bool fontUnderline, bool fontStrikethru) {
    const HeaderChanges changes(*this);
    model_->SetFont(fontName, fontSize, fontBold, fontItalic, fontUnderline, fontStrikethru);
    MakeFonts();
    model_->SetLabelHeight(LabelHeightTwips());
    Sync();
}

ListMetrics CustomList::Measure(const Density& density) const {
    ListMetrics metrics;
    metrics.density = density;
    RECT item{};
    if (HeaderWindow() != nullptr)
        SendMessageW(HeaderWindow(), HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    if (item.bottom > item.top)
        metrics.headerHeightPx = item.bottom - item.top;
    else
        metrics.headerHeightPx = density.Scaled(metrics.headerHeightPx);
    metrics.scrollBarWidthPx = gdi::SystemMetric(SM_CXVSCROLL, density);
    if (model_)
        metrics.labelHeight = model_->Metrics().labelHeight;
    return metrics;
}

void CustomList::SetDensity(std::shared_ptr<const ListPictures> pictures) {
    if (!pictures || !model_ || pictures->ForDensity() == density_)
        return;
    density_ = pictures->ForDensity();
    pictures_ = std::move(pictures);
    // Every font the rows were given, made again for this screen.
    const std::vector<FontSpec>& fonts = model_->LabelFonts();
    labelFonts_.clear();
    for (const FontSpec& font : fonts)
        labelFonts_.push_back(gdi::MakeFont(font, false, density_));
    MakeFonts();
    // The header takes the height its font needs here before it is measured.
    if (HeaderWindow() != nullptr) {
        RECT area{0, 0, 1000, 1000};
        WINDOWPOS place{};
        HDLAYOUT layout{&area, &place};
        if (SendMessageW(HeaderWindow(), HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout)))
            SetWindowPos(HeaderWindow(), nullptr, 0, 0, place.cx, place.cy,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
    ListMetrics metrics = Measure(density_);
    metrics.labelHeight = LabelHeightTwips();
    applied_ = Applied{};
    model_->SetMetrics(metrics);
    Sync();
}

void CustomList::MakeFonts() {
    // A font that cannot be made leaves the old one in use (see LabelFont).
    const std::vector<FontSpec>& fonts = model_->LabelFonts();
    while (labelFonts_.size() < fonts.size())
        labelFonts_.push_back(gdi::MakeFont(fonts[labelFonts_.size()], false, density_));
    if (gdi::Font f = gdi::MakeFont(model_->HeaderFont(), false, density_)) {
        headerFont_ = std::move(f);
        if (listView_ != nullptr) {
            const HeaderChanges changes(*this);
            SendMessageW(listView_, WM_SETFONT, reinterpret_cast<WPARAM>(headerFont_.Get()), FALSE);
        }
    }
}

HFONT CustomList::LabelFont(int index) const {
    for (int i = std::min(index, static_cast<int>(labelFonts_.size()) - 1); i >= 0; --i)
        if (labelFonts_[static_cast<std::size_t>(i)])
            return labelFonts_[static_cast<std::size_t>(i)].Get();
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

int CustomList::LabelHeightTwips() {
    const gdi::WindowDc screen = gdi::GetWindowDc(nullptr);
    if (!screen)
        return 0;
    const gdi::Selection font(screen.Get(),
                              LabelFont(model_ ? model_->TemplateRow().labelFont : 0));
    TEXTMETRICW tm{};
    if (!GetTextMetricsW(screen.Get(), &tm))
        return 0;
    return density_.Twips(static_cast<int>(tm.tmHeight));
}

void CustomList::Sync(bool keepThumb) {
    if (Window() == nullptr || !model_)
        return;
    if (batches_ > 0) {
        syncPending_ = true; // the end of the batch brings everything up to date at once
        return;
    }
    const CustomListModel& m = *model_;
    const Density& d = density_;

    const HeaderStrip& h = m.Header();
    const int headerWidth = std::max(0, d.Pixels(h.width)), headerHeight = d.Pixels(h.height);
    const auto columnWidth = [&](int c) {
        return std::max(0, h.columnWidthPx[static_cast<std::size_t>(c)]);
    };
    bool headerChanged = h.visible != applied_.headerVisible ||
                         headerWidth != applied_.headerWidth ||
                         headerHeight != applied_.headerHeight;
    for (int c = 0; c < CustomListModel::ColumnCount; ++c)
        headerChanged =
            headerChanged || columnWidth(c) != applied_.columns[static_cast<std::size_t>(c)];
    if (listView_ != nullptr && headerChanged) {
        applied_.headerVisible = h.visible;
        const HeaderChanges changes(*this);
        SetWindowPos(listView_, nullptr, 0, 0, headerWidth, headerHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE | (h.visible ? 0 : SWP_HIDEWINDOW));
        applied_.headerWidth = headerWidth;
        applied_.headerHeight = headerHeight;
        for (int c = 0; c < CustomListModel::ColumnCount; ++c) {
            if (columnWidth(c) != applied_.columns[static_cast<std::size_t>(c)]) {
                SendMessageW(listView_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c),
                             MAKELPARAM(columnWidth(c), 0));
                applied_.columns[static_cast<std::size_t>(c)] = columnWidth(c);
            }
        }
    }
    if (h.repaints != applied_.headerRepaints) {
        applied_.headerRepaints = h.repaints;
        if (HeaderWindow() != nullptr)
            InvalidateRect(HeaderWindow(), nullptr, TRUE);
    }

    const ScrollBarState& sb = m.ScrollBar();
    const RECT sbRect{d.Pixels(sb.left), 0, d.Pixels(sb.left + sb.width), d.Pixels(sb.height)};
    if (!EqualRect(&sbRect, &applied_.scrollRect)) {
        SetWindowPos(scrollBar_, HWND_TOP, sbRect.left, sbRect.top, sbRect.right - sbRect.left,
                     sbRect.bottom - sbRect.top, SWP_NOACTIVATE);
        applied_.scrollRect = sbRect;
    }
    const int page = std::max(1, m.RowsPerPage());
    if (sb.max != applied_.scrollMax || page != applied_.scrollPage ||
        (!keepThumb && sb.value != applied_.scrollValue)) {
        SCROLLINFO si{sizeof(si),
                      SIF_RANGE | SIF_PAGE | (keepThumb ? 0u : SIF_POS),
                      0,
                      sb.max + page - 1,
                      static_cast<UINT>(page),
                      sb.value,
                      0};
        // The bar is repainted only when its thumb really moved, and then with the next
        // paint: with thousands of rows most steps move the thumb by less than a pixel,
        // and a list filled row by row would otherwise paint its bar once per row.
        SCROLLBARINFO before{sizeof(before)};
        SCROLLBARINFO after{sizeof(after)};
        const bool measured = GetScrollBarInfo(scrollBar_, OBJID_CLIENT, &before) != FALSE;
        SetScrollInfo(scrollBar_, SB_CTL, &si, FALSE);
        if (!measured || !GetScrollBarInfo(scrollBar_, OBJID_CLIENT, &after) ||
            before.xyThumbTop != after.xyThumbTop || before.xyThumbBottom != after.xyThumbBottom ||
            before.rgstate[0] != after.rgstate[0])
            InvalidateRect(scrollBar_, nullptr, TRUE);
        applied_.scrollMax = sb.max;
        applied_.scrollPage = page;
        if (!keepThumb)
            applied_.scrollValue = sb.value;
    }
    if (sb.visible != applied_.scrollVisible) {
        ShowWindow(scrollBar_, sb.visible ? SW_SHOWNA : SW_HIDE);
        applied_.scrollVisible = sb.visible;
    }
    if (headerDrawPending_ && IsWindowVisible(Window()))
        DrawHeaderStrip();
    Invalidate();
    AccessibleWindow::Raise(Window(), model_->TakeAccessibleEvents());
}

// --- the list's own window ---

LRESULT CustomList::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // Until WM_CREATE has built the model there is nothing to lay out or paint.
    if (!model_ && message != WM_CREATE)
        return WindowBase::HandleMessage(message, wParam, lParam);
    if (const auto answer = accessible_.HandleMessage(Window(), message, wParam, lParam))
        return *answer;
    switch (message) {
    case WM_CREATE:
        return OnCreate(*reinterpret_cast<const CREATESTRUCTW*>(lParam)) ? 0 : -1;
    case WM_SIZE:
        model_->Resize(density_.Twips(static_cast<int>(LOWORD(lParam))),
                       density_.Twips(static_cast<int>(HIWORD(lParam))));
        Sync();
        return 0;
    case WM_LBUTTONDOWN:
        OnMouseDown(MouseButton::Left, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
        OnMouseDown(MouseButton::Right, wParam, lParam);
        return 0;
    case WM_MBUTTONDOWN:
        OnMouseDown(MouseButton::Middle, wParam, lParam);
        return 0;
    case WM_LBUTTONUP: {
        // The click is raised first: letting go of the mouse ends the press (below).
        model_->MouseUp(MouseButton::Left, density_.PointTwips(GET_X_LPARAM(lParam)),
                        density_.PointTwips(GET_Y_LPARAM(lParam)));
        if (Window() != nullptr && GetCapture() == Window())
            ReleaseCapture();
        Sync();
        return 0;
    }
    case WM_CAPTURECHANGED:
        // Released above, or taken by another window while a row item was pressed: either
        // way a release that follows is no longer this press's.
        model_->CancelPress();
        return 0;
    case WM_VSCROLL:
        OnVScroll(wParam);
        return 0;
    case WM_MOUSEWHEEL:
        // The wheel scrolls the rows, three a notch as the system's own lists do: a list
        // that ignored it would feel broken. It moves the scroll bar's value, so it stays
        // within the same limits as the bar itself.
        if (model_->ScrollBar().visible) {
            const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
            model_->ScrollBarChanged(model_->ScrollBar().value - 3 * notches);
            Sync();
        }
        return 0;
    case WM_KEYDOWN:
        if (model_->KeyDown(KeyOf(wParam), ShiftNow())) {
            Sync();
            return 0;
        }
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        OnFocus(message == WM_SETFOCUS);
        return 0;
    case WM_PAINT:
        DrawHeaderStrip(); // with the list's first paint, or one since the header last changed
        break;
    case WM_NCDESTROY:
        listView_ = scrollBar_ = nullptr; // gone with this window; the header unhooked itself
        break;
    default:
        break;
    }
    return WindowBase::HandleMessage(message, wParam, lParam);
}

void CustomList::OnFocus(bool focused) {
    model_->SetFocused(focused);
    Sync();
}

RECT CustomList::AccessiblePixels(const TwipsRect& bounds) const {
    const PixelRect r = density_.Pixels(bounds);
    return RECT{r.left, r.top, r.right, r.bottom};
}

void CustomList::OnMouseDown(MouseButton button, WPARAM wParam, LPARAM lParam) {
    // A list takes the keyboard focus where it is pressed, as the system's lists do.
    if (GetFocus() != Window())
        SetFocus(Window());
    ShiftState shift;
    shift.shift = (wParam & MK_SHIFT) != 0;
    shift.ctrl = (wParam & MK_CONTROL) != 0;
    shift.alt = GetKeyState(VK_MENU) < 0;
    model_->MouseDown(button, shift, density_.PointTwips(GET_X_LPARAM(lParam)),
                      density_.PointTwips(GET_Y_LPARAM(lParam)));
    // A pressed row item is clicked like a button: the list holds the mouse until the
    // release, wherever it happens, so a press released outside cannot linger and turn a
    // later release into a click.
    if (model_->ItemPressed() && GetCapture() != Window())
        SetCapture(Window());
    Sync();
}

void CustomList::OnVScroll(WPARAM wParam) {
    const ScrollBarState& sb = model_->ScrollBar();
    if (!sb.visible)
        return;
    int v = sb.value;
    const int code = LOWORD(wParam);
    switch (code) {
    case SB_LINEUP:
        --v;
        break;
    case SB_LINEDOWN:
        ++v;
        break;
    case SB_PAGEUP:
        v -= sb.largeChange;
        break;
    case SB_PAGEDOWN:
        v += sb.largeChange;
        break;
    case SB_TOP:
        v = 0;
        break;
    case SB_BOTTOM:
        v = sb.max;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The 16-bit position in the message is enough unless the list is that long.
        v = HIWORD(wParam);
        if (sb.max > 0xFFFF) {
            SCROLLINFO si{sizeof(si), SIF_TRACKPOS, 0, 0, 0, 0, 0};
            if (GetScrollInfo(scrollBar_, SB_CTL, &si))
                v = si.nTrackPos;
        }
        break;
    }
    default:
        return;
    }
    model_->ScrollBarChanged(v);
    // While the thumb is dragged the rows follow at once; the thumb stays with the mouse.
    Sync(code == SB_THUMBTRACK);
    UpdateWindow(Window());
}

void CustomList::Paint(HDC dc, const RECT& client) {
    const gdi::Brush background(CreateSolidBrush(gdi::ToColorRef(ListColours::Background)));
    FillRect(dc, &client, background.Get());
    if (!model_)
        return;
    const CustomListModel& m = *model_;
    const Density& d = density_;

    const TwipsRect area = m.RowsArea();
    const RECT clip{0, d.Pixels(area.top), d.Pixels(area.width), client.bottom};
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);

    const Highlight& hl = m.SelectionHighlight();
    if (hl.visible) {
        const gdi::Brush brush(CreateSolidBrush(gdi::ToColorRef(ListColours::Highlight)));
        const RECT r{0, d.Pixels(hl.top), d.Pixels(hl.width), d.Pixels(hl.top + hl.height)};
        FillRect(dc, &r, brush.Get());
    }

    // The rows are painted here rather than shown as child windows, four per row: a list
    // of ten thousand accounts would otherwise need forty thousand windows, and move every
    // one of them at each scroll step. The model keeps every row item's place all the same.
    const ListPictures& pictures = *pictures_;
    const gdi::Selection keepFont(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const auto [first, last] = m.VisibleRows();
    for (int i = first; i <= last; ++i) {
        const RowItems& row = m.Row(i);
        if (row.userIconVisible)
            DrawPicture(dc, pictures.User(row.userPicture), row.userIcon,
                        UserImageSize(row.userPicture), d);
        if (row.clockIconVisible)
            DrawPicture(dc, pictures.Clock(row.clockPicture), row.clockIcon,
                        ClockImageSize(row.clockPicture), d);
        if (row.lockIconVisible)
            DrawPicture(dc, pictures.Lock(row.lockPicture), row.lockIcon,
                        ClockImageSize(row.lockPicture), d);
        const std::wstring_view text = m.LabelText(i);
        if (row.labelVisible && !text.empty()) {
            SetTextColor(dc, gdi::ToColorRef(row.labelWhite ? ListColours::SelectedLabel
                                                            : ListColours::Label));
            SelectObject(dc, LabelFont(row.labelFont));
            RECT r{d.Pixels(row.label.left), d.Pixels(row.label.top), clip.right - d.Scaled(2),
                   d.Pixels(row.label.top + row.label.height)};
            // A name too long for the list ends in an ellipsis, so that it is seen to go on,
            // rather than being cut off mid-letter at the edge.
            DrawTextW(dc, text.data(), static_cast<int>(text.size()), &r,
                      DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
    }
    // The focus row's frame, inside the highlight, which keeps its edges.
    if (const auto focus = m.FocusRect())
        DrawFocusFrame(Window(), dc, AccessiblePixels(*focus));
}

// --- the window procedure of the header and of its list view ---

LRESULT CustomList::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    // The list view around the header has no frame, and its header fills it: with no
    // scroll bar taking room either, there is nothing outside its client area to paint.
    // It would paint anyway: its theme's background, then a scroll bar it keeps while the
    // name column is wider than the strip, both into an area of no size, for about what
    // painting the header costs. The header has no frame either.
    if (uMsg == WM_NCPAINT && ClientFillsWindow(hWnd))
        return 0;
    if (hWnd != HeaderWindow())
        return services::CallNextProc(listViewHook_, hWnd, uMsg, wParam, lParam);
    switch (uMsg) {
    case WM_PAINT:
        if (wParam != 0) { // asked to paint into a DC of the caller's
            const LRESULT result = services::CallNextProc(headerHook_, hWnd, uMsg, wParam, lParam);
            PaintSortMark(reinterpret_cast<HDC>(wParam));
            return result;
        }
        PaintThroughBuffer(hWnd, [this, hWnd](HDC dc, const RECT&) {
            PaintControlInto(headerHook_, hWnd, dc);
            PaintSortMark(dc);
        });
        return 0;
    case WM_SETCURSOR:
        return 1; // never the column-resizing pointer
    case WM_MOUSEMOVE:
        // Keeps the header from finding a divider under the pointer.
        lParam = MAKELPARAM(GET_X_LPARAM(lParam) + GetSystemMetrics(SM_CXCURSOR) / 4,
                            GET_Y_LPARAM(lParam));
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return 1; // no pressed column, no divider drag
    case WM_LBUTTONUP:
        if (model_) {
            model_->HeaderButtonUp(static_cast<int>(LOWORD(lParam)));
            Sync();
        }
        break;
    default:
        break;
    }
    return services::CallNextProc(headerHook_, hWnd, uMsg, wParam, lParam);
}

void CustomList::PaintSortMark(HDC dc) {
    if (!model_)
        return;
    const HeaderStrip& h = model_->Header();
    const gdi::BlendedPicture& mark =
        pictures_->SortMark(h.sortOrder == 0 ? AscendingSortMark : DescendingSortMark);
    if (!mark)
        return;
    int captionWidth = 0;
    if (h.sortColumn == 3) {
        const gdi::Selection font(dc, headerFont_ ? static_cast<HGDIOBJ>(headerFont_.Get())
                                                  : GetStockObject(DEFAULT_GUI_FONT));
        const std::wstring caption = CustomListModel::NameColumnCaption;
        SIZE size{};
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
        captionWidth = size.cx;
    }
    gdi::DrawBlended(dc, mark, model_->SortMarkX(captionWidth), model_->SortMarkTop(),
                     model_->SortMarkSide(), model_->SortMarkSide());
}

} // namespace qb::controls
