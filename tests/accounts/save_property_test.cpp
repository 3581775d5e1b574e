// On randomly made machines, random edits to random records followed by SaveAccount
// leave the machine holding the edited value for every write that succeeded (and the old
// value for every one that failed), and each record equal to what the machine then holds.

#include "accounts/users.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

#include <random>

namespace qb {
namespace {

using simulated::AccountSpec;
using testing::SimWorld;
namespace uf = platform::user_flags;

class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}
    int Between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(engine_);
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    std::wstring Text(int maxLength) {
        static const std::wstring letters = L"abcdefghijklmnopqrstuvwxyz ÄÖÜäöüßéè-.'0123456789";
        std::wstring s;
        const int n = Between(0, maxLength);
        for (int i = 0; i < n; ++i)
            s +=
                letters[static_cast<std::size_t>(Between(0, static_cast<int>(letters.size()) - 1))];
        return s;
    }
    std::wstring Name() {
        std::wstring s;
        const int n = Between(3, 10);
        for (int i = 0; i < n; ++i)
            s += static_cast<wchar_t>(L'a' + Between(0, 25));
        return s;
    }
    platform::LogonHoursBytes Hours() {
        platform::LogonHoursBytes h{};
        for (auto& b : h)
            b = Chance(60) ? 255 : static_cast<std::uint8_t>(Between(0, 255));
        return h;
    }

private:
    std::mt19937 engine_;
};

// The status of the last NetUserSetInfo at `level` for `target`, or -1 when none was made.
long long LastStatus(const simulated::SimulatedMachine& m, std::uint32_t level,
                     const std::wstring& target) {
    long long status = -1;
    for (const auto& c : m.Calls())
        if (c.function == "NetUserSetInfo" && c.level == level && c.target == target)
            status = c.status;
    return status;
}

void ExpectSameValues(const userInfo& record, const userInfo& machine, const std::string& where) {
    EXPECT_EQ(record.UserName(), machine.UserName()) << where;
    EXPECT_EQ(record.FullName(), machine.FullName()) << where;
    EXPECT_EQ(record.Comment(), machine.Comment()) << where;
    EXPECT_EQ(record.UserComment(), machine.UserComment()) << where;
    EXPECT_EQ(record.Password(), machine.Password()) << where;
    EXPECT_EQ(record.AccountDisabled(), machine.AccountDisabled()) << where;
    EXPECT_EQ(record.PasswordCantChange(), machine.PasswordCantChange()) << where;
    EXPECT_EQ(record.PasswordNotNeeded(), machine.PasswordNotNeeded()) << where;
    EXPECT_EQ(record.UserType(), machine.UserType()) << where;
    EXPECT_EQ(record.UserGroups(), machine.UserGroups()) << where;
    EXPECT_EQ(record.Flags(), machine.Flags()) << where;
    for (int i = 0; i < kLogonHourBytes; ++i)
        EXPECT_EQ(record.LogonHour(i), machine.LogonHour(i)) << where << " byte " << i;
    EXPECT_FALSE(record.DataHasChanged()) << where;
}

TEST(SaveAccountProperty, SucceededWritesLandAndRecordsMirrorTheMachine) {
    const std::vector<std::wstring> builtin = {L"Guests", L"Users", L"Administrators",
                                               L"Power Users"};
    // Group changes are not writes whose status counts: where they land is shown by the
    // read-back, which the last check compares.
    for (unsigned seed = 1; seed <= 150; ++seed) {
        Random rnd(seed);
        SimWorld w;
        AccountSpec me;
        me.name = L"admin";
        me.groups = {L"Administrators"};
        w.machine->AddAccount(me);
        w.machine->SetLoggedOnUser(L"admin");
        const int count = rnd.Between(2, 9);
        for (int i = 0; i < count; ++i) {
            AccountSpec wanted;
            wanted.name = rnd.Name() + std::to_wstring(i);
            wanted.fullName = rnd.Text(20);
            wanted.comment = rnd.Text(30);
            wanted.userComment = rnd.Text(10);
            wanted.flags = uf::Script | uf::NormalAccount;
            for (std::uint32_t bit : {uf::AccountDisable, uf::PasswordCantChange,
                                      uf::PasswordNotRequired, uf::Lockout, uf::DontExpirePassword})
                if (rnd.Chance(25))
                    wanted.flags |= bit;
            if (rnd.Chance(50))
                wanted.logonHours = rnd.Hours();
            for (const auto& group : builtin)
                if (rnd.Chance(35))
                    wanted.groups.push_back(group);
            w.machine->AddAccount(wanted);
        }
        w.Load();
        ASSERT_EQ(w.g.Accounts.Count(), count + 3) << "seed " << seed;

        // Some writes are refused.
        for (std::uint32_t level : {0u, 1003u, 1007u, 1008u, 1011u, 1012u, 1020u})
            if (rnd.Chance(10))
                w.machine->FailCall({"NetUserSetInfo", std::nullopt, level, 5});

        const int edits = rnd.Between(1, count);
        for (int e = 0; e < edits; ++e) {
            const int position = rnd.Between(4, w.g.Accounts.Count());
            userInfo& r = w.g.Accounts.Item(position);
            const userInfo before = r;
            if (rnd.Chance(30))
                r.SetUserName(rnd.Chance(80) ? rnd.Name() + L"x" + std::to_wstring(e)
                                             : std::wstring(L"bad:name"));
            if (rnd.Chance(40))
                r.SetFullName(rnd.Text(20));
            if (rnd.Chance(40))
                r.SetComment(rnd.Text(30));
            if (rnd.Chance(30))
                r.SetUserComment(rnd.Text(10));
            if (rnd.Chance(20))
                r.SetPassword(rnd.Text(12));
            if (rnd.Chance(30))
                r.SetAccountDisabled(!r.AccountDisabled());
            if (rnd.Chance(20))
                r.SetPasswordCantChange(!r.PasswordCantChange());
            if (rnd.Chance(20))
                r.SetPasswordNotNeeded(!r.PasswordNotNeeded());
            if (rnd.Chance(40)) {
                const auto hours = rnd.Hours();
                for (int i = 0; i < kLogonHourBytes; ++i)
                    r.SetLogonHour(i, hours[static_cast<std::size_t>(i)]);
            }
            if (rnd.Chance(40)) {
                // As the window changes a type: the groups, then the type they imply.
                const std::int32_t groups = rnd.Between(1, 15);
                r.SetUserGroups(groups);
                r.SetUserType(groups & 4   ? Administrator
                              : groups & 8 ? PowerUser
                              : groups & 2 ? User
                                           : Guest);
            }

            const std::wstring oldName = r.UserName(true);
            const userInfo edited = r;
            w.machine->ClearCalls();
            const bool saved = SaveAccount(w.g, r);
            const std::string where = "seed " + std::to_string(seed) + " edit " + std::to_string(e);

            // Where the account lives now.
            const bool renamed =
                edited.UserName() != oldName && LastStatus(*w.machine, 0, oldName) == 0;
            const simulated::SimAccount* account =
                w.machine->FindAccount(renamed ? edited.UserName() : oldName);
            ASSERT_NE(account, nullptr) << where;

            auto landed = [&](std::uint32_t level, bool changed, bool isNow, bool wasBefore) {
                if (!changed)
                    return;
                const long long status = LastStatus(*w.machine, level, oldName);
                ASSERT_NE(status, -1) << where << " level " << level << " not written";
                EXPECT_TRUE(status == 0 ? isNow : wasBefore) << where << " level " << level;
            };
            landed(1011, edited.FullName() != before.FullName(true),
                   account->fullName == edited.FullName(),
                   account->fullName == before.FullName(true));
            landed(1007, edited.Comment() != before.Comment(true),
                   account->comment == edited.Comment(), account->comment == before.Comment(true));
            landed(1012, edited.UserComment() != before.UserComment(true),
                   account->userComment == edited.UserComment(),
                   account->userComment == before.UserComment(true));
            const bool flagsChanged =
                edited.AccountDisabled() != before.AccountDisabled(true) ||
                edited.PasswordCantChange() != before.PasswordCantChange(true) ||
                edited.PasswordNotNeeded() != before.PasswordNotNeeded(true);
            const std::uint32_t kept =
                before.Flags() &
                ~(uf::AccountDisable | uf::PasswordCantChange | uf::PasswordNotRequired);
            landed(1008, flagsChanged,
                   account->flags ==
                       (kept | uf::Script | (edited.AccountDisabled() ? uf::AccountDisable : 0u) |
                        (edited.PasswordCantChange() ? uf::PasswordCantChange : 0u) |
                        (edited.PasswordNotNeeded() ? uf::PasswordNotRequired : 0u)),
                   account->flags == before.Flags());
            bool hoursNow = account->logonHours.has_value();
            bool hoursBefore = true;
            for (int i = 0; i < kLogonHourBytes; ++i) {
                const std::uint8_t held =
                    account->logonHours ? (*account->logonHours)[static_cast<std::size_t>(i)] : 255;
                hoursNow = hoursNow && held == edited.LogonHour(i);
                hoursBefore = hoursBefore && held == before.LogonHour(i, true);
            }
            landed(1020, edited.HoursHaveChanged(), hoursNow, hoursBefore);
            if (edited.PasswordNotNeeded() || !edited.Password().empty()) {
                const std::wstring expected = edited.PasswordNotNeeded() ? L"" : edited.Password();
                if (LastStatus(*w.machine, 1003, oldName) == 0) {
                    EXPECT_EQ(account->password, expected) << where;
                }
            }
            if (edited.UserName() != oldName && !renamed) {
                // A refused rename: the record keeps every edit.
                EXPECT_FALSE(saved) << where;
                EXPECT_EQ(r.UserName(), edited.UserName()) << where;
                r.ResetToOriginal(); // what "No" would do, so later edits start clean
                ASSERT_TRUE(ReadAccount(w.g, r)) << where;
                continue;
            }
            userInfo fresh;
            fresh.SetUserName(account->name);
            ASSERT_TRUE(ReadAccount(w.g, fresh)) << where;
            ExpectSameValues(r, fresh, where);
        }
    }
}

} // namespace
} // namespace qb
