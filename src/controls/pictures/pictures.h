#pragma once
// The controls' pictures, drawn in code: the user-type, clock and lock icons of the user
// list (large and small, each in a normal look for a white background and a selected
// look for the selection highlight), the two sort marks and the caption strip's band.
// Pixels are 0xAARRGGBB with straight (not premultiplied) alpha, row by row from the top.

#include <cstdint>
#include <vector>

namespace qb::controls {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// The list's stock pictures by index (see CustomListModel): userImage 0..15,
// clockImage and lockImage 0..3. An index out of range gives an empty picture.
Picture UserImage(int index);
Picture ClockImage(int index);
Picture LockImage(int index);
// ImageList1: 1 ascending, 2 descending (12 x 12).
Picture SortMarkImage(int index);
// The caption strip's decorative band, 800 x 16, opaque.
Picture HeadingBand();

// Composites a picture over an opaque colour (0x00RRGGBB); what a user sees.
std::uint32_t OverColour(std::uint32_t pixel, std::uint32_t background);

} // namespace qb::controls
