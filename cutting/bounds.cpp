// Lower bounds on the bars and the length a plan needs, and the totals a plan
// is measured by against them.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <optional>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// The integer bound's knapsacks, once per stock length, may be larger than
// the relaxation's.
constexpr std::int64_t kMaxBoundCells = 400'000'000;
// Duals are scaled to integers up to this before the exact knapsacks.
constexpr double kDualScale = 1073741824.0; // 2^30

// The duals scaled to integers of at most kDualScale, and the pieces' worth
// at them in all; nothing when that does not fit in 64 bits.
std::optional<std::int64_t> ScaledValues(const Instance& in, const std::vector<double>& duals,
                                         double scale, std::vector<std::int64_t>& values) {
    values.assign(in.Items(), 0);
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < in.Items(); ++i) {
        const double v = duals[i] > 0 ? duals[i] * scale : 0.0;
        values[i] = static_cast<std::int64_t>(std::min(v, kDualScale));
        const auto add = MulChecked(values[i], in.PieceCounts[i]);
        if (!add)
            return std::nullopt;
        const auto next = AddChecked(sum, *add);
        if (!next)
            return std::nullopt;
        sum = *next;
    }
    return sum;
}

} // namespace

// From the pieces' length alone: a bar of L carries at most L + K of piece and kerf.
Bounds MaterialBound(const Instance& in) {
    std::int64_t total = 0;
    for (std::size_t i = 0; i < in.Items(); ++i)
        total += in.PieceCounts[i] * in.Size(i);
    Bounds b;
    b.Bars = *MulDivCeil(total, 1, in.Capacity(in.StockLengths.size() - 1));
    b.Length = *MulDivCeil(total, in.StockLengths.front(), in.Capacity(0));
    return b;
}

// From duals y >= 0 of the relaxation, scaled down to integers so that the
// knapsacks are exact: every bar of stock j carries at most M_j of them, the
// pieces need S in all.
std::optional<Bounds> DualBound(const Instance& in, const std::vector<double>& duals,
                                Budget& budget) {
    double top = 0;
    for (double v : duals)
        top = std::max(top, v);
    if (!(top > 0))
        return std::nullopt;
    std::vector<std::int64_t> values;
    const auto sum = ScaledValues(in, duals, kDualScale / top, values);
    if (!sum)
        return std::nullopt;
    std::vector<std::int64_t> counts(in.Items());
    for (std::size_t i = 0; i < in.Items(); ++i)
        counts[i] = values[i] > 0 ? in.PieceCounts[i] : 0;
    std::int64_t bestM = 0;
    std::optional<std::int64_t> length;
    for (std::size_t j = 0; j < in.StockLengths.size(); ++j) {
        const Knapsack knapsack = KnapsackOver(in, counts, in.Capacity(j));
        const std::int64_t cells = knapsack.Cells();
        if (cells > kMaxBoundCells)
            return std::nullopt;
        budget.Spend(std::min(cells, budget.Left));
        const std::int64_t m = knapsack.Table(values, nullptr);
        if (m <= 0)
            continue;
        bestM = std::max(bestM, m);
        const auto l = MulDivCeil(*sum, in.StockLengths[j], m);
        if (!l)
            return std::nullopt;
        length = length ? std::min(*length, *l) : *l;
    }
    if (bestM == 0 || !length)
        return std::nullopt;
    return Bounds{*MulDivCeil(*sum, 1, bestM), *length};
}

// Each bound implies one of the other kind, and the length bought is a sum
// of stock lengths, so a multiple of their greatest common divisor.
Bounds Rounded(const Instance& in, Bounds bounds) {
    bounds.Length = std::max(bounds.Length, bounds.Bars * in.StockLengths.front());
    Millimetres divisor = 0;
    for (Millimetres l : in.StockLengths)
        divisor = std::gcd(divisor, l);
    bounds.Length = *MulDivCeil(bounds.Length, 1, divisor) * divisor;
    bounds.Bars = std::max(bounds.Bars, *MulDivCeil(bounds.Length, 1, in.StockLengths.back()));
    return bounds;
}

Totals Count(const Instance& in, const std::vector<Group>& groups) {
    Totals t;
    for (const Group& g : groups) {
        t.Bars += g.Bars;
        t.Bought += g.Bars * in.StockLengths[g.Stock];
    }
    return t;
}

bool Better(const Instance& in, const Totals& a, const Totals& b) {
    if (in.ByLength)
        return a.Bought != b.Bought ? a.Bought < b.Bought : a.Bars < b.Bars;
    return a.Bars < b.Bars;
}

bool MeetsBound(const Instance& in, const Totals& t, const Bounds& b) {
    return in.ByLength ? t.Bought <= b.Length : t.Bars <= b.Bars;
}

} // namespace tavrilo::cutting::detail
