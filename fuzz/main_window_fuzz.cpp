// The main window under whatever an administrator might do in it, the fuzzer choosing it
// all: the machine, the steps, the answers to every question and the writes that fail.
// The bytes are read as the closing property test's seeded generator would be, so each
// input is one case of that test, checked against the same reference of what must be
// asked, written, sent and shown. A failed check ends the process, which libFuzzer keeps
// as a finding.

#include "support/closing_case.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Choices from the fuzzer's bytes; once they run out every choice is the lowest, which
// ends a case within a step.
class FuzzedChoices final : public qb::testing::Choices {
public:
    FuzzedChoices(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}
    std::uint32_t Next(std::uint32_t most) override {
        return bytes_.ConsumeIntegralInRange<std::uint32_t>(0, most);
    }

private:
    FuzzedDataProvider bytes_;
};

// The reference reports through GoogleTest's assertions, which outside a test only
// record a failure: here the first one, once printed, is a crash.
class AbortOnFailure final : public ::testing::EmptyTestEventListener {
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.failed()) {
            std::fprintf(stderr, "%s:%d: %s\n", result.file_name() ? result.file_name() : "?",
                         result.line_number(), result.message());
            std::abort();
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ::testing::UnitTest::GetInstance()->listeners().Append(new AbortOnFailure);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedChoices choices(data, size);
    qb::testing::ClosingCase("fuzzed case", choices).Run();
    return 0;
}
