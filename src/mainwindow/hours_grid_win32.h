#pragma once
// The weekly hours grid's picture surface (Windows only). Like a picture box that keeps
// what was drawn on it, it holds a bitmap into which the cells the model painted are
// drawn, and shows that bitmap; being uncovered only shows it again. The mouse goes to
// the window's model in twips, with the mouse captured from press to release so that a
// drag keeps reporting outside the surface; so do the keys, the surface being a Tab stop
// that frames its focus cell. Screen readers are told of its cells.

#include "controls/accessible_win32.h"
#include "controls/window_base_win32.h"
#include "mainwindow/input_form_model.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <tuple>

namespace qb::mainwindow {

class HoursGrid final : public controls::WindowBase, private controls::AccessibleParts {
public:
    static constexpr const wchar_t* ClassName = L"QuillBayHoursGrid";

    // `cursor` names the program's cursor resource for the grid's pointer, loaded the first
    // time the pointer is over the grid; `changed` is called after every mouse action the
    // model was told of, so that the window can show what changed.
    static std::unique_ptr<HoursGrid> Create(HWND parent, int id, const RECT& bounds,
                                             InputFormModel& model,
                                             const controls::Density& density,
                                             const wchar_t* cursor, std::function<void()> changed);

    // Draws the cells painted since the last call, in the pictures the model says, frames
    // the focus cell where it is now and announces the cells' changes.
    void ShowPaintedCells();
    // Shown at another density: the surface, with every cell the model shows, drawn again
    // for it (the window is placed by its owner).
    void SetDensity(const controls::Density& density);

    // Where cell (column, row) lies on the surface, in pixels: its edges in twips, turned
    // into pixels as every other edge of the window, so the rows stay beside their labels.
    RECT CellRect(int column, int row) const;

private:
    HoursGrid(InputFormModel& model, const controls::Density& density, const wchar_t* cursor,
              std::function<void()> changed);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc, const RECT& client) override;
    void MakeSurface(int width, int height);
    // Draws one cell on the surface and returns where it is; the caller has it repainted.
    RECT DrawCell(HDC source, int column, int row, bool allowed);
    // The cell picture of that look and size, drawn on first use.
    HBITMAP CellBitmap(bool allowed, int width, int height);
    void ButtonDown(GridButton button, LPARAM lParam);
    void ButtonUp();
    std::uint32_t AccessibleRole() const override { return controls::accessible::RoleTable; }
    int AccessibleCount() const override { return kGridColumns * kGridRows; }
    controls::accessible::Item AccessibleItem(int child) const override {
        return model_.GridCell((child - 1) % kGridColumns, (child - 1) / kGridColumns);
    }
    RECT AccessiblePixels(const TwipsRect& bounds) const override;

    InputFormModel& model_;
    controls::Density density_;
    const wchar_t* cursorResource_;
    HCURSOR cursor_ = nullptr; // shared, as LoadCursorW gives it: never destroyed
    std::function<void()> changed_;
    // At most two widths and two heights of cell at a density whose cells do not fall on
    // whole pixels; one of each at the usual densities.
    std::map<std::tuple<bool, int, int>, controls::gdi::Bitmap> cellPictures_;
    controls::gdi::Bitmap surface_;
    controls::gdi::MemoryDc surfaceDc_;
    HGDIOBJ surfaceOld_ = nullptr;
    SIZE surfaceSize_{};
    bool pressed_ = false;
    // The focus cell as framed now; no frame while the grid lacks the focus.
    std::pair<int, int> framedCell_{0, 0};
    bool framed_ = false;
    controls::AccessibleWindow accessible_{static_cast<controls::AccessibleParts&>(*this)};
};

} // namespace qb::mainwindow
