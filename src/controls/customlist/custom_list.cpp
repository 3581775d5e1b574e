#include "controls/customlist/custom_list.h"

#include "controls/window_instance.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace qb::controls {

namespace {

constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kHighlight = RGB(96, 135, 223);
constexpr int kListViewId = 1;
constexpr int kScrollBarId = 2;

// The stock pictures as icons, made once for every list of the process.
struct ListPictures {
    std::array<gdi::Icon, 16> user;
    std::array<gdi::Icon, 4> clock;
    std::array<gdi::Icon, 4> lock;
    std::array<gdi::Icon, 3> sortMark; // 1 ascending, 2 descending
};

const ListPictures& Pictures() {
    static const ListPictures pictures = [] {
        ListPictures p;
        for (int i = 0; i < 16; ++i)
            p.user[static_cast<std::size_t>(i)] = gdi::MakeIcon(UserImage(i));
        for (int i = 0; i < 4; ++i) {
            p.clock[static_cast<std::size_t>(i)] = gdi::MakeIcon(ClockImage(i));
            p.lock[static_cast<std::size_t>(i)] = gdi::MakeIcon(LockImage(i));
        }
        p.sortMark[1] = gdi::MakeIcon(SortMarkImage(1));
        p.sortMark[2] = gdi::MakeIcon(SortMarkImage(2));
        return p;
    }();
    return pictures;
}

template <std::size_t N>
HICON PictureAt(const std::array<gdi::Icon, N>& icons, int index) {
    if (index < 0 || index >= static_cast<int>(N))
        return nullptr;
    return icons[static_cast<std::size_t>(index)].Get();
}

// The system's ANSI code page, straight from the platform.
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

void DrawPicture(HDC dc, HICON icon, const TwipsRect& at, PictureSize size, int tppx, int tppy) {
    if (icon == nullptr)
        return;
    DrawIconEx(dc, gdi::ToPixels(at.left, tppx), gdi::ToPixels(at.top, tppy), icon, size.width,
               size.height, 0, nullptr, DI_NORMAL);
}

} // namespace

std::unique_ptr<CustomList> CustomList::Create(HWND parent, int id, const RECT& bounds,
                                               const PropertyBag* layout, AnsiBytesOf ansiBytes) {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &CustomList::ListProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = ClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (!registered)
        return nullptr;

    std::unique_ptr<CustomList> list(new CustomList());
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    if (CreateWindowExW(
            0, ClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
            bounds.left, bounds.top, width, height, parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, list.get()) == nullptr)
        return nullptr;

    // The header strip: a report-style list view without items, as tall as its header.
    list->listView_ = CreateWindowExW(
        0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | LVS_REPORT | LVS_SINGLESEL,
        0, 0, width, 40, list->hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListViewId)),
        instance, nullptr);
    const FontSpec designed;
    list->headerFont_ = gdi::MakeFont(designed, false);
    list->labelFont_ = gdi::MakeFont(designed, false);
    SendMessageW(list->listView_, WM_SETFONT, reinterpret_cast<WPARAM>(list->headerFont_.Get()),
                 FALSE);
    const wchar_t* captions[CustomListModel::ColumnCount] = {L"", L"", L"",
                                                             CustomListModel::NameColumnCaption};
    for (int c = 0; c < CustomListModel::ColumnCount; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = 24;
        column.pszText = const_cast<wchar_t*>(captions[c]);
        SendMessageW(list->listView_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c),
                     reinterpret_cast<LPARAM>(&column));
    }
    list->header_ = reinterpret_cast<HWND>(SendMessageW(list->listView_, LVM_GETHEADER, 0, 0));
    RECT item{};
    SendMessageW(list->header_, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));

    list->scrollBar_ = CreateWindowExW(
        0, L"SCROLLBAR", nullptr, WS_CHILD | SBS_VERT, 0, 0, 0, 0, list->hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kScrollBarId)), instance, nullptr);

    ListMetrics metrics;
    metrics.tppx = gdi::ScreenTwipsPerPixelX();
    metrics.tppy = gdi::ScreenTwipsPerPixelY();
    metrics.headerHeightPx = item.bottom > item.top ? item.bottom - item.top : 20;
    metrics.scrollBarWidthPx = GetSystemMetrics(SM_CXVSCROLL);
    list->model_ =
        std::make_unique<CustomListModel>(metrics, width * metrics.tppx, height * metrics.tppy,
                                          ansiBytes ? std::move(ansiBytes) : SystemAnsiBytes());
    list->model_->SetFont(designed.name, designed.size, false, false, false, false,
                          list->LabelHeightTwips());
    CustomList* self = list.get();
    list->model_->ItemClick = [self](std::int32_t tag) {
        if (self->ItemClick)
            self->ItemClick(tag);
    };
    list->model_->ColumnClick = [self](std::int32_t column) {
        if (self->ColumnClick)
            self->ColumnClick(column);
    };

    if (list->header_ != nullptr)
        services::HookWindow(list->header_, *list, list->headerOldProc_);
    if (layout != nullptr)
        list->model_->ReadProperties(*layout);
    list->model_->Resize(width * metrics.tppx, height * metrics.tppy);
    list->Sync();
    return list;
}

CustomList::~CustomList() {
    if (header_ != nullptr && headerOldProc_ != nullptr && IsWindow(header_))
        services::UnhookWindow(header_, headerOldProc_);
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

// --- the owner's interface: the model decides, the windows follow ---

void CustomList::SetSmallIcons(bool small) {
    model_->SetSmallIcons(small);
    Sync();
}

void CustomList::SetNoHeader(bool hdr) {
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

void CustomList::SetAccountLocked(bool b) {
    model_->SetAccountLocked(b);
    Sync();
}

void CustomList::SetHasTimeRestrictions(bool b) {
    model_->SetHasTimeRestrictions(b);
    Sync();
}

void CustomList::SetNewUserName(const std::wstring& name) {
    model_->SetNewUserName(name);
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
    model_->SetFont(fontName, fontSize, fontBold, fontItalic, fontUnderline, fontStrikethru);
    MakeFonts();
    model_->SetFont(fontName, fontSize, fontBold, fontItalic, fontUnderline, fontStrikethru,
                    LabelHeightTwips());
    Sync();
}

void CustomList::MakeFonts() {
    // A font that cannot be made leaves the old one in use.
    if (gdi::Font f = gdi::MakeFont(model_->LabelFont(), false))
        labelFont_ = std::move(f);
    if (gdi::Font f = gdi::MakeFont(model_->HeaderFont(), false)) {
        headerFont_ = std::move(f);
        if (listView_ != nullptr)
            SendMessageW(listView_, WM_SETFONT, reinterpret_cast<WPARAM>(headerFont_.Get()), TRUE);
    }
}

int CustomList::LabelHeightTwips() {
    gdi::WindowDc screen(nullptr);
    if (screen.Get() == nullptr || !labelFont_)
        return 0;
    gdi::Selection font(screen.Get(), labelFont_.Get());
    TEXTMETRICW tm{};
    if (!GetTextMetricsW(screen.Get(), &tm))
        return 0;
    return static_cast<int>(tm.tmHeight) * gdi::ScreenTwipsPerPixelY();
}

void CustomList::Sync(bool keepThumb) {
    if (hwnd_ == nullptr || !model_)
        return;
    const CustomListModel& m = *model_;
    const int tppx = m.Metrics().tppx, tppy = m.Metrics().tppy;

    const HeaderStrip& h = m.Header();
    const int headerWidth = std::max(0, h.width / tppx), headerHeight = h.height / tppy;
    if (listView_ != nullptr &&
        (h.visible != applied_.headerVisible || headerWidth != applied_.headerWidth ||
         headerHeight != applied_.headerHeight)) {
        SetWindowPos(listView_, nullptr, 0, 0, headerWidth, headerHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE | (h.visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
        applied_.headerVisible = h.visible;
        applied_.headerWidth = headerWidth;
        applied_.headerHeight = headerHeight;
    }
    for (int c = 0; c < CustomListModel::ColumnCount; ++c) {
        const int w = std::max(0, h.columnWidthPx[static_cast<std::size_t>(c)]);
        if (w != applied_.columns[static_cast<std::size_t>(c)]) {
            SendMessageW(listView_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c), MAKELPARAM(w, 0));
            applied_.columns[static_cast<std::size_t>(c)] = w;
        }
    }
    if (h.repaints != applied_.headerRepaints) {
        applied_.headerRepaints = h.repaints;
        if (header_ != nullptr)
            InvalidateRect(header_, nullptr, TRUE);
    }

    const ScrollBarState& sb = m.ScrollBar();
    const RECT sbRect{sb.left / tppx, 0, sb.left / tppx + sb.width / tppx, sb.height / tppy};
    if (!EqualRect(&sbRect, &applied_.scrollRect)) {
        SetWindowPos(scrollBar_, HWND_TOP, sbRect.left, sbRect.top, sbRect.right - sbRect.left,
                     sbRect.bottom - sbRect.top, SWP_NOACTIVATE);
        applied_.scrollRect = sbRect;
    }
    const int page =
        m.RowHeight() > 0 ? std::max(1, (m.InnerHeight() - m.ListTop()) / m.RowHeight()) : 1;
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
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// --- the list's own window ---

LRESULT CALLBACK CustomList::ListProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<CustomList*>(cs->lpCreateParams);
        self->hwnd_ = hWnd;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    CustomList* self = WindowInstance<CustomList>(hWnd);
    if (self != nullptr && !self->model_) // still being created
        self = nullptr;
    if (self == nullptr && uMsg == WM_ERASEBKGND)
        return 1;
    return CallInstance(self, &CustomList::HandleList, hWnd, uMsg, wParam, lParam);
}

LRESULT CustomList::HandleList(UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_SIZE: {
        const int tppx = model_->Metrics().tppx, tppy = model_->Metrics().tppy;
        model_->Resize(static_cast<int>(LOWORD(lParam)) * tppx,
                       static_cast<int>(HIWORD(lParam)) * tppy);
        Sync();
        return 0;
    }
    case WM_ERASEBKGND:
        return 1; // everything is painted in one blit
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC screen = BeginPaint(hwnd_, &ps);
        RECT client;
        GetClientRect(hwnd_, &client);
        if (HDC dc = buffer_.Begin(screen, client.right, client.bottom)) {
            Paint(dc, client);
            buffer_.Show(screen, client);
        }
        EndPaint(hwnd_, &ps);
        return 0;
    }
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
        const int tppx = model_->Metrics().tppx, tppy = model_->Metrics().tppy;
        model_->MouseUp(MouseButton::Left, GET_X_LPARAM(lParam) * tppx,
                        GET_Y_LPARAM(lParam) * tppy);
        Sync();
        return 0;
    }
    case WM_VSCROLL:
        OnVScroll(wParam);
        return 0;
    case WM_MOUSEWHEEL:
        if (model_->ScrollBar().visible) {
            const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
            model_->ScrollBarChanged(model_->ScrollBar().value - 3 * notches);
            Sync();
        }
        return 0;
    case WM_NCDESTROY: {
        HWND w = std::exchange(hwnd_, nullptr);
        SetWindowLongPtrW(w, GWLP_USERDATA, 0);
        listView_ = header_ = scrollBar_ = nullptr;
        return DefWindowProcW(w, uMsg, wParam, lParam);
    }
    default:
        return DefWindowProcW(hwnd_, uMsg, wParam, lParam);
    }
}

void CustomList::OnMouseDown(MouseButton button, WPARAM wParam, LPARAM lParam) {
    const int tppx = model_->Metrics().tppx, tppy = model_->Metrics().tppy;
    ShiftState shift;
    shift.shift = (wParam & MK_SHIFT) != 0;
    shift.ctrl = (wParam & MK_CONTROL) != 0;
    shift.alt = GetKeyState(VK_MENU) < 0;
    model_->MouseDown(button, shift, GET_X_LPARAM(lParam) * tppx, GET_Y_LPARAM(lParam) * tppy);
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
    UpdateWindow(hwnd_);
}

void CustomList::Paint(HDC dc, const RECT& client) {
    const CustomListModel& m = *model_;
    const int tppx = m.Metrics().tppx, tppy = m.Metrics().tppy;
    gdi::Brush background(CreateSolidBrush(kBackground));
    FillRect(dc, &client, background.Get());

    const TwipsRect area = m.RowsArea();
    const RECT clip{0, gdi::ToPixels(area.top, tppy), area.width / tppx, client.bottom};
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);

    const Highlight& hl = m.SelectionHighlight();
    if (hl.visible) {
        gdi::Brush brush(CreateSolidBrush(kHighlight));
        const RECT r{0, gdi::ToPixels(hl.top, tppy), hl.width / tppx,
                     gdi::ToPixels(hl.top, tppy) + hl.height / tppy};
        FillRect(dc, &r, brush.Get());
    }

    const ListPictures& pictures = Pictures();
    gdi::Selection font(dc, labelFont_ ? static_cast<HGDIOBJ>(labelFont_.Get())
                                       : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    const auto [first, last] = m.VisibleRows();
    for (int i = first; i <= last; ++i) {
        const RowItems& row = m.Row(i);
        if (row.userIconVisible)
            DrawPicture(dc, PictureAt(pictures.user, row.userPicture), row.userIcon,
                        UserImageSize(row.userPicture), tppx, tppy);
        if (row.clockIconVisible)
            DrawPicture(dc, PictureAt(pictures.clock, row.clockPicture), row.clockIcon,
                        ClockImageSize(row.clockPicture), tppx, tppy);
        if (row.lockIconVisible)
            DrawPicture(dc, PictureAt(pictures.lock, row.lockPicture), row.lockIcon,
                        ClockImageSize(row.lockPicture), tppx, tppy);
        if (row.labelVisible && !row.labelText.empty()) {
            SetTextColor(dc, row.labelWhite ? RGB(255, 255, 255) : RGB(0, 0, 0));
            const int top = gdi::ToPixels(row.label.top, tppy);
            RECT r{gdi::ToPixels(row.label.left, tppx), top, clip.right - 2,
                   top + row.label.height / tppy};
            DrawTextW(dc, row.labelText.c_str(), static_cast<int>(row.labelText.size()), &r,
                      DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
    }
}

// --- the header's window procedure ---

LRESULT CustomList::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    switch (uMsg) {
    case WM_PAINT: {
        const LRESULT result = services::CallSavedProc(headerOldProc_, hWnd, uMsg, wParam, lParam);
        PaintSortMark();
        return result;
    }
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
    return services::CallSavedProc(headerOldProc_, hWnd, uMsg, wParam, lParam);
}

void CustomList::PaintSortMark() {
    if (header_ == nullptr || !model_)
        return;
    gdi::WindowDc dc(header_);
    if (dc.Get() == nullptr)
        return;
    const HeaderStrip& h = model_->Header();
    HICON icon = PictureAt(Pictures().sortMark, h.sortOrder + 1);
    if (icon == nullptr)
        return;
    double captionWidth = 0;
    if (h.sortColumn == 3) {
        gdi::Selection font(dc.Get(), headerFont_ ? static_cast<HGDIOBJ>(headerFont_.Get())
                                                  : GetStockObject(DEFAULT_GUI_FONT));
        const std::wstring caption = CustomListModel::NameColumnCaption;
        SIZE size{};
        GetTextExtentPoint32W(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &size);
        captionWidth = static_cast<double>(size.cx) * model_->Metrics().tppx;
    }
    DrawIconEx(dc.Get(), model_->SortMarkX(captionWidth), 4, icon, 12, 12, 0, nullptr, DI_NORMAL);
}

} // namespace qb::controls
