// Fewer patterns at the same bars: the moves on plans made by hand, and the
// whole optimiser against the plan it found before seeking them.

#include "cutting/detail.h"
#include "cutting/plan.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

namespace tavrilo::cutting {
namespace {

using detail::Group;

struct FewerCase {
    const char* name;
    std::vector<Millimetres> stocks;                                    // shortest first
    std::vector<std::pair<std::size_t, std::vector<Millimetres>>> bars; // one bar each
    std::size_t patterns;                                               // left after
};

class FewerPatterns : public testing::TestWithParam<FewerCase> {};

// Every piece cut as often, every stock with as many bars, no bar overfilled.
TEST_P(FewerPatterns, KeepPiecesAndBarsOfEachStock) {
    const FewerCase& c = GetParam();
    std::vector<Millimetres> lengths; // the items, longest first
    std::map<Millimetres, std::int64_t, std::greater<>> pieces;
    std::map<std::size_t, std::int64_t> stockBars;
    for (const auto& [stock, bar] : c.bars) {
        for (Millimetres w : bar)
            ++pieces[w];
        ++stockBars[stock];
    }
    for (const auto& [w, n] : pieces)
        lengths.push_back(w);
    std::vector<Group> groups;
    for (const auto& [stock, bar] : c.bars) {
        Group g{stock, {}, 1};
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            const auto n = std::count(bar.begin(), bar.end(), lengths[i]);
            if (n > 0)
                g.Pieces.push_back({i, n});
        }
        groups.push_back(std::move(g));
    }
    detail::Budget budget{1'000'000};
    detail::FewerPatterns(lengths, c.stocks, groups, budget);
    EXPECT_EQ(groups.size(), c.patterns);
    std::map<Millimetres, std::int64_t, std::greater<>> cut;
    std::map<std::size_t, std::int64_t> bars;
    for (const Group& g : groups) {
        Millimetres used = 0;
        for (const auto& [i, n] : g.Pieces) {
            cut[lengths[i]] += n * g.Bars;
            used += n * lengths[i];
        }
        EXPECT_LE(used, c.stocks[g.Stock]);
        bars[g.Stock] += g.Bars;
    }
    EXPECT_EQ(cut, pieces);
    EXPECT_EQ(bars, stockBars);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FewerPatterns,
    testing::Values(
        // Two bars as two of one: each bar takes one of every piece.
        FewerCase{"PairAsOne",
                  {12000},
                  {{0, {5000, 5000, 1000, 1000}}, {0, {4000, 4000, 2000, 2000}}},
                  1},
        // Three as two: two bars of 6000 + 6000, the short pieces on the third.
        FewerCase{"ThreeAsTwo",
                  {12000},
                  {{0, {6000, 6000}}, {0, {6000, 4000, 2000}}, {0, {6000, 2000, 2000, 2000}}},
                  2},
        // Each stock keeps its bars: a 9 m bar and a 12 m bar stay two patterns.
        FewerCase{"StocksKeepTheirBars", {9000, 12000}, {{0, {4500, 4500}}, {1, {4500, 4500}}}, 2}),
    [](const testing::TestParamInfo<FewerCase>& info) { return std::string(info.param.name); });

// A site's list: the plan as found, and the plan of fewer patterns.
TEST(FewerPatternsInAPlan, SameBarsSameBoundsFewerPatterns) {
    Problem p{{9000, 12000}, 3, {}};
    for (int k = 0; k < 24; ++k)
        p.Pieces.push_back({1800 + 97 * k, 4 + 4 * (k % 3)});
    Limits asFound;
    asFound.PatternSteps = 0;
    const Plan before = std::get<Plan>(SolveCuttingStock(p, asFound));
    const Plan after = std::get<Plan>(SolveCuttingStock(p));
    EXPECT_FALSE(VerifyPlan(p, before));
    EXPECT_FALSE(VerifyPlan(p, after));
    EXPECT_EQ(std::tie(after.Bars, after.Bought, after.LowerBoundBars, after.LowerBoundLength),
              std::tie(before.Bars, before.Bought, before.LowerBoundBars, before.LowerBoundLength));
    EXPECT_LT(after.Patterns.size(), before.Patterns.size());
}

} // namespace
} // namespace tavrilo::cutting
