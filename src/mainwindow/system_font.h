#pragma once
// The system's menu font, which every window of the program takes for its captions.

#include <cstdint>
#include <string>

namespace qb::mainwindow {

struct SystemFontInfo {
    std::wstring FontName;
    float FontSize = 8; // whole points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
};

// The menu font of the non-client metrics, as the platform describes it (LOGFONT).
struct MenuFont {
    std::wstring faceName;   // converted from the system code page; may hold trailing NULs
    std::int32_t height = 0; // logical units: negative for the character height
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// Weights above 550 count as bold. The size is -72 x height / pixelsPerInch in whole
// points, an exact half going to the even neighbour (8.25 gives 8, 10.5 gives 10).
SystemFontInfo LoadSystemFont(int pixelsPerInch, const MenuFont& menuFont);

} // namespace qb::mainwindow
