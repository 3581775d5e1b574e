#include "controls/pictures/pictures_win32.h"

namespace qb::controls {

std::shared_ptr<const ListPictures> ListPictures::Make() {
    auto pictures = std::make_shared<ListPictures>();
    for (int i = 0; i < UserImageCount; ++i)
        pictures->user_[static_cast<std::size_t>(i)] = gdi::MakeIcon(UserImage(i));
    for (int i = 0; i < ClockImageCount; ++i) {
        pictures->clock_[static_cast<std::size_t>(i)] = gdi::MakeIcon(ClockImage(i));
        pictures->lock_[static_cast<std::size_t>(i)] = gdi::MakeIcon(LockImage(i));
    }
    for (const int mark : {AscendingSortMark, DescendingSortMark})
        pictures->sortMark_[static_cast<std::size_t>(mark)] = gdi::MakeIcon(SortMarkImage(mark));
    return pictures;
}

HeadingBandBitmap MakeHeadingBand() {
    return std::make_shared<const gdi::Bitmap>(gdi::MakeBitmap(HeadingBand()));
}

} // namespace qb::controls
