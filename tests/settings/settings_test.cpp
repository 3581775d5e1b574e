// The settings dialog's model and the settings store on a simulated machine (code page
// 1252) with a registry in memory: how the warning period is read and checked, what the
// dialog shows on opening, and what closing it writes, starts and sends.

#include "settings/info_form_layout.h"
#include "settings/info_form_model.h"
#include "settings/settings_store.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace qb::settings {
namespace {

using platform::HkeyLocalMachine;
using testing::StoredValue;

constexpr char kStoreKey[] = "SOFTWARE\\Quill Bay";
constexpr char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr platform::WindowHandle kTray = 0x71;
constexpr platform::WindowHandle kService = 0x72;

StoredValue Dword(std::uint32_t v) {
    return {platform::reg_type::Dword,
            {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
             static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)}};
}

StoredValue Text(std::string_view ansi) {
    StoredValue value{platform::reg_type::Sz, {ansi.begin(), ansi.end()}};
    value.data.push_back(0);
    return value;
}

TEST(NumberFromText, ReadsTheLeadingNumberAndRoundsHalvesToEven) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const std::pair<const wchar_t*, std::int32_t> cases[] = {
        {L"12", 12},      {L"  \t12", 12}, {L"\r\n7", 7},      {L"+8", 8},
        {L"-3", -3},      {L"12abc", 12},  {L"1,5", 1},        {L"6 0", 6},
        {L"7.5", 8},      {L"6.5", 6},     {L"0.5", 0},        {L"-2.5", -2},
        {L"4.49", 4},     {L"59.5", 60},   {L".5", 0},         {L"5.", 5},
        {L"2.5e1", 25},   {L"1E+1", 10},   {L"5e", 5},         {L"5e-", 5},
        {L"abc", 0},      {L"", 0},        {L"-", 0},          {L".", 0},
        {L"x5", 0},       {L"0x10", 0},    {L"\x0665", 0}, // an Arabic-Indic five
        {L"1e400", kMax}, {L"1e-400", 0},  {L"0.0000e999", 0}, {L"99999999999", kMax},
        {L"-1e12", kMin},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(NumberFromText(text), expected) << '"' << std::wstring(text) << '"';
}

// The dialog's model on a machine whose program lives in C:\Program Files\Quill Bay, with
// both companion windows running.
class Dialog : public ::testing::Test {
protected:
    Dialog() {
        w.user.windows["QuillbayTray"] = kTray;
        w.user.windows["QuillbayService"] = kService;
        w.registry.CreateKey(HkeyLocalMachine, kRun);
        model.SetOwner(0x99);
    }
    std::vector<std::pair<platform::WindowHandle, std::string>> Commands() const {
        std::vector<std::pair<platform::WindowHandle, std::string>> commands;
        for (const auto& sent : w.user.sent)
            commands.emplace_back(sent.window, reinterpret_cast<const char*>(sent.buffer.data()));
        return commands;
    }
    std::optional<StoredValue> RunValue() const {
        return w.registry.Get(HkeyLocalMachine, kRun, "Quillbay");
    }

    testing::SimWorld w;
    InfoFormModel model{w.g};
};

TEST_F(Dialog, TheRangeCheckRefusesWithItsMessageAndKeepsTheFocus) {
    model.Load();
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"4", kTooShortMessage}, {L"abc", kTooShortMessage}, {L"4.5", kTooShortMessage},
        {L"60", kTooLongMessage}, {L"59.5", kTooLongMessage}, {L"5", nullptr},
        {L"59", nullptr},         {L" 6.5", nullptr},
    };
    for (const auto& [text, message] : cases) {
        w.user.messageBoxes.clear();
        model.SetText1(text);
        EXPECT_EQ(model.Text1Validate(), message == nullptr) << std::wstring(text);
        if (message == nullptr) {
            EXPECT_TRUE(w.user.messageBoxes.empty()) << std::wstring(text);
            continue;
        }
        ASSERT_EQ(w.user.messageBoxes.size(), 1u) << std::wstring(text);
        const auto& shown = w.user.messageBoxes[0];
        EXPECT_EQ(shown.text, message);
        EXPECT_EQ(shown.caption, L"Quill Bay");
        EXPECT_EQ(shown.type, platform::mb::Ok | platform::mb::IconInformation);
        EXPECT_EQ(shown.owner, 0x99u);
    }

    // A refused period at Close (Enter in the text box) is shown the same way and goes
    // nowhere: the dialog stays, and nothing is written, started or sent.
    w.user.messageBoxes.clear();
    model.SetText1(L"60");
    EXPECT_FALSE(model.CloseButtonClick());
    EXPECT_EQ(w.user.messageBoxes.size(), 1u);
    EXPECT_EQ(w.g.WarningMinutes, 5);
    EXPECT_TRUE(w.user.sent.empty());
    EXPECT_TRUE(w.machine->startedPrograms.empty());
    EXPECT_FALSE(w.registry.HasKey(HkeyLocalMachine, kStoreKey));
}

TEST_F(Dialog, OpensOnTheSharedSettingsAndTicksTheBoxOnlyForTheCompanionPath) {
    w.g.WarningMinutes = 17;
    w.g.TurnOffAfterWarning = false;
    model.Load();
    EXPECT_EQ(model.Text1(), L"17");
    EXPECT_EQ(model.Option1(), 0);
    EXPECT_EQ(model.CompanionPath(), L"C:\\Program Files\\Quill Bay\\quillsvc.exe");
    EXPECT_FALSE(model.Check1()) << "no Run value";

    w.machine->programPath = L"C:\\Programme\\\u00DCberwachung\\quillbay.exe";
    // The Run value as it may be stored, in the system code page, and whether it ticks.
    const std::pair<StoredValue, bool> cases[] = {
        {Text("C:\\Programme\\\xDC"
              "berwachung\\quillsvc.exe"),
         true},
        {Text("c:\\PROGRAMME\\\xFC"
              "BERWACHUNG\\QuillSvc.EXE"),
         true},
        {Text("C:\\Programme\\quillsvc.exe"), false},
        {Text("C:\\Programme\\\xDC"
              "berwachung\\quillsvc.exe -x"),
         false},
        {Dword(1), false},
    };
    for (const auto& [value, ticked] : cases) {
        w.registry.Set(HkeyLocalMachine, kRun, "Quillbay", value.type, value.data);
        InfoFormModel opened(w.g);
        opened.Load();
        EXPECT_EQ(opened.Check1(), ticked) << std::string(value.data.begin(), value.data.end() - 1);
    }
    EXPECT_EQ(w.registry.OpenKeyCount(), 0u);
}

TEST_F(Dialog, CloseSetsTheAutostartAndStartsOrClosesTheTrayProgramEveryTime) {
    const std::string path = "C:\\Program Files\\Quill Bay\\quillsvc.exe";
    model.Load();
    model.SetCheck1(true);
    ASSERT_TRUE(model.CloseButtonClick());
    EXPECT_EQ(RunValue(), Text(path));
    using simulated::StartedProgram;
    const StartedProgram started{L"C:\\Program Files\\Quill Bay\\quillsvc.exe",
                                 platform::show_command::ShowMinimized};
    EXPECT_EQ(w.machine->startedPrograms, std::vector<StartedProgram>{started});
    EXPECT_TRUE(Commands().empty());

    // Ticked again, with the value there and the program running: both happen again.
    InfoFormModel again(w.g);
    again.Load();
    ASSERT_TRUE(again.Check1());
    ASSERT_TRUE(again.CloseButtonClick());
    EXPECT_EQ(RunValue(), Text(path));
    EXPECT_EQ(w.machine->startedPrograms.size(), 2u);

    // Cleared: the value goes and the tray program is told to close.
    InfoFormModel cleared(w.g);
    cleared.Load();
    cleared.SetCheck1(false);
    ASSERT_TRUE(cleared.CloseButtonClick());
    EXPECT_FALSE(RunValue());
    EXPECT_EQ(w.machine->startedPrograms.size(), 2u);
    EXPECT_EQ(Commands(),
              (std::vector<std::pair<platform::WindowHandle, std::string>>{{kTray, "/close"}}));
    EXPECT_FALSE(w.registry.HasKey(HkeyLocalMachine, kStoreKey)) << "no setting changed";
    EXPECT_EQ(w.registry.OpenKeyCount(), 0u);
}

TEST_F(Dialog, ChangedSettingsAloneAreStoredAndAnnouncedToTheService) {
    // Unchanged, "05" being the 5 it opened with.
    model.Load();
    model.SetText1(L"05");
    ASSERT_TRUE(model.CloseButtonClick());
    EXPECT_FALSE(w.registry.HasKey(HkeyLocalMachine, kStoreKey));
    EXPECT_EQ(Commands().size(), 1u) << "only the tray's /close";

    // The period changed: the key is made, both values are written, then the service is told.
    w.user.sent.clear();
    InfoFormModel period(w.g);
    period.Load();
    period.SetText1(L"7.5");
    ASSERT_TRUE(period.CloseButtonClick());
    EXPECT_EQ(w.g.WarningMinutes, 8);
    EXPECT_TRUE(w.g.TurnOffAfterWarning);
    EXPECT_EQ(w.registry.Get(HkeyLocalMachine, kStoreKey, "WarningMinutes"), Dword(8));
    EXPECT_EQ(w.registry.Get(HkeyLocalMachine, kStoreKey, "TurnOffAfterWarning"), Dword(1));
    EXPECT_EQ(Commands(), (std::vector<std::pair<platform::WindowHandle, std::string>>{
                              {kTray, "/close"}, {kService, "/settings"}}));

    // Only the choice changed.
    w.user.sent.clear();
    InfoFormModel choice(w.g);
    choice.Load();
    choice.Option1Click(0);
    ASSERT_TRUE(choice.CloseButtonClick());
    EXPECT_FALSE(w.g.TurnOffAfterWarning);
    EXPECT_EQ(w.registry.Get(HkeyLocalMachine, kStoreKey, "WarningMinutes"), Dword(8));
    EXPECT_EQ(w.registry.Get(HkeyLocalMachine, kStoreKey, "TurnOffAfterWarning"), Dword(0));
    EXPECT_EQ(Commands().back(), std::make_pair(kService, std::string("/settings")));
    EXPECT_EQ(w.registry.OpenKeyCount(), 0u);
}

TEST(SettingsStore, KeepsTheDefaultsForWhatIsMissingAndHoldsThePeriodInRange) {
    testing::SimWorld w;
    settings::ReadSettingsStore(w.g);
    EXPECT_EQ(w.g.WarningMinutes, 5) << "no key";
    EXPECT_TRUE(w.g.TurnOffAfterWarning);

    // What the store holds, and the settings read from it.
    struct Case {
        std::optional<StoredValue> minutes, turnOff;
        std::int32_t expectedMinutes;
        bool expectedTurnOff;
    };
    const Case cases[] = {
        {Dword(12), Dword(0), 12, false},
        {Dword(3), Dword(7), 5, true},
        {Dword(100), std::nullopt, 59, true},
        {Dword(0xFFFFFFFF), Text("0"), 5, true}, // -1; text is not a setting
        {std::nullopt, Dword(0), 5, false},
        {Text("30"), std::nullopt, 5, true},
    };
    for (const Case& c : cases) {
        testing::SimWorld fresh;
        fresh.registry.CreateKey(HkeyLocalMachine, kStoreKey);
        if (c.minutes)
            fresh.registry.Set(HkeyLocalMachine, kStoreKey, "WarningMinutes", c.minutes->type,
                               c.minutes->data);
        if (c.turnOff)
            fresh.registry.Set(HkeyLocalMachine, kStoreKey, "TurnOffAfterWarning", c.turnOff->type,
                               c.turnOff->data);
        settings::ReadSettingsStore(fresh.g);
        EXPECT_EQ(fresh.g.WarningMinutes, c.expectedMinutes);
        EXPECT_EQ(fresh.g.TurnOffAfterWarning, c.expectedTurnOff);
        EXPECT_EQ(fresh.registry.OpenKeyCount(), 0u);
    }
}

TEST(InfoFormLayout, TheCloseButtonAndGripFollowTheSizeWithinTheTrackingLimits) {
    const ResizePlacement designed = PlaceForClientSize(kInfoClientWidth, kInfoClientHeight);
    EXPECT_EQ(designed.closeButton, (TwipsRect{5310, 4230, 1125, 375}));
    EXPECT_EQ(designed.resizeImage, (TwipsRect{6540, 4515, 180, 180}));
    const ResizePlacement wider = PlaceForClientSize(9000, 6000);
    EXPECT_EQ(wider.closeButton, (TwipsRect{7590, 5535, 1125, 375}));
    EXPECT_EQ(wider.resizeImage.right(), 9000);
    EXPECT_EQ(wider.resizeImage.bottom(), 6000);

    // The grip's corner reaches to the right and down, into the frame.
    const TwipsRect& grip = designed.resizeImage;
    EXPECT_TRUE(IsOnSizeGrip(grip, grip.left, grip.top));
    EXPECT_TRUE(IsOnSizeGrip(grip, grip.right() + 60, grip.bottom() + 60));
    EXPECT_FALSE(IsOnSizeGrip(grip, grip.left - 1, grip.bottom()));
    EXPECT_FALSE(IsOnSizeGrip(grip, grip.right(), grip.top - 1));

    // A frame of 16 x 39 pixels: 448 x 313 client pixels at 96 dots per inch, 672 x 469 at 144.
    const TrackingLimits at96 = TrackingSize(16, 39, 15, 15);
    EXPECT_EQ(at96.minWidth, 464);
    EXPECT_EQ(at96.minHeight, 352);
    EXPECT_EQ(at96.maxWidth, 804);
    const TrackingLimits at144 = TrackingSize(16, 39, 10, 10);
    EXPECT_EQ(at144.minWidth, 688);
    EXPECT_EQ(at144.minHeight, 508);
    EXPECT_EQ(at144.maxWidth, 1206);

    // Every control of a frame lies inside it, clear of its border.
    for (const InfoControl& c : InfoFormControls()) {
        for (const TwipsRect& frame : InfoFrames()) {
            if (c.bounds.top < frame.top || c.bounds.top >= frame.bottom())
                continue;
            EXPECT_GT(c.bounds.left, frame.left) << c.id;
            EXPECT_LT(c.bounds.right(), frame.right()) << c.id;
            EXPECT_LT(c.bounds.bottom(), frame.bottom()) << c.id;
        }
    }
}

} // namespace
} // namespace qb::settings
