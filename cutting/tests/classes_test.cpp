// Lists of more distinct lengths than the relaxation takes, cut as classes
// of lengths: the bound of the classes cut short is a bound of the real list,
// and the plan of the classes cut long, with the real pieces put back, cuts it.

#include "cutting/detail.h"
#include "cutting/plan.h"
#include "cutting/tests/first_fit.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <numeric>
#include <optional>
#include <ostream>
#include <variant>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// The least length (and, with one stock length, the fewest bars) by weighing
// every way of cutting `in`.
Bounds Least(const Instance& in) {
    ExactProblem exact;
    for (std::size_t i = 0; i < in.Items(); ++i) {
        exact.Sizes.push_back(in.Size(i));
        exact.Demand.push_back(in.PieceCounts[i]);
    }
    for (std::size_t j = 0; j < in.StockLengths.size(); ++j) {
        exact.Capacities.push_back(in.Capacity(j));
        exact.Lengths.push_back(in.StockLengths[j]);
    }
    std::int64_t spent = 0;
    const auto bars = LeastLengthExactly(exact, 400'000'000, spent);
    EXPECT_TRUE(bars);
    Bounds least;
    for (const ExactBar& bar : bars.value_or(std::vector<ExactBar>{})) {
        least.Bars += bar.Times;
        least.Length += bar.Times * in.StockLengths[bar.Stock];
    }
    return least;
}

struct Forced {
    const char* name;
    Problem problem;
    std::size_t classes;
};

void PrintTo(const Forced& forced, std::ostream* os) {
    *os << forced.name;
}

class ThroughClasses : public testing::TestWithParam<Forced> {};

// Short lists forced into fewer classes than they have lengths. Pieces just
// over half a bar and a few millimetres apart, in one class: two of the
// shortest share a bar, two of the longest do not, so a bound of the classes
// cut long (or the kerf counted wrong) would be above the least.
TEST_P(ThroughClasses, BoundAtMostTheLeastAndPlanVerified) {
    const Problem& problem = GetParam().problem;
    const Instance in = Normalise(problem);
    const Classes classes = GroupLengths(in, GetParam().classes);
    ASSERT_LE(classes.Count(), GetParam().classes);
    ASSERT_LT(classes.Count(), in.Items());
    const Bounds least = Least(in);

    Budget budget{100'000'000};
    const auto bound = ClassBound(in, classes, budget);
    ASSERT_TRUE(bound);
    EXPECT_LE(bound->Length, least.Length);
    EXPECT_LE(Rounded(in, *bound).Length, least.Length);
    if (in.StockLengths.size() == 1) {
        EXPECT_LE(bound->Bars, least.Bars);
    }
    // Held to the classes cut short, solved as they are: no higher.
    const Bounds down = Least(Classed(in, classes, Rounding::Down));
    EXPECT_LE(bound->Length, down.Length);

    Budget steps{100'000'000};
    const Plan plan = Assemble(in, ClassPlan(in, classes, steps), Rounded(in, *bound));
    EXPECT_EQ(VerifyPlan(problem, plan), std::nullopt);
    EXPECT_GE(plan.Bought, least.Length);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThroughClasses,
    testing::Values(
        Forced{"JustOverHalf", {{12000}, 0, {{6001, 3}, {6000, 3}, {5999, 2}, {3000, 2}}}, 2},
        Forced{"KerfDecides", {{12000}, 2, {{6000, 2}, {5999, 2}, {5998, 2}, {2500, 3}}}, 2},
        Forced{"TwoStocks", {{9000, 12000}, 3, {{4510, 2}, {4498, 3}, {2990, 4}, {2980, 1}}}, 2},
        Forced{"OneClass", {{9000, 12000}, 0, {{4600, 2}, {4500, 2}, {4400, 1}}}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

// The lists of one diameter of a site of large meshes: chords of circles of
// D from 6 to 11 m, bars 0.15 or 0.2 m apart, several hundred distinct
// lengths. Most chords are over half a bar long, and what they leave of it no
// piece fills, so the material bound is far below the least length.
Problem SiteOfMeshes(Millimetres kerf, int meshes) {
    Problem p{{9000, 12000}, kerf, {}};
    std::uint64_t state = 77;
    auto next = [&state](std::uint64_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return (state >> 33) % bound;
    };
    for (int m = 0; m < meshes; ++m) {
        const double D = 6.0 + static_cast<double>(next(501)) / 100.0;
        const double s = next(2) == 0 ? 0.15 : 0.2;
        const std::int64_t copies = 1 + static_cast<std::int64_t>(next(4));
        for (int k = 0; 2 * k * s < D; ++k) {
            const double chord = std::sqrt(D * D - 4 * k * s * k * s);
            p.Pieces.push_back({std::llround(chord * 1000 + 150), (k == 0 ? 1 : 2) * copies});
        }
    }
    return p;
}

// Through the library's door: more lengths than the relaxation takes, the
// bound above the material bound and below first fit, and the plan verified
// and within 1 % of it (with the material bound alone the gap was 8 %).
TEST(ManyLengths, BoundBetweenMaterialAndFirstFitPlanClose) {
    for (const Millimetres kerf : {0, 3}) {
        const Problem problem = SiteOfMeshes(kerf, 40);
        const Instance in = Normalise(problem);
        ASSERT_GT(in.Items(), kMaxLpRows);
        const Outcome outcome = SolveCuttingStock(problem);
        const Plan& plan = std::get<Plan>(outcome);
        EXPECT_EQ(VerifyPlan(problem, plan), std::nullopt) << kerf;
        const Bounds material = Rounded(in, MaterialBound(in));
        EXPECT_GT(plan.LowerBoundLength, material.Length) << kerf;
        EXPECT_LE(plan.LowerBoundLength, test::FirstFitFloor(problem)) << kerf;
        EXPECT_LE(plan.Bought - plan.LowerBoundLength, plan.Bought / 100) << kerf;
    }
}

// Short pieces of as many lengths: a few dozen bars of the plan already hold
// more lengths than the relaxation takes, and when they are cut again as a
// list of their own, its plan is not made over classes (it would be improved
// by cutting a few dozen of its bars again, and so on without end).
TEST(ManyLengths, ShortPiecesFinishWithAVerifiedPlan) {
    Problem problem{{9000, 12000}, 0, {}};
    for (Millimetres length = 2300; length > 300; length -= 4)
        problem.Pieces.push_back({length, 1});
    const Outcome outcome = SolveCuttingStock(problem);
    const Plan& plan = std::get<Plan>(outcome);
    EXPECT_EQ(VerifyPlan(problem, plan), std::nullopt);
    EXPECT_LE(plan.Bought, test::FirstFitFloor(problem));
}

} // namespace
} // namespace tavrilo::cutting::detail
