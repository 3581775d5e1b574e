#include "controls/pictures/pictures_win32.h"

namespace qb::controls {

std::shared_ptr<const ListPictures> ListPictures::Make(const Density& density) {
    auto pictures = std::make_shared<ListPictures>();
    pictures->density_ = density;
    for (int i = 0; i < UserImageCount; ++i)
        pictures->user_[static_cast<std::size_t>(i)] = gdi::MakeIcon(UserImage(i, density));
    for (int i = 0; i < ClockImageCount; ++i) {
        pictures->clock_[static_cast<std::size_t>(i)] = gdi::MakeIcon(ClockImage(i, density));
        pictures->lock_[static_cast<std::size_t>(i)] = gdi::MakeIcon(LockImage(i, density));
    }
    for (const int mark : {AscendingSortMark, DescendingSortMark})
        pictures->sortMark_[static_cast<std::size_t>(mark)] =
            gdi::MakeIcon(SortMarkImage(mark, density));
    return pictures;
}

HeadingBandBitmap MakeHeadingBand(const Density& density) {
    const Picture band = HeadingBand(density);
    auto made = std::make_shared<HeadingBandPicture>();
    made->density = density;
    made->bitmap = gdi::MakeBitmap(band);
    made->size = SIZE{band.width, band.height};
    return made;
}

} // namespace qb::controls
