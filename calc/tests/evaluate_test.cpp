#include "calc/evaluate.h"
#include "calc/messages.h"

#include <gtest/gtest.h>
#include <string>

namespace tavrilo {
namespace {

struct EvaluationCase {
    const char* name;
    MeshInputs inputs;
    Arrangement arrangement;
    double total;        // when calculated
    const char* refusal; // the message, when refused
    bool inputRefusal;   // the user's to correct, rather than a failed calculation
};

void PrintTo(const EvaluationCase& c, std::ostream* os) {
    *os << c.name;
}

class Evaluation : public testing::TestWithParam<EvaluationCase> {};

TEST_P(Evaluation, GivesATotalOrTheOneMessageForItsRefusal) {
    const EvaluationCase& c = GetParam();
    const MeshEvaluation evaluation = EvaluateMesh(c.inputs, c.arrangement);
    if (c.refusal == nullptr) {
        ASSERT_TRUE(std::holds_alternative<MeshLength>(evaluation));
        EXPECT_EQ(std::get<MeshLength>(evaluation).Total, c.total);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<Refusal>(evaluation));
    const Refusal& refusal = std::get<Refusal>(evaluation);
    EXPECT_EQ(RefusalMessage(refusal), c.refusal);
    EXPECT_EQ(IsInputRefusal(refusal), c.inputRefusal);
}

const std::string kOverflow(CalcErrorMessage(CalcErrorKind::IntegerOverflow));
const std::string kFault(CalcErrorMessage(CalcErrorKind::FloatingPointFault));

INSTANTIATE_TEST_SUITE_P(
    Meshes, Evaluation,
    testing::Values(
        EvaluationCase{
            "InitialValues", {1.3, 0.0065, 0.1}, Arrangement::TwoWay, 27.533, nullptr, false},
        EvaluationCase{"OneWay", {1.3, 0.0065, 0.1}, Arrangement::OneWay, 13.766, nullptr, false},
        EvaluationCase{"ZeroSpacing",
                       {1.3, 0.0065, 0},
                       Arrangement::TwoWay,
                       0,
                       "参数不能为“0”或“负值”！",
                       true},
        EvaluationCase{"NegativeDiameter",
                       {-1.3, 0.0065, 0.1},
                       Arrangement::OneWay,
                       0,
                       "参数不能为“0”或“负值”！",
                       true},
        EvaluationCase{"NegativeTotal",
                       {0.04, 0.001, 0.1},
                       Arrangement::TwoWay,
                       0,
                       "计算结果为负值，无法作为钢筋用量。请检查参数（例如钢筋直径是否小于 4 "
                       "毫米）！",
                       true},
        // 0.04 m of 4 mm bar: the allowance is exactly 0, and -0 is no negative total.
        EvaluationCase{"ZeroTotal", {0.04, 0.004, 0.1}, Arrangement::TwoWay, 0, nullptr, false},
        EvaluationCase{
            "TooManyBars", {400, 0.01, 0.01}, Arrangement::TwoWay, 0, kOverflow.c_str(), false},
        EvaluationCase{"BeyondTheDoubleRange",
                       {1e308, 1e308, 1e-308},
                       Arrangement::TwoWay,
                       0,
                       kFault.c_str(),
                       false}));

TEST(Evaluation, NamesEachKindOfFaultDifferently) {
    EXPECT_NE(kOverflow.find("溢出"), std::string::npos);
    EXPECT_NE(kFault.find("浮点"), std::string::npos);
}

struct ResultTextCase {
    double total;
    const char* separator;
    const char* text;
};

TEST(ResultText, AppendsTheUnitWithTheLocalesSeparator) {
    for (const ResultTextCase& c :
         {ResultTextCase{27.533, ".", "27.533 m"}, ResultTextCase{13.766, ",", "13,766 m"},
          ResultTextCase{-0.0, ".", "0 m"}})
        EXPECT_EQ(ResultText(c.total, c.separator), c.text);
}

} // namespace
} // namespace tavrilo
