#include "calc/tests/initial_values.h"
#include "text/messages.h"

#include <gtest/gtest.h>
#include <string>

namespace tavrilo {
namespace {

struct RefusalCase {
    Refusal refusal;
    const char* message;
};

TEST(RefusalMessage, OneMessageForEachRefusal) {
    for (const RefusalCase& c :
         {RefusalCase{NonPositiveInput{}, "参数不能为“0”或“负值”！"},
          RefusalCase{
              NegativeTotal{},
              "计算结果为负值，无法作为钢筋用量。请检查参数（例如钢筋直径是否小于 4 毫米）！"},
          RefusalCase{CalcError{CalcErrorKind::IntegerOverflow, CalcStep::HalfCount},
                      "计算溢出：网片直径与钢筋间距之比过大，钢筋根数超出计算范围。请检查参数！"},
          RefusalCase{CalcError{CalcErrorKind::FloatingPointFault, CalcStep::Ratio},
                      "浮点运算错误：参数过大，计算结果超出数值范围。请检查参数！"}})
        EXPECT_EQ(RefusalMessage(c.refusal), c.message);
}

struct ResultTextCase {
    double total;
    const char* separator;
    const char* text;
};

TEST(ResultText, AppendsTheUnitWithTheLocalesSeparator) {
    for (const ResultTextCase& c :
         {ResultTextCase{test::kTwoWayTotal, ".", TAVRILO_TWO_WAY_TOTAL " m"},
          ResultTextCase{test::kOneWayTotal, ",", "13,766 m"}, ResultTextCase{-0.0, ".", "0 m"}})
        EXPECT_EQ(ResultText(c.total, c.separator), c.text);
}

} // namespace
} // namespace tavrilo
