#include "controls/pictures/pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace qb::controls {

namespace {

// A small anti-aliased painter: shapes are signed distance functions in the design's
// pixel units (negative inside), sampled 4 x 4 times per pixel of the picture, which has
// `scale` of its pixels to one of the design's. A picture for a denser screen is drawn
// anew at its own size, never stretched.
//
// Every shape is a distance, or built from distances by taking the larger, an absolute
// value or an offset: none changes faster than the point moves. So where a pixel's centre
// lies farther from an edge than its farthest sample, all sixteen samples fall on the same
// side, and the centre alone says what they would: only the pixels along the edges are
// sampled, and the pictures come out exactly as if every pixel were. Drawing them all at
// start-up took longer than the rest of the window's making.
struct Rgb {
    float r, g, b;
};

constexpr Rgb Hex(std::uint32_t rgb) {
    return {static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
            static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
            static_cast<float>(rgb & 0xFF) / 255.0f};
}

struct Vec {
    float x, y;
};

using Shape = std::function<float(Vec)>;

float Length(float x, float y) {
    return std::sqrt(x * x + y * y);
}

Shape Circle(Vec c, float r) {
    return [=](Vec p) { return Length(p.x - c.x, p.y - c.y) - r; };
}

// Rounded box from (x0, y0) to (x1, y1) with corner radius r.
Shape Box(float x0, float y0, float x1, float y1, float r) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const float hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
    return [=](Vec p) {
        const float qx = std::fabs(p.x - cx) - hx, qy = std::fabs(p.y - cy) - hy;
        return Length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) -
               r;
    };
}

float SegmentDistance(Vec p, Vec a, Vec b) {
    const float px = p.x - a.x, py = p.y - a.y, bx = b.x - a.x, by = b.y - a.y;
    const float h = std::clamp((px * bx + py * by) / (bx * bx + by * by), 0.0f, 1.0f);
    return Length(px - bx * h, py - by * h);
}

// A round-capped line of the given thickness.
Shape Line(Vec a, Vec b, float thickness) {
    return [=](Vec p) { return SegmentDistance(p, a, b) - thickness / 2; };
}

// A closed polygon (even-odd rule).
Shape Polygon(std::vector<Vec> v) {
    return [v = std::move(v)](Vec p) {
        float d = 1e9f;
        bool inside = false;
        for (std::size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
            d = std::min(d, SegmentDistance(p, v[j], v[i]));
            if (((v[i].y > p.y) != (v[j].y > p.y)) &&
                (p.x < (v[j].x - v[i].x) * (p.y - v[i].y) / (v[j].y - v[i].y) + v[i].x))
                inside = !inside;
        }
        return inside ? -d : d;
    };
}

Shape Intersect(const Shape& a, const Shape& b) {
    return [=](Vec p) { return std::max(a(p), b(p)); };
}

class Canvas {
public:
    Canvas(PictureSize design, const Density& density, Sampling sampling)
        : sampling_(sampling), w_(std::max(1, density.Scaled(design.width))),
          h_(std::max(1, density.Scaled(design.height))),
          scale_(static_cast<float>(density.Dpi()) / static_cast<float>(kDesignDpi)),
          px_(static_cast<std::size_t>(w_ * h_), {0, 0, 0, 0}) {}

    // Paints the inside of a shape.
    void Fill(const Shape& shape, Rgb colour, float opacity = 1.0f) {
        Paint(shape, colour, opacity);
    }
    // Paints a band of the given width centred on the shape's outline.
    void Stroke(const Shape& shape, float width, Rgb colour, float opacity = 1.0f) {
        Paint([&](Vec p) { return std::fabs(shape(p)) - width / 2; }, colour, opacity);
    }
    // Fill and an outline that lies inside the shape, so the shape keeps its size.
    void FillOutlined(const Shape& shape, Rgb fill, Rgb outline, float width = 1.0f) {
        Fill(shape, outline);
        Fill([&](Vec p) { return shape(p) + width; }, fill);
    }
    // A vertical gradient fill (top colour to bottom colour between y0 and y1).
    void FillGradient(const Shape& shape, Rgb top, Rgb bottom, float y0, float y1) {
        for (int y = 0; y < h_; ++y) {
            const float t =
                std::clamp(((static_cast<float>(y) + 0.5f) / scale_ - y0) / (y1 - y0), 0.0f, 1.0f);
            const Rgb c{top.r + (bottom.r - top.r) * t, top.g + (bottom.g - top.g) * t,
                        top.b + (bottom.b - top.b) * t};
            PaintRow(y, shape, c, 1.0f);
        }
    }

    // Puts a white rim of about one pixel of the design around everything painted so far:
    // the selected look, which has to stand out on the blue highlight.
    void Halo(Rgb colour, float opacity) {
        const int r = std::max(1, static_cast<int>(std::lround(scale_)));
        std::vector<float> halo(px_.size(), 0.0f);
        for (int y = 0; y < h_; ++y) {
            for (int x = 0; x < w_; ++x) {
                float a = 0;
                for (int dy = -r; dy <= r; ++dy) {
                    for (int dx = -r; dx <= r; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w_ || ny >= h_)
                            continue;
                        // Full within the radius, fading over the next pixel (0.55 on the
                        // diagonal of a radius of one).
                        const float dist = Length(static_cast<float>(dx), static_cast<float>(dy));
                        const float fade = (static_cast<float>(r) + 1.0f - dist) / 0.5858f;
                        const float weight = dist <= static_cast<float>(r)
                                                 ? 1.0f
                                                 : 0.55f * std::clamp(fade, 0.0f, 1.0f);
                        a = std::max(a, Pixel(nx, ny)[3] * weight);
                    }
                }
                halo[Index(x, y)] = a * opacity;
            }
        }
        for (std::size_t i = 0; i < px_.size(); ++i) {
            auto& d = px_[i]; // premultiplied; the halo goes underneath
            const float ha = halo[i];
            const float keep = 1.0f - d[3];
            d[0] += colour.r * ha * keep;
            d[1] += colour.g * ha * keep;
            d[2] += colour.b * ha * keep;
            d[3] += ha * keep;
        }
    }

    Picture ToPicture() const {
        Picture pic{w_, h_, std::vector<std::uint32_t>(px_.size())};
        for (std::size_t i = 0; i < px_.size(); ++i) {
            const auto& p = px_[i];
            const float a = std::clamp(p[3], 0.0f, 1.0f);
            auto channel = [&](float premultiplied) {
                const float straight = a > 0 ? premultiplied / a : 0.0f;
                return static_cast<std::uint32_t>(
                    std::lround(std::clamp(straight, 0.0f, 1.0f) * 255));
            };
            const auto alpha = static_cast<std::uint32_t>(std::lround(a * 255));
            pic.pixels[i] = alpha == 0 ? 0u
                                       : (alpha << 24) | (channel(p[0]) << 16) |
                                             (channel(p[1]) << 8) | channel(p[2]);
        }
        return pic;
    }

private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) +
               static_cast<std::size_t>(x);
    }
    const std::array<float, 4>& Pixel(int x, int y) const { return px_[Index(x, y)]; }

    // Paints the pixels of row y where `distance` (negative inside) puts any sample inside.
    template <class Distance>
    void PaintRow(int y, const Distance& distance, Rgb colour, float opacity) {
        constexpr int n = 4;
        // How far from its pixel's centre a sample lies at most (3/8 of a pixel across and
        // down), in design units, with room for the rounding of the arithmetic.
        const float reach = 0.5304f / scale_ + 1e-3f;
        const float cy = (static_cast<float>(y) + 0.5f) / scale_;
        for (int x = 0; x < w_; ++x) {
            const float centre = distance(Vec{(static_cast<float>(x) + 0.5f) / scale_, cy});
            const bool everySample = sampling_ == Sampling::EveryPixel;
            if (centre > reach && !everySample)
                continue;
            int hits = n * n;
            if (centre >= -reach || everySample) {
                hits = 0;
                for (int sy = 0; sy < n; ++sy)
                    for (int sx = 0; sx < n; ++sx)
                        hits += distance(Vec{
                                    (static_cast<float>(x) + (static_cast<float>(sx) + 0.5f) / n) /
                                        scale_,
                                    (static_cast<float>(y) + (static_cast<float>(sy) + 0.5f) / n) /
                                        scale_}) <= 0
                                    ? 1
                                    : 0;
            }
            if (hits == 0)
                continue;
            const float a = opacity * static_cast<float>(hits) / (n * n);
            auto& d = px_[Index(x, y)];
            d[0] = colour.r * a + d[0] * (1 - a);
            d[1] = colour.g * a + d[1] * (1 - a);
            d[2] = colour.b * a + d[2] * (1 - a);
            d[3] = a + d[3] * (1 - a);
        }
    }
    template <class Distance>
    void Paint(const Distance& distance, Rgb colour, float opacity) {
        for (int y = 0; y < h_; ++y)
            PaintRow(y, distance, colour, opacity);
    }

    Sampling sampling_;
    int w_, h_;
    float scale_;
    std::vector<std::array<float, 4>> px_; // premultiplied r, g, b, a
};

// Maps design coordinates (a 23 x 22 or 24 x 22 grid) into a smaller picture.
struct Scale {
    float s = 1, ox = 0, oy = 0;
    Vec operator()(float x, float y) const { return {ox + x * s, oy + y * s}; }
    float operator()(float d) const { return d * s; }
};

constexpr Rgb kOutline = Hex(0x2B3440);
constexpr Rgb kSkin = Hex(0xF6D2AE);
constexpr Rgb kWhite = Hex(0xFFFFFF);

struct TypeColours {
    Rgb shirt, shirtDark;
};

constexpr std::array<TypeColours, 4> kTypeColours = {{
    {Hex(0xD3D8DE), Hex(0xA3ABB4)}, // guest: grey
    {Hex(0x4CAF50), Hex(0x2E7D32)}, // user: green
    {Hex(0xE0533F), Hex(0xA8301F)}, // administrator: red, with a gold shield
    {Hex(0x9C6ADE), Hex(0x6A3FA8)}, // power user: purple, with a lightning bolt
}};

Picture DrawUser(int type, bool small, bool selected, const Density& density, Sampling sampling) {
    const PictureSize size = small ? SmallUserImageSize : LargeUserImageSize;
    const int w = size.width;
    Canvas c(size, density, sampling);
    const Scale k = small ? Scale{0.68f, 0.0f, 0.6f} : Scale{1.0f, 0.0f, 0.0f};
    const float line = small ? 0.9f : 1.0f;
    const TypeColours& tc = kTypeColours[static_cast<std::size_t>(type)];
    const float cx = 10.0f;

    // Shoulders: a rounded body cut off at the bottom of the picture.
    const Shape body = Intersect(
        Box(k(cx - 8.0f, 13.0f).x, k(cx, 13.0f).y, k(cx + 8.0f, 0).x, k(0, 29.0f).y, k(7.0f)),
        Box(-5, -5, static_cast<float>(w) + 5, k(0, 21.6f).y, 0));
    c.FillGradient(body, tc.shirt, tc.shirtDark, k(0, 13.0f).y, k(0, 21.0f).y);
    c.Stroke([&](Vec p) { return body(p) + line / 2; }, line, kOutline);
    // A collar.
    c.Fill(Polygon({k(cx - 2.6f, 13.2f), k(cx + 2.6f, 13.2f), k(cx, 16.4f)}), kWhite, 0.9f);

    // Head; a guest's is grey and faceless.
    const Shape head = Circle(k(cx, 7.0f), k(4.6f));
    c.FillOutlined(head, type == 0 ? Hex(0xD5D9DE) : kSkin, kOutline, line);
    if (type != 0 && !small) {
        c.Fill(Intersect(Circle(k(cx, 6.4f), k(4.0f)), Box(0, k(0, 2.0f).y, 30, k(0, 5.0f).y, 0)),
               Hex(0x6D4C33)); // hair
    }
    if (type == 0)
        c.Fill(Line(k(cx - 1.6f, 5.6f), k(cx + 1.6f, 5.6f), k(1.2f)), Hex(0x8A939C));

    if (type == 2) {
        // Gold shield.
        const Shape shield = Polygon(
            {k(14.5f, 11.5f), k(22.4f, 11.5f), k(22.4f, 16.0f), k(18.45f, 21.6f), k(14.5f, 16.0f)});
        c.FillOutlined(shield, Hex(0xF7C531), Hex(0x8C6A00), line);
        c.Fill(Line(k(18.45f, 13.0f), k(18.45f, 18.6f), k(1.3f)), Hex(0xC99700));
    } else if (type == 3) {
        // Lightning bolt.
        const Shape bolt =
            Polygon({k(19.6f, 9.5f), k(15.0f, 16.6f), k(18.0f, 16.6f), k(16.6f, 21.8f),
                     k(22.6f, 13.8f), k(19.4f, 13.8f), k(21.4f, 9.5f)});
        c.FillOutlined(bolt, Hex(0xFFD43B), Hex(0x8A5A00), line * 0.9f);
    }
    if (selected)
        c.Halo(kWhite, 0.95f);
    return c.ToPicture();
}

Picture DrawClock(bool small, bool selected, const Density& density, Sampling sampling) {
    Canvas c(small ? SmallClockImageSize : LargeClockImageSize, density, sampling);
    const Vec centre = small ? Vec{8.0f, 8.0f} : Vec{12.0f, 11.0f};
    const float r = small ? 7.4f : 10.2f;
    c.Fill(Circle(centre, r), Hex(0xC26A12));        // rim
    c.Fill(Circle(centre, r - 1.0f), Hex(0xF39A2B)); // rim, lit
    c.Fill(Circle(centre, r - (small ? 2.2f : 2.6f)), Hex(0xFFFDF7));
    const float inner = r - (small ? 2.2f : 2.6f);
    if (!small) {
        for (int i = 0; i < 12; ++i) {
            const float a = static_cast<float>(i) * 3.14159265f / 6.0f;
            const float len = i % 3 == 0 ? 1.8f : 0.9f;
            const Vec o{centre.x + std::sin(a) * (inner - 0.6f),
                        centre.y - std::cos(a) * (inner - 0.6f)};
            const Vec in{centre.x + std::sin(a) * (inner - 0.6f - len),
                         centre.y - std::cos(a) * (inner - 0.6f - len)};
            c.Fill(Line(o, in, i % 3 == 0 ? 1.1f : 0.8f), Hex(0x5B6670));
        }
    }
    // Ten past ten: the classic face.
    const float hourLen = inner * 0.55f, minuteLen = inner * 0.82f;
    const float hourAngle = -60.0f * 3.14159265f / 180.0f,
                minuteAngle = 60.0f * 3.14159265f / 180.0f;
    c.Fill(
        Line(centre,
             {centre.x + std::sin(hourAngle) * hourLen, centre.y - std::cos(hourAngle) * hourLen},
             small ? 1.5f : 1.9f),
        kOutline);
    c.Fill(Line(centre,
                {centre.x + std::sin(minuteAngle) * minuteLen,
                 centre.y - std::cos(minuteAngle) * minuteLen},
                small ? 1.2f : 1.4f),
           kOutline);
    c.Fill(Circle(centre, small ? 1.0f : 1.3f), Hex(0xD32F2F));
    if (selected)
        c.Halo(kWhite, 0.95f);
    return c.ToPicture();
}

Picture DrawLock(bool small, bool selected, const Density& density, Sampling sampling) {
    Canvas c(small ? SmallClockImageSize : LargeClockImageSize, density, sampling);
    const Scale k = small ? Scale{0.7f, -0.4f, -0.2f} : Scale{1.0f, 0.0f, 0.0f};
    // Shackle: an arch of steel.
    const Vec arcCentre = k(12.0f, 8.0f);
    const float arcR = k(4.6f);
    const float legBottom = k(0, 11.5f).y;
    const Shape arch = [=](Vec p) {
        const float d =
            p.y <= arcCentre.y
                ? std::fabs(Length(p.x - arcCentre.x, p.y - arcCentre.y) - arcR)
                : std::min(SegmentDistance(p, {arcCentre.x - arcR, arcCentre.y},
                                           {arcCentre.x - arcR, legBottom}),
                           SegmentDistance(p, {arcCentre.x + arcR, arcCentre.y},
                                           {arcCentre.x + arcR, legBottom}));
        return d;
    };
    const float steel = small ? 2.2f : 3.0f;
    c.Fill([&](Vec p) { return arch(p) - steel / 2; }, kOutline);
    c.Fill([&](Vec p) { return arch(p) - steel / 2 + 0.9f; }, Hex(0xB8C2CC));
    // Body: gold, lit from the top.
    const Shape body = Box(k(5.0f, 0).x, k(0, 10.5f).y, k(19.0f, 0).x, k(0, 21.0f).y, k(2.0f));
    c.Fill(body, Hex(0x8C6A00));
    c.FillGradient([&](Vec p) { return body(p) + 1.0f; }, Hex(0xFFE07A), Hex(0xE2A80C),
                   k(0, 10.5f).y, k(0, 21.0f).y);
    // Keyhole.
    c.Fill(Circle(k(12.0f, 14.6f), k(1.7f)), Hex(0x4E3B12));
    c.Fill(Line(k(12.0f, 14.6f), k(12.0f, 18.2f), k(1.4f)), Hex(0x4E3B12));
    if (selected)
        c.Halo(kWhite, 0.95f);
    return c.ToPicture();
}

Picture DrawSortMark(bool descending, const Density& density, Sampling sampling) {
    Canvas c(SortMarkSize, density, sampling);
    const Shape arrow = descending ? Polygon({{1.5f, 3.5f}, {10.5f, 3.5f}, {6.0f, 9.0f}})
                                   : Polygon({{1.5f, 8.5f}, {10.5f, 8.5f}, {6.0f, 3.0f}});
    c.Fill(arrow, Hex(0x4F6F9F));
    return c.ToPicture();
}

// The program's icon on a design grid of 32 units: a week card - a blue title band over
// green and pale-red hours - with a clock in front of its bottom-right corner. Small
// icons get fewer, larger hours, so that the card still reads as a grid at 16 pixels.
Picture DrawProgramIcon(int size, Sampling sampling) {
    // A density at which the 32 units of the design are `size` pixels.
    Canvas c(PictureSize{32, 32}, Density(size * kDesignDpi / 32), sampling);
    const float px = 32.0f / static_cast<float>(size); // one pixel, in design units
    const float line = std::max(1.4f, px);
    const Rgb frame = Hex(0x4F77C0); // the caption strips' colour
    const Shape card = Box(1.0f, 3.0f, 27.0f, 28.0f, 3.0f);
    c.Fill(card, kWhite);
    c.Fill(Intersect(card, Box(0.0f, 0.0f, 32.0f, 9.0f, 0.0f)), frame);
    c.Stroke([&](Vec p) { return card(p) + line / 2; }, line, Hex(0x35558F));

    const int columns = size < 32 ? 3 : size < 64 ? 4 : 7;
    const int rows = size < 32 ? 2 : size < 64 ? 3 : 5;
    const float left = 4.0f, top = 11.5f, right = 24.0f, bottom = 25.5f;
    const float gap = std::max(1.0f, px);
    const float w = (right - left + gap) / static_cast<float>(columns) - gap;
    const float h = (bottom - top + gap) / static_cast<float>(rows) - gap;
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < columns; ++col) {
            // Days allowed from the second row on, the first day off: a week with rules.
            const bool allowed = (row + col) % 3 != 0;
            const float x0 = left + static_cast<float>(col) * (w + gap);
            const float y0 = top + static_cast<float>(row) * (h + gap);
            c.Fill(Box(x0, y0, x0 + w, y0 + h, std::min(1.0f, w / 4)),
                   allowed ? Hex(0x3C9A46) : Hex(0xF2C4C0));
        }

    // The clock, ringed in white so that it stands off the card.
    const Vec centre{22.9f, 22.9f};
    c.Fill(Circle(centre, 8.6f), kWhite);
    c.Fill(Circle(centre, 7.6f), Hex(0xC26A12));
    c.Fill(Circle(centre, 6.6f), Hex(0xF39A2B));
    c.Fill(Circle(centre, 5.2f), Hex(0xFFFDF7));
    const float hand = std::max(1.3f, 1.2f * px);
    c.Fill(Line(centre, {centre.x, centre.y - 4.0f}, hand), kOutline);
    c.Fill(Line(centre, {centre.x + 3.0f, centre.y + 0.8f}, hand), kOutline);
    c.Fill(Circle(centre, std::max(0.9f, 0.6f * px)), Hex(0xD32F2F));
    return c.ToPicture();
}

} // namespace

Picture ProgramIcon(int size, Sampling sampling) {
    return size > 0 ? DrawProgramIcon(size, sampling) : Picture{};
}

Picture UserImage(int index, const Density& density, Sampling sampling) {
    if (index < 0 || index >= UserImageCount)
        return {};
    return DrawUser(index % 4, index >= 8, (index / 4) % 2 == 1, density, sampling);
}

Picture ClockImage(int index, const Density& density, Sampling sampling) {
    if (index < 0 || index >= ClockImageCount)
        return {};
    return DrawClock(index >= 2, index % 2 == 1, density, sampling);
}

Picture LockImage(int index, const Density& density, Sampling sampling) {
    if (index < 0 || index >= ClockImageCount)
        return {};
    return DrawLock(index >= 2, index % 2 == 1, density, sampling);
}

Picture SortMarkImage(int index, const Density& density, Sampling sampling) {
    if (index != AscendingSortMark && index != DescendingSortMark)
        return {};
    return DrawSortMark(index == DescendingSortMark, density, sampling);
}

Picture HeadingBand(const Density& density) {
    // A pane of glass: light at the left where the caption stands, deepening to the right,
    // with a brighter upper half.
    const int w = density.Scaled(HeadingBandSize.width), h = density.Scaled(HeadingBandSize.height);
    Picture pic{w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w * h))};
    const Rgb light = Hex(0xF4F8FE), deep = Hex(0x9FB9E6);
    // How deep each column is: the same in every row.
    std::vector<float> depth(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) {
        const float t = std::pow(static_cast<float>(x) / static_cast<float>(w - 1), 0.7f);
        depth[static_cast<std::size_t>(x)] = t * t * (3 - 2 * t);
    }
    for (int y = 0; y < h; ++y) {
        const float fy = (static_cast<float>(y) + 0.5f) / static_cast<float>(h);
        const float gloss =
            fy < 0.5f ? 0.10f * (1.0f - fy * 2.0f) + 0.04f : -0.05f * (fy - 0.5f) * 2.0f;
        for (int x = 0; x < w; ++x) {
            const float s = depth[static_cast<std::size_t>(x)];
            auto mix = [&](float a, float b) {
                const float v = a + (b - a) * s;
                return std::clamp(v + gloss * (1.0f - v * 0.3f), 0.0f, 1.0f);
            };
            const auto r = static_cast<std::uint32_t>(std::lround(mix(light.r, deep.r) * 255));
            const auto g = static_cast<std::uint32_t>(std::lround(mix(light.g, deep.g) * 255));
            const auto b = static_cast<std::uint32_t>(std::lround(mix(light.b, deep.b) * 255));
            pic.pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(w)) + static_cast<std::size_t>(x)] =
                0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
    return pic;
}

std::uint32_t OverColour(std::uint32_t pixel, std::uint32_t background) {
    const std::uint32_t a = pixel >> 24;
    auto ch = [&](int shift) {
        const std::uint32_t f = (pixel >> shift) & 0xFF, b = (background >> shift) & 0xFF;
        return (f * a + b * (255 - a) + 127) / 255;
    };
    return (ch(16) << 16) | (ch(8) << 8) | ch(0);
}

} // namespace qb::controls
