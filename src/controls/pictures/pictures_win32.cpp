#include "controls/pictures/pictures_win32.h"

namespace qb::controls {

std::shared_ptr<const ListPictures> ListPictures::Make(const Density& density) {
    auto pictures = std::make_shared<ListPictures>();
    pictures->density_ = density;
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
