// Stock on hand and prices: the problem with Stocks checked and put in normal
// form, the greedy plan within the bars there are, the bars moved to cheaper
// stock, and the plan of least cost put together (SolveCosted). The
// relaxation and its dives are in costs_master.cpp, the bounds in
// costs_bound.cpp; how they fit together is told at the top of assembly.cpp.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// A bar's cost in the caller's units is at most this, so that a cost times a
// length, and the count times the dearest cost checked below, fit in 64 bits.
constexpr std::int64_t kMaxCost = 1'000'000'000;
constexpr std::int64_t kMaxTotalCost = std::int64_t{1} << 61;
// Each dive gets 1 / kDiveShare of the steps left.
constexpr std::int64_t kDiveShare = 2;
// Dives made at most, each starting from a different column of the relaxation.
constexpr std::size_t kDives = 8;

bool Usable(const Stock& s) {
    return s.Available != 0;
}

// One bar of stock s filled with the longest pieces left that fit.
Group Fill(const CostedInstance& ci, std::size_t s, const std::vector<std::int64_t>& left) {
    Group g;
    g.Stock = s;
    Millimetres room = ci.Capacity(s);
    for (std::size_t i = 0; i < ci.In.Items(); ++i) {
        const std::int64_t take = std::min(left[i], room / ci.In.Size(i));
        if (take <= 0)
            continue;
        g.Pieces.push_back({i, take});
        room -= take * ci.In.Size(i);
    }
    return g;
}

// Whether bar `a` costs less per millimetre of piece than `b`; of two that
// cost the same, the fuller.
bool Cheaper(const CostedInstance& ci, const Group& a, const Group& b) {
    const Millimetres ua = PiecesLength(ci.In, a), ub = PiecesLength(ci.In, b);
    const std::int64_t lhs = ci.Stocks[a.Stock].Cost * ub;
    const std::int64_t rhs = ci.Stocks[b.Stock].Cost * ua;
    return lhs != rhs ? lhs < rhs : ua > ub;
}

// The greedy plan, each bar holding the longest piece left when `anchored`.
bool GreedyPass(const CostedInstance& ci, std::vector<std::int64_t> left,
                std::vector<std::int64_t> bars, bool anchored, std::vector<Group>& out) {
    while (true) {
        std::size_t longest = 0;
        while (longest < ci.In.Items() && left[longest] == 0)
            ++longest;
        if (longest == ci.In.Items())
            return true;
        std::optional<Group> best;
        for (std::size_t s = 0; s < ci.Stocks.size(); ++s) {
            if (bars[s] == 0 || (anchored && ci.Capacity(s) < ci.In.Size(longest)))
                continue;
            Group g = Fill(ci, s, left);
            if (!g.Pieces.empty() && (!best || Cheaper(ci, g, *best)))
                best = std::move(g);
        }
        if (!best)
            return false;
        const std::size_t s = best->Stock;
        CutAsOften(*best, left, bars[s] < 0 ? INT64_MAX : bars[s]);
        if (bars[s] > 0)
            bars[s] -= best->Bars;
        out.push_back(std::move(*best));
    }
}

Millimetres Need(const Instance& in, const Group& g) {
    std::int64_t pieces = 0;
    for (const auto& [i, c] : g.Pieces)
        pieces += c;
    return PiecesLength(in, g) + (pieces - 1) * in.Kerf;
}

// The cheapest stock other than g's with a bar left that holds g's pieces
// and costs less (or as much, and is shorter); nothing when there is none.
std::optional<std::size_t> CheaperStock(const CostedInstance& ci, const Group& g,
                                        const std::vector<std::int64_t>& bars) {
    const Millimetres need = Need(ci.In, g);
    const auto key = [&ci](std::size_t s) {
        return std::pair(ci.Stocks[s].Cost, ci.In.StockLengths[ci.Stocks[s].Length]);
    };
    std::optional<std::size_t> best;
    for (std::size_t s = 0; s < ci.Stocks.size(); ++s) {
        if (bars[s] == 0 || ci.In.StockLengths[ci.Stocks[s].Length] < need)
            continue;
        if (key(s) < key(g.Stock) && (!best || key(s) < key(*best)))
            best = s;
    }
    return best;
}

} // namespace

Problem Lengths(const Problem& problem) {
    Problem lengths{{}, problem.Kerf, problem.Pieces, {}};
    for (const Stock& s : problem.Stocks)
        lengths.StockLengths.push_back(s.Length);
    return lengths;
}

std::optional<ProblemFault> ValidateCosted(const Problem& p) {
    if (const auto fault = Validate(Lengths(p)))
        return fault;
    std::int64_t dearest = 0;
    for (const Stock& s : p.Stocks) {
        if (s.Available < -1 || s.Cost < 0)
            return ProblemFault::BadLength;
        if (s.Cost > kMaxCost)
            return ProblemFault::TooLarge;
        dearest = std::max(dearest, s.Cost);
    }
    std::int64_t count = 0;
    for (const Demand& d : p.Pieces)
        count += d.Count;
    const auto total = MulChecked(count, dearest);
    if (!total || *total > kMaxTotalCost)
        return ProblemFault::TooLarge;
    for (const Demand& d : p.Pieces) {
        bool fits = false;
        for (const Stock& s : p.Stocks)
            fits = fits || (Usable(s) && s.Length >= d.Length);
        if (!fits)
            return ProblemFault::NotEnoughStock;
    }
    return std::nullopt;
}

CostedInstance NormaliseCosted(const Problem& p) {
    Problem usable{{}, p.Kerf, p.Pieces, {}};
    for (const Stock& s : p.Stocks)
        if (Usable(s))
            usable.StockLengths.push_back(s.Length);
    CostedInstance ci;
    ci.In = Normalise(usable);
    const std::vector<Millimetres>& lengths = ci.In.StockLengths;
    for (std::size_t k = 0; k < p.Stocks.size(); ++k) {
        const Stock& s = p.Stocks[k];
        const auto it = std::lower_bound(lengths.begin(), lengths.end(), s.Length);
        if (Usable(s) && it != lengths.end() && *it == s.Length)
            ci.Stocks.push_back(
                {k, static_cast<std::size_t>(it - lengths.begin()), s.Available, s.Cost});
    }
    return ci;
}

std::int64_t CostOf(const CostedInstance& ci, const std::vector<Group>& groups) {
    std::int64_t cost = 0;
    for (const Group& g : groups)
        cost += g.Bars * ci.Stocks[g.Stock].Cost;
    return cost;
}

std::vector<std::int64_t> LeftAfter(const CostedInstance& ci, const std::vector<Group>& groups) {
    std::vector<std::int64_t> bars(ci.Stocks.size());
    for (std::size_t s = 0; s < ci.Stocks.size(); ++s)
        bars[s] = ci.Stocks[s].Available;
    for (const Group& g : groups)
        if (ci.Limited(g.Stock))
            bars[g.Stock] -= g.Bars;
    return bars;
}

bool WithinStock(const CostedInstance& ci, const std::vector<Group>& groups) {
    const std::vector<std::int64_t> bars = LeftAfter(ci, groups);
    for (std::size_t s = 0; s < ci.Stocks.size(); ++s)
        if (ci.Limited(s) && bars[s] < 0)
            return false;
    return true;
}

bool CostedGreedy(const CostedInstance& ci, std::vector<std::int64_t> left,
                  std::vector<std::int64_t> bars, std::vector<Group>& out) {
    // Unanchored first: the cheapest bar per millimetre, which may leave the
    // longest pieces without the bars that hold them; then anchored.
    std::vector<Group> free, anchored;
    const bool freeDone = GreedyPass(ci, left, bars, false, free);
    const bool anchoredDone = GreedyPass(ci, left, bars, true, anchored);
    if (!freeDone && !anchoredDone)
        return false;
    const bool takeFree = freeDone && (!anchoredDone || CostOf(ci, free) <= CostOf(ci, anchored));
    std::vector<Group>& chosen = takeFree ? free : anchored;
    out.insert(out.end(), chosen.begin(), chosen.end());
    return true;
}

void Cheapen(const CostedInstance& ci, std::vector<Group>& groups) {
    std::vector<std::int64_t> bars = LeftAfter(ci, groups);
    for (std::size_t n = 0; n < groups.size(); ++n) {
        while (const auto to = CheaperStock(ci, groups[n], bars)) {
            Group& g = groups[n];
            const std::int64_t moved = bars[*to] < 0 ? g.Bars : std::min(bars[*to], g.Bars);
            if (bars[*to] > 0)
                bars[*to] -= moved;
            if (ci.Limited(g.Stock))
                bars[g.Stock] += moved;
            if (moved == g.Bars) {
                g.Stock = *to;
                continue;
            }
            Group part{*to, g.Pieces, moved};
            g.Bars -= moved;
            groups.push_back(std::move(part));
        }
    }
}

namespace {

Totals CountCosted(const CostedInstance& ci, const std::vector<Group>& groups) {
    Totals t;
    for (const Group& g : groups) {
        t.Bars += g.Bars;
        t.Bought += g.Bars * ci.In.StockLengths[ci.Stocks[g.Stock].Length];
    }
    return t;
}

// Of two plans within the stock, the cheaper; then the fewer bars, then the shorter.
bool CostedBetter(const CostedInstance& ci, const std::vector<Group>& a,
                  const std::vector<Group>& b) {
    const std::int64_t ca = CostOf(ci, a), cb = CostOf(ci, b);
    if (ca != cb)
        return ca < cb;
    const Totals ta = CountCosted(ci, a), tb = CountCosted(ci, b);
    return ta.Bars != tb.Bars ? ta.Bars < tb.Bars : ta.Bought < tb.Bought;
}

Plan AssembleCosted(const CostedInstance& ci, const std::vector<Group>& groups,
                    std::int64_t lowerCost) {
    std::map<std::pair<std::size_t, std::vector<std::pair<std::size_t, std::int64_t>>>,
             std::int64_t>
        merged;
    for (const Group& g : groups)
        merged[{g.Stock, g.Pieces}] += g.Bars;
    Plan plan;
    for (const auto& [key, bars] : merged) {
        const Priced& stock = ci.Stocks[key.first];
        Pattern p;
        p.StockLength = ci.In.StockLengths[stock.Length];
        p.Stock = stock.Index;
        for (const auto& [i, c] : key.second)
            p.Pieces.insert(p.Pieces.end(), static_cast<std::size_t>(c), ci.In.PieceLengths[i]);
        p.Count = bars;
        const auto shape = Shape(p.StockLength, p.Pieces, ci.In.Kerf);
        p.Cuts = shape.Cuts;
        p.Offcut = shape.Offcut;
        plan.Bars += bars;
        plan.Bought += bars * p.StockLength;
        plan.Cost += bars * stock.Cost;
        plan.Patterns.push_back(std::move(p));
    }
    std::sort(plan.Patterns.begin(), plan.Patterns.end(), PatternOrder);
    const Bounds bounds = Rounded(ci.In, MaterialBound(ci.In));
    plan.LowerBoundBars = bounds.Bars;
    plan.LowerBoundLength = bounds.Length;
    plan.LowerBoundCost = lowerCost;
    plan.ProvenOptimal = plan.Cost == lowerCost;
    return plan;
}

// `plan` with fewer patterns, within `steps`: each stock keeps its bars, so
// the cost stays as it was.
void FewerCosted(const CostedInstance& ci, std::vector<Group>& plan, std::int64_t steps) {
    std::vector<Millimetres> sizes(ci.In.Items()), rooms(ci.Stocks.size());
    for (std::size_t i = 0; i < sizes.size(); ++i)
        sizes[i] = ci.In.Size(i);
    for (std::size_t s = 0; s < rooms.size(); ++s)
        rooms[s] = ci.Capacity(s);
    std::vector<Group> fewer = plan;
    Budget budget{std::max<std::int64_t>(steps, 0)};
    FewerPatterns(sizes, rooms, fewer, budget);
    if (CostOf(ci, fewer) == CostOf(ci, plan) && WithinStock(ci, fewer))
        plan = std::move(fewer);
}

} // namespace

Outcome SolveCosted(const Problem& problem, const Limits& limits) {
    if (const auto fault = ValidateCosted(problem))
        return *fault;
    const CostedInstance ci = NormaliseCosted(problem);
    if (ci.In.Items() == 0) {
        Plan empty;
        empty.ProvenOptimal = true;
        return empty;
    }
    Budget budget{std::max<std::int64_t>(limits.Steps, 0)};
    if (auto exact = CostedExactly(ci, budget)) {
        Cheapen(ci, *exact);
        FewerCosted(ci, *exact, limits.PatternSteps);
        return AssembleCosted(ci, *exact, CostOf(ci, *exact));
    }
    std::optional<std::vector<Group>> best;
    std::vector<Group> greedy;
    if (CostedGreedy(ci, ci.In.PieceCounts, LeftAfter(ci, {}), greedy)) {
        Cheapen(ci, greedy);
        best = std::move(greedy);
    }
    CostedLp root;
    std::vector<Column> pool;
    std::int64_t lower = MaterialCost(ci);
    const bool relaxed = ci.In.Items() <= kMaxLpRows && FewCells(ci.In);
    for (std::size_t dive = 0; relaxed && dive < kDives && budget.Left > 0; ++dive) {
        auto dived = WithShare(budget, kDiveShare, [&](Budget& part) {
            return CostedDive(ci, part, root, dive, pool);
        });
        if (dive == 0 && !root.Duals.empty())
            if (const auto dual = DualCostBound(ci, root.Duals, budget))
                lower = std::max(lower, *dual);
        lower = Achievable(ci, lower);
        if (dived)
            Cheapen(ci, *dived);
        if (dived && (!best || CostedBetter(ci, *dived, *best)))
            best = std::move(dived);
        if (best && CostOf(ci, *best) <= lower)
            break;
    }
    if (!best)
        return ProblemFault::NotEnoughStock;
    if (CostOf(ci, *best) > lower) {
        RecutWorst(ci, *best, budget);
        Cheapen(ci, *best);
    }
    lower = Achievable(ci, lower);
    if (relaxed && CostOf(ci, *best) > lower)
        lower = CountsBound(ci, lower, *best, pool, budget);
    FewerCosted(ci, *best, limits.PatternSteps);
    return AssembleCosted(ci, *best, lower);
}

} // namespace tavrilo::cutting::detail
