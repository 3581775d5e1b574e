// On randomly made machines, random edits to random records followed by SaveAccount
// leave the machine holding the edited value for every write that succeeded (and the old
// value for every one that failed), nothing written that was not edited, the type and
// group edits applied (on the renamed account too), a password never kept in the record
// and emptied whenever none is needed, and each record equal to what the machine then
// holds; every write goes under the old name in a fixed order, and a save is true exactly
// when every write succeeded. A refused rename (a bad name,
// or another account's) leaves the record with every edit and nothing of the other
// account's.

#include "accounts/account_store.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace qb {
namespace {

namespace uf = platform::user_flags;

class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}
    int Between(int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(engine_);
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    std::wstring Text(const std::wstring& letters, int low, int high) {
        std::wstring s(static_cast<std::size_t>(Between(low, high)), L' ');
        for (wchar_t& c : s)
            c = letters[static_cast<std::size_t>(Between(0, static_cast<int>(letters.size()) - 1))];
        return s;
    }
    std::wstring Words() { return Text(L"abcxyz ÄÖüßé-.'09", 0, 20); }
    std::wstring Name() { return Text(L"abcdefghijklmnopqrstuvwxyz", 3, 8); }
    // Every restriction cleared now and then.
    platform::LogonHoursBytes Hours() {
        platform::LogonHoursBytes h{};
        const bool allAllowed = Chance(15);
        for (auto& b : h)
            b = allAllowed || Chance(60) ? 255 : static_cast<std::uint8_t>(Between(0, 255));
        return h;
    }

private:
    std::mt19937 engine_;
};

// The value a write level carries, as a record holds it: `original` gives what was read,
// otherwise what a save would write.
using Face = std::function<std::wstring(const userInfo&, bool original)>;
struct WriteLevel {
    std::uint32_t level;
    Face value;
    std::function<bool(const userInfo&)> changed;
};

std::wstring Flags(const userInfo& r, bool original) {
    if (original)
        return std::to_wstring(r.Flags());
    std::uint32_t f =
        r.Flags() & ~(uf::AccountDisable | uf::PasswordCantChange | uf::PasswordNotRequired);
    f |= uf::Script | (r.AccountDisabled() ? uf::AccountDisable : 0) |
         (r.PasswordCantChange() ? uf::PasswordCantChange : 0) |
         (r.PasswordNotNeeded() ? uf::PasswordNotRequired : 0);
    return std::to_wstring(f);
}

std::wstring Hours(const userInfo& r, bool original) {
    std::wstring s;
    for (int i = 0; i < kLogonHourBytes; ++i)
        s += std::to_wstring(r.LogonHour(i, original)) + L",";
    return s;
}

WriteLevel Text(std::uint32_t level, const std::wstring& (userInfo::*get)(bool) const) {
    return {level, [get](const userInfo& r, bool o) { return (r.*get)(o); },
            [get](const userInfo& r) { return (r.*get)(false) != (r.*get)(true); }};
}

// The built-in groups an account is in after a save of `edited`: a new type first makes
// it a plain member of Users (Guests stays as it was), then every group bit that changed
// is added or removed, unless the new mask is empty.
std::int32_t GroupsAfterSave(const userInfo& edited) {
    constexpr std::int32_t users = 2, administrators = 4, powerUsers = 8;
    std::int32_t groups = edited.UserGroups(true);
    if (edited.UserType() != edited.UserType(true))
        groups = (groups | users) & ~(administrators | powerUsers);
    const std::int32_t changed = edited.UserGroups() ^ edited.UserGroups(true);
    if (edited.UserGroups() != 0)
        groups = (groups & ~changed) | (edited.UserGroups() & changed);
    return groups;
}

// The type those groups give on the machine: its privilege (administrator in
// Administrators, user in Users or Power Users, else guest), raised to PowerUser by
// Power Users membership below administrator.
std::int32_t TypeOf(std::int32_t groups) {
    return groups & 4 ? Administrator : groups & 8 ? PowerUser : groups & 2 ? User : Guest;
}

TEST(SaveAccountProperty, SucceededWritesLandAndRecordsMirrorTheMachine) {
    const std::vector<WriteLevel> levels = {
        Text(1011, &userInfo::FullName),
        Text(1007, &userInfo::Comment),
        Text(1012, &userInfo::UserComment),
        {1008, Flags,
         [](const userInfo& r) {
             return r.AccountDisabled() != r.AccountDisabled(true) ||
                    r.PasswordCantChange() != r.PasswordCantChange(true) ||
                    r.PasswordNotNeeded() != r.PasswordNotNeeded(true);
         }},
        {1020, Hours, [](const userInfo& r) { return r.HoursHaveChanged(); }}};
    for (unsigned seed = 1; seed <= 150; ++seed) {
        Random rnd(seed);
        testing::SimWorld w;
        simulated::AccountSpec me;
        me.name = L"admin";
        me.groups = {L"Administrators"};
        w.machine->AddAccount(me);
        w.machine->SetLoggedOnUser(L"admin");
        const int count = rnd.Between(2, 9);
        for (int i = 0; i < count; ++i) {
            simulated::AccountSpec a;
            a.name = rnd.Name() + std::to_wstring(i);
            a.fullName = rnd.Words();
            a.comment = rnd.Words();
            if (rnd.Chance(20))
                a.flags &= ~uf::Script;
            for (std::uint32_t bit : {uf::AccountDisable, uf::PasswordCantChange,
                                      uf::PasswordNotRequired, uf::Lockout, uf::DontExpirePassword})
                a.flags |= rnd.Chance(25) ? bit : 0;
            if (rnd.Chance(50))
                a.password = rnd.Words();
            if (rnd.Chance(50))
                a.logonHours = rnd.Hours();
            for (const wchar_t* group : {L"Guests", L"Users", L"Administrators", L"Power Users"})
                if (rnd.Chance(35))
                    a.groups.push_back(group);
            w.machine->AddAccount(a);
        }
        w.Load();
        for (std::uint32_t level : {0u, 1003u, 1007u, 1008u, 1011u, 1012u, 1020u})
            if (rnd.Chance(10))
                w.machine->FailCall({"NetUserSetInfo", {}, level});

        for (int e = 0; e < rnd.Between(1, count); ++e) {
            userInfo& r = w.g.Accounts.Item(rnd.Between(4, w.g.Accounts.Count()));
            if (rnd.Chance(30)) {
                const int kind = rnd.Between(1, 10);
                r.SetUserName(kind <= 8   ? rnd.Name() + L"x" + std::to_wstring(e)
                              : kind == 9 ? std::wstring(L"bad:name")
                                          : w.g.Accounts.Item(rnd.Between(1, 3)).UserName());
            }
            if (rnd.Chance(40))
                r.SetFullName(rnd.Words());
            if (rnd.Chance(40))
                r.SetComment(rnd.Words());
            if (rnd.Chance(30))
                r.SetUserComment(rnd.Words());
            if (rnd.Chance(20))
                r.SetPassword(rnd.Words());
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
            if (rnd.Chance(40)) { // as the window changes a type: groups and the type they imply
                const std::int32_t groups = rnd.Between(0, 15);
                r.SetUserGroups(groups);
                r.SetUserType(groups & 4   ? Administrator
                              : groups & 8 ? PowerUser
                              : groups & 2 ? User
                                           : Guest);
            }

            const userInfo edited = r;
            const std::wstring oldName = r.UserName(true);
            const std::wstring oldPassword = w.machine->FindAccount(oldName)->password;
            w.machine->ClearCalls();
            const bool saved = w.Save(r);
            const std::string where = "seed " + std::to_string(seed) + " edit " + std::to_string(e);
            bool allWritten = true;
            auto status = [&](std::uint32_t level) {
                long long s = -1;
                for (const auto& c : w.machine->Calls())
                    if (c.function == "NetUserSetInfo" && c.level == level)
                        s = c.status;
                return s;
            };
            // Every write under the old name, in one order: the hours, the group changes,
            // the full name, password, flags, comments and the rename last.
            const std::vector<std::string> order{"1020", "group", "1011", "1003",
                                                 "1008", "1007",  "1012", "0"};
            std::size_t step = 0;
            bool groupCalls = false;
            for (const auto& c : w.machine->Calls()) {
                const bool group = c.function.starts_with("NetLocalGroup");
                if (!group && c.function != "NetUserSetInfo")
                    continue;
                const std::string kind = group ? "group" : std::to_string(c.level);
                while (step < order.size() && order[step] != kind)
                    ++step;
                EXPECT_LT(step, order.size()) << where << ": " << kind << " out of order";
                EXPECT_EQ(group ? c.argument : c.target, oldName) << where;
                allWritten = allWritten && (group || c.status == 0);
                groupCalls = groupCalls || group;
            }
            EXPECT_EQ(saved, allWritten) << where;
            if (edited.UserType() == edited.UserType(true) &&
                edited.UserGroups() == edited.UserGroups(true)) {
                EXPECT_FALSE(groupCalls) << where;
            }
            const bool renamed = edited.UserName() != oldName && status(0) == 0;
            userInfo held; // the machine's view of the account now
            held.SetUserName(renamed ? edited.UserName() : oldName);
            ASSERT_TRUE(w.Read(held)) << where;
            for (const WriteLevel& l : levels) {
                if (!l.changed(edited))
                    continue;
                ASSERT_NE(status(l.level), -1) << where << " level " << l.level << " not written";
                EXPECT_EQ(l.value(held, true), l.value(edited, status(l.level) != 0))
                    << where << " level " << l.level;
            }
            for (const WriteLevel& l : levels)
                if (!l.changed(edited)) {
                    EXPECT_EQ(status(l.level), -1) << where << " level " << l.level << " unchanged";
                }
            EXPECT_EQ(status(1003) != -1, edited.PasswordNotNeeded() || !edited.Password().empty())
                << where << " password";
            const std::wstring password = edited.PasswordNotNeeded() ? L"" : edited.Password();
            EXPECT_EQ(w.machine->FindAccount(held.UserName())->password,
                      status(1003) == 0 ? password : oldPassword)
                << where << " password";
            EXPECT_EQ(status(0) != -1, edited.UserName() != oldName) << where << " rename";
            if (status(1020) == 0) { // 21 bytes, also of 255 each rather than no bitmap
                const auto& stored = w.machine->FindAccount(held.UserName())->logonHours;
                EXPECT_EQ(stored ? Hours(held, true) : L"none", Hours(edited, false)) << where;
            }
            EXPECT_EQ(held.UserGroups(), GroupsAfterSave(edited)) << where;
            EXPECT_EQ(held.UserType(), TypeOf(GroupsAfterSave(edited))) << where;

            if (edited.UserName() != oldName && !renamed) { // never read back
                EXPECT_EQ(r.UserName(), edited.UserName()) << where;
                for (const WriteLevel& l : levels)
                    EXPECT_EQ(l.value(r, false), l.value(edited, false)) << where << " kept";
                EXPECT_EQ(r.Password(), password) << where;
                r.ResetToOriginal();
                ASSERT_TRUE(w.Read(r)) << where;
                continue;
            }
            for (const WriteLevel& l : levels)
                EXPECT_EQ(l.value(r, true), l.value(held, true)) << where << " level " << l.level;
            EXPECT_EQ(r.UserName(), held.UserName()) << where;
            EXPECT_EQ(r.UserGroups(), held.UserGroups()) << where;
            EXPECT_EQ(r.UserType(), held.UserType()) << where;
            EXPECT_EQ(r.Password(), L"") << where;
            EXPECT_FALSE(r.DataHasChanged()) << where;
        }
    }
}

} // namespace
} // namespace qb
