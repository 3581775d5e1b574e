// The main window against a reference, on random small machines: random sequences of what
// an administrator does in the window (painting, copying and clearing hours, renaming,
// typing details and passwords, the check boxes and the padlock, the group dialog, Undo,
// sorting, choosing accounts, closing), random answers to every question and random
// refusals of the machine's writes (see support/closing_case.h).
//
// QB_CLOSING_CASES sets the number of cases (default 300), QB_CLOSING_SEED the first seed;
// a failure names its seed, and that seed with one case replays it (QB_CLOSING_TRACE=1
// prints its steps).

#include "support/closing_case.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qb::testing {
namespace {

std::uint64_t FromEnvironment(const char* name, std::uint64_t otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtoull(value, nullptr, 10) : otherwise;
}

TEST(ClosingProperty, WhatIsAskedWrittenSentAndShownFollowsTheReference) {
    const std::uint64_t first = FromEnvironment("QB_CLOSING_SEED", 1);
    const std::uint64_t cases = FromEnvironment("QB_CLOSING_CASES", 300);
    for (std::uint64_t seed = first; seed < first + cases && !HasFailure(); ++seed) {
        SeededChoices choices(seed);
        ClosingCase("seed " + std::to_string(seed), choices).Run();
    }
    if (HasFailure())
        std::printf("replay: QB_CLOSING_SEED=<the seed above> QB_CLOSING_CASES=1\n");
}

} // namespace
} // namespace qb::testing
