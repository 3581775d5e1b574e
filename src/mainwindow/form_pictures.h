#pragma once
// The main window's own pictures, drawn in code at the size the screen needs: the cell
// pictures of the hours grid (44 x 16 pixels at 96 dots per inch, larger at more) and the
// divider between the lists. Their lines and gaps are a pixel of the design wide, so they
// grow with the density as the pictures do. An allowed hour and a denied one differ in lightness
// and in pattern as well as in colour - a solid dark green block against a light cell crossed by
// red hatching - so that nobody needs to tell red from green to read the grid.

#include "controls/pictures/pictures.h"

namespace qb::mainwindow {

// A cell of the grid, `width` x `height` pixels: allowed or denied.
controls::Picture CellPicture(bool allowed, int width, int height,
                              const controls::Density& density = controls::Density{});
// The bar between the two lists: a band in the frame colour with a grip in its middle.
controls::Picture DividerPicture(int width, int height,
                                 const controls::Density& density = controls::Density{});

} // namespace qb::mainwindow
