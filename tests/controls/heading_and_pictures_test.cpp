#include "controls/customlist/custom_list_model.h"
#include "controls/customlist/sort_key.h"
#include "controls/heading/heading_model.h"
#include "controls/pictures/pictures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qb::controls {
namespace {

TEST(HeadingModel, DefaultsResizeAndFont) {
    HeadingModel heading;
    EXPECT_EQ(heading.Text(), L"-");
    EXPECT_TRUE(heading.Font().bold);
    heading.Resize(5115);
    EXPECT_EQ(heading.CaptionWidth(), 5115);
    EXPECT_EQ(heading.LineX(), 5100); // one pixel inside the right edge
    HeadingModel hiDpi(10, 10);
    hiDpi.Resize(3410);
    EXPECT_EQ(hiDpi.LineX(), 3400);

    heading.SetFont(L"Tahoma", 9, false, true, true, true);
    EXPECT_EQ(heading.Font().name, L"Tahoma");
    EXPECT_FLOAT_EQ(heading.Font().size, 9);
    EXPECT_TRUE(heading.Font().bold); // bold stays as designed
    EXPECT_TRUE(heading.Font().italic);
    EXPECT_TRUE(heading.Font().underline);
    EXPECT_TRUE(heading.Font().strikethrough);
}

TEST(HeadingModel, PersistedText) {
    HeadingModel heading;
    MemoryPropertyBag bag;
    heading.ReadProperties(bag);
    EXPECT_EQ(heading.Text(), L"-");
    heading.WriteProperties(bag);
    EXPECT_FALSE(bag.Contains(L"Text")); // the default need not be stored
    heading.SetText(L"Select user...");
    EXPECT_TRUE(heading.TextChanged());
    heading.WriteProperties(bag);
    HeadingModel restored;
    restored.ReadProperties(bag);
    EXPECT_EQ(restored.Text(), L"Select user...");
    // A value of the wrong kind reads as missing.
    MemoryPropertyBag odd;
    odd.Set(L"Text", true);
    restored.ReadProperties(odd);
    EXPECT_EQ(restored.Text(), L"-");
}

TEST(SortKeys, BackwardsMirrorsTheCodePage) {
    SortKeyBuilder keys(Windows1252Bytes());
    EXPECT_EQ(keys.Backwards(L"ab"), (SortKey{256 - 'a', 256 - 'b'}));
    EXPECT_EQ(keys.Backwards(L"\u20ac"), SortKey(1, 256 - 0x80));
    // A character the code page cannot hold is the default character '?'.
    EXPECT_EQ(keys.Backwards(L"\u0416"), SortKey(1, 256 - '?'));
    // A double-byte character gives both of its bytes, mirrored.
    SortKeyBuilder dbcs([](wchar_t c) -> std::string {
        if (c == L'\u3042')
            return std::string("\x82\xa0", 2);
        return std::string(1, static_cast<char>(c));
    });
    EXPECT_EQ(dbcs.Backwards(L"a\u3042"), (SortKey{256 - 'a', 256 - 0x82, 256 - 0xa0}));
    EXPECT_EQ(SortKeyBuilder::Forwards(L"a\u3042"), (SortKey{'a', 0x3042}));
}

TEST(SortKeys, LowerCaseCoversLatinGreekCyrillic) {
    EXPECT_EQ(LowerCaseName(L"ABC xyZ"), L"abc xyz");
    EXPECT_EQ(LowerCaseName(L"\u00c9\u00d7\u00de"), L"\u00e9\u00d7\u00fe");
    EXPECT_EQ(LowerCaseName(L"\u0141\u0160\u0178\u017d"), L"\u0142\u0161\u00ff\u017e");
    EXPECT_EQ(LowerCaseName(L"\u0391\u0416\u0401"), L"\u03b1\u0436\u0451");
}

// The perceived contrast between the average of a picture's opaque pixels and a background.
double Luma(std::uint32_t rgb) {
    return 0.299 * ((rgb >> 16) & 0xFF) + 0.587 * ((rgb >> 8) & 0xFF) + 0.114 * (rgb & 0xFF);
}

// How many pixels of the picture, laid on the background, differ clearly from it.
int VisiblePixels(const Picture& p, std::uint32_t background) {
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (std::fabs(Luma(OverColour(p.At(x, y), background)) - Luma(background)) > 60)
                ++n;
    return n;
}

TEST(Pictures, SizesMatchTheListGeometry) {
    for (int i = 0; i < 16; ++i) {
        const Picture p = UserImage(i);
        const PictureSize s = UserImageSize(i);
        EXPECT_EQ(p.width, s.width) << i;
        EXPECT_EQ(p.height, s.height) << i;
        EXPECT_EQ(p.pixels.size(), static_cast<std::size_t>(s.width * s.height));
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ClockImage(i).width, ClockImageSize(i).width);
        EXPECT_EQ(ClockImage(i).height, ClockImageSize(i).height);
        EXPECT_EQ(LockImage(i).width, ClockImageSize(i).width);
        EXPECT_EQ(LockImage(i).height, ClockImageSize(i).height);
    }
    EXPECT_EQ(SortMarkImage(1).width, 12);
    EXPECT_EQ(SortMarkImage(2).height, 12);
    EXPECT_EQ(HeadingBand().width, 800);
    EXPECT_EQ(HeadingBand().height, 16);
    EXPECT_EQ(UserImage(16).pixels.size(), 0u);
    EXPECT_EQ(SortMarkImage(0).pixels.size(), 0u);
}

TEST(Pictures, LegibleOnWhiteAndOnTheHighlight) {
    constexpr std::uint32_t white = 0xFFFFFF, highlight = 0x6087DF;
    for (int i = 0; i < 16; ++i) {
        const Picture p = UserImage(i);
        const bool selected = (i / 4) % 2 == 1;
        const int area = p.width * p.height;
        EXPECT_GT(VisiblePixels(p, selected ? highlight : white), area / 6) << i;
    }
    for (int i = 0; i < 4; ++i) {
        const bool selected = i % 2 == 1;
        for (const Picture& p : {ClockImage(i), LockImage(i)})
            EXPECT_GT(VisiblePixels(p, selected ? highlight : white), p.width * p.height / 6) << i;
    }
    // The four user types can be told apart at a glance.
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_NE(UserImage(a).pixels, UserImage(b).pixels);
    // The marks point in opposite directions.
    EXPECT_NE(SortMarkImage(1).pixels, SortMarkImage(2).pixels);
    EXPECT_GT(VisiblePixels(SortMarkImage(1), 0xF0F0F0), 12);
}

TEST(Pictures, TheBandStaysApartFromTheStripColour) {
    // The strip's closing line must be visible against the band's right end, and a black
    // caption must read well over its left part.
    const Picture band = HeadingBand();
    const std::uint32_t strip = 0x4F77C0; // as 0x00RRGGBB
    for (int x : {0, 300, 799})
        for (int y : {0, 8, 15})
            EXPECT_GT(std::fabs(Luma(band.At(x, y) & 0xFFFFFF) - Luma(strip)), 30) << x << "," << y;
    EXPECT_GT(Luma(band.At(100, 8) & 0xFFFFFF), 190);
}

} // namespace
} // namespace qb::controls
