// Every lower bound at or below the published optimum, on a sample of the
// literature's instances (kept outside the repository: skipped without them).

#include "cutting/detail.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

struct Published {
    const char* name;
    std::int64_t optimum; // bars
};

// One instance: m, the stock length C, then m lines "w d".
std::optional<Problem> Read(const std::string& name) {
    std::ifstream in(std::filesystem::path(TAVRILO_CUTTING_STOCK) / "instances" / (name + ".txt"));
    std::int64_t m = 0, c = 0;
    if (!(in >> m >> c))
        return std::nullopt;
    Problem p{{c}, 0, {}};
    for (Demand d; m-- > 0 && in >> d.Length >> d.Count;)
        p.Pieces.push_back(d);
    return p;
}

class LowerBounds : public testing::TestWithParam<Published> {};

TEST_P(LowerBounds, NeverAboveThePublishedOptimum) {
    const auto problem = Read(GetParam().name);
    if (!problem)
        GTEST_SKIP() << "no " << GetParam().name << " in " << TAVRILO_CUTTING_STOCK;
    const std::int64_t optimum = GetParam().optimum;
    const Instance in = Normalise(*problem);
    const Bounds material = MaterialBound(in);
    EXPECT_LE(material.Bars, optimum);
    EXPECT_LE(Rounded(in, material).Bars, optimum);

    std::vector<std::size_t> rows(in.Items());
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    std::vector<Column> pool;
    Budget budget{200'000'000};
    const LpSolution lp = SolveRelaxation(in, rows, in.PieceCounts, pool, budget);
    const auto dual = DualBound(in, lp.Duals, budget);
    ASSERT_TRUE(dual);
    EXPECT_LE(dual->Bars, optimum);
    EXPECT_LE(Rounded(in, *dual).Bars, optimum);

    // The plan's own bound, with fewer steps than a plan is given: the bound
    // comes first, and the plan need not be the best.
    const Outcome outcome = SolveCuttingStock(*problem, Limits{50'000'000});
    const Plan& plan = std::get<Plan>(outcome);
    EXPECT_LE(plan.LowerBoundBars, optimum);
    EXPECT_GE(plan.Bars, optimum);
    EXPECT_EQ(plan.ProvenOptimal, plan.Bars == plan.LowerBoundBars);
}

// A few of each set: with the optimum a bar above the relaxation (Hard28
// BPP14 and BPP13), triplets that fill every bar exactly, and small and wide
// lists of lengths.
INSTANTIATE_TEST_SUITE_P(
    Literature, LowerBounds,
    testing::Values(Published{"N1C1W1_A", 25}, Published{"N1W1B1R0", 18},
                    Published{"Falkenauer_u250_00", 99}, Published{"Falkenauer_t60_00", 20},
                    Published{"Schwerin1_BPP1", 18}, Published{"Hard28_BPP14", 62},
                    Published{"Hard28_BPP13", 67}),
    [](const testing::TestParamInfo<Published>& info) { return std::string(info.param.name); });

} // namespace
} // namespace tavrilo::cutting::detail
