#include "mainwindow/hours_grid_win32.h"

#include "controls/keys_win32.h"
#include "mainwindow/form_pictures.h"

#include <windowsx.h>

#include <utility>

namespace qb::mainwindow {

namespace {

COLORREF ToColorRef(std::uint32_t bbggrr) {
    return static_cast<COLORREF>(bbggrr);
}

// Posted when the grid has lost the focus: a painting by a key ends then, and it may ask
// its question, which is not to be asked in the middle of the focus change.
constexpr UINT kFocusLeft = WM_APP + 1;

} // namespace

HoursGrid::HoursGrid(InputFormModel& model, const controls::Density& density, const wchar_t* cursor,
                     std::function<void()> changed)
    : model_(model), density_(density), cursorResource_(cursor), changed_(std::move(changed)) {}

std::unique_ptr<HoursGrid> HoursGrid::Create(HWND parent, int id, const RECT& bounds,
                                             InputFormModel& model,
                                             const controls::Density& density,
                                             const wchar_t* cursor, std::function<void()> changed) {
    std::unique_ptr<HoursGrid> grid(new HoursGrid(model, density, cursor, std::move(changed)));
    controls::WindowClass windowClass;
    windowClass.name = ClassName;
    windowClass.cursor = nullptr; // the grid's own pointer, set on WM_SETCURSOR
    if (!grid->WindowBase::MakeWindow(
            windowClass,
            controls::ChildAt(parent, id, bounds, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS)))
        return nullptr;
    grid->MakeSurface(bounds.right - bounds.left, bounds.bottom - bounds.top);
    return grid;
}

RECT HoursGrid::CellRect(int column, int row) const {
    const int w = model_.CellWidth(), h = model_.CellHeight();
    return RECT{density_.Pixels(column * w), density_.Pixels(row * h),
                density_.Pixels((column + 1) * w), density_.Pixels((row + 1) * h)};
}

HBITMAP HoursGrid::CellBitmap(bool allowed, int width, int height) {
    controls::gdi::Bitmap& picture = cellPictures_[{allowed, width, height}];
    if (!picture)
        picture = controls::gdi::MakeBitmap(CellPicture(allowed, width, height, density_));
    return picture.Get();
}

void HoursGrid::MakeSurface(int width, int height) {
    if (surfaceDc_ && surfaceOld_ != nullptr)
        SelectObject(surfaceDc_.Get(), surfaceOld_);
    surfaceOld_ = nullptr;
    const controls::gdi::WindowDc screen = controls::gdi::GetWindowDc(Window());
    surfaceDc_.Reset(CreateCompatibleDC(screen.Get()));
    surface_.Reset(CreateCompatibleBitmap(screen.Get(), std::max(width, 1), std::max(height, 1)));
    surfaceSize_ = SIZE{width, height};
    if (!surfaceDc_ || !surface_)
        return;
    surfaceOld_ = SelectObject(surfaceDc_.Get(), surface_.Get());
    controls::gdi::Brush background(CreateSolidBrush(ToColorRef(colour::GridBackground)));
    const RECT all{0, 0, width, height};
    FillRect(surfaceDc_.Get(), &all, background.Get());
}

RECT HoursGrid::DrawCell(HDC source, int column, int row, bool allowed) {
    const RECT cell = CellRect(column, row);
    const int width = cell.right - cell.left, height = cell.bottom - cell.top;
    const controls::gdi::Selection picture(source, CellBitmap(allowed, width, height));
    BitBlt(surfaceDc_.Get(), cell.left, cell.top, width, height, source, 0, 0, SRCCOPY);
    return cell;
}

RECT HoursGrid::AccessiblePixels(const TwipsRect& bounds) const {
    const controls::PixelRect r = density_.Pixels(bounds);
    return RECT{r.left, r.top, r.right, r.bottom};
}

void HoursGrid::ShowPaintedCells() {
    if (framed_ != model_.GridFocused() || framedCell_ != model_.FocusCell()) {
        RECT was = CellRect(framedCell_.first, framedCell_.second);
        Invalidate(&was);
        framed_ = model_.GridFocused();
        framedCell_ = model_.FocusCell();
        RECT now = CellRect(framedCell_.first, framedCell_.second);
        Invalidate(&now);
    }
    controls::AccessibleWindow::Raise(Window(), model_.TakeGridEvents());
    const auto cells = model_.TakePaintedCells();
    if (cells.empty() || !surfaceDc_)
        return;
    controls::gdi::MemoryDc source(CreateCompatibleDC(surfaceDc_.Get()));
    const GridSurface& grid = model_.Grid();
    // One request to repaint the cells' common rectangle, rather than one a cell: a whole
    // week is drawn whenever another account shows.
    RECT changed{};
    for (const auto& [c, r] : cells) {
        const RECT cell =
            DrawCell(source.Get(), c, r,
                     grid.allowed[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)]);
        UnionRect(&changed, &changed, &cell);
    }
    Invalidate(&changed);
}

void HoursGrid::SetDensity(const controls::Density& density) {
    if (density == density_)
        return;
    density_ = density;
    cellPictures_.clear();
    RECT client{};
    GetClientRect(Window(), &client);
    const controls::PixelRect size = density_.Pixels(
        TwipsRect{0, 0, kGridColumns * model_.CellWidth(), kGridRows * model_.CellHeight()});
    MakeSurface(std::max<int>(client.right, size.right), std::max<int>(client.bottom, size.bottom));
    model_.TakePaintedCells(); // all of them follow
    const GridSurface& grid = model_.Grid();
    if (!grid.drawn || !surfaceDc_)
        return;
    controls::gdi::MemoryDc source(CreateCompatibleDC(surfaceDc_.Get()));
    for (int c = 0; c < kGridColumns; ++c)
        for (int r = 0; r < kGridRows; ++r)
            DrawCell(source.Get(), c, r,
                     grid.allowed[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)]);
    Invalidate();
}

void HoursGrid::Paint(HDC dc, const RECT& client) {
    if (surfaceDc_)
        BitBlt(dc, 0, 0, client.right, client.bottom, surfaceDc_.Get(), 0, 0, SRCCOPY);
    if (framed_)
        controls::DrawFocusFrame(Window(), dc, CellRect(framedCell_.first, framedCell_.second));
}

void HoursGrid::ButtonDown(GridButton button, LPARAM lParam) {
    // The grid takes the keyboard focus where it is pressed, as the system's controls do.
    if (GetFocus() != Window())
        SetFocus(Window());
    SetCapture(Window());
    pressed_ = true;
    model_.GridMouseDown(button, density_.PointTwips(GET_X_LPARAM(lParam)),
                         density_.PointTwips(GET_Y_LPARAM(lParam)));
    changed_();
}

void HoursGrid::ButtonUp() {
    if (!pressed_)
        return;
    pressed_ = false;
    // Released before the model may ask its question in a message box.
    if (GetCapture() == Window())
        ReleaseCapture();
    model_.GridMouseUp();
    changed_();
}

LRESULT HoursGrid::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (const auto answer = accessible_.HandleMessage(Window(), message, wParam, lParam))
        return *answer;
    switch (message) {
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && cursor_ == nullptr && cursorResource_ != nullptr)
            cursor_ = LoadCursorW(GetModuleHandleW(nullptr), cursorResource_);
        if (LOWORD(lParam) == HTCLIENT && cursor_ != nullptr) {
            SetCursor(cursor_);
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ButtonDown(GridButton::Left, lParam);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        ButtonDown(GridButton::Right, lParam);
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        ButtonDown(GridButton::Middle, lParam);
        return 0;
    case WM_MOUSEMOVE:
        if (pressed_) {
            model_.GridMouseMove(density_.PointTwips(GET_X_LPARAM(lParam)),
                                 density_.PointTwips(GET_Y_LPARAM(lParam)));
            changed_();
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        ButtonUp();
        return 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse mid-drag (a message box, a switch of programs):
        // the drag ends there, as a release would end it.
        if (reinterpret_cast<HWND>(lParam) != Window())
            ButtonUp();
        return 0;
    case WM_KEYDOWN:
        if (model_.GridKeyDown(controls::KeyOf(wParam), controls::ShiftNow(),
                               controls::IsRepeat(lParam))) {
            changed_();
            return 0;
        }
        break;
    case WM_KEYUP:
        model_.GridKeyUp(controls::KeyOf(wParam));
        changed_();
        return 0;
    case WM_SETFOCUS:
        model_.GridFocus(true);
        changed_();
        return 0;
    case WM_KILLFOCUS:
        PostMessageW(Window(), kFocusLeft, 0, 0);
        return 0;
    case kFocusLeft:
        if (GetFocus() != Window() && model_.GridFocused()) {
            model_.GridFocus(false);
            changed_();
        }
        return 0;
    case WM_NCDESTROY:
        if (surfaceDc_ && surfaceOld_ != nullptr)
            SelectObject(surfaceDc_.Get(), surfaceOld_);
        break;
    default:
        break;
    }
    return WindowBase::HandleMessage(message, wParam, lParam);
}

} // namespace qb::mainwindow
