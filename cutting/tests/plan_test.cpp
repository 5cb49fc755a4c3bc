#include "cutting/detail.h"
#include "cutting/plan.h"
#include "cutting/tests/instances.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <variant>
#include <vector>

namespace tavrilo::cutting {
namespace {

using testing_instances::Pieces;

Plan Solve(const Problem& problem, const Limits& limits = {}) {
    const Outcome outcome = SolveCuttingStock(problem, limits);
    if (const auto* fault = std::get_if<ProblemFault>(&outcome)) {
        ADD_FAILURE() << "refused with fault " << static_cast<int>(*fault);
        return {};
    }
    const Plan& plan = std::get<Plan>(outcome);
    const auto fault = VerifyPlan(problem, plan);
    EXPECT_FALSE(fault) << *fault;
    return plan;
}

struct KnownCase {
    const char* name;
    Problem problem;
    std::int64_t bars;
    Millimetres bought;
};

class KnownOptimum : public testing::TestWithParam<KnownCase> {};

TEST_P(KnownOptimum, IsFoundAndProven) {
    const KnownCase& c = GetParam();
    const Plan plan = Solve(c.problem);
    EXPECT_EQ(plan.Bars, c.bars);
    EXPECT_EQ(plan.Bought, c.bought);
    EXPECT_TRUE(plan.ProvenOptimal);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KnownOptimum,
    testing::Values(
        KnownCase{"OnePiece", {{12000}, 0, {{5000, 1}}}, 1, 12000},
        KnownCase{"PieceAsLongAsTheBar", {{9000}, 3, {{9000, 3}}}, 3, 27000},
        KnownCase{"PiecesFillingBars", {{12000}, 0, {{4000, 6}}}, 2, 24000},
        // Two kerfs of 5 make three pieces of 4000 10 mm too long for 12000.
        KnownCase{"KerfTakesAPiece", {{12000}, 5, {{4000, 3}}}, 2, 24000},
        KnownCase{"KerfFitsExactly", {{12010}, 5, {{4000, 6}}}, 2, 24020},
        KnownCase{"ShortBarForShortPieces", {{12000, 9000}, 0, {{4500, 2}}}, 1, 9000},
        KnownCase{"EachStockLength", {{9000, 12000}, 0, {{6000, 2}, {4500, 2}}}, 2, 21000},
        // 2 x 6000 fills either two bars of 6000 or one of 12000: fewer bars.
        KnownCase{"FewerBarsOnATie", {{6000, 12000}, 0, {{6000, 2}}}, 1, 12000},
        KnownCase{"StockShorterThanEveryPiece", {{100, 12000}, 0, {{5000, 2}}}, 1, 12000},
        KnownCase{"Scholl_N1C1W1_A",
                  {{100}, 0, Pieces({99, 2, 96, 2, 92, 2, 91, 1, 88, 1, 87, 1, 86, 1, 85, 1, 76, 1,
                                     74, 1, 72, 1, 69, 1, 67, 2, 62, 1, 61, 1, 56, 1, 52, 1, 51, 1,
                                     49, 1, 46, 1, 44, 1, 42, 1, 40, 2, 33, 2, 30, 2, 29, 1, 28, 2,
                                     27, 1, 25, 1, 24, 1, 23, 1, 22, 1, 21, 1, 20, 1, 17, 1, 14, 1,
                                     13, 1, 11, 1, 10, 1, 7,  2, 3,  1})},
                  25,
                  2500},
        KnownCase{"Falkenauer_t120_00", testing_instances::FalkenauerT120(), 40, 40000}),
    [](const testing::TestParamInfo<KnownCase>& info) { return std::string(info.param.name); });

TEST(Plan, CutsAndOffcutsFollowTheKerf) {
    // 5000 + 5 + 5000 = 10005 leaves 1995: three cuts, an offcut of 1990.
    // 4000 + 5 + 4000 + 5 + 3990 = 12000 leaves nothing: two cuts, no offcut.
    const Plan plan = Solve({{12000}, 5, {{4000, 2}, {3990, 1}, {5000, 2}}});
    const std::vector<std::tuple<std::vector<Millimetres>, std::int64_t, Millimetres>> expected = {
        {{5000, 5000}, 2, 1990}, {{4000, 4000, 3990}, 2, 0}};
    ASSERT_EQ(plan.Patterns.size(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n) {
        const Pattern& p = plan.Patterns[n];
        EXPECT_EQ(std::tie(p.Pieces, p.Cuts, p.Offcut), expected[n]) << n;
    }
}

struct FaultCase {
    const char* name;
    Problem problem;
    ProblemFault fault;
};

class Refused : public testing::TestWithParam<FaultCase> {};

TEST_P(Refused, WithItsFault) {
    const FaultCase& c = GetParam();
    const Outcome outcome = SolveCuttingStock(c.problem);
    ASSERT_TRUE(std::holds_alternative<ProblemFault>(outcome));
    EXPECT_EQ(std::get<ProblemFault>(outcome), c.fault);
    EXPECT_TRUE(VerifyPlan(c.problem, Plan{}));
}

constexpr std::int64_t kHuge = std::int64_t{1} << 50;

INSTANTIATE_TEST_SUITE_P(
    Cases, Refused,
    testing::Values(
        FaultCase{"NoStock", {{}, 0, {{100, 1}}}, ProblemFault::NoStock},
        FaultCase{"ZeroStock", {{0, 12000}, 0, {{100, 1}}}, ProblemFault::BadLength},
        FaultCase{"ZeroPiece", {{12000}, 0, {{0, 1}}}, ProblemFault::BadLength},
        FaultCase{"NegativeCount", {{12000}, 0, {{100, -1}}}, ProblemFault::BadLength},
        FaultCase{"NegativeKerf", {{12000}, -1, {{100, 1}}}, ProblemFault::BadLength},
        FaultCase{"PieceTooLong", {{9000, 12000}, 0, {{12001, 1}}}, ProblemFault::PieceTooLong},
        FaultCase{"HugeStock", {{kHuge}, 0, {{100, 1}}}, ProblemFault::TooLarge},
        FaultCase{"HugeCount", {{12000}, 0, {{100, kHuge}}}, ProblemFault::TooLarge},
        FaultCase{"CountsAddingUp",
                  {{12000}, 0, {{100, kHuge / 2048 + 1}, {200, kHuge / 2048}}},
                  ProblemFault::TooLarge},
        FaultCase{"LengthTimesCount",
                  {{1'000'000'000}, 0, {{500'000'000, std::int64_t{1} << 32}}},
                  ProblemFault::TooLarge},
        FaultCase{"TooManyOnABar", {{1'000'000}, 0, {{1, 200'000}}}, ProblemFault::TooLarge}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(Plan, NoPiecesNeedNoBars) {
    const Plan plan = Solve({{12000}, 0, {}});
    EXPECT_EQ(plan.Bars, 0);
    EXPECT_TRUE(plan.Patterns.empty());
    EXPECT_TRUE(plan.ProvenOptimal);
}

// A site-sized list: chords of a 7 m mesh, two stock lengths, with kerf.
Problem SiteList() {
    Problem p{{9000, 12000}, 3, {}};
    for (int x = 0; x < 3500; x += 150) {
        const std::int64_t chord = 2 * static_cast<std::int64_t>(x < 3500 ? 3500 - x / 2 : 0);
        p.Pieces.push_back({chord + 56 - (x % 7), 2 + x % 5});
    }
    return p;
}

constexpr Millimetres kSiteListBought = 261000;
constexpr std::uint64_t kSiteListDigest = 15461473600013672188u;

// What must repeat of a plan: every pattern's stock, pieces and count.
std::vector<std::tuple<Millimetres, std::vector<Millimetres>, std::int64_t>>
Cuts(const Plan& plan) {
    std::vector<std::tuple<Millimetres, std::vector<Millimetres>, std::int64_t>> cuts;
    for (const Pattern& p : plan.Patterns)
        cuts.emplace_back(p.StockLength, p.Pieces, p.Count);
    return cuts;
}

TEST(Plan, SameProblemSamePlan) {
    const Problem p = SiteList();
    const Plan a = Solve(p);
    const Plan b = Solve(p);
    EXPECT_EQ(Cuts(a), Cuts(b));
    EXPECT_EQ(a.LowerBoundLength, b.LowerBoundLength);
    EXPECT_EQ(a.ProvenOptimal, b.ProvenOptimal);
}

// A digest of every pattern: the same on x86-64 and in the page's wasm32 module.
std::uint64_t Digest(const Plan& plan) {
    std::uint64_t h = 14695981039346656037u;
    auto mix = [&h](std::int64_t v) {
        h ^= static_cast<std::uint64_t>(v);
        h *= 1099511628211u;
    };
    for (const Pattern& p : plan.Patterns) {
        mix(p.StockLength);
        mix(p.Count);
        for (Millimetres w : p.Pieces)
            mix(w);
    }
    return h;
}

TEST(Plan, SamePlanOnEveryMachine) {
    const Plan plan = Solve(SiteList());
    EXPECT_EQ(plan.Bought, kSiteListBought);
    EXPECT_EQ(Digest(plan), kSiteListDigest);
}

TEST(Plan, FewStepsStillGiveAVerifiedPlan) {
    for (std::int64_t steps : {0, 1000, 100'000}) {
        const Plan plan = Solve(SiteList(), Limits{steps});
        EXPECT_GT(plan.Bars, 0) << steps;
    }
}

TEST(Plan, LargeInputsFinishWithAVerifiedPlan) {
    // 4000 distinct lengths, about four million pieces.
    Problem many{{9000, 12000}, 4, {}};
    std::uint32_t seed = 12345;
    for (std::int64_t length = 400; length < 8400; length += 2) {
        seed = seed * 1664525u + 1013904223u;
        many.Pieces.push_back({length, 1 + static_cast<std::int64_t>(seed >> 22)});
    }
    const Plan plan = Solve(many);
    EXPECT_GT(plan.Bars, plan.LowerBoundBars / 2);
    // Bars of 50 km: no table over their millimetres.
    const Plan longBars = Solve({{50'000'000}, 0, {{30'000'000, 1}, {20'000'000, 1}}});
    EXPECT_EQ(longBars.Bars, 1);
    // A million equal pieces: twelve a bar exactly.
    const Plan equal = Solve({{12000}, 0, {{1000, 1'200'000}}});
    EXPECT_EQ(equal.Bars, 100'000);
    EXPECT_EQ(equal.Patterns.size(), 1u);
    EXPECT_TRUE(equal.ProvenOptimal);
}

struct Mutation {
    const char* name;
    void (*apply)(Plan&);
};

class VerifyCatches : public testing::TestWithParam<Mutation> {};

TEST_P(VerifyCatches, ABrokenPlan) {
    const Problem p{{9000, 12000}, 5, {{5000, 3}, {3000, 4}, {2500, 2}}};
    Plan plan = Solve(p);
    ASSERT_GE(plan.Patterns.size(), 2u);
    GetParam().apply(plan);
    EXPECT_TRUE(VerifyPlan(p, plan)) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Mutations, VerifyCatches,
    testing::Values(
        Mutation{"PieceMissing", [](Plan& p) { p.Patterns[0].Pieces.pop_back(); }},
        Mutation{"PieceExtra",
                 [](Plan& p) { p.Patterns[0].Pieces.push_back(p.Patterns[0].Pieces.back()); }},
        Mutation{"PieceNotDemanded", [](Plan& p) { p.Patterns[0].Pieces.back() -= 1; }},
        Mutation{"Overfilled",
                 [](Plan& p) {
                     p.Patterns[0].StockLength = 9000;
                     p.Patterns[0].Pieces = {5000, 5000};
                 }},
        Mutation{"StockNotOffered", [](Plan& p) { p.Patterns[0].StockLength += 1; }},
        Mutation{"CountOff", [](Plan& p) { p.Patterns[0].Count += 1; }},
        Mutation{"CountZero", [](Plan& p) { p.Patterns[0].Count = 0; }},
        Mutation{"CutsOff", [](Plan& p) { p.Patterns[0].Cuts += 1; }},
        Mutation{"OffcutOff", [](Plan& p) { p.Patterns[0].Offcut += 1; }},
        Mutation{"BarsOff", [](Plan& p) { p.Bars += 1; }},
        Mutation{"BoughtOff", [](Plan& p) { p.Bought -= 1; }},
        Mutation{"BarsBoundAbove", [](Plan& p) { p.LowerBoundBars = p.Bars + 1; }},
        Mutation{"LengthBoundAbove", [](Plan& p) { p.LowerBoundLength = p.Bought + 1; }},
        Mutation{"ProvenWrongly",
                 [](Plan& p) {
                     p.LowerBoundLength -= 1;
                     p.ProvenOptimal = true;
                 }},
        Mutation{"OutOfOrder", [](Plan& p) { std::swap(p.Patterns[0], p.Patterns[1]); }},
        Mutation{"NotMerged",
                 [](Plan& p) {
                     Pattern copy = p.Patterns[0];
                     copy.Count = 1;
                     p.Patterns[0].Count -= 1;
                     if (p.Patterns[0].Count == 0)
                         p.Patterns[0].Count = 1, p.Bars += 1, p.Bought += copy.StockLength;
                     p.Patterns.insert(p.Patterns.begin(), copy);
                 }},
        Mutation{"PiecesUnsorted",
                 [](Plan& p) {
                     auto& v = p.Patterns.back().Pieces;
                     std::reverse(v.begin(), v.end());
                 }}),
    [](const testing::TestParamInfo<Mutation>& info) { return std::string(info.param.name); });

TEST(MulDivCeil, IsExactBeyondSixtyFourBits) {
    using detail::MulDivCeil;
    EXPECT_EQ(MulDivCeil(7, 3, 2), 11);
    EXPECT_EQ(MulDivCeil(0, 5, 3), 0);
    const std::int64_t big = std::int64_t{1} << 40;
    EXPECT_EQ(MulDivCeil(big, big, big), big);
    EXPECT_EQ(MulDivCeil(big + 1, big, big - 1), big + 3); // (2^80 + 2^40) / (2^40 - 1), up
    EXPECT_FALSE(MulDivCeil(big, big, 1));
}

} // namespace
} // namespace tavrilo::cutting
