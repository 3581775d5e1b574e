#include "startup/start_marks.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace qb {

std::string StartMarks::Report() const {
    std::ostringstream out;
    out << "ticks-per-second " << ticksPerSecond_ << '\n';
    for (std::size_t i = 0; i < count_; ++i)
        out << marks_[i].ticks << ' ' << marks_[i].privateBytes << ' ' << marks_[i].stage << '\n';
    return out.str();
}

namespace {

// Takes the number at the start of `text` and the blank after it.
template <typename Number>
bool TakeNumber(std::string_view& text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data() + text.size() || *end != ' ')
        return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    return true;
}

} // namespace

StartBreakdown ReadStartReport(std::string_view report, std::int64_t startTicks,
                               std::uint64_t startPrivateBytes) {
    constexpr std::string_view kFrequency = "ticks-per-second ";
    std::int64_t frequency = 0;
    if (report.substr(0, kFrequency.size()) != kFrequency)
        return {};
    report.remove_prefix(kFrequency.size());
    const auto [end, error] =
        std::from_chars(report.data(), report.data() + report.size(), frequency);
    if (error != std::errc() || frequency <= 0)
        return {};
    report.remove_prefix(static_cast<std::size_t>(end - report.data()));

    StartBreakdown result;
    std::int64_t lastTicks = startTicks;
    std::uint64_t lastBytes = startPrivateBytes;
    const double msPerTick = 1000.0 / static_cast<double>(frequency);
    while (!report.empty()) {
        if (report.front() != '\n')
            return {};
        report.remove_prefix(1);
        if (report.empty())
            break;
        const std::size_t lineEnd = std::min(report.find('\n'), report.size());
        std::string_view line = report.substr(0, lineEnd);
        report.remove_prefix(lineEnd);
        std::int64_t ticks = 0;
        std::uint64_t bytes = 0;
        if (!TakeNumber(line, ticks) || !TakeNumber(line, bytes) || line.empty())
            return {};
        StageTime* stage = nullptr;
        for (StageTime& s : result.stages)
            if (s.stage == line)
                stage = &s;
        if (stage == nullptr)
            stage = &result.stages.emplace_back(StageTime{std::string(line)});
        stage->milliseconds += static_cast<double>(ticks - lastTicks) * msPerTick;
        stage->growthBytes += static_cast<double>(bytes) - static_cast<double>(lastBytes);
        lastTicks = ticks;
        lastBytes = bytes;
    }
    result.totalMilliseconds = static_cast<double>(lastTicks - startTicks) * msPerTick;
    return result;
}

} // namespace qb
