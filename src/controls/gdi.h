#pragma once
// Small move-only owners of GDI and icon handles, and the conversion of the controls'
// pictures into icons and bitmaps. Windows only.

#include "controls/heading/heading_model.h"
#include "controls/pictures/pictures.h"

#include <windows.h>

#include <utility>

namespace qb::controls::gdi {

template <class H, class Deleter>
class Owned {
public:
    Owned() = default;
    explicit Owned(H h) : h_(h) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Owned(Owned&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    Owned& operator=(Owned&& o) noexcept {
        if (this != &o)
            Reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    ~Owned() { Reset(); }
    void Reset(H h = nullptr) {
        if (h_ != nullptr)
            Deleter{}(h_);
        h_ = h;
    }
    H Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    H h_ = nullptr;
};

struct DeleteObjectFn {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct DestroyIconFn {
    void operator()(HICON h) const { DestroyIcon(h); }
};
struct DeleteDcFn {
    void operator()(HDC h) const { DeleteDC(h); }
};

using Font = Owned<HFONT, DeleteObjectFn>;
using Bitmap = Owned<HBITMAP, DeleteObjectFn>;
using Brush = Owned<HBRUSH, DeleteObjectFn>;
using Icon = Owned<HICON, DestroyIconFn>;
using MemoryDc = Owned<HDC, DeleteDcFn>;

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

// A window's DC from GetDC, released at the end of the scope.
class WindowDc {
public:
    explicit WindowDc(HWND w) : w_(w), dc_(GetDC(w)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_ != nullptr)
            ReleaseDC(w_, dc_);
    }
    HDC Get() const { return dc_; }

private:
    HWND w_;
    HDC dc_;
};

// An off-screen surface the size of a window's client area: paint into it, then show
// it in one blit, so nothing flickers.
class BackBuffer {
public:
    HDC Begin(HDC screen, int width, int height);
    void Show(HDC screen, const RECT& area);

private:
    Bitmap bitmap_; // declared first: the DC goes before the bitmap it holds
    MemoryDc dc_;
    HGDIOBJ oldBitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// A 32-bit icon with the picture's alpha; an empty picture gives no icon.
Icon MakeIcon(const Picture& picture);
// An opaque bitmap of the picture.
Bitmap MakeBitmap(const Picture& picture);
// A font of the given face, size in points and flags, for the screen's dpi.
Font MakeFont(const FontSpec& font, bool bold);

// Twips per pixel of the screen, horizontally and vertically (15 at 96 dpi).
int ScreenTwipsPerPixelX();
int ScreenTwipsPerPixelY();

// Floor division of twips into pixels: rows above the list have negative tops.
inline int ToPixels(int twips, int tpp) {
    int q = twips / tpp;
    if (twips % tpp != 0 && twips < 0)
        --q;
    return q;
}

} // namespace qb::controls::gdi
