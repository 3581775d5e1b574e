#include "settings/info_form_model.h"

#include "services/companion.h"
#include "services/paths.h"
#include "services/registry.h"
#include "settings/settings_store.h"
#include "startup/startup.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace qb::settings {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// The upper-case letter of a lower-case one in the alphabets of the ANSI code pages (Latin,
// with the letters of Latin-1 and Latin Extended-A, Greek and Cyrillic); anything else as
// it is.
wchar_t FoldCase(wchar_t c) {
    const auto u = static_cast<std::uint32_t>(static_cast<char32_t>(c));
    auto shifted = [](std::uint32_t code) { return static_cast<wchar_t>(code); };
    if (u >= 'a' && u <= 'z')
        return shifted(u - 0x20);
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) // à..þ, not the division sign
        return shifted(u - 0x20);
    if (u == 0xFF) // ÿ
        return shifted(0x178);
    // Latin Extended-A comes in pairs; the dotted and dotless i (0x130, 0x131) and the
    // letters without a partner stay as they are.
    if ((u >= 0x100 && u <= 0x12F) || (u >= 0x132 && u <= 0x137) || (u >= 0x14A && u <= 0x177))
        return shifted(u & ~1u);
    if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E))
        return shifted((u & 1u) != 0 ? u : u - 1);
    if (u == 0x3C2) // final sigma
        return shifted(0x3A3);
    if (u >= 0x3B1 && u <= 0x3C9)
        return shifted(u - 0x20);
    if (u >= 0x430 && u <= 0x44F)
        return shifted(u - 0x20);
    if (u >= 0x450 && u <= 0x45F)
        return shifted(u - 0x50);
    return c;
}

} // namespace

std::int32_t NumberFromText(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    // The digits as plain ASCII for the conversion; `scale` tracks how many places the
    // first significant digit lies before (positive) or after the decimal point.
    std::string number;
    int integerDigits = 0, leadingFractionZeros = 0;
    bool significant = false, anyDigit = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        number += static_cast<char>(text[i]);
        anyDigit = true;
        significant = significant || text[i] != L'0';
        if (significant)
            ++integerDigits;
    }
    if (i < text.size() && text[i] == L'.') {
        number += '.';
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            number += static_cast<char>(text[i]);
            anyDigit = true;
            if (!significant && text[i] == L'0')
                ++leadingFractionZeros;
            significant = significant || text[i] != L'0';
        }
    }
    if (!anyDigit)
        return 0;
    // An exponent counts only with at least one digit: "5e" is 5.
    long long exponent = 0;
    if (i + 1 < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (text[j] == L'+' || text[j] == L'-') {
            negativeExponent = text[j] == L'-';
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            std::string digits;
            for (; j < text.size() && IsDigit(text[j]); ++j) {
                digits += static_cast<char>(text[j]);
                // Beyond this any number is out of every range anyway.
                if (exponent < 100000)
                    exponent = exponent * 10 + (text[j] - L'0');
            }
            if (negativeExponent)
                exponent = -exponent;
            number += 'e';
            number += negativeExponent ? "-" : "";
            number += digits;
        }
    }

    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too large or too small for a double: which of the two the decimal places tell.
        const long long magnitude =
            (integerDigits > 0 ? integerDigits : -leadingFractionZeros) + exponent;
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc() || end != number.data() + number.size()) {
        return 0;
    }
    if (negative)
        value = -value;
    // nearbyint rounds in the default mode: to nearest, an exact half to even.
    const double rounded = std::nearbyint(value);
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(rounded);
}

PeriodCheck CheckWarningPeriod(std::int32_t minutes) {
    if (minutes < kMinWarningMinutes)
        return PeriodCheck::TooShort;
    if (minutes > kMaxWarningMinutes)
        return PeriodCheck::TooLong;
    return PeriodCheck::InRange;
}

bool SamePathIgnoringCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

std::wstring RunCommandFor(std::wstring_view path) {
    if (path.find(L' ') == std::wstring_view::npos)
        return std::wstring(path);
    return L"\"" + std::wstring(path) + L"\"";
}

bool RunCommandStarts(std::wstring_view command, std::wstring_view path) {
    if (command.size() >= 2 && command.front() == L'"' && command.back() == L'"')
        command = command.substr(1, command.size() - 2);
    return SamePathIgnoringCase(command, path);
}

InfoFormModel::InfoFormModel(Globals& g) : g_(g) {}

void InfoFormModel::Load() {
    openingMinutes_ = g_.WarningMinutes;
    openingTurnOff_ = g_.TurnOffAfterWarning;
    text1_ = std::to_wstring(g_.WarningMinutes);
    option1_ = g_.TurnOffAfterWarning ? 1 : 0;

    companionPath_ = services::JoinPath(g_.ports.paths, kCompanionProgram);
    services::RegistryValue run = std::wstring();
    check1_ = services::ReadRegistryValue(g_.ports, platform::HkeyLocalMachine, kRunKey,
                                          kRunValueName, run) &&
              std::holds_alternative<std::wstring>(run) &&
              RunCommandStarts(std::get<std::wstring>(run), companionPath_);
}

void InfoFormModel::Option1Click(int index) {
    if (index == 0 || index == 1)
        option1_ = index;
}

bool InfoFormModel::Text1Validate() {
    const PeriodCheck check = CheckWarningPeriod(NumberFromText(text1_));
    if (check == PeriodCheck::InRange)
        return true;
    g_.ports.user.ShowMessageBox(
        owner_, check == PeriodCheck::TooShort ? kTooShortMessage : kTooLongMessage, kAppTitle,
        platform::mb::Ok | platform::mb::IconInformation);
    return false;
}

bool InfoFormModel::CloseButtonClick() {
    // Pressing Enter clicks Close without the focus leaving the text box: the period is
    // checked here as well, so that a refused one never reaches the settings.
    if (!Text1Validate())
        return false;

    g_.WarningMinutes = NumberFromText(text1_);
    g_.TurnOffAfterWarning = option1_ == 1;

    // At every close, also when nothing changed: the autostart is made to match the box, and
    // the tray program is started (even when it runs already) or told to close.
    if (check1_) {
        services::WriteRegistryValue(g_.ports, platform::HkeyLocalMachine, kRunKey, kRunValueName,
                                     RunCommandFor(companionPath_), false);
        g_.ports.programs.StartProgram(companionPath_, platform::show_command::ShowMinimized);
    } else {
        services::DeleteRegistryValue(g_.ports, platform::HkeyLocalMachine, kRunKey, kRunValueName);
        services::SendCommand(g_.ports, services::kTrayWindowTitle, services::kCloseTrayCommand);
    }

    if (g_.WarningMinutes != openingMinutes_ || g_.TurnOffAfterWarning != openingTurnOff_) {
        WriteSettingsStore(g_.ports, g_.WarningMinutes, g_.TurnOffAfterWarning);
        services::SendCommand(g_.ports, services::kServiceWindowTitle,
                              services::kSettingsChangedCommand);
    }
    return true;
}

} // namespace qb::settings
