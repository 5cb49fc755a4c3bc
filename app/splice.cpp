#include "app/splice.h"

#include "calc/number.h"
#include "text/order_messages.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <tuple>
#include <utility>

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
    Millimetres Nearest = -1; // twice the least distance to the odd bars' joints; -1: none yet
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

// Twice the least distance from the joints `odd` (ascending, twice their
// distance from the bar's first end) to those of an even bar beginning at
// `first` and going on by `step`, `joints` of them.
Millimetres NearestEven(const std::vector<Millimetres>& odd, Millimetres first, Millimetres step,
                        std::int64_t joints) {
    Millimetres nearest = std::numeric_limits<Millimetres>::max();
    std::size_t i = 0;
    for (std::int64_t j = 0; j < joints && i < odd.size();) {
        const Millimetres at = 2 * (first + j * step);
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
// The joints to keep away from, `odd`, and the distances are doubled: a
// neighbour's ends lie half a difference in length from the bar's.
void TryEvenBars(Millimetres length, std::int64_t count, const SpliceRule& rule,
                 const std::vector<Millimetres>& odd, EvenBar& best) {
    const Millimetres whole = count - 2;
    const Millimetres both = length + (whole + 1) * rule.Lap - whole * rule.Stock;
    const Millimetres lo = std::max(rule.Shortest, both - rule.Stock);
    const Millimetres hi = std::min(rule.Stock, both - rule.Shortest);
    const Millimetres stride = std::max<Millimetres>(1, (hi - lo + 1) * count / 200000);
    for (Millimetres first = lo; first <= hi; first += stride) {
        if (first + stride > hi)
            first = hi; // the range's end is always tried
        const EvenBar bar{count, first,
                          NearestEven(odd, first - rule.Lap, rule.Stock - rule.Lap, count - 1),
                          whole + (first == rule.Stock) + (both - first == rule.Stock)};
        if (best.Nearest < 0 || Better(bar, best, 2 * Aim(rule)))
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

// Each of `joints` doubled and moved by `shift` (half millimetres).
std::vector<Millimetres> Doubled(const std::vector<Millimetres>& joints, Millimetres shift) {
    std::vector<Millimetres> doubled;
    doubled.reserve(joints.size());
    for (Millimetres joint : joints)
        doubled.push_back(2 * joint + shift);
    return doubled;
}

// The pieces of an even bar of `length`, `odd` its odd bar, with its joints
// apart from `away` (ascending, doubled, from its first end) if it can be,
// and twice the least distance from them.
std::pair<std::vector<Millimetres>, Millimetres> EvenPieces(Millimetres length,
                                                            const SpliceRule& rule,
                                                            const std::vector<Millimetres>& odd,
                                                            const std::vector<Millimetres>& away) {
    EvenBar even;
    const auto pieces = static_cast<std::int64_t>(odd.size());
    TryEvenBars(length, pieces, rule, away, even);
    if (even.Nearest < 2 * Aim(rule) && pieces < kMostSplicePieces)
        TryEvenBars(length, pieces + 1, rule, away, even);
    if (even.Nearest >= 0)
        return {PiecesOf(even, length, rule), even.Nearest};
    // No even bar fits: the odd bar turned end for end.
    std::vector<Millimetres> turned(odd.rbegin(), odd.rend());
    return {turned, Nearest(away, Doubled(JointsOf(turned, rule.Lap), 0))};
}

// The pieces of the odd and of the even bars of every spliced length of `placed`.
struct Layouts {
    std::map<Millimetres, std::vector<Millimetres>> Odd, Even;
};

// The odd bars as ever; the even bars of a length apart from the odd bars of
// that length (ends level) and from the odd bars beside them, where these lie.
Layouts LayOut(const PlacedBars& placed, const SpliceRule& rule) {
    Layouts layouts;
    for (const auto& [bar, count] : placed)
        if (bar.Length > rule.Stock && !layouts.Odd.contains(bar.Length))
            layouts.Odd.emplace(bar.Length, OddBar(bar.Length, rule));
    std::map<Millimetres, std::vector<Millimetres>> away;
    const auto keepAway = [&](Millimetres length, Millimetres from) {
        const std::vector<Millimetres> joints =
            Doubled(JointsOf(layouts.Odd.at(from), rule.Lap), length - from);
        std::vector<Millimetres>& all = away[length];
        all.insert(all.end(), joints.begin(), joints.end());
    };
    for (const auto& [bar, count] : placed) {
        if (bar.Length <= rule.Stock || !bar.Even)
            continue;
        keepAway(bar.Length, bar.Length);
        for (Millimetres beside : bar.Beside)
            if (beside > rule.Stock && layouts.Odd.contains(beside))
                keepAway(bar.Length, beside);
    }
    for (auto& [length, joints] : away) {
        std::sort(joints.begin(), joints.end());
        joints.erase(std::unique(joints.begin(), joints.end()), joints.end());
        layouts.Even[length] = EvenPieces(length, rule, layouts.Odd.at(length), joints).first;
    }
    return layouts;
}

// Where the joints of a bar of `length` made of `pieces` lie, doubled, from
// the axis its bar and every bar beside it are centred on.
std::vector<Millimetres> AlongAxis(const std::vector<Millimetres>& pieces, Millimetres length,
                                   Millimetres lap) {
    return Doubled(JointsOf(pieces, lap), -length);
}

// The least distance from the joints of `bar` to those of the bars beside it
// that have joints, as they lie; none when no such bar is beside it.
std::optional<Millimetres> NearestBeside(const PlacedBar& bar, const Layouts& layouts,
                                         const SpliceRule& rule) {
    const auto& mine = bar.Even ? layouts.Even : layouts.Odd;
    const auto& theirs = bar.Even ? layouts.Odd : layouts.Even;
    const std::vector<Millimetres> joints = AlongAxis(mine.at(bar.Length), bar.Length, rule.Lap);
    std::optional<Millimetres> nearest;
    for (Millimetres beside : bar.Beside) {
        const auto other = theirs.find(beside);
        if (beside <= rule.Stock || other == theirs.end())
            continue;
        const Millimetres apart = Nearest(joints, AlongAxis(other->second, beside, rule.Lap)) / 2;
        nearest = std::min(nearest.value_or(apart), apart);
    }
    return nearest;
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
    auto [even, nearest] = EvenPieces(length, rule, odd, Doubled(JointsOf(odd, rule.Lap), 0));
    kinds.push_back(Bars(length, count / 2, true, rule, std::move(even)));
    kinds[0].Nearest = kinds[1].Nearest = nearest / 2;
    return kinds;
}

std::vector<SplicedBars> SpliceLaid(const PlacedBars& placed, const SpliceRule& rule) {
    const Layouts layouts = LayOut(placed, rule);
    // Longest first, the odd bars before the even ones, those staggered
    // before those that are not, and those with no joints beside them last.
    std::map<std::tuple<Millimetres, bool, int>, SplicedBars> kinds;
    for (const auto& [bar, count] : placed) {
        if (bar.Length <= rule.Stock)
            continue;
        SplicedBars bars = Bars(bar.Length, count, bar.Even, rule,
                                (bar.Even ? layouts.Even : layouts.Odd).at(bar.Length));
        bars.Nearest = NearestBeside(bar, layouts, rule);
        const int standing = !bars.Nearest ? 2 : bars.Staggered() ? 0 : 1;
        const auto [kind, added] = kinds.try_emplace({-bar.Length, bar.Even, standing}, bars);
        if (added)
            continue;
        kind->second.Count += count;
        if (bars.Nearest)
            kind->second.Nearest = std::min(*kind->second.Nearest, *bars.Nearest);
    }
    std::vector<SplicedBars> all;
    for (auto& [key, bars] : kinds)
        all.push_back(std::move(bars));
    return all;
}

} // namespace tavrilo
