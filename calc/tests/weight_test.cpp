#include "calc/tests/initial_values.h"
#include "calc/weight.h"

#include <gtest/gtest.h>
#include <optional>

namespace tavrilo {
namespace {

struct WeightCase {
    double length, phi;
    double kg, kgPerMetreShown, diameterMm;
};

class Weight : public testing::TestWithParam<WeightCase> {};

TEST_P(Weight, FollowsTheRebarTableRule) {
    const WeightCase& c = GetParam();
    const std::optional<BarMass> mass = ComputeBarMass(c.length, c.phi);
    ASSERT_TRUE(mass.has_value());
    EXPECT_EQ(mass->Kilograms, c.kg);
    EXPECT_NEAR(mass->KgPerMetre, c.kgPerMetreShown, 0.00006);
    EXPECT_DOUBLE_EQ(mass->BarDiameterMm, c.diameterMm);
}

INSTANTIATE_TEST_SUITE_P(
    Bars, Weight,
    testing::Values(WeightCase{test::kTwoWayTotal, 0.0065, 7.18, 0.2607, 6.5},
                    WeightCase{17.36, 0.01, 10.71, 0.617, 10},
                    WeightCase{44.513, 0.012, 39.55, 0.8885, 12},
                    // 385.625 kg and 3.85625 kg/m are ties: they go to the even digit.
                    WeightCase{100, 0.025, 385.62, 3.8562, 25}, WeightCase{0, 0.01, 0, 0.617, 10}));

TEST(Weight, OverflowIsNoMass) {
    EXPECT_FALSE(ComputeBarMass(1e300, 1e300).has_value());
    EXPECT_FALSE(ComputeBarMass(1e308, 0.5).has_value());
}

} // namespace
} // namespace tavrilo
