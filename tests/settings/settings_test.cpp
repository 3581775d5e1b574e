// The settings dialog's model and the settings store on a simulated machine (code page
// 1252) with a registry in memory: how the warning period is read and checked, what the
// dialog shows on opening, and what closing it writes, starts and sends.

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
using testing::Dword;
using testing::StoredValue;
using testing::Sz;

constexpr char kStoreKey[] = "SOFTWARE\\Quill Bay";
constexpr char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr platform::WindowHandle kTray = 0x71;
constexpr platform::WindowHandle kService = 0x72;

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

    testing::SimWorld w;
    InfoFormModel model{w.g};
};

TEST_F(Dialog, TheRangeCheckRefusesWithItsMessageAndKeepsTheFocus) {
    model.Load();
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"5", nullptr},          {L"59", nullptr},           {L" 6.5", nullptr},
        {L"4", kTooShortMessage}, {L"abc", kTooShortMessage}, {L"4.5", kTooShortMessage},
        {L"60", kTooLongMessage}, {L"59.5", kTooLongMessage},
    };
    for (const auto& [text, message] : cases) {
        w.user.messageBoxes.clear();
        model.SetText1(text);
        EXPECT_EQ(model.Text1Validate(), message == nullptr) << std::wstring(text);
        ASSERT_EQ(w.user.messageBoxes.size(), message == nullptr ? 0u : 1u) << std::wstring(text);
        if (message != nullptr) {
            EXPECT_EQ(w.user.messageBoxes[0].text, message);
        }
    }
    const auto& shown = w.user.messageBoxes.at(0); // of the last refusal, 59.5
    EXPECT_EQ(shown.caption, L"Quill Bay");
    EXPECT_EQ(shown.type, platform::mb::Ok | platform::mb::IconInformation);
    EXPECT_EQ(shown.owner, 0x99u);

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
        {Sz("C:\\Programme\\\xDC"
            "berwachung\\quillsvc.exe"),
         true},
        {Sz("c:\\PROGRAMME\\\xFC"
            "BERWACHUNG\\QuillSvc.EXE"),
         true},
        {Sz("C:\\Programme\\quillsvc.exe"), false},
        {Dword(1), false},
        // Quoted, as a path with a blank is written, also where none is needed.
        {Sz("\"C:\\Programme\\\xDC"
            "berwachung\\quillsvc.exe\""),
         true},
        {Sz("\"C:\\Programme\\\xDC"
            "berwachung\\quillsvc.exe"),
         false},
        {Sz("\"\""), false},
    };
    for (const auto& [value, ticked] : cases) {
        w.registry.Set(HkeyLocalMachine, kRun, "Quillbay", value);
        InfoFormModel opened(w.g);
        opened.Load();
        EXPECT_EQ(opened.Check1(), ticked) << std::string(value.data.begin(), value.data.end() - 1);
    }
    EXPECT_EQ(w.registry.OpenKeyCount(), 0u);
}

TEST_F(Dialog, CloseSetsTheAutostartEveryTimeAndStoresOnlyChangedSettings) {
    // One close after another, each opening on what the one before left: 5 minutes and
    // turn off at first. Before each, both stored values are set to 99, to see what is written.
    struct Case {
        bool tick;
        const wchar_t* text;
        int option;
        std::uint32_t storedMinutes, storedTurnOff;
        std::vector<std::pair<platform::WindowHandle, std::string>> commands;
    };
    const Case cases[] = {
        {true, L"05", 1, 99, 99, {}}, // unchanged, autostart on: written, program started
        {true, L"7.5", 1, 8, 1, {{kService, "/settings"}}}, // again, though it runs
        {false, L"8", 0, 8, 0, {{kTray, "/close"}, {kService, "/settings"}}},
        {false, L" 8", 0, 99, 99, {{kTray, "/close"}}},
    };
    // Quoted: the folder has a blank, and the value is a command line.
    const std::string path = "\"C:\\Program Files\\Quill Bay\\quillsvc.exe\"";
    std::size_t started = 0;
    for (const Case& c : cases) {
        w.user.sent.clear();
        w.registry.Set(HkeyLocalMachine, kStoreKey, "WarningMinutes", Dword(99));
        w.registry.Set(HkeyLocalMachine, kStoreKey, "TurnOffAfterWarning", Dword(99));
        InfoFormModel dialog(w.g);
        dialog.Load();
        dialog.SetCheck1(c.tick);
        dialog.SetText1(c.text);
        dialog.Option1Click(c.option);
        ASSERT_TRUE(dialog.CloseButtonClick()) << std::wstring(c.text);

        EXPECT_EQ(w.registry.Get(HkeyLocalMachine, kRun, "Quillbay"),
                  c.tick ? std::optional(Sz(path)) : std::nullopt);
        started += c.tick ? 1 : 0;
        ASSERT_EQ(w.machine->startedPrograms.size(), started);
        if (c.tick) {
            EXPECT_EQ(w.machine->startedPrograms.back(),
                      (simulated::StartedProgram{L"C:\\Program Files\\Quill Bay\\quillsvc.exe",
                                                 platform::show_command::ShowMinimized}));
        }
        EXPECT_EQ(w.registry.Get(HkeyLocalMachine, kStoreKey, "WarningMinutes"),
                  Dword(c.storedMinutes));
        EXPECT_EQ(w.registry.Get(HkeyLocalMachine, kStoreKey, "TurnOffAfterWarning"),
                  Dword(c.storedTurnOff));
        EXPECT_EQ(Commands(), c.commands) << std::wstring(c.text);
    }
    EXPECT_EQ(w.g.WarningMinutes, 8);
    EXPECT_FALSE(w.g.TurnOffAfterWarning);
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
        {Dword(0xFFFFFFFF), Sz("0"), 5, true}, // -1; text is not a setting
        {std::nullopt, Dword(0), 5, false},
        {Sz("30"), std::nullopt, 5, true},
    };
    for (const Case& c : cases) {
        testing::SimWorld fresh;
        fresh.registry.CreateKey(HkeyLocalMachine, kStoreKey);
        if (c.minutes)
            fresh.registry.Set(HkeyLocalMachine, kStoreKey, "WarningMinutes", *c.minutes);
        if (c.turnOff)
            fresh.registry.Set(HkeyLocalMachine, kStoreKey, "TurnOffAfterWarning", *c.turnOff);
        settings::ReadSettingsStore(fresh.g);
        EXPECT_EQ(fresh.g.WarningMinutes, c.expectedMinutes);
        EXPECT_EQ(fresh.g.TurnOffAfterWarning, c.expectedTurnOff);
        EXPECT_EQ(fresh.registry.OpenKeyCount(), 0u);
    }
}

} // namespace
} // namespace qb::settings
