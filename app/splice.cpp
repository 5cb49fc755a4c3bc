#include "app/splice.h"

#include "calc/number.h"
#include "text/order_messages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tavrilo {
namespace {

// `times` the bar diameter in millimetres, rounded up.
Millimetres TimesDiameter(double times, double barDiameter) {
    return static_cast<Millimetres>(std::ceil(RoundHalfEven(times * barDiameter * 1000, 3)));
}

// Where each joint of a bar of `pieces` lies from its first end: the start of
// each lap (its centre less half a lap, the same for every bar of one lap),
// or each coupler.
std::vector<Millimetres> JointsOf(const std::vector<Millimetres>& pieces, Millimetres lap) {
    std::vector<Millimetres> joints;
    Millimetres at = 0;
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        at += pieces[i] - lap;
        joints.push_back(at);
    }
    return joints;
}

// The least distance between a joint of `a` and one of `b`, both ascending.
Millimetres Nearest(const std::vector<Millimetres>& a, const std::vector<Millimetres>& b) {
    Millimetres nearest = std::numeric_limits<Millimetres>::max();
    for (std::size_t i = 0, j = 0; i < a.size() && j < b.size();) {
        nearest = std::min(nearest, std::abs(a[i] - b[j]));
        (a[i] < b[j] ? i : j) += 1;
    }
    return nearest;
}

// The odd bars: whole stock bars, then the closing piece; one too short
// shortens the whole bar before it, or shares its length when that too would
// be too short.
std::vector<Millimetres> OddBar(Millimetres length, const SpliceRule& rule) {
    const std::int64_t count = SplicePieceCount(length, rule);
    std::vector<Millimetres> pieces(static_cast<std::size_t>(count - 1), rule.Stock);
    Millimetres closing = length - (count - 1) * (rule.Stock - rule.Lap);
    if (closing < rule.Shortest) {
        const Millimetres both = rule.Stock + closing;
        closing = both - rule.Shortest >= rule.Shortest ? rule.Shortest : both / 2;
        pieces.back() = both - closing;
    }
    pieces.push_back(closing);
    return pieces;
}

// How far apart the even bars' joints are to be from the odd bars': as the
// rule asks, or, not knowing (couplers without a bar diameter), half a stock
// bar, as far as they can be.
Millimetres Aim(const SpliceRule& rule) {
    return rule.Apart > 0 ? rule.Apart : (rule.Stock - rule.Lap) / 2;
}

// An even bar: its first piece, then whole stock bars, then its closing piece.
struct EvenBar {
    std::int64_t Pieces = 0;
    Millimetres First = 0;
    Millimetres Nearest = -1; // to the odd bars' joints; -1: none yet
    std::int64_t WholeBars = 0;
};

// Whether `a` is the better even bar: apart enough first, then fewer pieces,
// then more whole stock bars, then farther apart.
bool Better(const EvenBar& a, const EvenBar& b, Millimetres apart) {
    const bool aApart = a.Nearest >= apart, bApart = b.Nearest >= apart;
    if (aApart != bApart)
        return aApart;
    if (a.Pieces != b.Pieces)
        return a.Pieces < b.Pieces;
    if (aApart && a.WholeBars != b.WholeBars)
        return a.WholeBars > b.WholeBars;
    return a.Nearest > b.Nearest;
}

// The least distance from the joints `odd` (ascending) to those of an even
// bar beginning at `first` and going on by `step`, `joints` of them.
Millimetres NearestEven(const std::vector<Millimetres>& odd, Millimetres first, Millimetres step,
                        std::int64_t joints) {
    Millimetres nearest = std::numeric_limits<Millimetres>::max();
    std::size_t i = 0;
    for (std::int64_t j = 0; j < joints && i < odd.size();) {
        const Millimetres at = first + j * step;
        nearest = std::min(nearest, std::abs(odd[i] - at));
        if (odd[i] < at)
            ++i;
        else
            ++j;
    }
    return nearest;
}

// The best even bar of `count` pieces into `best`, the first piece tried
// over its range (by more than a millimetre only for bars of many pieces).
void TryEvenBars(Millimetres length, std::int64_t count, const SpliceRule& rule,
                 const std::vector<Millimetres>& oddJoints, EvenBar& best) {
    const Millimetres whole = count - 2;
    const Millimetres both = length + (whole + 1) * rule.Lap - whole * rule.Stock;
    const Millimetres lo = std::max(rule.Shortest, both - rule.Stock);
    const Millimetres hi = std::min(rule.Stock, both - rule.Shortest);
    const Millimetres stride = std::max<Millimetres>(1, (hi - lo + 1) * count / 200000);
    for (Millimetres first = lo; first <= hi; first += stride) {
        if (first + stride > hi)
            first = hi; // the range's end is always tried
        const EvenBar bar{
            count, first,
            NearestEven(oddJoints, first - rule.Lap, rule.Stock - rule.Lap, count - 1),
            whole + (first == rule.Stock) + (both - first == rule.Stock)};
        if (best.Nearest < 0 || Better(bar, best, Aim(rule)))
            best = bar;
    }
}

// The pieces of `bar` for bars of `length`.
std::vector<Millimetres> PiecesOf(const EvenBar& bar, Millimetres length, const SpliceRule& rule) {
    std::vector<Millimetres> pieces(static_cast<std::size_t>(bar.Pieces), rule.Stock);
    pieces.front() = bar.First;
    pieces.back() =
        length + (bar.Pieces - 1) * rule.Lap - (bar.Pieces - 2) * rule.Stock - bar.First;
    return pieces;
}

SplicedBars Bars(Millimetres length, std::int64_t count, bool even, const SpliceRule& rule,
                 std::vector<Millimetres> pieces) {
    SplicedBars bars;
    bars.Length = length;
    bars.Count = count;
    bars.Even = even;
    bars.Lap = rule.Lap;
    bars.Stock = rule.Stock;
    bars.WholeBars = std::count(pieces.begin(), pieces.end(), rule.Stock);
    bars.Pieces = std::move(pieces);
    bars.Shortest = rule.Shortest;
    bars.Apart = rule.Apart;
    return bars;
}

} // namespace

Millimetres LapOf(const OrderSettings& settings, double barDiameter) {
    if (settings.LapTimesDiameter <= 0)
        return settings.LapLength;
    return std::max(kShortestLap, TimesDiameter(settings.LapTimesDiameter, barDiameter));
}

std::optional<OrderRefusal> RefuseUnsplicedBars(const OrderReader::Pieces& demand,
                                                const SteelOrder& order) {
    const OrderSettings& settings = order.Settings;
    const Millimetres longest = settings.StockLengths.back();
    std::vector<LongBar> tooLong;
    for (const auto& [steel, lengths] : demand) {
        const std::optional<double> diameter =
            steel.Bar.None ? std::nullopt : std::optional(steel.Bar.Metres);
        if (settings.Coiled(diameter)) // straightened from a coil to any length
            continue;
        for (auto it = lengths.rbegin(); it != lengths.rend() && it->first > longest; ++it)
            tooLong.push_back({diameter, it->first, it->second});
    }
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

SpliceRule SpliceRuleOf(const OrderSettings& settings, Millimetres lap,
                        std::optional<double> barDiameter) {
    constexpr Millimetres kShortestPiece = 500;
    SpliceRule rule;
    rule.Stock = settings.StockLengths.back();
    if (settings.Splice == SpliceMethod::Lap) {
        rule.Lap = lap;
        rule.Shortest = std::max(kShortestPiece, (3 * lap + 1) / 2);
        rule.Apart = (13 * lap + 9) / 10;
    } else {
        rule.Apart = barDiameter ? TimesDiameter(35, *barDiameter) : 0;
        rule.Shortest = std::max(kShortestPiece, rule.Apart);
    }
    return rule;
}

std::int64_t SplicePieceCount(Millimetres length, const SpliceRule& rule) {
    const Millimetres step = rule.Stock - rule.Lap;
    return (length - rule.Lap + step - 1) / step;
}

std::vector<SplicedBars> Splice(Millimetres length, std::int64_t count, const SpliceRule& rule) {
    std::vector<Millimetres> odd = OddBar(length, rule);
    std::vector<SplicedBars> kinds{Bars(length, count - count / 2, false, rule, odd)};
    if (count < 2)
        return kinds;
    EvenBar even;
    const std::vector<Millimetres> oddJoints = JointsOf(odd, rule.Lap);
    const auto pieces = static_cast<std::int64_t>(odd.size());
    TryEvenBars(length, pieces, rule, oddJoints, even);
    if (even.Nearest < Aim(rule) && pieces < kMostSplicePieces)
        TryEvenBars(length, pieces + 1, rule, oddJoints, even);
    std::vector<Millimetres> evenPieces;
    if (even.Nearest < 0) { // no even bar fits: the odd bar turned end for end
        evenPieces.assign(odd.rbegin(), odd.rend());
        even.Nearest = Nearest(oddJoints, JointsOf(evenPieces, rule.Lap));
    } else {
        evenPieces = PiecesOf(even, length, rule);
    }
    kinds.push_back(Bars(length, count / 2, true, rule, std::move(evenPieces)));
    kinds[0].Nearest = kinds[1].Nearest = even.Nearest;
    return kinds;
}

} // namespace tavrilo
