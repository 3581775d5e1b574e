#include "mainwindow/hours_grid_win32.h"

#include "mainwindow/form_pictures.h"

#include <windowsx.h>

#include <utility>

namespace qb::mainwindow {

namespace {

COLORREF ToColorRef(std::uint32_t bbggrr) {
    return static_cast<COLORREF>(bbggrr);
}

} // namespace

HoursGrid::HoursGrid(InputFormModel& model, int tppx, int tppy, HCURSOR cursor,
                     std::function<void()> changed)
    : model_(model), tppx_(tppx), tppy_(tppy), cursor_(cursor), changed_(std::move(changed)) {}

std::unique_ptr<HoursGrid> HoursGrid::Create(HWND parent, int id, const RECT& bounds,
                                             InputFormModel& model, int tppx, int tppy,
                                             HCURSOR cursor, std::function<void()> changed) {
    std::unique_ptr<HoursGrid> grid(new HoursGrid(model, tppx, tppy, cursor, std::move(changed)));
    controls::WindowClass windowClass;
    windowClass.name = ClassName;
    windowClass.cursor = nullptr; // the grid's own pointer, set on WM_SETCURSOR
    if (!grid->WindowBase::MakeWindow(
            windowClass, controls::ChildAt(parent, id, bounds, WS_VISIBLE | WS_CLIPSIBLINGS)))
        return nullptr;
    grid->MakeSurface(bounds.right - bounds.left, bounds.bottom - bounds.top);
    return grid;
}

void HoursGrid::MakeSurface(int width, int height) {
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
    // The cell pictures at the size of a cell on this screen.
    const int cellWidth = model_.CellWidth() / tppx_, cellHeight = model_.CellHeight() / tppy_;
    onImage_ = controls::gdi::MakeBitmap(CellPicture(true, cellWidth, cellHeight));
    offImage_ = controls::gdi::MakeBitmap(CellPicture(false, cellWidth, cellHeight));
}

void HoursGrid::ShowPaintedCells() {
    const auto cells = model_.TakePaintedCells();
    if (cells.empty() || !surfaceDc_ || !onImage_ || !offImage_)
        return;
    const int cellWidth = model_.CellWidth() / tppx_, cellHeight = model_.CellHeight() / tppy_;
    controls::gdi::MemoryDc source(CreateCompatibleDC(surfaceDc_.Get()));
    const GridSurface& grid = model_.Grid();
    for (const auto& [c, r] : cells) {
        const bool allowed = grid.allowed[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)];
        const controls::gdi::Selection picture(source.Get(),
                                               allowed ? onImage_.Get() : offImage_.Get());
        BitBlt(surfaceDc_.Get(), c * cellWidth, r * cellHeight, cellWidth, cellHeight, source.Get(),
               0, 0, SRCCOPY);
        const RECT cell{c * cellWidth, r * cellHeight, (c + 1) * cellWidth, (r + 1) * cellHeight};
        InvalidateRect(Window(), &cell, FALSE);
    }
}

void HoursGrid::Paint(HDC dc, const RECT& client) {
    if (surfaceDc_)
        BitBlt(dc, 0, 0, client.right, client.bottom, surfaceDc_.Get(), 0, 0, SRCCOPY);
}

void HoursGrid::ButtonDown(GridButton button, LPARAM lParam) {
    SetCapture(Window());
    pressed_ = true;
    model_.GridMouseDown(button, GET_X_LPARAM(lParam) * tppx_, GET_Y_LPARAM(lParam) * tppy_);
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
    switch (message) {
    case WM_SETCURSOR:
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
            model_.GridMouseMove(GET_X_LPARAM(lParam) * tppx_, GET_Y_LPARAM(lParam) * tppy_);
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
