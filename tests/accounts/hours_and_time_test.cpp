// The logon-hours bitmap as the grid sees it, and last-logon times in local time.

#include "accounts/logon_hours.h"
#include "accounts/time_zone.h"
#include "platform/simulated/simulated_machine.h"

#include <gtest/gtest.h>

#include <climits>

namespace qb {
namespace {

userInfo AllAllowed() {
    userInfo r;
    for (int i = 0; i < kLogonHourBytes; ++i)
        r.SetLogonHour(i, 255, true);
    return r;
}

TEST(LogonHours, GridCellsAddressTheirByteAndBit) {
    struct Cell {
        int column, hour, byte;
        std::uint8_t mask;
    };
    // Column 0 is Saturday, column 1 Sunday (day 0), column 6 Friday.
    for (const Cell& c : {Cell{1, 0, 0, 1}, Cell{0, 23, 20, 128}, Cell{2, 9, 4, 2},
                          Cell{1, 23, 2, 128}, Cell{2, 0, 3, 1}, Cell{6, 12, 16, 16}}) {
        userInfo r = AllAllowed();
        SetHourAllowed(r, c.column, c.hour, false);
        for (int b = 0; b < kLogonHourBytes; ++b)
            EXPECT_EQ(r.LogonHour(b), b == c.byte ? 255 - c.mask : 255)
                << "column " << c.column << " hour " << c.hour << " byte " << b;
        EXPECT_FALSE(IsHourAllowed(r, c.column, c.hour));
        SetHourAllowed(r, c.column, c.hour, true);
        EXPECT_FALSE(r.HoursHaveChanged());
        EXPECT_TRUE(IsHourAllowed(r, c.column, c.hour));
    }
}

TEST(LogonHours, HoursOutsideTheDayAreNeitherTestedNorChanged) {
    userInfo r = AllAllowed();
    for (int hour : {-1, 24, 1000}) {
        EXPECT_FALSE(IsHourAllowed(r, 1, hour));
        SetHourAllowed(r, 1, hour, false);
    }
    SetHourAllowed(r, 7, 3, false);
    SetHourAllowed(r, -1, 3, false);
    EXPECT_FALSE(r.HoursHaveChanged());
}

TEST(LogonHours, SettingIsIdempotentAndADayClearsOnlyItself) {
    userInfo r = AllAllowed();
    SetHourAllowed(r, 3, 5, true);
    EXPECT_FALSE(r.HoursHaveChanged()) << "already allowed";
    for (int h = 0; h < 24; ++h)
        SetHourAllowed(r, 3, h, false); // Tuesday: bytes 6, 7, 8
    for (int b = 0; b < kLogonHourBytes; ++b)
        EXPECT_EQ(r.LogonHour(b), (b >= 6 && b <= 8) ? 0 : 255) << b;
    EXPECT_EQ(r.LogonHour(6, true), 255) << "only the current copy is edited";
    for (int c = 0; c < 7; ++c)
        for (int h = 0; h < 24; ++h)
            EXPECT_EQ(IsHourAllowed(r, c, h), c != 3);
}

class LastLogon : public ::testing::Test {
protected:
    simulated::SimulatedMachine machine;
};

TEST_F(LastLogon, NeverIsTheZeroDateTimeWhateverTheZone) {
    machine.SetTimeZone(platform::time_zone_id::Daylight, {-600, 0, -60});
    EXPECT_TRUE(LastLogonToLocal(machine.Kernel(), 0).IsZero());
}

TEST_F(LastLogon, TheBiasInEffectNowIsApplied) {
    machine.SetTimeZone(platform::time_zone_id::Standard, {-60, 0, -60});
    EXPECT_EQ(LastLogonToLocal(machine.Kernel(), 86400),
              DateTime::FromCivil({1970, 1, 2, 1, 0, 0}));
    machine.SetTimeZone(platform::time_zone_id::Daylight, {-60, 0, -60});
    EXPECT_EQ(LastLogonToLocal(machine.Kernel(), 86400),
              DateTime::FromCivil({1970, 1, 2, 2, 0, 0}));
    // New York in winter: five hours behind.
    machine.SetTimeZone(platform::time_zone_id::Standard, {300, 0, -60});
    EXPECT_EQ(LastLogonToLocal(machine.Kernel(), 1'700'000'000),
              DateTime::FromCivil({2023, 11, 14, 17, 13, 20}));
}

TEST_F(LastLogon, AnUnknownOrFailingZoneGivesUtc) {
    for (std::uint32_t id :
         {platform::time_zone_id::Unknown, platform::time_zone_id::Invalid, 7u}) {
        machine.SetTimeZone(id, {-60, 0, -60});
        EXPECT_EQ(LastLogonToLocal(machine.Kernel(), 3600),
                  DateTime::FromCivil({1970, 1, 1, 1, 0, 0}));
    }
}

TEST_F(LastLogon, TheArithmeticIsSigned32Bit) {
    machine.SetTimeZone(platform::time_zone_id::Standard, {-60, 0, 0});
    // Near the end of the 32-bit range the subtraction wraps instead of growing.
    const DateTime wrapped = LastLogonToLocal(machine.Kernel(), INT_MAX);
    EXPECT_EQ(wrapped, DateTime::UnixEpoch().AddSeconds(static_cast<std::int64_t>(INT_MIN) + 3599));
    // A time the platform reports with the top bit set is before 1970.
    machine.SetTimeZone(platform::time_zone_id::Unknown, {});
    EXPECT_LT(LastLogonToLocal(machine.Kernel(), -1), DateTime::UnixEpoch());
}

TEST(DateTimeTest, CivilRoundTripAndTheZeroDate) {
    EXPECT_EQ(DateTime().ToCivil(), (CivilTime{1899, 12, 30, 0, 0, 0}));
    EXPECT_EQ(DateTime::UnixEpoch().ToCivil(), (CivilTime{1970, 1, 1, 0, 0, 0}));
    for (const CivilTime& c : {CivilTime{2000, 2, 29, 23, 59, 59}, CivilTime{1900, 3, 1, 0, 0, 1},
                               CivilTime{2038, 1, 19, 3, 14, 8}, CivilTime{1850, 6, 15, 12, 0, 0}})
        EXPECT_EQ(DateTime::FromCivil(c).ToCivil(), c);
    EXPECT_EQ(DateTime::FromCivil({1900, 1, 1, 0, 0, 0}).Seconds(), 2 * 86400);
}

} // namespace
} // namespace qb
