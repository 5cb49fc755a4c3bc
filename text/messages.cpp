#include "text/messages.h"

#include "calc/number.h"

namespace tavrilo {

std::string_view CalcErrorMessage(CalcErrorKind kind) {
    switch (kind) {
    case CalcErrorKind::IntegerOverflow:
        return "计算溢出：网片直径与钢筋间距之比过大，钢筋根数超出计算范围。请检查参数！";
    case CalcErrorKind::FloatingPointFault:
        return "浮点运算错误：参数过大，计算结果超出数值范围。请检查参数！";
    case CalcErrorKind::NonPositiveInput:
        return kNonPositiveMessage;
    }
    return "计算错误！";
}

std::string_view RefusalMessage(const Refusal& refusal) {
    if (std::holds_alternative<NonPositiveInput>(refusal))
        return kNonPositiveMessage;
    if (std::holds_alternative<NegativeTotal>(refusal))
        return kNegativeTotalMessage;
    return CalcErrorMessage(std::get<CalcError>(refusal).Kind);
}

std::string ResultText(double total, std::string_view decimalSeparator) {
    return FormatNumber(total, decimalSeparator) + " m";
}

} // namespace tavrilo
