#include "app/splice.h"

#include "calc/number.h"
#include "text/order_messages.h"

#include <algorithm>
#include <cmath>

namespace tavrilo {

Millimetres LapOf(const OrderSettings& settings, double barDiameter) {
    if (settings.LapTimesDiameter <= 0)
        return settings.LapLength;
    const double lap = std::ceil(RoundHalfEven(settings.LapTimesDiameter * barDiameter * 1000, 3));
    return std::max(kShortestLap, static_cast<Millimetres>(lap));
}

std::optional<OrderRefusal> RefuseUnsplicedBars(const OrderReader::Pieces& demand,
                                                const SteelOrder& order) {
    const OrderSettings& settings = order.Settings;
    const Millimetres longest = settings.StockLengths.back();
    std::vector<LongBar> tooLong;
    for (const auto& [diameter, lengths] : demand)
        for (auto it = lengths.rbegin(); it != lengths.rend() && it->first > longest; ++it)
            tooLong.push_back({diameter.None ? std::nullopt : std::optional(diameter.Metres),
                               it->first, it->second});
    if (tooLong.empty())
        return std::nullopt;
    if (settings.Splice == SpliceMethod::None)
        return OrderRefusal{LongBarsMessage(tooLong, longest), true, true};
    if (settings.Splice == SpliceMethod::Lap && settings.LapTimesDiameter > 0)
        for (const LongBar& bar : tooLong)
            if (!bar.BarDiameter)
                return OrderRefusal{std::string(LapNeedsDiameterMessage()), true};
    return std::nullopt;
}

SplicedBars Splice(Millimetres length, std::int64_t count, Millimetres longest, Millimetres lap) {
    SplicedBars bars;
    bars.Length = length;
    bars.Count = count;
    bars.Stock = longest;
    bars.Lap = lap;
    const Millimetres step = longest - lap;
    const Millimetres pieceCount = (length - bars.Lap + step - 1) / step;
    bars.WholeBars = pieceCount - 1;
    bars.Closing = length - bars.WholeBars * step;
    return bars;
}

} // namespace tavrilo
