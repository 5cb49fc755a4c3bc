#include "text/steel_order.h"

namespace tavrilo {

std::int64_t SteelOrder::StockBars() const {
    std::int64_t bars = 0;
    for (const OrderGroup& group : Groups)
        bars += group.Plan.Bars;
    return bars;
}

Millimetres SteelOrder::Bought() const {
    Millimetres bought = 0;
    for (const OrderGroup& group : Groups)
        bought += group.Plan.Bought;
    return bought;
}

bool SteelOrder::Graded() const {
    for (const OrderGroup& group : Groups)
        if (group.Grade)
            return true;
    return false;
}

} // namespace tavrilo
