#pragma once
// The main window as designed: every control with its kind, place and size in twips
// (1/1440 inch), its designed text, visibility, weight and colour, and the shapes painted
// on the window itself. The model starts from this design and moves, fills and shows the
// controls from there; the window creates one child window per control from it.

#include "controls/customlist/custom_list_model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qb::mainwindow {

using controls::TwipsRect;

// Colours as the platform numbers them: 0x00BBGGRR.
namespace colour {
constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t Black = 0x000000;
constexpr std::uint32_t Frame = 0xD08760;          // outlines and rules: blue D0, green 87, red 60
constexpr std::uint32_t GridBackground = 0xF0E8E0; // behind the hour cells
constexpr std::uint32_t Weekend = 0x008000;        // green day captions
constexpr std::uint32_t Weekday = 0x800000;        // navy day captions
constexpr std::uint32_t Total = 0x808080;          // grey day totals
} // namespace colour

// The window's client area: one width, two heights.
constexpr int kClientWidth = 11325;
constexpr int kCollapsedHeight = 7755;
constexpr int kExpandedHeight = 10515;

// The grid: 7 columns of days, 24 rows of hours, each cell the size of its picture.
constexpr int kGridColumns = 7;
constexpr int kGridRows = 24;
constexpr int kCellPictureWidthPx = 44;
constexpr int kCellPictureHeightPx = 16;

// How far the divider between the two lists may travel (its top, in twips).
constexpr int kDividerMinTop = 1110;
constexpr int kDividerMaxTop = 6210;
// How far Alt+Up or Alt+Down in a list moves the divider.
constexpr int kDividerKeyStep = 480;

// The bottom row of buttons keeps this distance from the client area's bottom edge.
constexpr int kBottomRowOffset = 495;
// The full-name box, beside the welcome-screen check box and alone.
constexpr int kFullNameNarrow = 5145;
constexpr int kFullNameWide = 9525;
// Where the rule above the bottom row lies, collapsed and expanded.
constexpr int kSeparatorCollapsedY = 7110;
constexpr int kSeparatorExpandedY = 9870;

enum class ControlKind {
    Label,    // a caption
    Entry,    // a text box
    CheckBox, // a check box with its caption
    Button,   // a push button
    Picture,  // a small picture (user type, padlock)
    Heading,  // a caption strip
    List,     // a user list
    Grid,     // the weekly hours grid
};

enum class TextAlign { Left, Centre, Right };

struct ControlSpec {
    int id = 0;
    ControlKind kind = ControlKind::Label;
    TwipsRect bounds;
    std::wstring text;
    bool visible = true;
    bool bold = false;
    std::uint32_t textColour = colour::Black;
    TextAlign align = TextAlign::Left;
    bool framed = true;    // a text box with a border; display-only boxes have none
    bool readOnly = false; // a text box that shows a value and takes no typing
    bool masked = false;   // a text box that shows its characters masked (a password)
    bool autoSize = false; // a label as wide as its text
    // A label drawn on the window's own surface, as the labels of a form were, rather than
    // a window of its own: one of the fixed captions of the grid, of which there are dozens.
    bool drawn = false;
};

// Every control of the window, as designed, in the order of their tab stops.
const std::vector<ControlSpec>& DesignedControls();
// The design of the control with this identifier; null for none.
const ControlSpec* DesignOf(int id);

// Shapes and lines painted on the window itself.
enum class ShapeKind { Filled, Outline, Line };
struct ShapeSpec {
    ShapeKind kind = ShapeKind::Outline;
    TwipsRect bounds; // a horizontal line: its y is bounds.top, its ends left and right()
    std::uint32_t colour = colour::Frame;
};

// The shapes by name, as the model moves and shows them.
enum Shape : int {
    Background = 0,   // white backdrop of the upper area
    ListViewsOutline, // frame around both lists
    HoursOutline,     // frame around the grid area
    DetailBox,        // frame of the details panel
    Separator0,       // rule above the bottom row
    Separator1,       // rule inside the details panel
    ShapeCount
};
const std::vector<ShapeSpec>& DesignedShapes();

// The divider between the lists: a picture the window paints itself, with the up-down
// sizing pointer.
constexpr TwipsRect kDesignedDivider{30, 3885, 5115, 120};
constexpr int kDividerPictureWidthPx = 341;
constexpr int kDividerPictureHeightPx = 8;

} // namespace qb::mainwindow
