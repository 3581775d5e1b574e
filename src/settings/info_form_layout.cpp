#include "settings/info_form_layout.h"

#include <algorithm>
#include <map>

namespace qb::settings {

namespace {

constexpr int kFrameLeft = 30;
constexpr int kFrameWidth = 6660;
constexpr TwipsRect kInfoFrame{kFrameLeft, 300, kFrameWidth, 2520};
// Each frame starts one border above the bottom of the one before, so the borders overlap.
constexpr TwipsRect kSettingsFrame{kFrameLeft, kInfoFrame.top + kInfoFrame.height - 15, kFrameWidth,
                                   735};
constexpr TwipsRect kTrayFrame{kFrameLeft, kSettingsFrame.top + kSettingsFrame.height - 15,
                               kFrameWidth, 465};

// The Close button: its top this far above the client area's bottom, its left edge this
// far from the right edge.
constexpr int kCloseWidth = 1125;
constexpr int kCloseHeight = 375;
constexpr int kCloseFromBottom = 465;
constexpr int kCloseFromRight = 1410;
// The size grip, 12 pixels square at 96 dots per inch.
constexpr int kGripSize = 180;

constexpr wchar_t kInfoText[] =
    L"The Quill Bay service keeps the logon times set in the main window. When a user's "
    L"time is running out, it warns the user; at the end of the warning period it logs the "
    L"user off or turns the computer off.\r\n\r\n"
    L"Warning period: the minutes between the warning and the end, 5 to 59.\r\n"
    L"After warning period: what the service does then.\r\n\r\n"
    L"The service's companion program shows its icon in the System Tray. With the box below "
    L"ticked, it starts whenever a user logs on to Windows.";

InfoControl Make(int id, InfoControlKind kind, TwipsRect bounds, std::wstring text = {}) {
    return InfoControl{id, kind, bounds, std::move(text)};
}

std::vector<InfoControl> Design() {
    using K = InfoControlKind;
    const int s = kSettingsFrame.top;
    const int t = kTrayFrame.top;
    return {
        Make(ids::Heading1, K::Heading, {30, 30, 6660, 285}, L"Logon time enforcement"),
        Make(ids::InfoLabel, K::Label, {150, kInfoFrame.top + 120, 6420, kInfoFrame.height - 240},
             kInfoText),
        Make(ids::Label1, K::Label, {60, s + 120, 2025, 255}, L"Warning period (minutes) : "),
        Make(ids::Text1, K::Entry, {2130, s + 90, 765, 315}),
        Make(ids::Label2, K::Label, {3120, s + 120, 1725, 255}, L"After warning period :"),
        Make(ids::Option1, K::Option, {4980, s + 75, 1365, 285}, L"Logoff"),
        Make(ids::Option1 + 1, K::Option, {4980, s + 375, 1665, 285}, L"Turn off computer"),
        Make(ids::Check1, K::Check, {180, t + 105, 2205, 255}, L"Show icon in System Tray"),
        Make(ids::CloseButton, K::Button,
             PlaceForClientSize(kInfoClientWidth, kInfoClientHeight).closeButton, L"Close"),
    };
}

} // namespace

const std::array<TwipsRect, 3>& InfoFrames() {
    static const std::array<TwipsRect, 3> frames{kInfoFrame, kSettingsFrame, kTrayFrame};
    return frames;
}

const std::vector<InfoControl>& InfoFormControls() {
    static const std::vector<InfoControl> design = Design();
    return design;
}

const InfoControl* InfoControlDesign(int id) {
    static const std::map<int, const InfoControl*> byId = [] {
        std::map<int, const InfoControl*> index;
        for (const InfoControl& design : InfoFormControls())
            index.emplace(design.id, &design);
        return index;
    }();
    const auto found = byId.find(id);
    return found == byId.end() ? nullptr : found->second;
}

ResizePlacement PlaceForClientSize(int clientWidth, int clientHeight) {
    ResizePlacement placement;
    placement.closeButton = TwipsRect{clientWidth - kCloseFromRight,
                                      clientHeight - kCloseFromBottom, kCloseWidth, kCloseHeight};
    placement.resizeImage =
        TwipsRect{clientWidth - kGripSize, clientHeight - kGripSize, kGripSize, kGripSize};
    return placement;
}

bool IsOnSizeGrip(const TwipsRect& resizeImage, int x, int y) {
    return x >= resizeImage.left && y >= resizeImage.top;
}

TrackingLimits TrackingSize(int frameWidth, int frameHeight, const controls::Density& density) {
    TrackingLimits limits;
    limits.minWidth = frameWidth + density.Pixels(kInfoClientWidth);
    limits.minHeight = frameHeight + density.Pixels(kInfoClientHeight);
    limits.maxWidth = std::max(density.Pixels(kInfoMaxWindowWidth), limits.minWidth);
    return limits;
}

controls::Picture SizeGripPicture(int size) {
    size = std::max(size, 3);
    controls::Picture p{size, size,
                        std::vector<std::uint32_t>(static_cast<std::size_t>(size * size))};
    auto set = [&](int x, int y, std::uint32_t argb) {
        if (x >= 0 && y >= 0 && x < size && y < size)
            p.pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(size)) + static_cast<std::size_t>(x)] = argb;
    };
    constexpr std::uint32_t kLight = 0xFFFFFFFF;
    constexpr std::uint32_t kDark = 0xFF6087D0; // the frame colour
    // Three rows of dots, one to three of them, flush with the bottom-right corner.
    const int step = size / 3;
    const int dot = std::max(step / 2, 1);
    for (int row = 0; row < 3; ++row) {
        for (int column = 2 - row; column < 3; ++column) {
            const int x = size - step * (3 - column) + (step - dot - 1);
            const int y = size - step * (3 - row) + (step - dot - 1);
            for (int dy = 0; dy < dot; ++dy)
                for (int dx = 0; dx < dot; ++dx) {
                    set(x + dx + 1, y + dy + 1, kLight);
                    set(x + dx, y + dy, kDark);
                }
        }
    }
    return p;
}

} // namespace qb::settings
