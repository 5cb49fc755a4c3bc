// Lower bounds on the cost of a plan with stock on hand, in whole units of
// the caller's cost, rounded so that rounding can only lower them.
//
// The relaxation, with a plan's bars relaxed to any x_p >= 0 and a piece
// allowed to be cut more often than demanded, is
//   min sum c_s x_p  with  sum_p a_p x_p >= d,  sum_{p on s} x_p <= u_s (s limited);
// its dual is
//   max d.y - sum_s u_s w_s  with  y >= 0, w >= 0, a_p.y - w_s <= c_s for p on s,
// and every feasible (y, w) bounds every plan. For any y >= 0, with V_s(y)
// the most a bar of stock s carries at y (a knapsack over the pieces, at most
// d_i of each), w_s = max(0, V_s(y) - c_s) is feasible for a limited stock;
// an unlimited stock needs V_s(y) <= c_s, so y is first scaled down until
// every unlimited stock has it. The duals are scaled to integers and every
// knapsack is exact, so the bound is exact up to the one rounding: up to the
// next whole unit, which no plan's cost lies below. That is then raised to
// the least cost a plan can add up to (Achievable). When the bars with a
// price are two unlimited stocks (new 9 m and 12 m bars beside free ones on
// hand), their counts m and n are whole numbers that must also hold the
// material the free bars cannot, and carry the pieces' worth at the duals
// (before they are scaled down) that the free bars cannot: the least
// m * a + n * b that does all of it, over every n, is a bound too.

#include "cutting/detail.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <optional>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// The knapsacks of the bound, once per stock length.
constexpr std::int64_t kMaxBoundCells = 400'000'000;
// The largest dual becomes an integer of about this; costs are multiplied by
// at most as much, so that cost times scale fits (costs are at most 10^9).
constexpr double kDualScale = 1073741824.0; // 2^30
constexpr std::int64_t kMaxScale = std::int64_t{1} << 30;
// The least cost two prices add up to is looked for over at most this many
// counts of the dearer bar.
constexpr std::int64_t kMaxAchievableSteps = 1'000'000;

// Whether stock a costs less per millimetre of capacity than b.
bool Cheaper(const CostedInstance& ci, std::size_t a, std::size_t b) {
    return ci.Stocks[a].Cost * ci.Capacity(b) < ci.Stocks[b].Cost * ci.Capacity(a);
}

// The most a bar of each stock length carries at `values`; nothing when a
// knapsack is too large.
std::optional<std::vector<std::int64_t>>
Carried(const CostedInstance& ci, const std::vector<std::int64_t>& values, Budget& budget) {
    std::vector<std::int64_t> counts(ci.In.Items());
    for (std::size_t i = 0; i < ci.In.Items(); ++i)
        counts[i] = values[i] > 0 ? ci.In.PieceCounts[i] : 0;
    std::vector<std::int64_t> carried;
    for (std::size_t j = 0; j < ci.In.StockLengths.size(); ++j) {
        const Knapsack knapsack = KnapsackOver(ci.In, counts, ci.In.Capacity(j));
        if (knapsack.Cells() > kMaxBoundCells)
            return std::nullopt;
        budget.Spend(std::min(knapsack.Cells(), budget.Left));
        carried.push_back(knapsack.Table(values, nullptr));
    }
    return carried;
}

// The values scaled down so that no unlimited stock carries more than it
// costs (times `scale`); false when that cannot be done exactly.
bool FitUnlimited(const CostedInstance& ci, std::int64_t scale, std::vector<std::int64_t>& values,
                  std::vector<std::int64_t>& carried, Budget& budget) {
    std::int64_t over = 0, cost = 1; // the worst carried / cost, as a fraction
    for (std::size_t s = 0; s < ci.Stocks.size(); ++s) {
        if (ci.Limited(s))
            continue;
        const std::int64_t v = carried[ci.Stocks[s].Length];
        const std::int64_t c = ci.Stocks[s].Cost * scale;
        // v / c > over / cost, compared in doubles first, then exactly below.
        if (v > c && static_cast<double>(v) * static_cast<double>(cost) >
                         static_cast<double>(over) * static_cast<double>(c)) {
            over = v;
            cost = c;
        }
    }
    if (over == 0)
        return true;
    for (std::int64_t& v : values)
        v = *MulDivFloor(v, cost, over);
    const auto again = Carried(ci, values, budget);
    if (!again)
        return false;
    carried = *again;
    for (std::size_t s = 0; s < ci.Stocks.size(); ++s)
        if (!ci.Limited(s) && carried[ci.Stocks[s].Length] > ci.Stocks[s].Cost * scale)
            return false;
    return true;
}

// d.y - sum over limited stocks of u_s max(0, V_s - c_s), all times `scale`.
std::optional<std::int64_t> Dual(const CostedInstance& ci, std::int64_t scale,
                                 const std::vector<std::int64_t>& values,
                                 const std::vector<std::int64_t>& carried) {
    std::optional<std::int64_t> sum = 0;
    for (std::size_t i = 0; i < ci.In.Items() && sum; ++i)
        if (const auto add = MulChecked(values[i], ci.In.PieceCounts[i]))
            sum = AddChecked(*sum, *add);
        else
            return std::nullopt;
    for (std::size_t s = 0; s < ci.Stocks.size() && sum; ++s) {
        const std::int64_t excess = carried[ci.Stocks[s].Length] - ci.Stocks[s].Cost * scale;
        if (!ci.Limited(s) || excess <= 0)
            continue;
        const auto lost = MulChecked(ci.Stocks[s].Available, excess);
        sum = lost ? AddChecked(*sum, -*lost) : std::nullopt;
    }
    return sum;
}

// The material the bars that cost something must hold: what the free bars
// on hand cannot; nothing when a free stock has no limit or the bars that
// cost something are not two unlimited stocks.
std::optional<std::int64_t> PaidMaterial(const CostedInstance& ci, std::vector<std::size_t>& paid) {
    std::int64_t material = 0;
    for (std::size_t i = 0; i < ci.In.Items(); ++i)
        material += ci.In.PieceCounts[i] * ci.In.Size(i);
    for (std::size_t s = 0; s < ci.Stocks.size(); ++s) {
        if (ci.Stocks[s].Cost > 0) {
            if (ci.Limited(s))
                return std::nullopt;
            paid.push_back(s);
        } else if (!ci.Limited(s)) {
            return std::nullopt;
        } else {
            const auto held = MulChecked(ci.Stocks[s].Available, ci.Capacity(s));
            material = held ? std::max<std::int64_t>(material - *held, 0) : 0;
        }
    }
    if (paid.size() != 2)
        return std::nullopt;
    return material;
}

// m * A + n * B >= Rhs for m bars of one stock with a price and n of the other.
struct Held {
    std::int64_t A = 0, B = 0, Rhs = 0;
};

// The least m * a + n * b (a, b the two prices) that meets every one of
// `held`, over every n; `bound` when that cannot be told.
std::int64_t Least(std::int64_t a, std::int64_t b, const std::vector<Held>& held,
                   std::int64_t bound) {
    std::int64_t least = INT64_MAX;
    for (std::int64_t n = 0; n <= kMaxAchievableSteps; ++n) {
        std::int64_t m = 0;
        bool possible = true, alone = true; // alone: n meets each that n can meet
        for (const Held& h : held) {
            const auto nB = MulChecked(n, h.B);
            if (!nB)
                return bound;
            const std::int64_t rest = std::max<std::int64_t>(h.Rhs - *nB, 0);
            alone = alone && (rest == 0 || h.B == 0);
            if (rest > 0 && h.A == 0)
                possible = false;
            else if (rest > 0)
                m = std::max(m, *MulDivCeil(rest, 1, h.A));
        }
        if (possible)
            least = std::min(least, m * a + n * b);
        // Past it the cost only grows; a search cut short bounds nothing.
        if (alone)
            return least == INT64_MAX ? bound : least;
    }
    return bound;
}

// With two prices, the least cost m * a + n * b >= bound; when the bars that
// cost are two unlimited stocks, the least that also holds the material the
// free bars cannot (m * A + n * B >= that material), and meets `held`
// (given for those two stocks): every plan does all of it.
std::int64_t TwoPrices(const CostedInstance& ci, std::int64_t bound,
                       const std::vector<Held>& held = {}) {
    std::vector<std::size_t> paid;
    const auto material = PaidMaterial(ci, paid);
    std::int64_t a = 0, b = 0;
    for (const Priced& s : ci.Stocks)
        if (s.Cost > 0)
            (a == 0 || a == s.Cost ? a : b) = s.Cost;
    std::vector<Held> all;
    if (material) {
        a = ci.Stocks[paid[0]].Cost, b = ci.Stocks[paid[1]].Cost;
        all = held;
        all.push_back({ci.Capacity(paid[0]), ci.Capacity(paid[1]), *material});
    }
    all.push_back({a, b, bound});
    return Least(a, b, all, bound);
}

// From the duals before they are scaled down: the pieces' worth, less what
// the free bars on hand carry of it, is carried by the two stocks with a
// price. Nothing when it does not fit or the stocks are not so.
std::optional<Held> Carrying(const CostedInstance& ci, const std::vector<std::int64_t>& values,
                             const std::vector<std::int64_t>& carried) {
    std::vector<std::size_t> paid;
    if (!PaidMaterial(ci, paid))
        return std::nullopt;
    std::optional<std::int64_t> rest = 0;
    for (std::size_t i = 0; i < ci.In.Items() && rest; ++i) {
        const auto add = MulChecked(values[i], ci.In.PieceCounts[i]);
        rest = add ? AddChecked(*rest, *add) : std::nullopt;
    }
    for (std::size_t s = 0; s < ci.Stocks.size() && rest; ++s) {
        if (ci.Stocks[s].Cost > 0)
            continue;
        const auto free = MulChecked(ci.Stocks[s].Available, carried[ci.Stocks[s].Length]);
        rest = free ? AddChecked(*rest, -*free) : std::nullopt;
    }
    if (!rest)
        return std::nullopt;
    return Held{carried[ci.Stocks[paid[0]].Length], carried[ci.Stocks[paid[1]].Length], *rest};
}

} // namespace

std::int64_t Achievable(const CostedInstance& ci, std::int64_t bound) {
    std::vector<std::int64_t> costs;
    for (const Priced& s : ci.Stocks)
        if (s.Cost > 0 && std::find(costs.begin(), costs.end(), s.Cost) == costs.end())
            costs.push_back(s.Cost);
    if (bound <= 0 || costs.empty())
        return std::max<std::int64_t>(bound, 0);
    std::int64_t divisor = 0;
    for (const std::int64_t c : costs)
        divisor = std::gcd(divisor, c);
    bound = *MulDivCeil(bound, 1, divisor) * divisor;
    if (costs.size() != 2 || bound / std::max(costs[0], costs[1]) > kMaxAchievableSteps)
        return bound;
    return TwoPrices(ci, bound);
}

std::int64_t MaterialCost(const CostedInstance& ci) {
    std::int64_t material = 0;
    for (std::size_t i = 0; i < ci.In.Items(); ++i)
        material += ci.In.PieceCounts[i] * ci.In.Size(i);
    std::vector<std::size_t> order(ci.Stocks.size());
    for (std::size_t s = 0; s < order.size(); ++s)
        order[s] = s;
    std::stable_sort(order.begin(), order.end(),
                     [&ci](std::size_t a, std::size_t b) { return Cheaper(ci, a, b); });
    std::int64_t cost = 0;
    for (const std::size_t s : order) {
        if (material == 0)
            break;
        const Millimetres capacity = ci.Capacity(s);
        const auto held = MulChecked(ci.Stocks[s].Available, capacity);
        const std::int64_t take = ci.Limited(s) && held ? std::min(material, *held) : material;
        cost += *MulDivFloor(take, ci.Stocks[s].Cost, capacity);
        material -= take;
    }
    return cost;
}

std::optional<std::int64_t> DualCostBound(const CostedInstance& ci,
                                          const std::vector<double>& duals, Budget& budget) {
    double top = 0;
    for (const double v : duals)
        top = std::max(top, v);
    if (!(top > 0))
        return std::nullopt;
    const std::int64_t scale = static_cast<std::int64_t>(
        std::clamp(std::floor(kDualScale / top), 1.0, static_cast<double>(kMaxScale)));
    std::vector<std::int64_t> values(ci.In.Items());
    for (std::size_t i = 0; i < ci.In.Items(); ++i) {
        const double v = duals[i] > 0 ? std::floor(duals[i] * static_cast<double>(scale)) : 0.0;
        values[i] = static_cast<std::int64_t>(std::min(v, kDualScale));
    }
    auto carried = Carried(ci, values, budget);
    if (!carried)
        return std::nullopt;
    const auto held = Carrying(ci, values, *carried);
    if (!FitUnlimited(ci, scale, values, *carried, budget))
        return std::nullopt;
    const auto dual = Dual(ci, scale, values, *carried);
    if (!dual)
        return std::nullopt;
    // A plan's cost is a whole number no less than dual / scale.
    const std::int64_t bound = *dual > 0 ? *MulDivCeil(*dual, 1, scale) : 0;
    if (!held || bound <= 0)
        return bound;
    std::vector<Held> all = {*held};
    // And the pieces one by one: each bar holds only so many.
    const std::vector<std::int64_t> ones(ci.In.Items(), 1);
    if (const auto most = Carried(ci, ones, budget))
        if (const auto pieces = Carrying(ci, ones, *most))
            all.push_back(*pieces);
    return std::max(bound, TwoPrices(ci, bound, all));
}

} // namespace tavrilo::cutting::detail
