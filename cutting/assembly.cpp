// The library's entry point, and the plan as plan.h gives it: the groups
// found put on their shortest stock, merged, measured and ordered.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

// How a plan is found.
//
// Every problem first gets the greedy plan: bar after bar is filled with the
// longest pieces that still fit, and each way of filling a bar is repeated as
// often as the counts allow, so that a million equal pieces take no longer
// than one. Its bound is the material bound. When the greedy plan misses it,
// the fullest-bar plan is tried (heuristics.cpp): with an eighth of the
// steps, or half when the relaxation is not tried.
//
// Small problems (up to kMaxLpRows distinct lengths, stock short enough to
// price by dynamic programming over millimetres) then have their linear
// relaxation solved by column generation (Gilmore and Gomory) with a dense
// revised simplex; its duals give the lower bound, computed again in
// integers so that rounding can only lower it. Integer plans come from
// rounding the solution down and diving: the columns the relaxation uses at
// least once are taken as often, or, when none is, the most used one once,
// and what is left is solved again, until nothing is left or the steps run
// out (then the greedy plan cuts the rest). Up to kDives dives are made, each
// rounding up a different column first; the best plan found so far is kept
// when none is better. The rows are equations (a column carries no more of a
// piece than is demanded), and any duals, converged or not, give a true
// bound, so the step limit may stop the simplex anywhere.
//
// Lists of more distinct lengths (a site of a few hundred meshes has several
// hundred a diameter) are cut as classes of adjacent lengths, half as many
// as kMaxLpRows and each as narrow as that allows (classes.cpp). With every
// piece cut to its class's shortest length the list is no harder, so the
// bound of its relaxation holds for the real one; it comes first, and may
// prove the plans so far. With every piece cut to its class's longest the
// list is no easier: its plan, made as above, cuts the real pieces, each put
// in a place of its class. Of that plan and the best so far, each improved
// on its own (below), the better is kept.
//
// Every plan, small or large, that still misses its bound is then improved
// with the steps kept back for it (repack.cpp): with one stock length (on
// bars short enough, and few enough pieces), a local search looks for a plan
// of one bar fewer (the squeeze); then the bars
// it fills worst are cut again on their own, as a problem of their own, which
// is small enough for the relaxation.
//
// With stock on hand and prices (Problem::Stocks) the plan of least cost is
// looked for instead, on a path of its own (costs.cpp), so that a problem
// without them is cut exactly as before. A list of a few pieces is solved by
// weighing every way of cutting it (costs_exact.cpp): its cost is then its
// own bound. Otherwise the greedy plan within the bars there are comes first
// (the cheapest bar per millimetre of piece, filled with the longest pieces
// left; and again with every bar holding the longest piece left), then up to
// kDives dives from the relaxation of least cost (costs_master.cpp): a row
// per piece length and one per limited stock, patterns priced per stock by
// the knapsack of its length, artificial columns so that any stock starts
// feasible. The dives round as above, within the bars left, and the greedy
// plan cuts what they leave. Each plan's bars are then moved to the cheapest
// stock with bars left that holds them, and when the best still misses its
// bound, its bars that waste the most cost are cut again exactly as a short
// list of their own. The bound (costs_bound.cpp) is the material at the
// cheapest price per millimetre, or the relaxation's duals made feasible for
// the dual with limits and computed again in integers, raised to the least
// cost the stocks' prices add up to; with new bars at two prices beside free
// ones, to the least whole counts of them that also hold the material, the
// pieces' worth at the duals and the pieces one by one. The squeeze,
// the classes of lengths and the exact search of exact.cpp are not used
// there: none of them knows of limits or prices.

namespace tavrilo::cutting {
namespace detail {
namespace {

// The steps kept back to improve the plan found: 1 / kRepackShare of them.
constexpr std::int64_t kRepackShare = 5;

// `best` with fewer patterns, within `steps`, kept only when it buys the same.
void FewerIn(const Instance& in, std::vector<Group>& best, std::int64_t steps) {
    std::vector<Group> fewer = best;
    Budget budget{std::max<std::int64_t>(steps, 0)};
    FewerPatterns(in, fewer, budget);
    Shorten(in, fewer);
    Shorten(in, best);
    const Totals was = Count(in, best), now = Count(in, fewer);
    if (now.Bars == was.Bars && now.Bought == was.Bought)
        best = std::move(fewer);
}

} // namespace

void Shorten(const Instance& in, std::vector<Group>& groups) {
    for (Group& g : groups) {
        std::int64_t pieces = 0;
        for (const auto& [i, c] : g.Pieces)
            pieces += c;
        const Millimetres need = PiecesLength(in, g) + (pieces - 1) * in.Kerf;
        for (std::size_t j = 0; j < in.StockLengths.size(); ++j)
            if (in.StockLengths[j] >= need) {
                g.Stock = j;
                break;
            }
    }
}

Plan Assemble(const Instance& in, std::vector<Group> groups, const Bounds& bounds) {
    Shorten(in, groups);
    // Equal ways of cutting merged.
    std::map<std::pair<std::size_t, std::vector<std::pair<std::size_t, std::int64_t>>>,
             std::int64_t>
        merged;
    for (Group& g : groups)
        merged[{g.Stock, g.Pieces}] += g.Bars;
    Plan plan;
    for (const auto& [key, bars] : merged) {
        Pattern p;
        p.StockLength = in.StockLengths[key.first];
        for (const auto& [i, c] : key.second)
            p.Pieces.insert(p.Pieces.end(), static_cast<std::size_t>(c), in.PieceLengths[i]);
        p.Count = bars;
        const auto shape = Shape(p.StockLength, p.Pieces, in.Kerf);
        p.Cuts = shape.Cuts;
        p.Offcut = shape.Offcut;
        plan.Bars += bars;
        plan.Bought += bars * p.StockLength;
        plan.Patterns.push_back(std::move(p));
    }
    std::sort(plan.Patterns.begin(), plan.Patterns.end(), PatternOrder);
    plan.LowerBoundBars = bounds.Bars;
    plan.LowerBoundLength = bounds.Length;
    plan.ProvenOptimal = in.ByLength ? plan.Bought == bounds.Length : plan.Bars == bounds.Bars;
    return plan;
}

PatternShape Shape(Millimetres stock, const std::vector<Millimetres>& pieces, Millimetres kerf) {
    PatternShape s;
    const std::int64_t k = static_cast<std::int64_t>(pieces.size());
    Millimetres used = 0;
    for (Millimetres w : pieces)
        used += w;
    s.Rest = stock - used - (k > 0 ? (k - 1) * kerf : 0);
    s.Cuts = s.Rest == 0 ? k - 1 : k;
    s.Offcut = s.Rest > 0 ? std::max<Millimetres>(0, s.Rest - kerf) : 0;
    return s;
}

bool PatternOrder(const Pattern& a, const Pattern& b) {
    const std::size_t n = std::min(a.Pieces.size(), b.Pieces.size());
    for (std::size_t i = 0; i < n; ++i)
        if (a.Pieces[i] != b.Pieces[i])
            return a.Pieces[i] > b.Pieces[i];
    if (a.Pieces.size() != b.Pieces.size())
        return a.Pieces.size() > b.Pieces.size();
    if (a.StockLength != b.StockLength)
        return a.StockLength < b.StockLength;
    return a.Stock < b.Stock;
}

} // namespace detail

Outcome SolveCuttingStock(const Problem& problem, const Limits& limits) {
    using namespace detail;
    if (!problem.Stocks.empty())
        return SolveCosted(problem, limits);
    if (const auto fault = Validate(problem))
        return *fault;
    const Instance in = Normalise(problem);
    if (in.Items() == 0) {
        Plan empty;
        empty.ProvenOptimal = true;
        return empty;
    }
    // Most of the steps for the whole problem; the rest, with what the search
    // leaves, to improve its plan.
    const std::int64_t steps = std::max<std::int64_t>(limits.Steps, 0);
    Budget budget{steps - steps / kRepackShare};
    Bounds bounds = MaterialBound(in);
    std::vector<Group> best = PlanFor(in, budget, bounds);
    Budget again{steps / kRepackShare + budget.Left};
    Improve(in, best, bounds, again);
    FewerIn(in, best, limits.PatternSteps);
    return Assemble(in, std::move(best), Rounded(in, bounds));
}

} // namespace tavrilo::cutting
