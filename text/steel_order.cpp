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

std::int64_t SteelOrder::Strokes() const {
    std::int64_t strokes = 0;
    for (const OrderGroup& group : Groups)
        strokes += group.Strokes();
    return strokes;
}

bool SteelOrder::Sheared() const {
    for (const OrderGroup& group : Groups)
        if (group.BarsPerStroke > 0)
            return true;
    return false;
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
