#pragma once
// Where a start spends its time. When asked to (the programs look for kStartMarksVariable
// in their environment), the start takes a mark at the end of each of its stages: the
// reading of a high-resolution counter and, beside it, the private memory the process has
// committed so far. The marks stay in memory, in room set aside before the first of them,
// and are written out only once the run is over; a normal run takes none at all.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qb {

// The environment variable that asks for the marks: it names the file they go to.
inline constexpr wchar_t kStartMarksVariable[] = L"QB_START_MARKS";

// The stages of a start, each named by the mark that ends it. A stage may end more than
// once (the fonts, say, are made in two places): its times add up.
namespace stage {
inline constexpr char Process[] = "process and libraries";
inline constexpr char MachineFile[] = "machine file";
inline constexpr char CommonControls[] = "common controls";
inline constexpr char Accounts[] = "loading accounts";
inline constexpr char MainWindow[] = "main window";
inline constexpr char Pictures[] = "pictures";
inline constexpr char Controls[] = "creating controls";
inline constexpr char SettingsStore[] = "settings store";
inline constexpr char Registry[] = "registry";
inline constexpr char Fonts[] = "fonts";
inline constexpr char Lists[] = "filling lists";
inline constexpr char FirstPaint[] = "first paint";
} // namespace stage

class StartMarks {
public:
    struct Mark {
        const char* stage = nullptr; // one of the names above: text that lives for the run
        std::int64_t ticks = 0;
        std::uint64_t privateBytes = 0;
    };
    // The counter and the memory reading, both of the running platform.
    using Counter = std::int64_t (*)();
    using MemoryReading = std::uint64_t (*)();

    StartMarks(Counter counter, MemoryReading memory, std::int64_t ticksPerSecond) noexcept
        : counter_(counter), memory_(memory), ticksPerSecond_(ticksPerSecond) {}

    // The stage `stage` ends now. Past the room set aside, marks are dropped.
    void Take(const char* stage) noexcept {
        if (count_ < marks_.size())
            marks_[count_++] = Mark{stage, counter_(), memory_()};
    }

    // "ticks-per-second N", then one "ticks private-bytes stage" line per mark.
    std::string Report() const;

private:
    Counter counter_;
    MemoryReading memory_;
    std::int64_t ticksPerSecond_;
    std::array<Mark, 64> marks_{};
    std::size_t count_ = 0;
};

// What one run's report says, stage by stage, in the order the stages first ended.
struct StageTime {
    std::string stage;
    double milliseconds = 0;
    // What the private memory grew by over the stage (negative when it shrank).
    double growthBytes = 0;
};
struct StartBreakdown {
    std::vector<StageTime> stages;
    double totalMilliseconds = 0; // from `startTicks` to the last mark
};

// Reads a report; the first stage begins at `startTicks` of the same counter (when the
// process was created) with `startPrivateBytes` committed. Empty when the report cannot
// be read.
StartBreakdown ReadStartReport(std::string_view report, std::int64_t startTicks,
                               std::uint64_t startPrivateBytes = 0);

} // namespace qb
