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
        int column, hour, byte, mask;
    };
    // Column 0 is Saturday, column 1 Sunday (day 0), column 6 Friday.
    for (const Cell& c : {Cell{1, 0, 0, 1}, Cell{0, 23, 20, 128}, Cell{2, 9, 4, 2},
                          Cell{1, 23, 2, 128}, Cell{6, 12, 16, 16}}) {
        userInfo r = AllAllowed();
        SetHourAllowed(r, c.column, c.hour, false);
        for (int b = 0; b < kLogonHourBytes; ++b)
            EXPECT_EQ(r.LogonHour(b), b == c.byte ? 255 - c.mask : 255)
                << c.column << "/" << c.hour;
        EXPECT_FALSE(IsHourAllowed(r, c.column, c.hour));
        SetHourAllowed(r, c.column, c.hour, true);
        EXPECT_FALSE(r.HoursHaveChanged());
    }
}

TEST(LogonHours, ADayClearsOnlyItselfAndHoursOutsideTheDayDoNothing) {
    userInfo r = AllAllowed();
    for (int h = -1; h <= 24; ++h)
        SetHourAllowed(r, 3, h, false); // Tuesday: bytes 6, 7, 8
    for (int b = 0; b < kLogonHourBytes; ++b)
        EXPECT_EQ(r.LogonHour(b), (b >= 6 && b <= 8) ? 0 : 255) << b;
    EXPECT_FALSE(IsHourAllowed(AllAllowed(), 1, 24));
    EXPECT_FALSE(IsHourAllowed(AllAllowed(), 1, -1));
}

TEST(LastLogon, TheBiasInEffectNowAppliesInSigned32BitArithmetic) {
    simulated::SimulatedMachine m;
    m.SetTimeZone(platform::time_zone_id::Daylight, {-600, 0, -60});
    EXPECT_TRUE(LastLogonToLocal(m.Kernel(), 0).IsZero()) << "never, whatever the zone";

    struct Case {
        std::uint32_t id;
        std::int32_t bias, seconds;
        CivilTime local;
    };
    for (const Case& c :
         {Case{platform::time_zone_id::Standard, -60, 86400, {1970, 1, 2, 1, 0, 0}},
          Case{platform::time_zone_id::Daylight, -60, 86400, {1970, 1, 2, 2, 0, 0}},
          Case{platform::time_zone_id::Standard, 300, 1'700'000'000, {2023, 11, 14, 17, 13, 20}},
          Case{platform::time_zone_id::Unknown, -60, 3600, {1970, 1, 1, 1, 0, 0}},
          Case{platform::time_zone_id::Invalid, -60, 3600, {1970, 1, 1, 1, 0, 0}},
          Case{platform::time_zone_id::Standard, -60, INT_MAX, {1901, 12, 13, 21, 45, 51}}}) {
        m.SetTimeZone(c.id, {c.bias, 0, -60});
        EXPECT_EQ(LastLogonToLocal(m.Kernel(), c.seconds).ToCivil(), c.local) << c.seconds;
    }
}

TEST(DateTimeTest, CivilRoundTripAndTheZeroDate) {
    EXPECT_EQ(DateTime().ToCivil(), (CivilTime{1899, 12, 30, 0, 0, 0}));
    for (const CivilTime& c : {CivilTime{2000, 2, 29, 23, 59, 59}, CivilTime{1900, 3, 1, 0, 0, 1},
                               CivilTime{1850, 6, 15, 12, 0, 0}})
        EXPECT_EQ(DateTime::FromCivil(c).ToCivil(), c);
}

} // namespace
} // namespace qb
