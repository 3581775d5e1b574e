#pragma once
// The controls' pictures, drawn in code: the user-type, clock and lock icons of the user
// list (large and small, each in a normal look for a white background and a selected
// look for the selection highlight), the two sort marks and the caption strip's band.
// Pixels are 0xAARRGGBB with straight (not premultiplied) alpha, row by row from the top.
// The sizes below are the design's, at 96 dots per inch; each picture is drawn anew for
// the density it is asked for, at its size there.

#include "controls/density.h"

#include <cstdint>
#include <vector>

namespace qb::controls {

// A picture's size in pixels.
struct PictureSize {
    int width;
    int height;
};

// The stock pictures' sizes. The lock pictures have the clock pictures' sizes.
inline constexpr PictureSize LargeUserImageSize{23, 22};
inline constexpr PictureSize SmallUserImageSize{15, 16};
inline constexpr PictureSize LargeClockImageSize{24, 22};
inline constexpr PictureSize SmallClockImageSize{16, 16};
inline constexpr PictureSize SortMarkSize{12, 12};
inline constexpr PictureSize HeadingBandSize{800, 16};

// How many pictures each stock set holds (see CustomListModel for their order).
inline constexpr int UserImageCount = 16;
inline constexpr int ClockImageCount = 4; // and as many lock pictures
inline constexpr int AscendingSortMark = 1;
inline constexpr int DescendingSortMark = 2;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// How the pictures are sampled: only the pixels along an edge, or every pixel, which
// gives the same pictures more slowly and is there to show that it does.
enum class Sampling { AlongEdges, EveryPixel };

// The list's stock pictures by index (see CustomListModel): userImage 0..15,
// clockImage and lockImage 0..3. An index out of range gives an empty picture.
Picture UserImage(int index, const Density& density = Density{},
                  Sampling sampling = Sampling::AlongEdges);
Picture ClockImage(int index, const Density& density = Density{},
                   Sampling sampling = Sampling::AlongEdges);
Picture LockImage(int index, const Density& density = Density{},
                  Sampling sampling = Sampling::AlongEdges);
// The header's sort marks: AscendingSortMark or DescendingSortMark.
Picture SortMarkImage(int index, const Density& density = Density{},
                      Sampling sampling = Sampling::AlongEdges);
// The caption strip's decorative band, opaque.
Picture HeadingBand(const Density& density = Density{});

// The program's own icon, `size` pixels square (tools/make_app_icon writes it into the
// icon file of the programs' resources).
Picture ProgramIcon(int size, Sampling sampling = Sampling::AlongEdges);

// Composites a picture over an opaque colour (0x00RRGGBB); what a user sees.
std::uint32_t OverColour(std::uint32_t pixel, std::uint32_t background);

} // namespace qb::controls
