#pragma once
// The controls' stock pictures as icons and a bitmap, drawn for one density. A window that
// places several controls makes one set and hands it to each of them; a control given none
// makes its own. A set lives as long as the last control that holds it.

#include "controls/gdi_win32.h"
#include "controls/pictures/pictures.h"

#include <array>
#include <memory>

namespace qb::controls {

// The user list's pictures, by their index in each set (see CustomListModel).
class ListPictures {
public:
    static std::shared_ptr<const ListPictures> Make(const Density& density);

    const Density& ForDensity() const noexcept { return density_; }

    // Null for an index out of range, or a picture that could not be made.
    HICON User(int index) const noexcept { return At(user_, index); }
    HICON Clock(int index) const noexcept { return At(clock_, index); }
    HICON Lock(int index) const noexcept { return At(lock_, index); }
    HICON SortMark(int index) const noexcept { return At(sortMark_, index); }

private:
    template <std::size_t N>
    static HICON At(const std::array<gdi::Icon, N>& icons, int index) noexcept {
        return index >= 0 && index < static_cast<int>(N)
                   ? icons[static_cast<std::size_t>(index)].Get()
                   : nullptr;
    }

    Density density_;
    std::array<gdi::Icon, UserImageCount> user_;
    std::array<gdi::Icon, ClockImageCount> clock_;
    std::array<gdi::Icon, ClockImageCount> lock_;
    std::array<gdi::Icon, DescendingSortMark + 1> sortMark_; // by sort mark number
};

// The caption strip's band, drawn for one density.
struct HeadingBandPicture {
    Density density;
    gdi::Bitmap bitmap;
    SIZE size{};
};
using HeadingBandBitmap = std::shared_ptr<const HeadingBandPicture>;
HeadingBandBitmap MakeHeadingBand(const Density& density);

} // namespace qb::controls
