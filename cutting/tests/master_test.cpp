// The relaxation on LPs small enough to solve by hand.

#include "cutting/detail.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

struct LpCase {
    const char* name;
    Problem problem;
    std::vector<double> duals; // per piece length, longest first
    double objective;
};

class Relaxation : public testing::TestWithParam<LpCase> {};

TEST_P(Relaxation, HasTheDualsWorkedOutByHand) {
    const LpCase& c = GetParam();
    const Instance in = Normalise(c.problem);
    std::vector<std::size_t> rows(in.Items());
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    std::vector<Column> pool;
    Budget budget{1'000'000};
    const LpSolution lp = SolveRelaxation(in, rows, in.PieceCounts, pool, budget);
    ASSERT_EQ(lp.Duals.size(), c.duals.size());
    for (std::size_t r = 0; r < c.duals.size(); ++r)
        EXPECT_NEAR(lp.Duals[r], c.duals[r], 1e-9) << r;
    // The primal's cost meets the duals' worth: the relaxation is optimal.
    double cost = 0, worth = 0;
    for (const auto& [k, x] : lp.X)
        cost += x * Cost(in, lp.Columns[k].Stock);
    for (std::size_t r = 0; r < rows.size(); ++r)
        worth += lp.Duals[r] * static_cast<double>(in.PieceCounts[r]);
    EXPECT_NEAR(cost, c.objective, 1e-9);
    EXPECT_NEAR(worth, c.objective, 1e-9);
}

// Dual constraints, one per way of cutting a bar (y_i for the i-th length):
//  - 60 and 45 on 100: 60 alone, y60 <= 1; 45 twice, 2 y45 <= 1; maximise
//    2 y60 + 2 y45: y = (1, 1/2), worth 3, not the lengths' (0.6, 0.45).
//  - 50 and 25 on 100: 2 y50 <= 1, 4 y25 <= 1: y = (1/2, 1/4), worth 3.
//  - 60 and 45 on 60 (cost 0.6) or 100 (cost 1): y60 <= 0.6, y45 <= 0.6 and
//    2 y45 <= 1: y = (0.6, 0.5), worth 2.2: two bars of 60, one of 100.
INSTANTIATE_TEST_SUITE_P(
    ByHand, Relaxation,
    testing::Values(LpCase{"PairsOnOneStock", {{100}, 0, {{60, 2}, {45, 2}}}, {1.0, 0.5}, 3.0},
                    LpCase{"HalvesAndQuarters", {{100}, 0, {{50, 4}, {25, 4}}}, {0.5, 0.25}, 3.0},
                    LpCase{"TwoStockLengths", {{60, 100}, 0, {{60, 2}, {45, 2}}}, {0.6, 0.5}, 2.2}),
    [](const testing::TestParamInfo<LpCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace tavrilo::cutting::detail
