#pragma once
// A screen's density - how many pixels an inch holds - and the one way the windows turn
// their designed geometry into pixels. The design is in twips (1/1440 inch), 15 to a pixel
// at 96 dots per inch. Every twips value becomes pixels by the exact ratio, rounded once:
// going through a whole number of twips per pixel instead (7 at 192 dots per inch, for 7.5)
// makes every place drift further from where the design puts it. Edges are converted, not
// sizes, so two controls that touch in twips touch in pixels too.

namespace qb::controls {

inline constexpr int kTwipsPerInch = 1440;
// The density the design's pictures and pixel sizes are given for.
inline constexpr int kDesignDpi = 96;
// One pixel of the design in twips: the hairlines, gaps and frames that are a pixel wide
// at 96 dots per inch and grow with the density.
inline constexpr int kDesignPixel = kTwipsPerInch / kDesignDpi;

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
    bool Contains(int x, int y) const {
        return x >= left && x < right() && y >= top && y < bottom();
    }
    bool operator==(const TwipsRect&) const = default;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

// a * b / c to the nearest whole number, halves away from zero (the platform's MulDiv,
// without its overflow result: the values here are far from the limits).
constexpr int MulDivRound(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    const long long q = product >= 0 ? (product + half) / c : -((-product + half) / c);
    return static_cast<int>(q);
}

class Density {
public:
    constexpr Density() = default;
    // A density the platform could not tell (0 or less) is taken as the design's.
    constexpr explicit Density(int dpi) : dpi_(dpi > 0 ? dpi : kDesignDpi) {}

    constexpr int Dpi() const { return dpi_; }
    // A place or a length in twips, in pixels.
    constexpr int Pixels(int twips) const { return MulDivRound(twips, dpi_, kTwipsPerInch); }
    constexpr PixelRect Pixels(const TwipsRect& r) const {
        return {Pixels(r.left), Pixels(r.top), Pixels(r.right()), Pixels(r.bottom())};
    }
    // A length measured in pixels, in twips; Pixels gives exactly that length back.
    constexpr int Twips(int pixels) const { return MulDivRound(pixels, kTwipsPerInch, dpi_); }
    // The pointer on pixel `pixel`, in twips: the last twips value drawn on that pixel or
    // before it. A region from twips a to b covers the pixels Pixels(a) to Pixels(b) - 1,
    // and the pointer on any of those pixels lies, in twips, within a to b.
    constexpr int PointTwips(int pixel) const {
        int t = MulDivRound(pixel, kTwipsPerInch, dpi_);
        while (Pixels(t + 1) <= pixel)
            ++t;
        while (Pixels(t) > pixel)
            --t;
        return t;
    }
    // A size the design gives in pixels at 96 dots per inch (a picture, a margin).
    constexpr int Scaled(int designPixels) const {
        return MulDivRound(designPixels, dpi_, kDesignDpi);
    }
    bool operator==(const Density&) const = default;

private:
    int dpi_ = kDesignDpi;
};

} // namespace qb::controls
