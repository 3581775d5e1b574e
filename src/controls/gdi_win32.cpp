#include "controls/gdi_win32.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace qb::controls::gdi {

HDC BackBuffer::Begin(HDC screen, int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (!dc_) {
        dc_.Reset(CreateCompatibleDC(screen));
        if (!dc_)
            return nullptr;
    }
    if (!bitmap_ || width > width_ || height > height_) {
        if (oldBitmap_ != nullptr)
            SelectObject(dc_.Get(), oldBitmap_);
        // As large as every window painted through it so far, so that windows of other
        // shapes taking turns do not make it anew each time.
        width = std::max(width, width_);
        height = std::max(height, height_);
        // A DIB section rather than a bitmap of the screen's kind: the themed controls painted
        // through it blit their parts with TransparentBlt, which under Wine asks the window
        // server for the screen's colour depth on every call unless the target holds a DIB.
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.Reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap_)
            return nullptr;
        width_ = width;
        height_ = height;
        oldBitmap_ = SelectObject(dc_.Get(), bitmap_.Get());
    }
    SelectClipRgn(dc_.Get(), nullptr);
    return dc_.Get();
}

void BackBuffer::Show(HDC screen, const RECT& area) {
    BitBlt(screen, area.left, area.top, area.right - area.left, area.bottom - area.top, dc_.Get(),
           area.left, area.top, SRCCOPY);
}

namespace {

HBITMAP MakeDib(const Picture& picture, bool withAlpha) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = picture.width;
    bi.bmiHeader.biHeight = -picture.height; // top-down, as the picture's rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp == nullptr || bits == nullptr)
        return bmp;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < picture.pixels.size(); ++i)
        out[i] = withAlpha ? picture.pixels[i] : (picture.pixels[i] | 0xFF000000u);
    GdiFlush();
    return bmp;
}

} // namespace

Icon MakeIcon(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0)
        return Icon{};
    Bitmap colour(MakeDib(picture, true));
    // The AND mask for displays without alpha: transparent where the picture mostly is.
    const int stride = ((picture.width + 15) / 16) * 2;
    std::vector<std::uint8_t> maskBits(static_cast<std::size_t>(stride * picture.height), 0);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if ((picture.At(x, y) >> 24) < 128)
                maskBits[(static_cast<std::size_t>(y) * static_cast<std::size_t>(stride)) +
                         static_cast<std::size_t>(x / 8)] |=
                    static_cast<std::uint8_t>(0x80 >> (x % 8));
    Bitmap mask(CreateBitmap(picture.width, picture.height, 1, 1, maskBits.data()));
    if (!colour || !mask)
        return Icon{};
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask.Get();
    info.hbmColor = colour.Get();
    return Icon(CreateIconIndirect(&info)); // copies both bitmaps
}

BlendedPicture MakeBlendedPicture(const Picture& picture) {
    BlendedPicture made;
    if (picture.width <= 0 || picture.height <= 0)
        return made;
    Picture premultiplied = picture;
    for (std::uint32_t& pixel : premultiplied.pixels) {
        const std::uint32_t alpha = pixel >> 24;
        std::uint32_t out = alpha << 24;
        for (const int shift : {0, 8, 16}) // rounded as the system rounds an icon's colours
            out |= ((((pixel >> shift) & 0xFFu) * alpha + 127) / 255) << shift;
        pixel = out;
    }
    made.bitmap.Reset(MakeDib(premultiplied, true));
    made.size = SIZE{picture.width, picture.height};
    return made;
}

void DrawBlended(HDC dc, const BlendedPicture& picture, int x, int y, int width, int height) {
    if (!picture)
        return;
    // One DC to blend from for every picture a thread draws: a list draws dozens at each
    // step of a scroll, and making a DC for each would cost more than blending them.
    thread_local const MemoryDc source(CreateCompatibleDC(nullptr));
    if (!source)
        return;
    const Selection selected(source.Get(), picture.bitmap.Get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    GdiAlphaBlend(dc, x, y, width, height, source.Get(), 0, 0, picture.size.cx, picture.size.cy,
                  blend);
}

Bitmap MakeBitmap(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0)
        return Bitmap{};
    return Bitmap(MakeDib(picture, false));
}

namespace {

constexpr int kPointsPerInch = 72;

int ScreenDpi() {
    const WindowDc screen = GetWindowDc(nullptr);
    return screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
}

// The per-monitor functions came with later versions of Windows than the program runs on:
// they are looked up, and their absence means one density for the whole screen.
template <typename Function>
Function User32Function(const char* name) {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 != nullptr ? reinterpret_cast<Function>(
                                   reinterpret_cast<void (*)()>(GetProcAddress(user32, name)))
                             : nullptr;
}

} // namespace

Font MakeFont(const FontSpec& font, bool bold, const Density& density) {
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(font.size * static_cast<float>(density.Dpi()) /
                                                 static_cast<float>(kPointsPerInch)));
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = font.italic ? 1 : 0;
    lf.lfUnderline = font.underline ? 1 : 0;
    lf.lfStrikeOut = font.strikethrough ? 1 : 0;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = CLEARTYPE_QUALITY;
    wcsncpy(lf.lfFaceName, font.name.c_str(), LF_FACESIZE - 1);
    return Font(CreateFontIndirectW(&lf));
}

void FrameTwips(HDC dc, const Density& density, const TwipsRect& bounds, HBRUSH brush) {
    const PixelRect outer = density.Pixels(bounds);
    const PixelRect inner = density.Pixels(
        TwipsRect{bounds.left + kDesignPixel, bounds.top + kDesignPixel,
                  bounds.width - 2 * kDesignPixel, bounds.height - 2 * kDesignPixel});
    const RECT edges[] = {{outer.left, outer.top, outer.right, inner.top},
                          {outer.left, inner.bottom, outer.right, outer.bottom},
                          {outer.left, inner.top, inner.left, inner.bottom},
                          {inner.right, inner.top, outer.right, inner.bottom}};
    for (const RECT& edge : edges)
        FillRect(dc, &edge, brush);
}

Density WindowDensity(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (window != nullptr && getDpiForWindow != nullptr)
        if (const UINT dpi = getDpiForWindow(window); dpi > 0)
            return Density(static_cast<int>(dpi));
    return Density(ScreenDpi());
}

int SystemMetric(int index, const Density& density) {
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi != nullptr)
        return forDpi(index, static_cast<UINT>(density.Dpi()));
    return MulDiv(GetSystemMetrics(index), density.Dpi(), Density(ScreenDpi()).Dpi());
}

SIZE OuterSize(int clientWidth, int clientHeight, DWORD style, DWORD exStyle,
               const Density& density) {
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, clientWidth, clientHeight};
    if (adjustForDpi == nullptr ||
        !adjustForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(density.Dpi())))
        AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

Density DpiChangedDensity(WPARAM wParam) {
    return Density(static_cast<int>(HIWORD(wParam)));
}

void TakeSuggestedRect(HWND window, LPARAM lParam) {
    const auto* r = reinterpret_cast<const RECT*>(lParam);
    if (r != nullptr)
        SetWindowPos(window, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace qb::controls::gdi
