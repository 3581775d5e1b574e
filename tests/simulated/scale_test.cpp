// A machine of ten thousand accounts: every call costs the same however many accounts
// there are, so reading them all as the program does stays quick. Times are printed,
// not asserted; a quadratic step would show as seconds here instead of milliseconds.

#include "machine_fixture.h"

#include <chrono>
#include <cstdio>

namespace qb::simulated {
namespace {

using testing::NewAccount;
namespace st = platform::net_status;

class Stopwatch {
public:
    double Milliseconds() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
            .count();
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

constexpr int AccountCount = 10'000;

std::unique_ptr<SimulatedMachine> BigMachine() {
    auto m = std::make_unique<SimulatedMachine>();
    for (int i = 0; i < AccountCount - 2; ++i)
        m->AddAccount(
            NewAccount(L"user" + std::to_wstring(i), {i % 10 == 0 ? L"Administrators" : L"Users"}));
    m->SetLoggedOnUser(L"user0");
    return m;
}

TEST(Scale, TenThousandAccountsAreEnumeratedAndReadInBatchesOfFive) {
    Stopwatch building;
    auto m = BigMachine();
    const double buildMs = building.Milliseconds();

    Stopwatch reading;
    platform::Netapi32& net = m->Netapi();
    std::vector<platform::NetDisplayUser> entries;
    std::uint32_t index = 0;
    std::size_t read = 0;
    std::size_t admins = 0;
    NetApiStatus status = st::MoreData;
    while (status == st::MoreData) {
        status = net.QueryDisplayInformation(index, 5, platform::MaxPreferredLength, entries);
        ASSERT_TRUE(status == st::MoreData || status == st::Success);
        ASSERT_FALSE(entries.empty());
        for (const platform::NetDisplayUser& entry : entries) {
            platform::UserInfo2 info;
            ASSERT_EQ(net.UserGetInfo(entry.name, info), st::Success);
            std::vector<std::wstring> groups;
            ASSERT_EQ(net.UserGetLocalGroups(entry.name, 0, platform::MaxPreferredLength, groups),
                      st::Success);
            ASSERT_EQ(groups.size(), 1u);
            admins += info.priv == platform::user_priv::Admin;
            ++read;
        }
        index = entries.back().nextIndex;
    }
    const double readMs = reading.Milliseconds();

    EXPECT_EQ(read, static_cast<std::size_t>(AccountCount));
    EXPECT_EQ(admins, 1u + (AccountCount - 2 + 9) / 10);
    EXPECT_EQ(entries.back().name, L"user" + std::to_wstring(AccountCount - 3));

    Stopwatch fileTrip;
    auto copy = SimulatedMachine::FromJsonText(m->ToJsonText(), "big machine");
    const double fileMs = fileTrip.Milliseconds();
    EXPECT_EQ(copy->AccountCount(), static_cast<std::size_t>(AccountCount));

    std::printf("[ scale    ] %d accounts: built in %.0f ms, enumerated and read in %.0f ms "
                "(%zu calls), through JSON and back in %.0f ms\n",
                AccountCount, buildMs, readMs, m->Calls().size(), fileMs);
}

} // namespace
} // namespace qb::simulated
