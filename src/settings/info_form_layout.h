#pragma once
// The settings dialog as designed: its controls with their places in twips (1/1440 inch)
// and their captions, the three frames painted behind them, where the Close button and
// the size grip go when the window is resized, the limits of its size and the grip's
// picture. The dialog's view creates its windows from this; nothing here knows Windows.

#include "controls/customlist/custom_list_model.h"
#include "controls/pictures/pictures.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qb::settings {

using controls::TwipsRect;

// The control identifiers of the dialog. Tests find the controls by them; a published
// number never changes.
namespace ids {
constexpr int Heading1 = 2001;
constexpr int InfoLabel = 2002; // what the service does, above the settings
constexpr int Label1 = 2011;    // "Warning period (minutes) : "
constexpr int Text1 = 2012;
constexpr int Label2 = 2013;  // "After warning period :"
constexpr int Option1 = 2014; // Option1(0) "Logoff", Option1 + 1 is Option1(1) "Turn off computer"
constexpr int Check1 = 2021;  // "Show icon in System Tray"
constexpr int CloseButton = 2031;
} // namespace ids

inline constexpr wchar_t kInfoFormCaption[] = L"Quill Bay - Settings";

enum class InfoControlKind { Heading, Label, Entry, Option, Check, Button };

struct InfoControl {
    int id = 0;
    InfoControlKind kind = InfoControlKind::Label;
    TwipsRect bounds;
    std::wstring text;
};

// The client area as designed, which is also the smallest the dialog can be made.
inline constexpr int kInfoClientWidth = 6720;
inline constexpr int kInfoClientHeight = 4695;
// The widest the whole window can be made (804 pixels at 96 dots per inch).
inline constexpr int kInfoMaxWindowWidth = 12060;

// Colours as the platform numbers them: 0x00BBGGRR.
namespace colour {
constexpr std::uint32_t FrameFill = 0xF0E8E0;   // light blue-grey
constexpr std::uint32_t FrameBorder = 0xD08760; // the rules and outlines of the main window
} // namespace colour

// The frames Background(0..2): what the service does, the two settings (Background(1)),
// the tray program (Background(2)). Each overlaps the one above by its border.
enum Frame : int { InfoFrame = 0, SettingsFrame = 1, TrayFrame = 2 };
const std::array<TwipsRect, 3>& InfoFrames();

// Every control of the dialog, in the order of its tab stops.
const std::vector<InfoControl>& InfoFormControls();
// The design of the control with this identifier; null for none.
const InfoControl* InfoControlDesign(int id);

// What moves when the client area takes a new size (twips): the Close button keeps its
// distance from the bottom and right edges, the size grip `ResizeImage` sits in the
// bottom-right corner.
struct ResizePlacement {
    TwipsRect closeButton;
    TwipsRect resizeImage;
};
ResizePlacement PlaceForClientSize(int clientWidth, int clientHeight);

// A point of the window (twips, relative to the client area) at or right of the grip's
// left edge and at or below its top edge counts as the bottom-right sizing border.
bool IsOnSizeGrip(const TwipsRect& resizeImage, int x, int y);

// The tracking limits of the whole window in pixels, for a frame (window size less client
// size) of the given pixels: at least the designed client area, at most 12060 twips wide.
struct TrackingLimits {
    int minWidth = 0;
    int minHeight = 0;
    int maxWidth = 0;
};
TrackingLimits TrackingSize(int frameWidth, int frameHeight, const controls::Density& density);

// The grip's picture, `size` pixels square: a triangle of raised dots in the bottom-right
// corner on a transparent ground.
controls::Picture SizeGripPicture(int size);

} // namespace qb::settings
