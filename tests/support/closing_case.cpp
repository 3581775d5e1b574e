// One case of the main window against a reference, on random small machines: random sequences of
// what an administrator does in the window (painting, copying and clearing hours, renaming, typing
// details and passwords, the check boxes and the padlock, the group dialog, Undo, sorting, choosing
// accounts, closing), random answers to every question and random refusals of the machine's writes.
// The reference keeps, per account, what was read and what the user chose, by the window's rules
// written out plainly; from it follow every question the window must ask, every write the machine
// must receive (in order, under the name the machine knows, the logged-on user's own account last),
// the commands the companion service must hear, and what the machine must hold afterwards: an
// account answered Yes carries exactly its edits, one answered No or not reached is untouched, and
// a refused write changes nothing but itself. After every step the records, both lists, the grid
// and the details shown must agree with the reference. Failures are reported as GoogleTest failures
// of the running test (or, outside a test, of the program as a whole).

#include "support/closing_case.h"

#include "mainwindow/control_ids.h"
#include "support/form_world.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace qb::testing {

using namespace mainwindow;

namespace {

using Hours = std::array<std::uint8_t, kLogonHourBytes>;
namespace uf = platform::user_flags;
using platform::id::Cancel;
using platform::id::No;
using platform::id::Ok;
using platform::id::Yes;

constexpr std::int32_t kUsers = 2, kAdministrators = 4, kPowerUsers = 8;
constexpr std::uint32_t kBuiltinAdministratorRid = 500;
constexpr std::uint32_t kQuestion = platform::mb::IconQuestion;

// For failure messages: anything outside ASCII as '?'.
std::string Narrow(const std::wstring& text) {
    std::string s;
    for (const wchar_t c : text)
        s += c < 0x80 ? static_cast<char>(c) : '?';
    return s;
}

// What one account holds of everything the window edits.
struct Fields {
    std::wstring name, fullName, comment, userComment, password;
    bool disabled = false, cantChange = false, notNeeded = false;
    std::int32_t groups = 0, type = 0;
    Hours hours{};
    bool operator==(const Fields&) const = default;
};

// Grid cell (column, row) is this hour of the week's bitmap: the first column is Saturday,
// the bitmap starts on Sunday, and no time zone moves it.
int HourOfCell(int column, int row) {
    return ((column + 6) % 7) * 24 + row;
}
bool Allowed(const Hours& h, int hour) {
    return ((h[static_cast<std::size_t>(hour / 8)] >> (hour % 8)) & 1) != 0;
}
void SetAllowed(Hours& h, int hour, bool allowed) {
    auto& byte = h[static_cast<std::size_t>(hour / 8)];
    byte =
        static_cast<std::uint8_t>(allowed ? byte | (1 << (hour % 8)) : byte & ~(1 << (hour % 8)));
}
Hours AllAllowed() {
    Hours h;
    h.fill(0xFF);
    return h;
}
bool Restricted(const Hours& h) {
    return std::any_of(h.begin(), h.end(), [](std::uint8_t b) { return b != 0xFF; });
}
// The type the groups give: Administrators outranks Power Users, which outranks Users.
std::int32_t TypeOf(std::int32_t groups) {
    return groups & kAdministrators ? Administrator
           : groups & kPowerUsers   ? PowerUser
           : groups & kUsers        ? User
                                    : Guest;
}

Fields FromRecord(const userInfo& r, bool original) {
    Fields f{r.UserName(original),
             r.FullName(original),
             r.Comment(original),
             r.UserComment(original),
             r.Password(original),
             r.AccountDisabled(original),
             r.PasswordCantChange(original),
             r.PasswordNotNeeded(original),
             r.UserGroups(original),
             r.UserType(original),
             {}};
    for (int b = 0; b < kLogonHourBytes; ++b)
        f.hours[static_cast<std::size_t>(b)] = r.LogonHour(b, original);
    return f;
}

// An account as the machine must hold it.
struct Held {
    simulated::SimAccount account;
    std::set<std::wstring> groups;
};

// An account of the reference: what was last read from the machine, what the user chose.
struct Account {
    std::uint32_t rid = 0;
    bool own = false;     // the logged-on user's
    bool builtin = false; // the built-in administrator
    Fields read, chosen;
};

// The names a machine's built-in groups may have.
const std::vector<std::array<std::wstring, 4>> kGroupNames = {
    {L"Guests", L"Users", L"Administrators", L"Power Users"},
    {L"Gäste", L"Benutzer", L"Administratoren", L"Hauptbenutzer"}};
constexpr simulated::BuiltinAlias kAliases[] = {
    simulated::BuiltinAlias::Guests, simulated::BuiltinAlias::Users,
    simulated::BuiltinAlias::Administrators, simulated::BuiltinAlias::PowerUsers};
constexpr char kUserListKey[] =
    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\SpecialAccounts\\UserList";
constexpr char kWinlogonKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

} // namespace

class ClosingCase::Impl {
public:
    Impl(std::string name, Choices& choices) : name_(std::move(name)), rnd_(choices) {}

    void Run() {
        MakeMachine();
        f_->Open();
        for (int p = 1; p <= f_->w.g.Accounts.Count(); ++p)
            ReadIntoReference(p);
        shown_ = f_->model.CurrentAccount();
        Check("opened", true);
        const int steps = rnd_.Between(1, 25);
        for (step_ = 1; step_ <= steps && !closed_ && !::testing::Test::HasFailure(); ++step_)
            Step();
        // Close as the user finally would, even after a refusal or a Cancel.
        for (int attempt = 0; attempt < 4 && !closed_ && !::testing::Test::HasFailure(); ++attempt)
            Close();
        if (!::testing::Test::HasFailure())
            CompareMachine();
    }

private:
    std::string Where() const { return name_ + ", step " + std::to_string(step_) + ": "; }

    // --- The machine ---

    void MakeMachine() {
        auto m = simulated::SimulatedMachine::Bare();
        names_ = kGroupNames[static_cast<std::size_t>(rnd_.Between(0, 1))];
        for (int i = 0; i < 4; ++i)
            m->RenameBuiltinGroup(kAliases[i], names_[static_cast<std::size_t>(i)]);
        const bool other = rnd_.Chance(50);
        if (other)
            m->AddLocalGroup(L"Backup Operators");
        m->SetTimeZone(platform::time_zone_id::Standard,
                       platform::TimeZoneInformation{rnd_.Between(-12, 12) * 60, 0, -60});

        std::vector<std::wstring> names = {L"Margaret", L"Tom",  L"David", L"Caretaker",
                                           L"kim",      L"lucy", L"Ann",   L"zed"};
        const bool builtin = rnd_.Chance(60);
        // The built-in administrator is known by its identifier, never by its name: an
        // ordinary account may be called "Administrator" when the built-in one is not.
        const std::wstring builtinName = rnd_.Chance(50) ? L"Administrator" : L"Boss";
        if (builtinName != L"Administrator")
            names.push_back(L"Administrator");
        rnd_.Shuffle(names);
        const int count = rnd_.Between(2, 8);
        const int admins = rnd_.Between(1, std::min(3, count));
        const int builtinAt = rnd_.Between(0, count - 1);
        std::vector<int> adminAt(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            adminAt[static_cast<std::size_t>(i)] = i;
        rnd_.Shuffle(adminAt);
        adminAt.resize(static_cast<std::size_t>(admins));
        std::wstring own;
        for (int i = 0; i < count; ++i) {
            simulated::AccountSpec a;
            const bool admin = std::find(adminAt.begin(), adminAt.end(), i) != adminAt.end();
            a.name = names[static_cast<std::size_t>(i)];
            if (builtin && i == builtinAt) {
                a.rid = kBuiltinAdministratorRid;
                a.name = builtinName;
            }
            if (rnd_.Chance(70))
                a.fullName = L"Full " + a.name;
            if (rnd_.Chance(50))
                a.comment = L"Note on " + a.name;
            if (rnd_.Chance(50))
                a.userComment = L"Said by " + a.name;
            if (rnd_.Chance(40))
                a.password = L"old";
            if (rnd_.Chance(10)) // written back with the logon-script bit, as every flag word
                a.flags &= ~uf::Script;
            for (std::uint32_t bit : {uf::AccountDisable, uf::PasswordCantChange,
                                      uf::PasswordNotRequired, uf::Lockout, uf::DontExpirePassword})
                if (rnd_.Chance(20))
                    a.flags |= bit;
            const int hours = rnd_.Between(1, 100);
            if (hours > 25) {
                Hours h;
                for (auto& b : h)
                    b = hours <= 40   ? 0xFF
                        : hours <= 50 ? 0
                                      : static_cast<std::uint8_t>(
                                            rnd_.Chance(50) ? 0xFF : rnd_.Between(0, 255));
                a.logonHours = h;
            }
            for (int g = 0; g < 4; ++g) {
                const bool in = g == AdministratorsGroup ? admin : rnd_.Chance(admin ? 25 : 40);
                if (in)
                    a.groups.push_back(names_[static_cast<std::size_t>(g)]);
            }
            if (other && rnd_.Chance(30))
                a.groups.push_back(L"Backup Operators");
            m->AddAccount(a);
            if (admin && (own.empty() || rnd_.Chance(40)))
                own = a.name;
        }
        m->SetLoggedOnUser(own);
        f_ = std::make_unique<testing::FormWorld>(std::move(m));
        f_->model.ShowUserTypesForm = [this](UserTypesModel& dialog) { RunDialog(dialog); };
        f_->w.user.answerer = [this](const testing::ShownMessageBox& box) { return Answer(box); };
        f_->w.user.windows["QuillbayService"] = 77;

        welcomeInUse_ = rnd_.Chance(60);
        if (welcomeInUse_ || rnd_.Chance(30))
            f_->w.registry.Set(platform::HkeyLocalMachine, kWinlogonKey, "LogonType",
                               testing::Dword(welcomeInUse_ ? 1 : 2));
        userListKey_ = rnd_.Chance(80);
        if (userListKey_) {
            f_->w.registry.CreateKey(platform::HkeyLocalMachine, kUserListKey);
            if (rnd_.Chance(70)) {
                showAdminValue_ = rnd_.Between(0, 3) == 3 ? 2 : rnd_.Between(0, 1);
                f_->w.registry.Set(platform::HkeyLocalMachine, kUserListKey, "Administrator",
                                   testing::Dword(static_cast<std::uint32_t>(showAdminValue_)));
            }
        }
        showAdmin_ = showAdminValue_ == 1;
        expectedShowAdmin_ = showAdminValue_;
        expectedShowAdminWritten_ = false;

        // Any write may be refused, once or always.
        for (int i = rnd_.Between(0, 3); i > 0; --i) {
            const simulated::SimAccount* a =
                f_->w.machine
                    ->AccountsInOrder()[static_cast<std::size_t>(rnd_.Between(0, count - 1))];
            simulated::FaultRule rule;
            rule.times = rnd_.Chance(50) ? 1 : -1;
            if (rnd_.Chance(70)) {
                rule.function = "NetUserSetInfo";
                rule.target = a->name;
                rule.level =
                    rnd_.Pick(std::vector<std::uint32_t>{0, 1003, 1007, 1008, 1011, 1012, 1020});
            } else {
                rule.function =
                    rnd_.Chance(50) ? "NetLocalGroupAddMembers" : "NetLocalGroupDelMembers";
                rule.target = names_[static_cast<std::size_t>(rnd_.Between(0, 3))];
                rule.argument = a->name;
            }
            f_->w.machine->FailCall(rule);
            faults_.push_back(rule);
        }
        for (const simulated::SimAccount* a : f_->w.machine->AccountsInOrder()) {
            const auto groups = f_->w.machine->GroupsOf(a->name);
            held_[a->rid] = Held{*a, {groups.begin(), groups.end()}};
        }
    }

    // What the program reads of an account the machine holds.
    Fields Read(const Held& h) const {
        Fields f;
        f.name = h.account.name;
        f.fullName = h.account.fullName;
        f.comment = h.account.comment;
        f.userComment = h.account.userComment;
        f.disabled = (h.account.flags & uf::AccountDisable) != 0;
        f.cantChange = (h.account.flags & uf::PasswordCantChange) != 0;
        f.notNeeded = (h.account.flags & uf::PasswordNotRequired) != 0;
        for (int g = 0; g < 4; ++g)
            if (h.groups.count(names_[static_cast<std::size_t>(g)]) != 0)
                f.groups |= 1 << g;
        f.type = TypeOf(f.groups);
        f.hours = h.account.logonHours.value_or(AllAllowed());
        return f;
    }

    void ReadIntoReference(int position) {
        const userInfo& r = f_->w.g.Accounts.Item(position);
        const simulated::SimAccount* a = f_->w.machine->FindAccount(r.UserName());
        ASSERT_NE(a, nullptr) << Where();
        Account account;
        account.rid = a->rid;
        account.own = a->name == f_->w.machine->LoggedOnUser();
        account.builtin = a->rid == kBuiltinAdministratorRid;
        account.read = account.chosen = Read(held_.at(a->rid));
        ref_.push_back(account);
    }

    Account& Shown() { return ref_.at(static_cast<std::size_t>(shown_ - 1)); }
    userInfo& Record(int position) { return f_->w.g.Accounts.Item(position); }
    int Count() const { return static_cast<int>(ref_.size()); }

    // --- Questions: the window asks, then the reference says what it must have asked ---

    int Answer(const testing::ShownMessageBox& box) {
        const std::uint32_t buttons = box.type & 0xF;
        const int answer = buttons == platform::mb::YesNoCancel
                               ? rnd_.Pick(std::vector<int>{Yes, Yes, Yes, No, No, Cancel})
                           : buttons == platform::mb::YesNo ? (rnd_.Chance(50) ? Yes : No)
                                                            : Ok;
        answers_.push_back(answer);
        return answer;
    }

    // The next question the window asked must be this one; its answer.
    int Asked(const std::wstring& text, std::uint32_t type) {
        const auto& boxes = f_->w.user.messageBoxes;
        if (asked_ >= boxes.size()) {
            ADD_FAILURE() << Where() << "not asked: " << Narrow(text);
            return Cancel;
        }
        const auto& box = boxes[asked_];
        EXPECT_EQ(box.text, text) << Where() << "question " << asked_;
        EXPECT_EQ(box.type, type) << Where() << Narrow(text);
        EXPECT_EQ(box.caption, L"Quill Bay") << Where();
        return answers_[asked_++];
    }
    void NoMoreQuestions() {
        const auto& boxes = f_->w.user.messageBoxes;
        for (std::size_t i = asked_; i < boxes.size(); ++i)
            ADD_FAILURE() << Where() << "asked besides: " << Narrow(boxes[i].text);
        f_->w.user.messageBoxes.clear();
        answers_.clear();
        asked_ = 0;
    }

    // --- What the user does ---

    // With QB_CLOSING_TRACE set, every step of a case is printed: for a replayed seed.
    void Trace(const std::string& what) const {
        if (std::getenv("QB_CLOSING_TRACE") != nullptr)
            std::printf("%s%s\n", Where().c_str(), what.c_str());
    }

    void Step() {
        const int what = rnd_.Between(1, 100);
        Trace("step " + std::to_string(what) + ", showing " + Narrow(Shown().chosen.name));
        bool showsDetails = false;
        if (what <= 12) { // choose an account
            shown_ = rnd_.Between(1, Count());
            f_->list1.model.ClickRow(f_->list1.model.IndexOfTag(shown_));
            showsDetails = true;
        } else if (what <= 30) {
            Drag();
        } else if (what <= 38) { // copy the hours of a row of the second list
            const int source = rnd_.Between(0, Count());
            f_->list2.model.ClickRow(f_->list2.model.IndexOfTag(source));
            Shown().chosen.hours = source == 0
                                       ? AllAllowed()
                                       : ref_[static_cast<std::size_t>(source - 1)].chosen.hours;
            if (rnd_.Chance(50))
                f_->model.UnSelTimerTick();
        } else if (what <= 46) {
            Rename();
        } else if (what <= 56) {
            TypeDetail();
        } else if (what <= 66) {
            ClickFlag();
        } else if (what <= 76) {
            f_->model.UserImageClick();
        } else if (what <= 80) {
            f_->model.UndoButtonClick();
            Shown().chosen = Shown().read;
            showsDetails = true;
        } else if (what <= 86) {
            f_->model.CustomList1ColumnClick(rnd_.Between(0, 3));
        } else if (what <= 89) {
            showAdmin_ = rnd_.Chance(50);
            f_->model.ShowAdminClick(showAdmin_);
        } else if (what <= 92) {
            f_->model.MoreButtonClick();
        } else {
            Close();
            if (closed_)
                return;
        }
        NoMoreQuestions();
        Check("after the step", showsDetails);
    }

    void Drag() {
        const int c0 = rnd_.Between(0, kGridColumns - 1), r0 = rnd_.Between(0, kGridRows - 1);
        Hours& hours = Shown().chosen.hours;
        const bool paint = !Allowed(hours, HourOfCell(c0, r0));
        f_->model.GridMouseDown(GridButton::Left, testing::FormWorld::X(c0),
                                testing::FormWorld::Y(r0));
        SetAllowed(hours, HourOfCell(c0, r0), paint);
        for (int moves = rnd_.Between(0, 6); moves > 0; --moves) {
            const int c = rnd_.Between(-1, kGridColumns), r = rnd_.Between(0, kGridRows - 1);
            f_->model.GridMouseMove(c < 0 ? -200 : testing::FormWorld::X(c),
                                    testing::FormWorld::Y(r));
            if (c >= 0 && c < kGridColumns)
                SetAllowed(hours, HourOfCell(c, r), paint);
        }
        f_->model.GridMouseUp();
        Account& a = Shown();
        if (a.own || !Restricted(a.chosen.hours) ||
            (a.chosen.type != Administrator && a.chosen.type != PowerUser))
            return;
        const std::wstring& name = a.chosen.name;
        if (Asked(name + L" is a member of the " + names_[static_cast<std::size_t>(a.chosen.type)] +
                      L" group.\r\nTo prevent " + name +
                      L" from changing the system time, change to normal user?",
                  platform::mb::YesNo | kQuestion) == Yes) {
            a.chosen.type = User;
            a.chosen.groups = (a.chosen.groups & 3) != 0 ? a.chosen.groups & 3 : kUsers;
        }
    }

    void Rename() {
        const std::wstring forbidden = L"/\\[]<>:;,+=?";
        std::vector<std::wstring> names = {
            L"Aaron",
            L"Zoë",
            L"New one",
            L"bad.",
            L"t/m.",
            L"",
            L"  ",
            names_[1],
            L"to" + forbidden.substr(static_cast<std::size_t>(rnd_.Between(0, 11)), 1) + L"m"};
        names.push_back(ref_[static_cast<std::size_t>(rnd_.Between(0, Count() - 1))].chosen.name);
        names.push_back(ref_[static_cast<std::size_t>(rnd_.Between(0, Count() - 1))].read.name);
        const std::wstring name = rnd_.Pick(names);
        f_->model.DetailSettingEntryValidate(5, name);
        if (!name.empty() && name.back() == L'.')
            Asked(L"The username cannot end with a '.' character",
                  platform::mb::Ok | platform::mb::IconInformation);
        else if (name.find_first_of(L"/\\[]<>:;,+=?") != std::wstring::npos)
            Asked(L"The username cannot contain any of the characters /\\[]<>:;,+=?",
                  platform::mb::Ok | platform::mb::IconInformation);
        else
            Shown().chosen.name = name;
    }

    void TypeDetail() {
        Fields& chosen = Shown().chosen;
        const Fields& read = Shown().read;
        switch (rnd_.Between(0, 3)) {
        case 0:
            chosen.fullName = rnd_.Pick(std::vector<std::wstring>{L"", L"Füll ñew", read.fullName});
            f_->model.DetailSettingEntryValidate(0, chosen.fullName);
            break;
        case 1:
            chosen.comment = rnd_.Pick(std::vector<std::wstring>{L"", L"Note new", read.comment});
            f_->model.DetailSettingEntryValidate(3, chosen.comment);
            break;
        case 2:
            chosen.userComment =
                rnd_.Pick(std::vector<std::wstring>{L"", L"Said new", read.userComment});
            f_->model.DetailSettingEntryValidate(4, chosen.userComment);
            break;
        default: { // an empty box keeps what was typed before
            const std::wstring typed =
                rnd_.Pick(std::vector<std::wstring>{L"", L"s3cret", L"pa55"});
            f_->model.DetailSettingEntryValidate(6, typed);
            if (!typed.empty())
                chosen.password = typed;
        }
        }
    }

    void ClickFlag() {
        Account& a = Shown();
        switch (rnd_.Between(0, 3)) {
        case 0: // nobody can lock their own account
            f_->model.AccountDisabledClick(!a.chosen.disabled);
            a.chosen.disabled = a.own ? a.chosen.disabled : !a.chosen.disabled;
            break;
        case 1:
            f_->model.LockImageClick();
            a.chosen.disabled = a.own ? a.chosen.disabled : !a.chosen.disabled;
            break;
        case 2:
            f_->model.PasswordLockedClick(!a.chosen.cantChange);
            a.chosen.cantChange = !a.chosen.cantChange;
            break;
        default:
            f_->model.PasswordNotNeededClick(!a.chosen.notNeeded);
            a.chosen.notNeeded = !a.chosen.notNeeded;
        }
    }

    // The group dialog, clicked at random and closed by OK or Cancel; the reference
    // follows: at least one box stays ticked, and the last administrator (or the built-in
    // one) keeps Administrators.
    void RunDialog(UserTypesModel& dialog) {
        Account& a = Shown();
        std::array<bool, 4> ticked{};
        for (int g = 0; g < 4; ++g)
            ticked[static_cast<std::size_t>(g)] = (a.chosen.groups & (1 << g)) != 0;
        if (a.chosen.groups == 0)
            ticked[UsersGroup] = true;
        int administrators = 0;
        for (const Account& other : ref_)
            administrators += (other.chosen.groups & kAdministrators) != 0 ? 1 : 0;
        const bool mustBeAdmin =
            (a.builtin || administrators < 2) && (a.chosen.groups & kAdministrators) != 0;
        for (int g = 0; g < 4; ++g)
            EXPECT_EQ(dialog.BoxCaption(g), names_[static_cast<std::size_t>(g)]) << Where();
        for (int clicks = rnd_.Between(0, 4); clicks > 0; --clicks) {
            const int k = rnd_.Between(0, 3);
            dialog.Check1Click(k);
            if (k == AdministratorsGroup && mustBeAdmin)
                continue;
            auto& box = ticked[static_cast<std::size_t>(k)];
            box = !box;
            if (std::none_of(ticked.begin(), ticked.end(), [](bool t) { return t; }))
                box = true;
        }
        if (rnd_.Chance(70)) {
            dialog.CloseButtonClick();
            a.chosen.groups = 0;
            for (int g = 0; g < 4; ++g)
                a.chosen.groups |= ticked[static_cast<std::size_t>(g)] ? 1 << g : 0;
        } else {
            dialog.CancelButtonClick();
        }
        if (a.chosen.groups != 0)
            a.chosen.type = TypeOf(a.chosen.groups);
    }

    // --- Closing ---

    void Close() {
        f_->w.machine->ClearCalls();
        f_->w.user.sent.clear();
        writes_.clear();
        const bool closed = f_->model.CloseProcedure();
        for (const auto& call : f_->w.machine->Calls())
            if (call.function == "NetUserSetInfo" || call.function.starts_with("NetLocalGroup"))
                writes_.push_back(call);
        nextWrite_ = 0;

        std::vector<std::string> commands;
        bool closeAfterwards = true;
        if (LockoutCheck()) {
            AskAboutOwnAccount();
            commands.push_back("/suspend");
            const bool welcomeChanged = welcomeInUse_ && (showAdmin_ ? 1 : 0) != showAdminValue_;
            bool saved = false;
            Account* last = nullptr;
            for (Account& a : ref_) {
                const bool welcome = a.builtin && welcomeChanged;
                if (a.chosen == a.read && !welcome)
                    continue;
                const int answer = Asked(L"The settings for " + a.read.name +
                                             L" have been changed.\r\nDo you want to save the new "
                                             L"settings?",
                                         platform::mb::YesNoCancel | kQuestion);
                if (answer == Cancel) {
                    closeAfterwards = false;
                    break;
                }
                if (answer == No) {
                    a.chosen = a.read;
                    continue;
                }
                if (a.own)
                    last = &a;
                else if (a.chosen != a.read)
                    Save(a);
                if (welcome && userListKey_) {
                    expectedShowAdmin_ = showAdmin_ ? 1 : 0;
                    expectedShowAdminWritten_ = true;
                }
                saved = true;
            }
            if (last != nullptr)
                Save(*last);
            if (saved)
                commands.push_back("/update");
            commands.push_back("/resume");
        } else {
            closeAfterwards = false;
        }
        for (std::size_t i = nextWrite_; i < writes_.size(); ++i)
            ADD_FAILURE() << Where() << "written besides: " << writes_[i].function << " "
                          << Narrow(writes_[i].target) << " " << writes_[i].level;
        std::vector<std::string> sent;
        for (const auto& s : f_->w.user.sent)
            sent.emplace_back(reinterpret_cast<const char*>(s.buffer.data()));
        EXPECT_EQ(sent, commands) << Where();
        EXPECT_EQ(closed, closeAfterwards) << Where();
        closed_ = closed;
        if (expectedShowAdminWritten_) {
            EXPECT_EQ(f_->w.registry.Get(platform::HkeyLocalMachine, kUserListKey, "Administrator"),
                      testing::Dword(static_cast<std::uint32_t>(expectedShowAdmin_)))
                << Where();
        }
        if (!closed)
            NoMoreQuestions();
    }

    // Nobody is locked out: with fewer than two administrators, the built-in one must
    // keep an hour.
    bool LockoutCheck() {
        int administrators = 0;
        const Account* builtin = nullptr;
        for (const Account& a : ref_) {
            administrators += (a.chosen.groups & kAdministrators) != 0 ? 1 : 0;
            if (a.builtin)
                builtin = &a;
        }
        if (administrators >= 2 || builtin == nullptr ||
            std::any_of(builtin->chosen.hours.begin(), builtin->chosen.hours.end(),
                        [](std::uint8_t b) { return b != 0; }))
            return true;
        Asked(L"You can't block all hours for " + builtin->chosen.name,
              platform::mb::Ok | platform::mb::IconExclamation);
        return false;
    }

    void AskAboutOwnAccount() {
        const auto own =
            std::find_if(ref_.begin(), ref_.end(), [](const Account& a) { return a.own; });
        if (own == ref_.end())
            return;
        if (Restricted(own->chosen.hours) &&
            Asked(L"Are you sure you want to restrict your own logon times?",
                  platform::mb::YesNo | kQuestion) == No)
            own->chosen.hours = own->read.hours;
        const bool fromAdministrators = (own->read.groups & kAdministrators) != 0 &&
                                        (own->chosen.groups & kAdministrators) == 0;
        const bool fromPowerUsers =
            (own->read.groups & kPowerUsers) != 0 && (own->chosen.groups & kPowerUsers) == 0;
        if (!fromAdministrators && !fromPowerUsers)
            return;
        const std::wstring groups =
            fromAdministrators && fromPowerUsers
                ? names_[AdministratorsGroup] + L" and " + names_[PowerUsersGroup] + L" groups"
                : (fromAdministrators ? names_[AdministratorsGroup] : names_[PowerUsersGroup]) +
                      L" group";
        if (Asked(L"Are you sure you want to remove yourself from the " + groups + L"?",
                  platform::mb::YesNo | kQuestion) == No) {
            own->chosen.groups = own->read.groups;
            own->chosen.type = own->read.type;
        }
    }

    // Whether the machine takes a write: it refuses the ones it was told to refuse, and a
    // rename to a name that is not valid or taken; nothing else, whoever the program's
    // own writes have taken out of Administrators in the meantime.
    bool Accepted(const simulated::CallRecord& call, const std::wstring& newName) {
        for (simulated::FaultRule& rule : faults_) {
            if (rule.times == 0 || rule.function != call.function ||
                (rule.target && *rule.target != call.target) ||
                (rule.level && *rule.level != call.level) ||
                (rule.argument && *rule.argument != call.argument))
                continue;
            if (rule.times > 0)
                --rule.times;
            return false;
        }
        if (call.function != "NetUserSetInfo" || call.level != 0)
            return true;
        const bool valid = !newName.empty() && newName.back() != L'.' &&
                           newName.find_first_not_of(L' ') != std::wstring::npos &&
                           newName.find_first_of(L"\"/\\[]:;|=,+*?<>") == std::wstring::npos;
        const bool taken = std::find(names_.begin(), names_.end(), newName) != names_.end() ||
                           newName == L"Backup Operators" ||
                           std::any_of(held_.begin(), held_.end(), [&](const auto& h) {
                               return h.second.account.name == newName;
                           });
        return valid && !taken;
    }

    // The next write the machine received must be this one; whether the machine took it.
    bool Written(const char* function, const std::wstring& target, std::uint32_t level,
                 const std::wstring& argument = {}) {
        const bool accepted = Accepted({function, target, level, argument, 0}, argument);
        if (nextWrite_ >= writes_.size()) {
            ADD_FAILURE() << Where() << "not written: " << function << " " << Narrow(target) << " "
                          << level;
            return false;
        }
        const simulated::CallRecord& call = writes_[nextWrite_++];
        EXPECT_EQ(call.function, function) << Where() << "write " << nextWrite_;
        EXPECT_EQ(call.target, target) << Where() << function << " " << level;
        EXPECT_EQ(call.level, level) << Where() << function << " " << Narrow(target);
        EXPECT_EQ(call.argument, argument) << Where() << function << " " << level;
        EXPECT_EQ(call.status == 0, accepted) << Where() << function << " " << Narrow(target) << " "
                                              << level << ": status " << call.status;
        return accepted;
    }

    // Saving one account: what differs, under the name the machine knows, each write
    // landing only if the machine took it; then the record is what the machine holds,
    // unless the rename was refused.
    void Save(Account& a) {
        Held& h = held_.at(a.rid);
        Fields& c = a.chosen;
        const std::wstring target = a.read.name;
        if (c.hours != a.read.hours && Written("NetUserSetInfo", target, 1020))
            h.account.logonHours = c.hours;
        if (c.groups != a.read.groups && c.groups != 0) {
            for (int g = 0; g < 4; ++g) {
                const std::wstring& group = names_[static_cast<std::size_t>(g)];
                const bool wanted = (c.groups & (1 << g)) != 0;
                if ((h.groups.count(group) != 0) == wanted)
                    continue;
                if (Written(wanted ? "NetLocalGroupAddMembers" : "NetLocalGroupDelMembers", group,
                            3, target))
                    wanted ? (void)h.groups.insert(group) : (void)h.groups.erase(group);
            }
        }
        if (c.fullName != a.read.fullName && Written("NetUserSetInfo", target, 1011))
            h.account.fullName = c.fullName;
        if (c.notNeeded)
            c.password.clear();
        if ((c.notNeeded || !c.password.empty()) && Written("NetUserSetInfo", target, 1003))
            h.account.password = c.password;
        if (c.disabled != a.read.disabled || c.cantChange != a.read.cantChange ||
            c.notNeeded != a.read.notNeeded) {
            std::uint32_t flags =
                (h.account.flags &
                 ~(uf::AccountDisable | uf::PasswordNotRequired | uf::PasswordCantChange)) |
                uf::Script;
            flags |= (c.disabled ? uf::AccountDisable : 0) |
                     (c.notNeeded ? uf::PasswordNotRequired : 0) |
                     (c.cantChange ? uf::PasswordCantChange : 0);
            if (Written("NetUserSetInfo", target, 1008))
                h.account.flags = flags;
        }
        if (c.comment != a.read.comment && Written("NetUserSetInfo", target, 1007))
            h.account.comment = c.comment;
        if (c.userComment != a.read.userComment && Written("NetUserSetInfo", target, 1012))
            h.account.userComment = c.userComment;
        if (c.name != a.read.name) {
            if (!Written("NetUserSetInfo", target, 0, c.name))
                return; // no read-back: the record keeps its edits
            h.account.name = c.name;
        }
        a.read = a.chosen = Read(h);
    }

    // --- What must agree after every step ---

    void Check(const char* when, bool details) {
        ASSERT_EQ(f_->w.g.Accounts.Count(), Count()) << Where();
        if (!closed_) {
            EXPECT_EQ(f_->model.CurrentAccount(), shown_) << Where() << when;
        }
        for (int p = 1; p <= Count(); ++p) {
            const Account& a = ref_[static_cast<std::size_t>(p - 1)];
            EXPECT_TRUE(FromRecord(Record(p), true) == a.read)
                << Where() << when << ": " << Narrow(a.read.name) << " as read";
            EXPECT_TRUE(FromRecord(Record(p), false) == a.chosen)
                << Where() << when << ": " << Narrow(a.chosen.name) << " as chosen";
        }
        CheckLists(when);
        if (closed_ || ::testing::Test::HasFailure())
            return;
        const Account& a = Shown();
        for (int c = 0; c < kGridColumns; ++c) {
            int total = 0;
            for (int r = 0; r < kGridRows; ++r) {
                const bool allowed = Allowed(a.chosen.hours, HourOfCell(c, r));
                total += allowed ? 1 : 0;
                EXPECT_EQ(f_->model.Grid()
                              .allowed[static_cast<std::size_t>(c)][static_cast<std::size_t>(r)],
                          allowed)
                    << Where() << when << ": cell " << c << "," << r;
            }
            EXPECT_EQ(f_->model.DayTotal(c), total) << Where() << when;
        }
        EXPECT_EQ(f_->model.Control(ids::UndoButton).visible, a.chosen != a.read)
            << Where() << when;
        EXPECT_EQ(f_->model.Control(ids::LockImage).visible,
                  f_->model.Expanded() && a.chosen.disabled)
            << Where() << when;
        if (!details)
            return;
        auto box = [&](int i) { return f_->model.Control(ids::DetailSettingEntry0 + i).text; };
        EXPECT_EQ(box(0), a.chosen.fullName) << Where();
        EXPECT_EQ(box(1), names_[static_cast<std::size_t>(a.chosen.type)]) << Where();
        EXPECT_EQ(box(3), a.chosen.comment) << Where();
        EXPECT_EQ(box(4), a.chosen.userComment) << Where();
        EXPECT_EQ(box(5), a.chosen.name) << Where();
        EXPECT_EQ(box(6), a.chosen.password) << Where();
        EXPECT_EQ(f_->model.Control(ids::AccountDisabled).checked, a.chosen.disabled) << Where();
        EXPECT_EQ(f_->model.Control(ids::AccountDisabled).enabled, !a.own) << Where();
        EXPECT_EQ(f_->model.Control(ids::PasswordLocked).checked, a.chosen.cantChange) << Where();
        EXPECT_EQ(f_->model.Control(ids::PasswordNotNeeded).checked, a.chosen.notNeeded) << Where();
    }

    // Both lists show every account as chosen, in the same order, the second one under
    // its "<no restrictions>" row, which has no user-type picture.
    void CheckLists(const char* when) {
        const controls::CustomListModel& one = f_->list1.model;
        const controls::CustomListModel& two = f_->list2.model;
        ASSERT_EQ(one.Count(), Count()) << Where();
        ASSERT_EQ(two.Count(), Count() + 1) << Where();
        EXPECT_EQ(two.Entry(0).userTag, 0) << Where() << when;
        EXPECT_EQ(two.Entry(0).userName, L"<no restrictions>") << Where() << when;
        EXPECT_EQ(two.Entry(0).userPriv, -1) << Where() << when;
        for (int row = 0; row < Count(); ++row) {
            for (const controls::ListEntry& e : {one.Entry(row), two.Entry(row + 1)}) {
                EXPECT_EQ(e.userTag, one.Entry(row).userTag) << Where() << when << ": row " << row;
                const Fields& c = ref_.at(static_cast<std::size_t>(e.userTag - 1)).chosen;
                EXPECT_EQ(e.userName, c.name) << Where() << when << ": row " << row;
                EXPECT_EQ(e.userPriv, c.type) << Where() << when << ": row " << row;
                EXPECT_EQ(e.userRestricted, Restricted(c.hours)) << Where() << when;
                EXPECT_EQ(e.userLocked, c.disabled) << Where() << when;
            }
        }
    }

    // The machine holds exactly what the reference says, accounts and memberships.
    void CompareMachine() {
        const auto accounts = f_->w.machine->AccountsInOrder();
        ASSERT_EQ(accounts.size(), held_.size()) << Where();
        for (const simulated::SimAccount* a : accounts) {
            const Held& h = held_.at(a->rid);
            const std::string who = Where() + Narrow(h.account.name) + ": ";
            EXPECT_EQ(a->name, h.account.name) << who;
            EXPECT_EQ(a->fullName, h.account.fullName) << who;
            EXPECT_EQ(a->comment, h.account.comment) << who;
            EXPECT_EQ(a->userComment, h.account.userComment) << who;
            EXPECT_EQ(a->password, h.account.password) << who;
            EXPECT_EQ(a->flags, h.account.flags) << who;
            EXPECT_EQ(a->logonHours, h.account.logonHours) << who;
            const auto groups = f_->w.machine->GroupsOf(a->name);
            EXPECT_EQ((std::set<std::wstring>{groups.begin(), groups.end()}), h.groups) << who;
        }
    }

    std::string name_;
    Choices& rnd_;
    int step_ = 0;
    std::unique_ptr<testing::FormWorld> f_;
    std::array<std::wstring, 4> names_;
    std::vector<Account> ref_; // by position in the window's collection
    std::map<std::uint32_t, Held> held_;
    int shown_ = 0;
    bool closed_ = false;
    bool welcomeInUse_ = false, userListKey_ = false, showAdmin_ = false;
    int showAdminValue_ = 0, expectedShowAdmin_ = 0;
    bool expectedShowAdminWritten_ = false;
    std::vector<int> answers_;
    std::size_t asked_ = 0;
    std::vector<simulated::FaultRule> faults_; // as the machine was told, counted down alike
    std::vector<simulated::CallRecord> writes_;
    std::size_t nextWrite_ = 0;
};

ClosingCase::ClosingCase(std::string name, Choices& choices)
    : impl_(std::make_unique<Impl>(std::move(name), choices)) {}
ClosingCase::~ClosingCase() = default;
void ClosingCase::Run() {
    impl_->Run();
}

int Choices::Between(int low, int high) {
    return low + static_cast<int>(Next(static_cast<std::uint32_t>(high - low)));
}

} // namespace qb::testing
