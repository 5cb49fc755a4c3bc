// The squeeze on its own: from the greedy plan of Falkenauer's triplets t120_00
// (45 bars) down to the optimum of 40, or to the floor it is given.

#include "cutting/detail.h"
#include "cutting/tests/instances.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

struct SqueezeCase {
    const char* name;
    std::int64_t floor;
    std::int64_t steps;
    std::int64_t bars; // 0: no plan
};

class Squeezing : public testing::TestWithParam<SqueezeCase> {};

TEST_P(Squeezing, TheGreedyTriplets) {
    const SqueezeCase& c = GetParam();
    const Instance in = Normalise(testing_instances::FalkenauerT120());
    std::vector<Group> greedy;
    Greedy(in, in.PieceCounts, greedy);
    ASSERT_EQ(Count(in, greedy).Bars, 45);
    Budget budget{c.steps};
    const auto fewer = SqueezeBars(in, greedy, c.floor, budget);
    if (c.bars == 0) {
        EXPECT_FALSE(fewer);
        return;
    }
    ASSERT_TRUE(fewer);
    EXPECT_EQ(Count(in, *fewer).Bars, c.bars);
    // Every piece cut once, no bar overfilled.
    std::vector<std::int64_t> cut(in.Items(), 0);
    for (const Group& g : *fewer) {
        EXPECT_LE(PiecesLength(in, g), in.StockLengths[g.Stock]);
        for (const auto& [i, count] : g.Pieces)
            cut[i] += count * g.Bars;
    }
    EXPECT_EQ(cut, in.PieceCounts);
}

INSTANTIATE_TEST_SUITE_P(Cases, Squeezing,
                         testing::Values(SqueezeCase{"ToTheOptimum", 40, 10'000'000, 40},
                                         SqueezeCase{"ToItsFloor", 43, 10'000'000, 43},
                                         SqueezeCase{"OutOfSteps", 40, 1000, 0}),
                         [](const testing::TestParamInfo<SqueezeCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace tavrilo::cutting::detail
