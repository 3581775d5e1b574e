// Reading every account, and the code-page conversion it puts every text through, on a
// simulated machine whose names, full names and comments (any UTF-16, lone surrogates and
// NULs included, of any length), flag words (any bits) and hour bitmaps (or none), code
// page and time zone come from the fuzzer. Each record is compared with what the machine
// holds, as a plain statement of the rules says it must read.

#include "accounts/account_store.h"
#include "platform/simulated/simulated_machine.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace qb;
using simulated::SimAccount;

// Stops at the first difference, naming the line of the check that found it.
void Check(bool holds, int line = __builtin_LINE()) {
    if (!holds) {
        std::fprintf(stderr, "accounts_fuzz: the check on line %d does not hold\n", line);
        std::abort();
    }
}

bool IsSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// UTF-16 code units as the platform hands them; where wchar_t has 32 bits, a well-formed
// pair is the one character it stands for, as such text is held there.
std::wstring Text(FuzzedDataProvider& fuzz) {
    std::vector<wchar_t> units;
    if (fuzz.ConsumeIntegralInRange(0, 15) == 0) {
        // Long: one unit many times over.
        units.assign(fuzz.ConsumeIntegralInRange<std::size_t>(0, 70000),
                     static_cast<wchar_t>(fuzz.ConsumeIntegral<std::uint16_t>()));
    } else {
        const std::size_t length = fuzz.ConsumeIntegralInRange<std::size_t>(0, 24);
        for (std::size_t i = 0; i < length; ++i)
            units.push_back(static_cast<wchar_t>(
                fuzz.ConsumeBool() ? fuzz.ConsumeIntegralInRange<std::uint16_t>(0x20, 0x7F)
                                   : fuzz.ConsumeIntegral<std::uint16_t>()));
    }
    std::wstring text;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto c = static_cast<std::uint32_t>(units[i]);
        if (sizeof(wchar_t) == 4 && c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() &&
            units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            text.push_back(static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) +
                                                (static_cast<std::uint32_t>(units[++i]) - 0xDC00)));
        } else {
            text.push_back(units[i]);
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider fuzz(data, size);
    auto machine = simulated::SimulatedMachine::Bare();
    const std::uint32_t codePages[] = {1252, 1250, 932, 65001};
    const std::uint32_t codePage = codePages[fuzz.ConsumeIntegralInRange(0, 3)];
    machine->SetCodePage(codePage);
    machine->SetTimeZone(fuzz.ConsumeIntegralInRange<std::uint32_t>(0, 3),
                         {fuzz.ConsumeIntegral<std::int32_t>(),
                          fuzz.ConsumeIntegral<std::int32_t>(),
                          fuzz.ConsumeIntegral<std::int32_t>()});
    const int accounts = fuzz.ConsumeIntegralInRange(0, 9);
    std::vector<std::wstring> names;
    for (int i = 0; i < accounts; ++i) {
        simulated::AccountSpec wanted;
        wanted.name = Text(fuzz);
        wanted.fullName = Text(fuzz);
        wanted.comment = Text(fuzz);
        wanted.userComment = Text(fuzz);
        wanted.flags = fuzz.ConsumeIntegral<std::uint32_t>();
        wanted.lastLogon = fuzz.ConsumeIntegral<std::uint32_t>();
        if (fuzz.ConsumeBool()) {
            platform::LogonHoursBytes hours{};
            for (auto& b : hours)
                b = fuzz.ConsumeIntegral<std::uint8_t>();
            wanted.logonHours = hours;
        }
        for (const wchar_t* group : {L"Administrators", L"Users", L"Guests", L"Power Users"})
            if (fuzz.ConsumeBool())
                wanted.groups.emplace_back(group);
        try {
            machine->AddAccount(wanted);
            names.push_back(wanted.name);
        } catch (const std::invalid_argument&) {
            // A name the platform would refuse: such an account cannot exist.
        }
    }
    if (!names.empty() && fuzz.ConsumeBool())
        machine->SetLoggedOnUser(
            names[fuzz.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)]);
    else
        machine->SetLoggedOnUser(Text(fuzz));

    platform::TextApi& text = machine->Kernel();
    // A text as an "A" function hands it back: up to its first NUL, through the code page,
    // "0" for a character the code page has nothing for.
    auto ansi = [&](std::wstring_view wide) {
        wide = wide.substr(0, wide.find(L'\0'));
        return text.MultiByteToWideChar(platform::CpAcp,
                                        text.WideCharToMultiByte(platform::CpAcp, wide, '0'));
    };

    // The conversion itself: what came through once comes through unchanged; a single-byte
    // code page gives one byte per code unit; UTF-8 keeps everything but lone surrogates.
    const std::wstring sample = Text(fuzz);
    const std::wstring once = ansi(sample);
    Check(ansi(once) == once);
    if (codePage == 1252 || codePage == 1250) {
        // One byte per UTF-16 code unit: a character past U+FFFF is two of them.
        const std::wstring cut = sample.substr(0, sample.find(L'\0'));
        std::size_t units = 0;
        for (wchar_t c : cut)
            units += static_cast<std::uint32_t>(c) > 0xFFFF ? 2 : 1;
        Check(text.WideCharToMultiByte(platform::CpAcp, cut, '0').size() == units);
    }
    if (codePage == 65001) {
        std::wstring expected = sample.substr(0, sample.find(L'\0'));
        for (wchar_t& c : expected)
            if (IsSurrogate(c))
                c = 0xFFFD;
        Check(once == expected);
    }
    const std::string bytes = fuzz.ConsumeRandomLengthString(64);
    const std::wstring decoded = text.MultiByteToWideChar(platform::CpAcp, bytes);
    Check(ansi(decoded.substr(0, decoded.find(L'\0'))) == decoded.substr(0, decoded.find(L'\0')));

    AccountStore store(machine->Netapi(), machine->Security(), machine->Kernel(),
                       machine->Kernel());
    const std::wstring current = store.GetLoggedOnUserName();
    const bool admin = store.CurrentUserHasAdminPrivilege(current);
    const LoadedAccounts loaded = store.LoadAccounts(current, admin);

    // Every normal account, asked for by the name it reads as; an account that name does
    // not find, or that the viewer may not see, is left out.
    int position = 0;
    int currentIndex = 0;
    for (const SimAccount* listed : machine->AccountsInOrder()) {
        if ((listed->flags & platform::user_flags::NormalAccount) == 0)
            continue;
        const std::wstring asked = ansi(listed->name);
        const SimAccount* a = machine->FindAccount(asked);
        if (a == nullptr || (!admin && asked != current))
            continue;
        ++position;
        Check(position <= loaded.records.Count());
        const userInfo& r = loaded.records.Item(position);
        Check(r.UserName() == ansi(a->name) && r.UserName(true) == r.UserName());
        Check(r.FullName() == ansi(a->fullName) && r.Comment() == ansi(a->comment) &&
              r.UserComment() == ansi(a->userComment) && r.Password().empty());
        Check(r.Flags() == a->flags);
        Check(r.AccountDisabled() == ((a->flags & 0x2) != 0) &&
              r.PasswordNotNeeded() == ((a->flags & 0x20) != 0) &&
              r.PasswordCantChange() == ((a->flags & 0x40) != 0));
        for (int b = 0; b < kLogonHourBytes; ++b)
            Check(r.LogonHour(b) == (a->logonHours ? (*a->logonHours)[b] : 0xFF));
        Check(r.UserType() >= Guest && r.UserType() <= PowerUser);
        Check(r.UserGroups() >= 0 && r.UserGroups() <= 15 && !r.DataHasChanged());
        Check(r.CurrentUser() == (r.UserName() == current));
        if (r.CurrentUser())
            currentIndex = position;
    }
    Check(position == loaded.records.Count() && loaded.currentUserIndex == currentIndex);
    return 0;
}
