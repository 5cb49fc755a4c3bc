// What is wrong with a plan: each of plan.h's promises checked on its own,
// from the problem as given, without the optimiser's normal form.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tavrilo::cutting {
namespace {

using Fault = std::optional<std::string>;
using Wanted = std::map<Millimetres, std::int64_t>;

std::string Str(std::int64_t v) {
    return std::to_string(v);
}

// The pieces of `p` taken off `wanted`, so that too many is caught before any
// overflow; their length in `used`.
Fault TakePieces(const Pattern& p, Wanted& wanted, Millimetres& used) {
    used = 0;
    for (Millimetres w : p.Pieces) {
        const auto it = wanted.find(w);
        if (it == wanted.end())
            return "piece " + Str(w) + " is not demanded";
        if (it->second < p.Count)
            return "more pieces of " + Str(w) + " than demanded";
        it->second -= p.Count;
        used += w;
    }
    return std::nullopt;
}

// One pattern on its own: offered stock, a count, its pieces, their fit, its
// cuts and offcut.
Fault CheckPattern(const Problem& problem, const std::set<Millimetres>& stock, const Pattern& p,
                   Wanted& wanted) {
    if (!stock.count(p.StockLength))
        return "stock length " + Str(p.StockLength) + " is not offered";
    if (p.Count < 1)
        return "count " + Str(p.Count) + " is less than 1";
    if (p.Pieces.empty())
        return "no pieces";
    if (!std::is_sorted(p.Pieces.begin(), p.Pieces.end(), std::greater<>()))
        return "pieces not longest first";
    Millimetres used = 0;
    if (auto fault = TakePieces(p, wanted, used))
        return fault;
    const std::int64_t k = static_cast<std::int64_t>(p.Pieces.size());
    if (used + (k - 1) * problem.Kerf > p.StockLength)
        return "the pieces and kerfs are longer than the bar";
    const detail::PatternShape shape = detail::Shape(p.StockLength, p.Pieces, problem.Kerf);
    if (p.Cuts != shape.Cuts)
        return "cuts " + Str(p.Cuts) + ", should be " + Str(shape.Cuts);
    if (p.Offcut != shape.Offcut)
        return "offcut " + Str(p.Offcut) + ", should be " + Str(shape.Offcut);
    return std::nullopt;
}

// With Stocks: each pattern's stock, no stock used more often than it has,
// and the cost and its bound; without, no cost at all.
Fault CheckStocks(const Problem& problem, const Plan& plan) {
    if (problem.Stocks.empty()) {
        for (const Pattern& p : plan.Patterns)
            if (p.Stock != 0)
                return "a pattern names stock " + Str(static_cast<std::int64_t>(p.Stock));
        if (plan.Cost != 0 || plan.LowerBoundCost != 0)
            return std::string("a cost without stocks");
        return std::nullopt;
    }
    std::vector<std::int64_t> used(problem.Stocks.size(), 0);
    std::int64_t cost = 0;
    for (const Pattern& p : plan.Patterns) {
        if (p.Stock >= problem.Stocks.size() || problem.Stocks[p.Stock].Length != p.StockLength)
            return "stock " + Str(static_cast<std::int64_t>(p.Stock)) + " is not of length " +
                   Str(p.StockLength);
        used[p.Stock] += p.Count;
        cost += p.Count * problem.Stocks[p.Stock].Cost;
    }
    for (std::size_t s = 0; s < used.size(); ++s)
        if (problem.Stocks[s].Available >= 0 && used[s] > problem.Stocks[s].Available)
            return "stock " + Str(static_cast<std::int64_t>(s)) + ": " + Str(used[s]) +
                   " bars used of " + Str(problem.Stocks[s].Available);
    if (plan.Cost != cost)
        return "Cost " + Str(plan.Cost) + ", the patterns have " + Str(cost);
    if (plan.LowerBoundCost < 0 || plan.LowerBoundCost > cost)
        return "LowerBoundCost " + Str(plan.LowerBoundCost) + " is not between 0 and " + Str(cost);
    if (plan.ProvenOptimal != (cost == plan.LowerBoundCost))
        return std::string("ProvenOptimal is ") + (plan.ProvenOptimal ? "true" : "false") +
               " against the cost's bound";
    return std::nullopt;
}

// The totals and the bounds against what the patterns add up to; whether
// the plan is proven by them when it minimises bars or length.
Fault CheckTotals(const Plan& plan, std::int64_t bars, Millimetres bought, bool byLength,
                  bool costed) {
    if (plan.Bars != bars)
        return "Bars " + Str(plan.Bars) + ", the patterns have " + Str(bars);
    if (plan.Bought != bought)
        return "Bought " + Str(plan.Bought) + ", the patterns have " + Str(bought);
    if (plan.LowerBoundBars < 0 || plan.LowerBoundBars > bars)
        return "LowerBoundBars " + Str(plan.LowerBoundBars) + " is not between 0 and " + Str(bars);
    if (plan.LowerBoundLength < 0 || plan.LowerBoundLength > bought)
        return "LowerBoundLength " + Str(plan.LowerBoundLength) + " is not between 0 and " +
               Str(bought);
    const bool proven = byLength ? bought == plan.LowerBoundLength : bars == plan.LowerBoundBars;
    if (!costed && plan.ProvenOptimal != proven)
        return std::string("ProvenOptimal is ") + (plan.ProvenOptimal ? "true" : "false") +
               " against the bounds";
    return std::nullopt;
}

} // namespace

std::optional<std::string> VerifyPlan(const Problem& problem, const Plan& plan) {
    const auto refused =
        problem.Stocks.empty() ? detail::Validate(problem) : detail::ValidateCosted(problem);
    if (refused)
        return "the problem is refused (fault " + std::to_string(static_cast<int>(*refused)) + ")";
    const Problem lengths = problem.Stocks.empty() ? problem : detail::Lengths(problem);
    Wanted wanted;
    for (const Demand& d : problem.Pieces)
        wanted[d.Length] += d.Count;
    const std::set<Millimetres> stock(lengths.StockLengths.begin(), lengths.StockLengths.end());
    std::int64_t bars = 0;
    Millimetres bought = 0;
    for (std::size_t n = 0; n < plan.Patterns.size(); ++n) {
        const Pattern& p = plan.Patterns[n];
        const std::string at = "pattern " + std::to_string(n) + ": ";
        if (auto fault = CheckPattern(problem, stock, p, wanted))
            return at + *fault;
        if (n > 0) {
            const Pattern& q = plan.Patterns[n - 1];
            if (!detail::PatternOrder(q, p))
                return at +
                       (q.Pieces == p.Pieces && q.StockLength == p.StockLength && q.Stock == p.Stock
                            ? "the same as the one before"
                            : "out of order");
        }
        bars += p.Count;
        bought += p.Count * p.StockLength;
    }
    for (const auto& [w, left] : wanted)
        if (left != 0)
            return std::to_string(left) + " pieces of " + std::to_string(w) + " not cut";
    if (auto fault = CheckTotals(plan, bars, bought, stock.size() > 1, !problem.Stocks.empty()))
        return fault;
    return CheckStocks(problem, plan);
}

} // namespace tavrilo::cutting
