// A bound from the whole counts of the two new stocks. When the bars with a
// price are two unlimited stocks (new 9 m and 12 m bars) and the rest are
// free bars on hand, every plan's cost is m * a + n * b for whole counts m
// and n of the two. Each pair that costs from the bound up to the plan's cost
// is tried, the cheapest first: the relaxation limited to m and n of those
// bars gives duals, and the dual bound of that limited instance (exact, from
// the knapsacks) above m * a + n * b shows that no plan cuts every piece from
// at most m and n such bars. The first pair not so excluded is a bound, and a
// plan dived for within its bars is the least there is; when every pair is
// excluded, the plan is the cheapest there is.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// The pairs tried are at most so many; a window holding more bounds nothing new.
constexpr std::size_t kMaxPairs = 4096;
// And the relaxations solved for them.
constexpr std::size_t kMaxSolves = 256;
// The dive in the bars of the first pair not excluded gets 1 / this of the steps left.
constexpr std::int64_t kDiveShareOfCounts = 2;

struct Pair {
    std::int64_t Cost = 0, N = 0, M = 0;
    bool operator<(const Pair& o) const {
        return Cost != o.Cost ? Cost < o.Cost : N != o.N ? N < o.N : M < o.M;
    }
};

// The two unlimited stocks with a price, when the others are free and limited.
bool TwoPaid(const CostedInstance& ci, std::vector<std::size_t>& paid) {
    for (std::size_t s = 0; s < ci.Stocks.size(); ++s) {
        if (ci.Stocks[s].Cost > 0 && !ci.Limited(s))
            paid.push_back(s);
        else if (ci.Stocks[s].Cost > 0 || !ci.Limited(s))
            return false;
    }
    return paid.size() == 2;
}

// Every m * a + n * b from `lower` to below `cost`, the cheapest first; none
// when there are more than kMaxPairs.
std::vector<Pair> Pairs(std::int64_t a, std::int64_t b, std::int64_t lower, std::int64_t cost) {
    std::vector<Pair> pairs;
    for (std::int64_t n = 0; n * b < cost; ++n)
        for (std::int64_t m = std::max<std::int64_t>(lower - n * b + a - 1, 0) / a;
             m * a + n * b < cost; ++m) {
            if (pairs.size() == kMaxPairs)
                return {};
            pairs.push_back({m * a + n * b, n, m});
        }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

} // namespace

std::int64_t CountsBound(const CostedInstance& ci, std::int64_t lower, std::vector<Group>& best,
                         std::vector<Column>& pool, Budget& budget) {
    std::vector<std::size_t> paid;
    const std::int64_t cost = CostOf(ci, best);
    if (lower >= cost || !TwoPaid(ci, paid))
        return lower;
    const std::int64_t a = ci.Stocks[paid[0]].Cost, b = ci.Stocks[paid[1]].Cost;
    const std::vector<Pair> pairs = Pairs(a, b, lower, cost);
    if (pairs.empty())
        return lower;
    std::vector<Pair> excluded; // each excludes every pair with no more of either
    std::size_t solves = 0;
    for (const Pair& pair : pairs) {
        if (std::any_of(excluded.begin(), excluded.end(),
                        [&](const Pair& e) { return pair.M <= e.M && pair.N <= e.N; }))
            continue;
        if (solves++ == kMaxSolves || budget.Left <= 0)
            return std::max(lower, pair.Cost);
        CostedInstance limited = ci;
        limited.Stocks[paid[0]].Available = pair.M;
        limited.Stocks[paid[1]].Available = pair.N;
        CostedLp lp =
            SolveCostedRelaxation(limited, ci.In.PieceCounts, LeftAfter(limited, {}), pool, budget);
        const auto bound = DualCostBound(limited, lp.Duals, budget);
        if (bound && *bound > pair.Cost) {
            excluded.push_back(pair);
            continue;
        }
        // Not excluded: the cheapest there may be. A plan within these bars
        // costs no more, and is the least.
        auto plan = WithShare(budget, kDiveShareOfCounts,
                              [&](Budget& part) { return CostedDive(limited, part, lp, 0, pool); });
        if (plan && WithinStock(limited, *plan) && CostOf(ci, *plan) < cost) {
            best = std::move(*plan);
            return std::max(lower, std::min(pair.Cost, CostOf(ci, best)));
        }
        return std::max(lower, pair.Cost);
    }
    return cost;
}

} // namespace tavrilo::cutting::detail
