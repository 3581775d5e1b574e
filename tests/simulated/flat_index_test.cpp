// The machine's index table against a plain multiset under random insertions and removals,
// with keys from a small range, so that keys repeat, runs of taken slots wrap around the
// table's end and removals have to move the entries behind them.

#include "platform/simulated/flat_index.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

namespace qb::simulated::detail {
namespace {

TEST(FlatIndex, FindsWhatAMultisetHoldsThroughInsertionsAndRemovals) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        const auto pick = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
        const std::uint32_t keys = 1 + pick(64);
        FlatIndex index;
        std::multiset<std::pair<std::uint32_t, std::uint32_t>> reference;
        if (pick(2) == 0)
            index.Reserve(pick(100));
        for (int step = 0; step < 2'000; ++step) {
            const std::uint32_t key = pick(keys) * 7919; // spread over the whole range too
            const std::uint32_t value = pick(4);
            if (pick(3) != 0) {
                index.Insert(key, value);
                reference.emplace(key, value);
            } else {
                const auto found = reference.find({key, value});
                ASSERT_EQ(index.Erase(key, value), found != reference.end()) << seed;
                if (found != reference.end())
                    reference.erase(found);
            }
            if (pick(500) == 0) {
                index.Clear();
                reference.clear();
            }
            ASSERT_EQ(index.Size(), reference.size()) << seed;
            // Every value of a probed key is found, and nothing else.
            const std::uint32_t probed = pick(keys) * 7919;
            for (std::uint32_t v = 0; v < 4; ++v)
                ASSERT_EQ(index.Find(probed, [v](std::uint32_t x) { return x == v; }).has_value(),
                          reference.count({probed, v}) != 0)
                    << seed << " step " << step;
        }
    }
}

} // namespace
} // namespace qb::simulated::detail
