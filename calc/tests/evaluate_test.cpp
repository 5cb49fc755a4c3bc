#include "calc/evaluate.h"
#include "calc/tests/initial_values.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace tavrilo {
namespace {

struct EvaluationCase {
    const char* name;
    MeshInputs inputs;
    Arrangement arrangement;
    double total;                   // when calculated
    std::optional<Refusal> refusal; // why not, when refused
    bool inputRefusal;              // the user's to correct, rather than a failed calculation
};

void PrintTo(const EvaluationCase& c, std::ostream* os) {
    *os << c.name;
}

class Evaluation : public testing::TestWithParam<EvaluationCase> {};

TEST_P(Evaluation, GivesATotalOrTheOneMessageForItsRefusal) {
    const EvaluationCase& c = GetParam();
    const MeshEvaluation evaluation = EvaluateMesh(c.inputs, c.arrangement);
    if (!c.refusal) {
        ASSERT_TRUE(std::holds_alternative<MeshLength>(evaluation));
        EXPECT_EQ(std::get<MeshLength>(evaluation).Total, c.total);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<Refusal>(evaluation));
    const Refusal& refusal = std::get<Refusal>(evaluation);
    ASSERT_EQ(refusal.index(), c.refusal->index());
    if (const auto* error = std::get_if<CalcError>(&refusal)) {
        EXPECT_EQ(error->Kind, std::get<CalcError>(*c.refusal).Kind);
    }
    EXPECT_EQ(IsInputRefusal(refusal), c.inputRefusal);
}

using enum Arrangement;
using test::kInitialInputs;
constexpr CalcError kOverflow{CalcErrorKind::IntegerOverflow, CalcStep::Input};
constexpr CalcError kFault{CalcErrorKind::FloatingPointFault, CalcStep::Input};

const EvaluationCase kEvaluationCases[] = {
    {"InitialValues", kInitialInputs, TwoWay, test::kTwoWayTotal, std::nullopt, false},
    {"OneWay", kInitialInputs, OneWay, test::kOneWayTotal, std::nullopt, false},
    {"ZeroSpacing", {1.3, 0.0065, 0}, TwoWay, 0, NonPositiveInput{}, true},
    {"NegativeDiameter", {-1.3, 0.0065, 0.1}, OneWay, 0, NonPositiveInput{}, true},
    {"NegativeTotal", {0.04, 0.001, 0.1}, TwoWay, 0, NegativeTotal{}, true},
    // 0.04 m of 4 mm bar: the allowance is exactly 0, and -0 is no negative total.
    {"ZeroTotal", {0.04, 0.004, 0.1}, TwoWay, 0, std::nullopt, false},
    {"TooManyBars", {400, 0.01, 0.01}, TwoWay, 0, kOverflow, false},
    {"BeyondTheDoubleRange", {1e308, 1e308, 1e-308}, TwoWay, 0, kFault, false},
};

INSTANTIATE_TEST_SUITE_P(Meshes, Evaluation, testing::ValuesIn(kEvaluationCases));

} // namespace
} // namespace tavrilo
