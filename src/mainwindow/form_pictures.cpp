#include "mainwindow/form_pictures.h"

#include <algorithm>
#include <cstdint>

namespace qb::mainwindow {

namespace {

using controls::Picture;

// Pixels are 0xAARRGGBB, opaque.
constexpr std::uint32_t Opaque(std::uint32_t rgb) {
    return 0xFF000000u | rgb;
}

// The grid's own background shows through the gap that separates the cells.
constexpr std::uint32_t kGap = Opaque(0xE0E8F0);
constexpr std::uint32_t kAllowedFill = Opaque(0x3C9A46);
constexpr std::uint32_t kAllowedEdge = Opaque(0x2A7433);
constexpr std::uint32_t kAllowedLight = Opaque(0x62B86A);
constexpr std::uint32_t kDeniedFill = Opaque(0xFBF1F1);
constexpr std::uint32_t kDeniedEdge = Opaque(0xD9A3A3);
constexpr std::uint32_t kDeniedHatch = Opaque(0xC0504D);

constexpr std::uint32_t kBarFill = Opaque(0xDCE6F5);
constexpr std::uint32_t kBarEdge = Opaque(0x6087D0); // the frame colour
constexpr std::uint32_t kGripDark = Opaque(0x4A6FB5);
constexpr std::uint32_t kGripLight = Opaque(0xFFFFFF);

Picture Blank(int width, int height, std::uint32_t colour) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    return Picture{width, height,
                   std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), colour)};
}

void Set(Picture& p, int x, int y, std::uint32_t colour) {
    if (x >= 0 && y >= 0 && x < p.width && y < p.height)
        p.pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width)) + static_cast<std::size_t>(x)] = colour;
}

} // namespace

Picture CellPicture(bool allowed, int width, int height, const controls::Density& density) {
    Picture p = Blank(width, height, kGap);
    const int unit = std::max(1, density.Scaled(1)); // a pixel of the design
    // The cell proper leaves a gap at its right and bottom, so that neighbouring cells
    // stay apart however many of them are alike.
    const int right = std::max(p.width - 1 - unit, 0), bottom = std::max(p.height - 1 - unit, 0);
    for (int y = 0; y <= bottom; ++y) {
        for (int x = 0; x <= right; ++x) {
            const bool edge = x < unit || y < unit || x > right - unit || y > bottom - unit;
            std::uint32_t c = kDeniedEdge;
            if (allowed)
                c = edge ? kAllowedEdge : (y < 2 * unit ? kAllowedLight : kAllowedFill);
            else if (!edge)
                // Hatching from bottom left to top right, every fourth diagonal.
                c = ((x + y) / unit) % 4 == 0 ? kDeniedHatch : kDeniedFill;
            Set(p, x, y, c);
        }
    }
    return p;
}

Picture DividerPicture(int width, int height, const controls::Density& density) {
    Picture p = Blank(width, height, kBarFill);
    const int unit = std::max(1, density.Scaled(1));
    for (int x = 0; x < p.width; ++x)
        for (int i = 0; i < unit; ++i) {
            Set(p, x, i, kBarEdge);
            Set(p, x, p.height - 1 - i, kBarEdge);
        }
    // A grip of raised dots in the middle: the place to take hold of.
    const int dots = 9;
    const int spacing = std::max(p.height / 2, 3);
    const int first = p.width / 2 - (dots / 2) * spacing;
    const int y = p.height / 2 - unit;
    for (int i = 0; i < dots; ++i) {
        const int x = first + i * spacing;
        for (int dy = 0; dy < unit; ++dy)
            for (int dx = 0; dx < unit; ++dx) {
                Set(p, x + dx, y + dy, kGripLight);
                Set(p, x + unit + dx, y + unit + dy, kGripDark);
                Set(p, x + dx, y + unit + dy, kGripDark);
                Set(p, x + unit + dx, y + dy, kGripDark);
            }
    }
    return p;
}

} // namespace qb::mainwindow
