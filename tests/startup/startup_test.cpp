// Start-up: the single-instance rule, the platform check and its refusal, the boot time
// and the shared state, on a simulated machine.

#include "startup/start_marks.h"
#include "startup/startup.h"
#include "support/sim_world.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

using testing::SimWorld;
namespace pid = platform::platform_id;

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        w.machine->AddAccount({.name = L"anna", .groups = {L"Administrators"}});
        w.machine->SetLoggedOnUser(L"anna");
    }
    void SetVersion(std::uint32_t id, std::uint32_t major, std::uint32_t minor, std::string sp) {
        w.machine->version = {major, minor, 0, id, std::move(sp)};
    }
    int NetapiCalls() const {
        int n = 0;
        for (const auto& c : w.machine->Calls())
            n += c.function.rfind("Net", 0) == 0 ? 1 : 0;
        return n;
    }
    SimWorld w;
};

TEST_F(Startup, PlatformCheckAndNamesOutsideTheNtFamily) {
    struct Case {
        std::uint32_t id, major, minor;
        const char* servicePack;
        const wchar_t* name; // nullptr: the NT family
    };
    for (const Case& c :
         {Case{pid::Win32s, 3, 11, "", L"Microsoft Win32s"}, Case{pid::Windows, 4, 0, "", L"95"},
          Case{pid::Windows, 4, 0, " C ", L"95 OSR2"}, Case{pid::Windows, 4, 0, "B", L"95 OSR2"},
          Case{pid::Windows, 4, 10, "", L"98"}, Case{pid::Windows, 4, 10, " A ", L"98SE"},
          Case{pid::Windows, 4, 90, " ", L"Me"}, Case{pid::Windows, 5, 0, "", L""},
          Case{pid::WindowsNt, 10, 0, "", nullptr}, Case{3, 10, 0, "", nullptr}}) {
        SetVersion(c.id, c.major, c.minor, c.servicePack);
        EXPECT_EQ(IsNTFamily(w.machine->Kernel()), c.name == nullptr) << c.id;
        if (c.name) {
            EXPECT_EQ(GetOSName(w.machine->Kernel()), c.name) << c.major << "." << c.minor;
        }
    }
    // The short version structure is the fallback; without either, not the NT family.
    w.machine->failExtendedVersion = true;
    EXPECT_TRUE(IsNTFamily(w.machine->Kernel()));
    w.machine->failVersion = true;
    EXPECT_FALSE(IsNTFamily(w.machine->Kernel()));
    EXPECT_EQ(GetOSName(w.machine->Kernel()), L"");
}

TEST_F(Startup, OutsideTheNtFamilyTheProgramRefusesWithAStopMessage) {
    SetVersion(pid::Windows, 4, 10, " A ");
    const StartResult refused = StartProgram(w.g);
    EXPECT_EQ(refused.outcome, StartOutcome::Refused);
    ASSERT_EQ(w.user.messageBoxes.size(), 1u);
    const auto& box = w.user.messageBoxes[0];
    EXPECT_EQ(box.text, L"This program does not work on Windows 98SE\r\nand will be closed.");
    EXPECT_EQ(box.caption, L"Quill Bay");
    EXPECT_EQ(box.type, platform::mb::Ok | platform::mb::IconStop);
    EXPECT_EQ(NetapiCalls(), 0) << "no account is read";
    EXPECT_TRUE(refused.instance.Held()) << "the mutex stays to the end of the process";
}

TEST_F(Startup, ASecondCopyEndsSilentlyAndTheFirstKeepsItsMutex) {
    StartResult first = StartProgram(w.g);
    ASSERT_EQ(first.outcome, StartOutcome::Started);
    ASSERT_TRUE(first.instance.Held());

    // A second program on the same machine.
    testing::RecordingUser32 secondUser;
    Globals second(platform::WithOneKernel(w.machine->Netapi(), w.machine->Security(), w.registry,
                                           w.machine->Kernel(), secondUser));
    w.machine->ClearCalls();
    const StartResult refused = StartProgram(second);
    EXPECT_EQ(refused.outcome, StartOutcome::AlreadyRunning);
    EXPECT_FALSE(refused.instance.Held());
    EXPECT_TRUE(secondUser.messageBoxes.empty());
    EXPECT_TRUE(secondUser.commonControlClasses.empty()) << "it ends before anything else";
    EXPECT_EQ(NetapiCalls(), 0);
    EXPECT_TRUE(first.instance.Held());

    // Once the first lets go of its lock (its main window unloads) a new copy starts; the
    // refused copy has closed its own handle, or this one would still find a copy running.
    first.instance.Release();
    EXPECT_FALSE(first.instance.Held());
    first.instance.Release(); // a second release is harmless
    EXPECT_EQ(StartProgram(second).outcome, StartOutcome::Started);
}

TEST_F(Startup, TheSharedStateIsSetAndTheAccountsRead) {
    w.g.WarningMinutes = 99;
    w.g.TurnOffAfterWarning = false;
    w.machine->tickCount = 30u * 86400u * 1000u; // past 2^31 ms
    ASSERT_EQ(StartProgram(w.g).outcome, StartOutcome::Started);
    EXPECT_EQ(w.g.BootTime, DateTime::FromCivil({2026, 11, 5, 12, 0, 0}));
    EXPECT_EQ(w.user.commonControlClasses, std::vector<std::uint32_t>{0x101});
    EXPECT_EQ(w.g.WarningMinutes, 5);
    EXPECT_TRUE(w.g.TurnOffAfterWarning);
    EXPECT_EQ(w.g.CurrentUserName, L"anna");
    EXPECT_TRUE(w.g.CurrentUserIsAdmin);
    EXPECT_EQ(w.g.AdministratorAccountName, L"Administrator");
    EXPECT_EQ(w.g.Accounts.Count(), 3);
    EXPECT_EQ(w.g.CurrentUserIndex, 3);
    EXPECT_TRUE(w.user.messageBoxes.empty());
}

TEST_F(Startup, BootTimeCountsTheTickCountAsUnsignedAndWrapsAt32Bits) {
    const DateTime now = DateTime::FromCivil({2026, 12, 5, 12, 0, 0});
    struct Case {
        std::uint32_t ticks;
        std::int64_t secondsBefore;
    };
    for (const Case& c : {Case{0, 0}, Case{999, 0}, Case{1000, 1},
                          Case{30u * 86400u * 1000u, 30 * 86400}, // past 2^31 ms
                          Case{0x80000000u, 2147483}, Case{0xFFFFFFFFu, 4294967}}) {
        w.machine->tickCount = c.ticks;
        EXPECT_EQ(ComputeBootTime(w.machine->Kernel()), now.AddSeconds(-c.secondsBefore))
            << c.ticks;
    }
}

// Handles as numbers, and every close recorded.
class RecordingMutexes final : public platform::SingleInstanceApi {
public:
    platform::Handle CreateNamedMutex(bool, std::string_view, std::uint32_t& lastError) override {
        lastError = 0;
        return next++;
    }
    bool CloseHandle(platform::Handle handle) override {
        closed.push_back(handle);
        return true;
    }
    platform::Handle next = 1;
    std::vector<platform::Handle> closed;
};

TEST(InstanceLock, EveryHandleIsClosedExactlyOnceWhicheverLockEndsUpWithIt) {
    using Closed = std::vector<platform::Handle>;
    RecordingMutexes api;
    {
        InstanceLock first(api, 1);
        InstanceLock moved(std::move(first));
        EXPECT_FALSE(first.Held());
        EXPECT_TRUE(moved.Held());

        InstanceLock other(api, 2);
        other = std::move(moved); // gives up its own handle, takes the first
        EXPECT_EQ(api.closed, Closed{2});
        other.Release();
        other.Release();
        EXPECT_EQ(api.closed, (Closed{2, 1}));

        InstanceLock third(api, 3);
        InstanceLock nothing(api, 0);
        third = std::move(nothing);
        EXPECT_FALSE(third.Held());
        InstanceLock kept(api, 4);
    }
    EXPECT_EQ(api.closed, (Closed{2, 1, 3, 4})) << "handle 0 is never closed";
}

TEST(StartMarks, EachStageTakesTheTimeAndMemorySinceTheMarkBeforeItAndARepeatedStageAddsUp) {
    static std::int64_t ticks = 0;
    static std::uint64_t bytes = 0;
    StartMarks marks([] { return ticks; }, [] { return bytes; }, 2000); // two ticks a millisecond
    struct Step {
        std::int64_t ticks;
        std::uint64_t bytes;
        const char* stage;
    };
    for (const Step& s : {Step{110, 4000, stage::Process}, Step{124, 5000, stage::Fonts},
                          Step{140, 4500, stage::Lists}, Step{200, 6000, stage::Fonts}}) {
        ticks = s.ticks;
        bytes = s.bytes;
        marks.Take(s.stage);
    }
    const StartBreakdown b = ReadStartReport(marks.Report(), 100, 1000);
    ASSERT_EQ(b.stages.size(), 3u);
    const double expected[3][2] = {{5, 3000}, {7 + 30, 1000 + 1500}, {8, -500}};
    const char* names[3] = {stage::Process, stage::Fonts, stage::Lists};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(b.stages[i].stage, names[i]);
        EXPECT_DOUBLE_EQ(b.stages[i].milliseconds, expected[i][0]) << names[i];
        EXPECT_DOUBLE_EQ(b.stages[i].growthBytes, expected[i][1]) << names[i];
    }
    EXPECT_DOUBLE_EQ(b.totalMilliseconds, 50);

    for (const char* broken : {"", "ticks-per-second 0\n", "ticks-per-second 10\n12 fonts\n",
                               "ticks-per-second 10\n1 x fonts\n", "ticks-per-second 10\n1 2 \n"})
        EXPECT_TRUE(ReadStartReport(broken, 0).stages.empty()) << broken;
}

} // namespace
} // namespace qb
