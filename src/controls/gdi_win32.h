#pragma once
// GDI objects, icons and device contexts as move-only owners on the program's one handle
// template, and the conversion of the controls' pictures into icons and bitmaps.

#include "controls/density.h"
#include "controls/heading/heading_model.h"
#include "controls/pictures/pictures.h"
#include "platform/win32/handles.h"

#include <windows.h>

#include <cstdint>

namespace qb::controls::gdi {

// Pens, brushes, fonts and bitmaps: released with DeleteObject.
template <typename Handle>
struct ObjectTraits {
    using Type = Handle;
    static Type Invalid() noexcept { return nullptr; }
    void Close(Type object) const noexcept { ::DeleteObject(object); }
};
using Font = win32::Unique<ObjectTraits<HFONT>>;
using Bitmap = win32::Unique<ObjectTraits<HBITMAP>>;
using Brush = win32::Unique<ObjectTraits<HBRUSH>>;

// Icons made with CreateIconIndirect (never shared system icons).
struct IconTraits {
    using Type = HICON;
    static Type Invalid() noexcept { return nullptr; }
    void Close(Type icon) const noexcept { ::DestroyIcon(icon); }
};
using Icon = win32::Unique<IconTraits>;

// A DC of our own from CreateCompatibleDC.
struct MemoryDcTraits {
    using Type = HDC;
    static Type Invalid() noexcept { return nullptr; }
    void Close(Type dc) const noexcept { ::DeleteDC(dc); }
};
using MemoryDc = win32::Unique<MemoryDcTraits>;

// A window's DC from GetDC, given back to that window with ReleaseDC.
struct WindowDcTraits {
    using Type = HDC;
    HWND window = nullptr;
    static Type Invalid() noexcept { return nullptr; }
    void Close(Type dc) const noexcept { ::ReleaseDC(window, dc); }
};
using WindowDc = win32::Unique<WindowDcTraits>;

// The DC of `window` (of the screen when null); empty when none can be had.
inline WindowDc GetWindowDc(HWND window) {
    return WindowDc(::GetDC(window), WindowDcTraits{window});
}

// Selects an object into a DC for the life of the scope.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { SelectObject(dc_, old_); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// An off-screen surface at least the size of a window's client area: paint into it, then
// show it in one blit, so nothing flickers. It grows to the largest area it was asked for
// and is kept between paints, so the windows of a thread can share one.
class BackBuffer {
public:
    // The surface, with no clipping, or null when none can be made.
    HDC Begin(HDC screen, int width, int height);
    void Show(HDC screen, const RECT& area);

private:
    Bitmap bitmap_; // declared first: the DC goes before the bitmap it holds
    MemoryDc dc_;
    HGDIOBJ oldBitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// A colour of the models (0x00BBGGRR) for GDI.
constexpr COLORREF ToColorRef(std::uint32_t bbggrr) {
    return static_cast<COLORREF>(bbggrr);
}

// A 32-bit icon with the picture's alpha; an empty picture gives no icon.
Icon MakeIcon(const Picture& picture);

// A picture with its alpha, ready to be blended onto a DC as often as it is needed: what an
// icon is drawn with, without making an icon (which under Wine costs several requests to
// the window server, where blending costs none).
struct BlendedPicture {
    Bitmap bitmap; // 32 bits, premultiplied by alpha
    SIZE size{};
    explicit operator bool() const noexcept { return static_cast<bool>(bitmap); }
};
// An empty picture, or one whose bitmap cannot be made, gives an empty one.
BlendedPicture MakeBlendedPicture(const Picture& picture);
// Draws `picture` at (x, y), stretched to `width` x `height`; nothing when it is empty.
void DrawBlended(HDC dc, const BlendedPicture& picture, int x, int y, int width, int height);
// An opaque bitmap of the picture.
Bitmap MakeBitmap(const Picture& picture);
// A font of the given face, size in points and flags, for a screen of that density.
Font MakeFont(const FontSpec& font, bool bold, const Density& density);

inline RECT ToRect(const PixelRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

// The outline of a rectangle of the design, a pixel of the design wide: whatever lies
// inside it in twips starts where the outline ends in pixels.
void FrameTwips(HDC dc, const Density& density, const TwipsRect& bounds, HBRUSH brush);

// The density `window` is shown at: its monitor's where the system tells each window its
// own (per-monitor awareness), else the screen's. The screen's for a null window.
Density WindowDensity(HWND window);
// A system metric (SM_CXVSCROLL, ...) at that density.
int SystemMetric(int index, const Density& density);
// The window size for a client area of that size, with the frame of that density.
SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle,
               const Density& density);
// WM_DPICHANGED: the new density (from wParam) and the rectangle the system suggests.
Density DpiChangedDensity(WPARAM wParam);
void TakeSuggestedRect(HWND window, LPARAM lParam);

} // namespace qb::controls::gdi
