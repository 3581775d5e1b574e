#pragma once
// The controls' stock pictures as blended pictures and a bitmap, drawn for one density. A window
// that places several controls makes one set and hands it to each of them; a control given none
// makes its own. A set lives as long as the last control that holds it.

#include "controls/gdi_win32.h"
#include "controls/pictures/pictures.h"

#include <array>
#include <memory>

namespace qb::controls {

// The user list's pictures, by their index in each set (see CustomListModel). Each is
// drawn the first time it is asked for: a list shows few of the sixteen user pictures and
// eight clocks and padlocks, most of them never, and drawing them all cost every start.
class ListPictures {
public:
    static std::shared_ptr<const ListPictures> Make(const Density& density);

    const Density& ForDensity() const noexcept { return density_; }

    // Empty for an index out of range, or a picture that could not be made.
    const gdi::BlendedPicture& User(int index) const { return At(user_, index, UserImage); }
    const gdi::BlendedPicture& Clock(int index) const { return At(clock_, index, ClockImage); }
    const gdi::BlendedPicture& Lock(int index) const { return At(lock_, index, LockImage); }
    const gdi::BlendedPicture& SortMark(int index) const {
        return At(sortMark_, index, SortMarkImage);
    }

private:
    // A picture not drawn yet, or one that could not be made.
    struct Slot {
        bool drawn = false;
        gdi::BlendedPicture picture;
    };
    template <std::size_t N>
    const gdi::BlendedPicture& At(std::array<Slot, N>& slots, int index,
                                  Picture (*draw)(int, const Density&, Sampling)) const {
        static const gdi::BlendedPicture none;
        if (index < 0 || index >= static_cast<int>(N))
            return none;
        Slot& slot = slots[static_cast<std::size_t>(index)];
        if (!slot.drawn) {
            slot.drawn = true;
            slot.picture = gdi::MakeBlendedPicture(draw(index, density_, Sampling::AlongEdges));
        }
        return slot.picture;
    }

    Density density_;
    mutable std::array<Slot, UserImageCount> user_;
    mutable std::array<Slot, ClockImageCount> clock_;
    mutable std::array<Slot, ClockImageCount> lock_;
    mutable std::array<Slot, DescendingSortMark + 1> sortMark_; // by sort mark number
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
