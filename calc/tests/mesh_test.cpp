#include "calc/mesh.h"
#include "calc/number.h"
#include "calc/tests/initial_values.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <numbers>
#include <string>

namespace tavrilo {
namespace {

const MeshLength& Success(const MeshLengthOutcome& outcome) {
    static const MeshLength kNone{};
    if (const auto* error = std::get_if<CalcError>(&outcome)) {
        ADD_FAILURE() << "unexpected CalcError, step " << static_cast<int>(error->Step);
        return kNone;
    }
    return std::get<MeshLength>(outcome);
}

struct WorkedExample {
    const char* name;
    double D, phi, s;
    double n, r, A, S, C;
    double twoWay, oneWay;
};

void PrintTo(const WorkedExample& c, std::ostream* os) {
    *os << c.name;
}

class WorkedExamples : public testing::TestWithParam<WorkedExample> {};

TEST_P(WorkedExamples, GiveTheDocumentedIntermediatesAndTotals) {
    const WorkedExample& e = GetParam();
    const MeshInputs in{e.D, e.phi, e.s};
    const MeshLength two = Success(ComputeMeshLength(in, Arrangement::TwoWay));
    const MeshLength one = Success(ComputeMeshLength(in, Arrangement::OneWay));
    const MeshLengthBreakdown& b = two.Breakdown;
    EXPECT_EQ(b.SpacingCount, e.n);
    EXPECT_EQ(b.SpacingRatio, e.r);
    EXPECT_NEAR(b.AllowanceTerm, e.A, 1e-12);
    EXPECT_NEAR(b.ChordSum, e.S, 1e-9);
    EXPECT_EQ(b.CentreTerm, e.C);
    EXPECT_EQ(b.Sum, (b.AllowanceTerm + b.ChordSum) + b.CentreTerm);
    EXPECT_EQ(two.Total, e.twoWay);
    EXPECT_EQ(one.Total, e.oneWay);
    EXPECT_EQ(one.Breakdown.Sum, b.Sum) << "the arrangement only halves the total";
}

using test::kOneWayTotal;
using test::kTwoWayTotal;

INSTANTIATE_TEST_SUITE_P(
    Meshes, WorkedExamples,
    testing::Values(
        // name, D, Φ, d; n, r, A, S, C; the totals two-way and one-way
        WorkedExample{"InitialValues", 1.3, 0.0065, 0.1, 13, 13, 0.8125, 24.1202746716, 2.6,
                      kTwoWayTotal, kOneWayTotal},
        WorkedExample{"RatioTieGoesToEvenCount", 1.25, 0.01, 0.1, 12, 12.5, 1.875, 24.4076162199, 0,
                      26.283, 13.141},
        WorkedExample{"EvenCount", 1.0, 0.01, 0.1, 10, 10, 1.5, 15.8599391180, 0, 17.36, 8.68},
        WorkedExample{"CountAndRatioRoundDifferently", 2.0, 0.012, 0.15, 13, 13.33, 2.666,
                      37.8473775310, 4, 44.513, 22.257},
        WorkedExample{"MeshSmallerThanHalfASpacing", 0.04, 0.006, 0.1, 0, 0.4, 0.02, 0, 0, 0.02,
                      0.01},
        WorkedExample{"ThinBarGivesNegativeAllowance", 0.04, 0.001, 0.1, 0, 0.4, -0.03, 0, 0, -0.03,
                      -0.015}),
    [](const testing::TestParamInfo<WorkedExample>& info) { return std::string(info.param.name); });

TEST(MeshLength, ChordsCoverTheCircleLikeItsArea) {
    // With a fine spacing the bars of one direction cover the disc, so their
    // chords add up to about area / spacing; both directions double it.
    for (double s : {0.05, 0.02, 0.01}) {
        const double D = 10.0;
        const MeshLength m = Success(ComputeMeshLength({D, 0.004, s}, Arrangement::TwoWay));
        const double chords = m.Breakdown.ChordSum + m.Breakdown.CentreTerm;
        const double expected = 2 * std::numbers::pi * D * D / 4 / s;
        EXPECT_NEAR(chords / expected, 1.0, 2e-3) << "spacing " << s;
    }
}

TEST(MeshLength, OneWayIsTheTwoWaySumHalvedThenRounded) {
    for (double D = 0.05; D < 6.0; D += 0.0137) {
        const MeshInputs in{D, 0.0123, 0.0975};
        const MeshLength two = Success(ComputeMeshLength(in, Arrangement::TwoWay));
        const MeshLength one = Success(ComputeMeshLength(in, Arrangement::OneWay));
        ASSERT_EQ(two.Total, RoundHalfEven(two.Breakdown.Sum, 3)) << D;
        ASSERT_EQ(one.Total, RoundHalfEven(two.Breakdown.Sum / 2, 3)) << D;
    }
}

struct LimitCase {
    const char* name;
    double ratio; // D with s = 1
    bool fits;
    CalcStep failingStep;
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.name;
}

class SpacingCountLimits : public testing::TestWithParam<LimitCase> {};

TEST_P(SpacingCountLimits, HoldExactlyAtTheCounterWidths) {
    const LimitCase& c = GetParam();
    const MeshLengthOutcome outcome = ComputeMeshLength({c.ratio, 0.01, 1.0}, Arrangement::TwoWay);
    if (c.fits) {
        const MeshLength m = Success(outcome);
        EXPECT_GT(m.Total, 0.0);
        EXPECT_TRUE(std::isfinite(m.Total));
    } else {
        const auto* error = std::get_if<CalcError>(&outcome);
        ASSERT_NE(error, nullptr) << "expected an overflow";
        EXPECT_EQ(*error, (CalcError{CalcErrorKind::IntegerOverflow, c.failingStep}));
    }
}

INSTANTIATE_TEST_SUITE_P(
    EvenAndOdd, SpacingCountLimits,
    testing::Values(LimitCase{"LargestEven", 32766, true, {}},
                    LimitCase{"TieDownToLargestEven", 32766.5, true, {}},
                    LimitCase{"TieUpPastLargestEven", 32767.5, false, CalcStep::ChordLoop},
                    LimitCase{"FirstEvenPastLimit", 32768, false, CalcStep::ChordLoop},
                    LimitCase{"ForTyThousand", 40000, false, CalcStep::ChordLoop},
                    LimitCase{"LargestEvenHalfCount", 65534, false, CalcStep::ChordLoop},
                    LimitCase{"EvenHalfCountPast16Bits", 65536, false, CalcStep::HalfCount},
                    LimitCase{"LargestOdd", 16383, true, {}},
                    LimitCase{"FirstOddPastLimit", 16385, false, CalcStep::ChordLoop},
                    LimitCase{"OddBetweenLimits", 20001, false, CalcStep::ChordLoop},
                    LimitCase{"OddHalfCountPast16Bits", 65537, false, CalcStep::HalfCount},
                    LimitCase{"EvenJustAboveOddLimit", 16384, true, {}},
                    LimitCase{"LargestInt32", 2147483646, false, CalcStep::HalfCount},
                    LimitCase{"PastInt32", 2147483648.0, false, CalcStep::CountToInt},
                    LimitCase{"FarPastInt32", 1e300, false, CalcStep::CountToInt}),
    [](const testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

TEST(SpacingCountLimits, LargestCountsGiveTheClosedFormTotal) {
    // Near the limits every bar still counts: compare with the area rule.
    for (double ratio : {32766.0, 16383.0}) {
        const MeshLength m = Success(ComputeMeshLength({ratio, 0.004, 1.0}, Arrangement::TwoWay));
        const double expected = 2 * std::numbers::pi * ratio * ratio / 4;
        EXPECT_NEAR((m.Breakdown.ChordSum + m.Breakdown.CentreTerm) / expected, 1.0, 1e-4);
    }
}

struct FaultCase {
    const char* name;
    MeshInputs inputs;
    CalcError expected;
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class FloatingPointFaults : public testing::TestWithParam<FaultCase> {};

// These run in the optimised build as well: the checks must survive it.
TEST_P(FloatingPointFaults, AreCaughtAtTheFirstFaultingStep) {
    const FaultCase& c = GetParam();
    for (Arrangement a : {Arrangement::TwoWay, Arrangement::OneWay}) {
        const MeshLengthOutcome outcome = ComputeMeshLength(c.inputs, a);
        const auto* error = std::get_if<CalcError>(&outcome);
        ASSERT_NE(error, nullptr) << "got a total of " << std::get<MeshLength>(outcome).Total;
        EXPECT_EQ(*error, c.expected);
    }
}

constexpr double kMax = std::numeric_limits<double>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Overflow and invalid operation where each can happen. The others cannot:
// the rounded counts of a finite ratio are finite, the centre bars of
// positive diameters are never NaN, the radicand is at least n - 0.75 and 4s
// never 0, a sum of finite terms is never NaN, and halving and rounding a
// finite sum stay finite.

INSTANTIATE_TEST_SUITE_P(
    TopOfTheDoubleRange, FloatingPointFaults,
    testing::Values(FaultCase{"RatioOverflows",
                              {1e308, 0.01, 1e-308},
                              {CalcErrorKind::FloatingPointFault, CalcStep::Ratio}},
                    FaultCase{"AllowanceOverflows",
                              {1.3, 1e308, 0.1},
                              {CalcErrorKind::FloatingPointFault, CalcStep::Allowance}},
                    FaultCase{"AllowanceDoubledRatioOverflows",
                              {kMax, 0.01, 1},
                              {CalcErrorKind::FloatingPointFault, CalcStep::Allowance}},
                    FaultCase{"AllowanceZeroTimesInfinityIsInvalid",
                              {1.5e308, 0.004, 1},
                              {CalcErrorKind::FloatingPointFault, CalcStep::Allowance}},
                    FaultCase{"HugeCountBeforeAnyFloatFault",
                              {1e300, 0.01, 1},
                              {CalcErrorKind::IntegerOverflow, CalcStep::CountToInt}},
                    FaultCase{"CentreBarsOverflow",
                              {1e308, 0.01, 1e308},
                              {CalcErrorKind::FloatingPointFault, CalcStep::CentreTerm}},
                    FaultCase{"ChordTermOverflows",
                              {1e308, 0.01, 1e304},
                              {CalcErrorKind::FloatingPointFault, CalcStep::ChordLoop}},
                    FaultCase{"FourSpacingsOverflow",
                              {kMax, 0.01, kMax / 2.2},
                              {CalcErrorKind::FloatingPointFault, CalcStep::ChordLoop}},
                    FaultCase{"ChordSumOverflowsBeforeCounterDoes",
                              {1e308, 0.01, 2.5e303},
                              {CalcErrorKind::FloatingPointFault, CalcStep::ChordLoop}},
                    FaultCase{"SumOverflows",
                              {5e307, 3.6e306, 5e307},
                              {CalcErrorKind::FloatingPointFault, CalcStep::Sum}}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

// A measurement beyond the double range (typed as 1e999) is refused before
// any step: dividing by an infinite spacing would otherwise give 0 bars and a
// total of 0 m, and an infinite diameter or bar an error at a later step.
INSTANTIATE_TEST_SUITE_P(
    InfiniteMeasurements, FloatingPointFaults,
    testing::Values(FaultCase{"InfiniteDiameter",
                              {kInf, 0.01, 1},
                              {CalcErrorKind::FloatingPointFault, CalcStep::Input}},
                    FaultCase{"InfiniteDiameterAndSpacing",
                              {kInf, 0.01, kInf},
                              {CalcErrorKind::FloatingPointFault, CalcStep::Input}},
                    FaultCase{"InfiniteBar",
                              {1.3, kInf, 0.1},
                              {CalcErrorKind::FloatingPointFault, CalcStep::Input}},
                    FaultCase{"InfiniteBarWithNoBars",
                              {1e-10, kInf, 1},
                              {CalcErrorKind::FloatingPointFault, CalcStep::Input}},
                    FaultCase{"InfiniteSpacingWouldGiveZeroBars",
                              {1.3, 0.0065, kInf},
                              {CalcErrorKind::FloatingPointFault, CalcStep::Input}}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(FloatingPointFaults, LeaveTheNextCalculationUnaffected) {
    ASSERT_TRUE(std::holds_alternative<CalcError>(
        ComputeMeshLength({1e308, 0.01, 1e-308}, Arrangement::TwoWay)));
    EXPECT_EQ(Success(ComputeMeshLength(test::kInitialInputs, Arrangement::TwoWay)).Total,
              test::kTwoWayTotal);
}

// The calculation refuses what is no mesh, whoever calls it.
TEST(MeshLength, RefusesMeasurementsThatAreNoMesh) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        MeshInputs inputs;
        CalcErrorKind kind;
    } cases[] = {
        {{-1.3, 0.0065, 0.1}, CalcErrorKind::NonPositiveInput},
        {{1.3, 0, 0.1}, CalcErrorKind::NonPositiveInput},
        {{1.3, 0.0065, -0.1}, CalcErrorKind::NonPositiveInput},
        {{-0.0, 0.0065, 0.1}, CalcErrorKind::NonPositiveInput},
        {{nan, 0.0065, 0.1}, CalcErrorKind::FloatingPointFault},
        {{1.3, -inf, 0.1}, CalcErrorKind::FloatingPointFault},
    };
    for (const auto& c : cases)
        for (Arrangement a : {Arrangement::OneWay, Arrangement::TwoWay}) {
            const MeshLengthOutcome outcome = ComputeMeshLength(c.inputs, a);
            ASSERT_TRUE(std::holds_alternative<CalcError>(outcome)) << c.inputs.MeshDiameter;
            EXPECT_EQ(std::get<CalcError>(outcome), (CalcError{c.kind, CalcStep::Input}));
        }
}

} // namespace
} // namespace tavrilo
