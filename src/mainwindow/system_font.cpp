#include "mainwindow/system_font.h"

#include <cmath>

namespace qb::mainwindow {

namespace {
constexpr std::int32_t kFirstBoldWeight = 551;
constexpr int kPointsPerInch = 72;
constexpr int kDefaultPixelsPerInch = 96;
} // namespace

SystemFontInfo LoadSystemFont(int pixelsPerInch, const MenuFont& menuFont) {
    if (pixelsPerInch <= 0)
        pixelsPerInch = kDefaultPixelsPerInch;
    SystemFontInfo info;
    info.FontName = menuFont.faceName.substr(0, menuFont.faceName.find(L'\0'));
    info.Bold = menuFont.weight >= kFirstBoldWeight;
    info.Italic = menuFont.italic;
    info.Underline = menuFont.underline;
    info.Strikethrough = menuFont.strikeOut;
    // nearbyint rounds in the default mode, to nearest with halves to even.
    info.FontSize = static_cast<float>(
        std::nearbyint(-static_cast<double>(kPointsPerInch) * menuFont.height / pixelsPerInch));
    return info;
}

} // namespace qb::mainwindow
