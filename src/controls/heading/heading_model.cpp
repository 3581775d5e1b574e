#include "controls/heading/heading_model.h"

#include <cmath>

namespace qb::controls {

namespace {
constexpr const wchar_t* kTextProperty = L"Text";
constexpr const wchar_t* kDefaultText = L"-";
} // namespace

HeadingModel::HeadingModel(const Density& density) : density_(density) {
    Resize(DesignedWidth);
}

void HeadingModel::SetText(std::wstring text) {
    text_ = std::move(text);
    textChanged_ = true;
}

void HeadingModel::SetFont(const std::wstring& fontName, float fontSize, bool /*fontBold*/,
                           bool fontItalic, bool fontUnderline, bool fontStrikethru) {
    font_.italic = fontItalic;
    if (!fontName.empty())
        font_.name = fontName;
    if (std::isfinite(fontSize) && fontSize > 0) // no font has an endless size
        font_.size = fontSize;
    font_.strikethrough = fontStrikethru;
    font_.underline = fontUnderline;
}

void HeadingModel::Resize(int innerWidth) {
    captionWidth_ = innerWidth;
    lineX_ = innerWidth - kDesignPixel;
}

void HeadingModel::ReadProperties(const PropertyBag& bag) {
    const auto stored = bag.ReadText(kTextProperty);
    SetText(stored ? *stored : std::wstring(kDefaultText));
}

void HeadingModel::WriteProperties(PropertyBag& bag) const {
    bag.WriteText(kTextProperty, text_, kDefaultText);
}

} // namespace qb::controls
