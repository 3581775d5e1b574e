#include "mainwindow/form_layout.h"

#include "mainwindow/control_ids.h"

#include <map>

namespace qb::mainwindow {

namespace {

ControlSpec Make(int id, ControlKind kind, TwipsRect bounds, std::wstring text = {}) {
    ControlSpec design;
    design.id = id;
    design.kind = kind;
    design.bounds = bounds;
    design.text = std::move(text);
    return design;
}

ControlSpec Hidden(ControlSpec design) {
    design.visible = false;
    return design;
}

ControlSpec Bold(ControlSpec design) {
    design.bold = true;
    return design;
}

ControlSpec Drawn(ControlSpec design) {
    design.drawn = true;
    return design;
}

ControlSpec Coloured(ControlSpec design, std::uint32_t textColour, TextAlign align) {
    design.textColour = textColour;
    design.align = align;
    return design;
}

// The details panel: caption left of its box, in the order the panel is read.
struct DetailRow {
    int index = 0;
    const wchar_t* caption = nullptr;
    TwipsRect label;
    TwipsRect entry;
    bool framed = false;
    bool readOnly = false;
};

constexpr DetailRow kDetailRows[] = {
    {5, L"User name", {120, 7530, 1500, 255}, {1710, 7500, 3525, 285}, true, false},
    // The groups are chosen in their own dialog, which a click on the box opens.
    {1, L"Member of", {7050, 7530, 975, 255}, {8340, 7500, 2895, 285}, true, true},
    {0, L"Full name", {120, 7890, 1500, 255}, {1710, 7860, kFullNameWide, 285}, true, false},
    {3, L"Account comment", {120, 8250, 1500, 255}, {1710, 8220, 9525, 285}, true, false},
    {4, L"User comment", {120, 8610, 1500, 255}, {1710, 8580, 9525, 285}, true, false},
    {6, L"New password", {120, 8970, 1500, 255}, {1710, 8940, 3525, 285}, true, false},
    {2, L"Last logon", {120, 9450, 810, 255}, {960, 9450, 2595, 255}, false, true},
    {7, L"System start-up", {3720, 9450, 1170, 255}, {4920, 9450, 2595, 255}, false, true},
};

std::vector<ControlSpec> Design() {
    using K = ControlKind;
    std::vector<ControlSpec> c;

    // The lists, top left.
    c.push_back(Make(ids::Heading1, K::Heading, {30, 30, 5115, 285}, L"Select user..."));
    c.push_back(Make(ids::CustomList1, K::List, {45, 315, 5085, 3570}));
    c.push_back(
        Make(ids::Heading3, K::Heading, {30, 4005, 5115, 285}, L"Copy logon times from..."));
    c.push_back(Make(ids::CustomList2, K::List, {45, 4290, 5085, 2715}));
    for (int i = 0; i < 2; ++i)
        c.push_back(
            Hidden(Bold(Make(ids::WarningLabel0 + i, K::Label, {60, 6480 + 210 * i, 5055, 255}))));

    // The hours grid, top right.
    c.push_back(Make(ids::Heading2, K::Heading, {5220, 30, 6075, 285}, L"Allowable logon times"));
    for (int k = 0; k < 7; ++k) {
        const int left = k == 6 ? 6510 : 7170 + 660 * k;
        const bool weekend = k == 0 || k == 6;
        c.push_back(
            Drawn(Bold(Coloured(Make(ids::DayLabel0 + k, K::Label, {left, 450, 675, 255}),
                                weekend ? colour::Weekend : colour::Weekday, TextAlign::Centre))));
    }
    c.push_back(Drawn(Make(ids::DayLabel0 + 7, K::Label, {5310, 540, 1080, 255}, L"Time")));
    for (int h = 0; h < kGridRows; ++h)
        c.push_back(Drawn(Make(ids::HourLabel0 + h, K::Label, {5310, 780 + 240 * h, 1080, 255})));
    c.push_back(Make(ids::AllowedHoursGraphic, K::Grid, {6540, 750, 4620, 5760}));
    for (int col = 0; col < kGridColumns; ++col)
        c.push_back(
            Coloured(Make(ids::TotalTime0 + col, K::Label, {6510 + 660 * col, 6630, 690, 255}),
                     colour::Total, TextAlign::Centre));
    c.push_back(Hidden(Make(ids::UndoButton, K::Button, {5430, 6570, 945, 345}, L"Undo")));

    // The details panel, seen only while the window is expanded.
    c.push_back(
        Hidden(Make(ids::Heading4, K::Heading, {30, 7110, 11265, 285}, L"Account details")));
    for (const DetailRow& row : kDetailRows) {
        c.push_back(
            Hidden(Make(ids::DetailSettingLabel0 + row.index, K::Label, row.label, row.caption)));
        ControlSpec entry = Hidden(Make(ids::DetailSettingEntry0 + row.index, K::Entry, row.entry));
        entry.framed = row.framed;
        entry.readOnly = row.readOnly;
        entry.masked = row.index == 6;
        c.push_back(entry);
        if (row.index == 1)
            for (int t = 0; t < 4; ++t)
                c.push_back(Hidden(Make(ids::UserImage0 + t, K::Picture, {8040, 7530, 240, 240})));
        if (row.index == 0)
            c.push_back(Hidden(Make(ids::ShowAdmin, K::CheckBox, {7050, 7890, 3135, 225},
                                    L"Show on windows welcome screen")));
        if (row.index == 6) {
            c.push_back(Hidden(Make(ids::PasswordLocked, K::CheckBox, {7050, 8970, 1845, 225},
                                    L"Password locked")));
            c.push_back(Hidden(Make(ids::PasswordNotNeeded, K::CheckBox, {8940, 8970, 2295, 225},
                                    L"Password not needed")));
        }
    }
    c.push_back(Hidden(Make(ids::LockImage, K::Picture, {8550, 9450, 240, 240})));
    c.push_back(Hidden(
        Make(ids::AccountDisabled, K::CheckBox, {8940, 9450, 2295, 225}, L"User account locked")));

    // The bottom row.
    ControlSpec product = Bold(Make(ids::AppLabel0, K::Label, {90, 7200, 0, 255}));
    product.autoSize = true;
    c.push_back(product);
    ControlSpec version = Make(ids::AppLabel0 + 1, K::Label, {90, 7440, 0, 255});
    version.autoSize = true;
    c.push_back(version);
    c.push_back(Hidden(Make(ids::SettingsButton, K::Button, {7350, 7260, 1125, 375}, L"Settings")));
    c.push_back(Hidden(Make(ids::MoreButton, K::Button, {8670, 7260, 1125, 375}, L"More...")));
    c.push_back(Make(ids::CloseButton, K::Button, {9990, 7260, 1125, 375}, L"Close"));
    return c;
}

} // namespace

const std::vector<ControlSpec>& DesignedControls() {
    static const std::vector<ControlSpec> design = Design();
    return design;
}

const ControlSpec* DesignOf(int id) {
    static const std::map<int, const ControlSpec*> byId = [] {
        std::map<int, const ControlSpec*> index;
        for (const ControlSpec& design : DesignedControls())
            index.emplace(design.id, &design);
        return index;
    }();
    const auto found = byId.find(id);
    return found == byId.end() ? nullptr : found->second;
}

const std::vector<ShapeSpec>& DesignedShapes() {
    static const std::vector<ShapeSpec> shapes = {
        {ShapeKind::Filled, {0, 0, kClientWidth, 7125}, colour::White},
        {ShapeKind::Outline, {30, 300, 5115, 6720}, colour::Frame},
        {ShapeKind::Outline, {5220, 300, 6075, 6720}, colour::Frame},
        {ShapeKind::Outline, {30, 7380, 11265, 2400}, colour::Frame},
        {ShapeKind::Line, {0, kSeparatorCollapsedY, 11340, 0}, colour::Frame},
        {ShapeKind::Line, {30, 9330, 11250, 0}, colour::Frame},
    };
    return shapes;
}

} // namespace qb::mainwindow
