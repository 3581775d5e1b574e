#pragma once
// The caption strip: a coloured strip with a one-line caption over a decorative band.
// This class decides everything the strip shows; the window only draws it.

#include "controls/density.h"
#include "controls/property_bag.h"

#include <cstdint>
#include <string>

namespace qb::controls {

// A font request as the windows pass it around; bold is part of the request but each
// control decides whether it applies it.
struct FontSpec {
    std::wstring name = L"MS Sans Serif";
    float size = 8.25f; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
    bool operator==(const FontSpec&) const = default;
};

class HeadingModel {
public:
    static constexpr std::uint32_t StripColour = 0xC0774F; // 0x00BBGGRR
    static constexpr std::uint32_t CaptionColour = 0x000000;
    static constexpr int DesignedWidth = 3000; // twips
    static constexpr int DesignedHeight = 270;
    static constexpr int CaptionTop = 45;
    static constexpr int CaptionHeight = 255;
    static constexpr int LineTop = 0;
    static constexpr int LineBottom = 255;
    // The caption's text stands this far in from its left edge and stops this far before
    // its right edge, in pixels of the design, so it does not touch the band's rim.
    static constexpr int CaptionInsetLeftPx = 4;
    static constexpr int CaptionInsetRightPx = 2;

    explicit HeadingModel(const Density& density = Density{});

    const std::wstring& Text() const { return text_; }
    void SetText(std::wstring text);
    // True once Text was written, so the layout knows the value is the instance's own.
    bool TextChanged() const { return textChanged_; }

    // The caption keeps its designed weight: `fontBold` is accepted and ignored.
    void SetFont(const std::wstring& fontName, float fontSize, bool fontBold, bool fontItalic,
                 bool fontUnderline, bool fontStrikethru);
    const FontSpec& Font() const { return font_; }

    // w = inner width in twips. The caption takes the full width; the closing line stays
    // one pixel inside the right edge, where it hides the band's last visible column.
    void Resize(int innerWidth);
    int CaptionLeft() const { return 0; }
    int CaptionWidth() const { return captionWidth_; }
    int LineX() const { return lineX_; }
    // The band picture sits one pixel in from the top left corner.
    int BandLeft() const { return kDesignPixel; }
    int BandTop() const { return kDesignPixel; }
    // The screen the strip is shown on; its twips stay, its pixels follow.
    const Density& ScreenDensity() const { return density_; }
    void SetDensity(const Density& density) { density_ = density; }

    // The stored "Text" property, or "-" when none is stored. The bag reports a value it
    // cannot read as missing; running out of memory is the caller's to handle.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

private:
    Density density_;
    std::wstring text_ = L"-";
    bool textChanged_ = false;
    FontSpec font_{L"MS Sans Serif", 8.25f, true, false, false, false};
    int captionWidth_ = 1200;
    int lineX_ = 0;
};

} // namespace qb::controls
