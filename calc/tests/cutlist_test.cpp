#include "calc/cutlist.h"
#include "calc/number.h"
#include "calc/tests/initial_values.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrilo {
namespace {

MeshLength Mesh(const MeshInputs& in, Arrangement a) {
    const MeshLengthOutcome outcome = ComputeMeshLength(in, a);
    if (const auto* error = std::get_if<CalcError>(&outcome)) {
        ADD_FAILURE() << "the window's calculation failed, step " << static_cast<int>(error->Step);
        return {};
    }
    return std::get<MeshLength>(outcome);
}

CutList Cut(const MeshInputs& in, Arrangement a) {
    const CutListOutcome outcome = BuildCutList(in, a, Mesh(in, a));
    if (std::holds_alternative<CalcError>(outcome)) {
        ADD_FAILURE() << "the cut list failed";
        return {};
    }
    return std::get<CutList>(outcome);
}

struct PositionCase {
    std::int32_t n;
    std::vector<BarPosition> expected; // with s = 1
};

class BarPositionRule : public testing::TestWithParam<PositionCase> {};

TEST_P(BarPositionRule, PutsACentreBarOnlyForOddCounts) {
    const PositionCase& c = GetParam();
    const std::vector<BarPosition> got = BarPositions(c.n, 1.0);
    ASSERT_EQ(got.size(), c.expected.size());
    int bars = 0;
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].Offset, c.expected[i].Offset) << i;
        EXPECT_EQ(got[i].Count, c.expected[i].Count) << i;
        bars += got[i].Count;
    }
    EXPECT_EQ(bars, c.n);
}

INSTANTIATE_TEST_SUITE_P(Counts, BarPositionRule,
                         testing::Values(PositionCase{0, {}}, PositionCase{1, {{0, 1}}},
                                         PositionCase{2, {{0.5, 2}}},
                                         PositionCase{3, {{0, 1}, {1, 2}}},
                                         PositionCase{6, {{0.5, 2}, {1.5, 2}, {2.5, 2}}},
                                         PositionCase{7, {{0, 1}, {1, 2}, {2, 2}, {3, 2}}}));

TEST(CutList, InitialValuesListThirteenBarsADirection) {
    const CutList list = Cut({1.3, 0.0065, 0.1}, Arrangement::TwoWay);
    EXPECT_EQ(list.BarsPerDirection, 13);
    EXPECT_DOUBLE_EQ(list.Allowance, 0.03125);
    // The centre bar is the full diameter; the pairs at 0.1 .. 0.6 m.
    const std::vector<double> cuts{1.331, 1.316, 1.268, 1.185, 1.056, 0.862, 0.531};
    ASSERT_EQ(list.Lines.size(), cuts.size());
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        const CutLine& line = list.Lines[i];
        EXPECT_EQ(line.CutLength, cuts[i]) << i;
        EXPECT_EQ(line.Count, i == 0 ? 1 : 2) << i;
        EXPECT_NEAR(line.NearestOffset, 0.1 * static_cast<double>(i), 1e-12);
        EXPECT_EQ(line.NearestOffset, line.FarthestOffset);
        const double x = 0.1 * static_cast<double>(i);
        EXPECT_EQ(line.LongestChord, RoundHalfEven(std::sqrt(1.69 - 4 * x * x), 3)) << i;
    }
    EXPECT_EQ(list.Lines[0].LongestChord, 1.3);
    // D / s is whole: the cut list and the window agree to the millimetre.
    EXPECT_EQ(list.RoundedCutTotal, test::kTwoWayTotal);
    EXPECT_EQ(list.Reconciliation.Difference, 0.0);
}

struct WholeRatioCase {
    double D, s;
};

class WholeRatio : public testing::TestWithParam<WholeRatioCase> {};

// With D / s a whole number, r = n and s sqrt(r^2 - k^2) is the true chord:
// the chords of all directions are the window's S + C, and the allowance is
// counted as often by both.
TEST_P(WholeRatio, ChordsAddUpToTheWindowsChordAndCentreTerms) {
    const WholeRatioCase& c = GetParam();
    for (Arrangement a : {Arrangement::TwoWay, Arrangement::OneWay}) {
        const MeshInputs in{c.D, 0.01, c.s};
        const MeshLength mesh = Mesh(in, a);
        const CutList list = Cut(in, a);
        ASSERT_EQ(mesh.Breakdown.SpacingRatio, mesh.Breakdown.SpacingCount);
        const double both = 2 * list.ChordPerDirection;
        EXPECT_NEAR(both, mesh.Breakdown.ChordSum + mesh.Breakdown.CentreTerm, 1e-9);
        EXPECT_EQ(list.Reconciliation.AllowanceDifference, 0.0);
        EXPECT_EQ(list.Reconciliation.ChordDifference, 0.0);
        EXPECT_NEAR(list.CutTotal,
                    a == Arrangement::TwoWay ? mesh.Breakdown.Sum : mesh.Breakdown.Sum / 2, 1e-9);
        int bars = 0;
        for (const CutLine& line : list.Lines)
            bars += line.Count;
        EXPECT_EQ(bars, list.BarsPerDirection);
    }
}

INSTANTIATE_TEST_SUITE_P(Meshes, WholeRatio,
                         testing::Values(WholeRatioCase{1.3, 0.1}, WholeRatioCase{1.0, 0.1},
                                         WholeRatioCase{2.0, 0.25}, WholeRatioCase{3.0, 0.2},
                                         WholeRatioCase{0.2, 0.2}, WholeRatioCase{6.4, 0.2},
                                         WholeRatioCase{12.0, 0.015}));

struct ReconcileCase {
    const char* name;
    MeshInputs in;
    Arrangement a;
    double difference, allowance, chord;
};

void PrintTo(const ReconcileCase& c, std::ostream* os) {
    *os << c.name;
}

class Reconciliation : public testing::TestWithParam<ReconcileCase> {};

TEST_P(Reconciliation, SplitsTheDifferenceIntoItsCauses) {
    const ReconcileCase& c = GetParam();
    const CutList list = Cut(c.in, c.a);
    const CutListReconciliation& rec = list.Reconciliation;
    EXPECT_EQ(rec.Difference, c.difference);
    EXPECT_EQ(rec.AllowanceDifference, c.allowance);
    EXPECT_EQ(rec.ChordDifference, c.chord);
    EXPECT_EQ(rec.RoundingDifference, 0.0);
    EXPECT_EQ(rec.FormulaTotal, Mesh(c.in, c.a).Total);
}

INSTANTIATE_TEST_SUITE_P(
    Meshes, Reconciliation,
    testing::Values(
        // r = 13.33 against 13 bars: 0.33 allowances of 0.1 m more; the
        // chords of the window use 13.33 instead of 13.333...
        ReconcileCase{
            "RatioRoundedDown", {2.0, 0.012, 0.15}, Arrangement::OneWay, 0.025, 0.033, -0.008},
        // r = 12.5 (a tie) but n = 12: 2r = 25 allowances against 24 bars.
        ReconcileCase{
            "TieCountsOneAllowanceMore", {1.25, 0.01, 0.1}, Arrangement::TwoWay, 0.075, 0.075, 0},
        // No bar at all: the window's total is all allowance.
        ReconcileCase{"NoBars", {0.04, 0.006, 0.1}, Arrangement::TwoWay, 0.02, 0.02, 0}),
    [](const testing::TestParamInfo<ReconcileCase>& info) { return std::string(info.param.name); });

TEST(Reconciliation, PartsAlwaysAddUpToTheDifferenceAsPrinted) {
    for (double D = 0.3; D < 8.0; D += 0.0731) {
        for (Arrangement a : {Arrangement::TwoWay, Arrangement::OneWay}) {
            const CutList list = Cut({D, 0.012, 0.13}, a);
            const CutListReconciliation& rec = list.Reconciliation;
            EXPECT_EQ(RoundHalfEven(rec.AllowanceDifference + rec.ChordDifference +
                                        rec.RoundingDifference,
                                    3),
                      rec.Difference)
                << D;
            // Two totals and two parts, each rounded to a millimetre.
            EXPECT_LE(std::fabs(rec.RoundingDifference), 0.002 + 1e-12) << D;
            EXPECT_EQ(rec.Difference, RoundHalfEven(rec.FormulaTotal - list.RoundedCutTotal, 3));
        }
    }
}

TEST(CutList, FineSpacingGroupsNeighbouringBarsOfEqualLength) {
    const CutList list = Cut({10.0, 0.01, 0.001}, Arrangement::OneWay);
    ASSERT_EQ(list.BarsPerDirection, 10000);
    ASSERT_GT(list.Lines.front().Count, 2) << "bars near the centre differ by less than 1 mm";
    int bars = 0;
    for (std::size_t i = 0; i < list.Lines.size(); ++i) {
        const CutLine& line = list.Lines[i];
        bars += line.Count;
        EXPECT_LE(line.NearestOffset, line.FarthestOffset);
        EXPECT_GE(line.LongestChord, line.ShortestChord);
        if (i > 0) {
            EXPECT_LT(line.CutLength, list.Lines[i - 1].CutLength) << "one line per length";
            EXPECT_GT(line.NearestOffset, list.Lines[i - 1].FarthestOffset);
        }
    }
    EXPECT_EQ(bars, 10000);
    // Close to the area rule: the chords of one direction cover the disc.
    EXPECT_NEAR(list.ChordPerDirection / (3.14159265358979 * 25 / 0.001), 1.0, 1e-4);
}

TEST(CutList, FlagsBarsCutShorterThanNothing) {
    // A 1 mm bar has an allowance of -0.0375 m, more than the 0.03 m chord.
    EXPECT_TRUE(Cut({0.03, 0.001, 0.05}, Arrangement::TwoWay).HasNegativeBar);
    EXPECT_FALSE(Cut({1.3, 0.001, 0.1}, Arrangement::TwoWay).HasNegativeBar);
}

TEST(ChordLength, StaysExactAcrossTheDoubleRange) {
    EXPECT_EQ(ChordLength(1.3, 0.0), 1.3);
    EXPECT_NEAR(ChordLength(1.3, 0.6), 0.5, 1e-15);
    EXPECT_NEAR(ChordLength(1e200, 0.3e200), 0.8e200, 1e186);
    EXPECT_NEAR(ChordLength(1e-200, 0.3e-200), 0.8e-200, 1e-214);
}

} // namespace
} // namespace tavrilo
