#include "text/steel_order.h"

namespace tavrilo {

std::int64_t SteelOrder::StockBars() const {
    std::int64_t bars = 0;
    for (const OrderGroup& group : Groups)
        bars += group.BoughtBars;
    return bars;
}

Millimetres SteelOrder::Bought() const {
    Millimetres bought = 0;
    for (const OrderGroup& group : Groups)
        bought += group.BoughtLength;
    return bought;
}

bool SteelOrder::Priced() const {
    return !Settings.PricesPerTonne.empty();
}

bool SteelOrder::Graded() const {
    for (const OrderGroup& group : Groups)
        if (group.Grade)
            return true;
    return false;
}

} // namespace tavrilo
