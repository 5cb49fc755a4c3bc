// Lists of more distinct lengths than the relaxation takes (a site of a few
// hundred meshes has several hundred per diameter): the lengths grouped into
// classes of adjacent lengths, few enough for it.
//
// Every piece cut to its class's shortest length gives a list that any plan
// of the real one also cuts (a shorter piece fits wherever a longer one did),
// so the bound of that list is a bound of the real one. Every piece cut to
// its class's longest length gives a list whose every plan also cuts the real
// pieces, each in the place of its class's longest: the plan of that list,
// with the real pieces put back, is a plan of the real one.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <optional>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// The classes, longest first, when no class spreads over more than `spread`
// millimetres: each takes the longest length not yet taken and every shorter
// one within `spread` of it.
Classes Greedily(const Instance& in, Millimetres spread) {
    Classes c;
    for (std::size_t i = 0; i < in.Items(); ++i)
        if (c.First.empty() || in.PieceLengths[c.First.back()] - in.PieceLengths[i] > spread)
            c.First.push_back(i);
    c.First.push_back(in.Items());
    return c;
}

} // namespace

Classes GroupLengths(const Instance& in, std::size_t limit) {
    // The least spread that needs no more than `limit` classes: the greedy
    // classes are the fewest for a spread, and no more as it grows.
    Millimetres lo = 0;
    Millimetres hi = in.Items() > 0 ? in.PieceLengths.front() - in.PieceLengths.back() : 0;
    while (lo < hi) {
        const Millimetres mid = lo + (hi - lo) / 2;
        if (Greedily(in, mid).Count() <= std::max<std::size_t>(limit, 1))
            hi = mid;
        else
            lo = mid + 1;
    }
    return Greedily(in, lo);
}

Instance Classed(const Instance& in, const Classes& classes, Rounding rounding) {
    Instance out;
    out.StockLengths = in.StockLengths; // the same, so that a group's stock means the same
    out.Kerf = in.Kerf;
    out.ByLength = in.ByLength;
    for (std::size_t c = 0; c < classes.Count(); ++c) {
        const std::size_t first = classes.First[c], end = classes.First[c + 1];
        out.PieceLengths.push_back(in.PieceLengths[rounding == Rounding::Up ? first : end - 1]);
        out.PieceCounts.push_back(std::accumulate(in.PieceCounts.begin() + first,
                                                  in.PieceCounts.begin() + end, std::int64_t{0}));
    }
    return out;
}

std::vector<Group> SwappedBack(const Instance& in, const Classes& classes,
                               const std::vector<Group>& groups) {
    // Each class's pieces in the places its longest had, longest first: the
    // counts of a class add up to what the places need, so every place is filled.
    std::vector<std::int64_t> left = in.PieceCounts;
    std::vector<Group> out;
    for (const Group& g : groups)
        for (std::int64_t copies = g.Bars; copies > 0;) {
            Group bar;
            bar.Stock = g.Stock;
            for (const auto& [c, n] : g.Pieces) {
                std::int64_t places = n;
                for (std::size_t i = classes.First[c]; places > 0 && i < classes.First[c + 1];
                     ++i) {
                    const std::int64_t a = std::min(places, left[i]);
                    if (a > 0) {
                        bar.Pieces.push_back({i, a});
                        places -= a;
                    }
                }
            }
            std::sort(bar.Pieces.begin(), bar.Pieces.end());
            CutAsOften(bar, left, copies);
            copies -= bar.Bars;
            out.push_back(std::move(bar));
        }
    return out;
}

std::optional<Bounds> ClassBound(const Instance& in, const Classes& classes, Budget& budget) {
    const Instance down = Classed(in, classes, Rounding::Down);
    if (!FewCells(down))
        return std::nullopt;
    std::vector<Group> greedy;
    Greedy(down, down.PieceCounts, greedy);
    std::vector<Column> pool = PoolOf(down, greedy);
    std::vector<std::size_t> rows(down.Items());
    std::iota(rows.begin(), rows.end(), std::size_t{0});
    // Its duals give a bound wherever the steps stop it.
    const LpSolution lp = SolveRelaxation(down, rows, down.PieceCounts, pool, budget);
    return DualBound(down, lp.Duals, budget);
}

std::vector<Group> ClassPlan(const Instance& in, const Classes& classes, Budget& budget) {
    const Instance up = Classed(in, classes, Rounding::Up);
    Bounds bounds = MaterialBound(up);
    return SwappedBack(in, classes, PlanFor(up, budget, bounds));
}

} // namespace tavrilo::cutting::detail
