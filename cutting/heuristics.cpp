// Plans without the relaxation: the greedy plan, quick for any size, and the
// fullest-bar plan, slower and closer. Both cut each way of filling a bar as
// often as the counts allow, so that a million equal pieces take no longer
// than one.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// The first item (longest first) of size at most `room`.
std::size_t FirstFitting(const Instance& in, Millimetres room) {
    std::size_t lo = 0, hi = in.Items();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (in.Size(mid) <= room)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

// One bar of stock j filled with the longest pieces left that fit.
Group FillBar(const Instance& in, std::size_t j, const std::vector<std::int64_t>& left,
              const std::set<std::size_t>& active) {
    Group g;
    g.Stock = j;
    Millimetres room = in.Capacity(j);
    std::size_t from = 0;
    while (true) {
        auto it = active.lower_bound(std::max(from, FirstFitting(in, room)));
        if (it == active.end())
            break;
        const std::size_t i = *it;
        const std::int64_t take = std::min(left[i], room / in.Size(i));
        g.Pieces.push_back({i, take});
        room -= take * in.Size(i);
        from = i + 1;
    }
    return g;
}

// A bar of stock j with the item `first` and, beside it, the pieces left that
// fill it most (a knapsack of their lengths); nothing when the steps run out.
// A search first, on large knapsacks: it ends at once on a bar filled exactly.
std::optional<Group> FullestBar(const Instance& in, std::size_t first, std::size_t j,
                                const std::vector<std::int64_t>& left, Budget& budget) {
    const Millimetres room = in.Capacity(j) - in.Size(first);
    std::vector<std::int64_t> counts(in.Items(), 0);
    for (std::size_t r = first; r < in.Items(); ++r)
        counts[r] = left[r] - (r == first ? 1 : 0);
    const Knapsack knapsack = KnapsackOver(in, counts, room);
    std::vector<Millimetres> sizes(in.Items());
    std::vector<double> lengths(in.Items());
    for (std::size_t r = 0; r < in.Items(); ++r) {
        sizes[r] = in.Size(r);
        lengths[r] = static_cast<double>(sizes[r]);
    }
    std::vector<std::int64_t> choice;
    bool found = false;
    if (knapsack.Cells() > kSmallDpCells) {
        const Knapsack::Searched searched = knapsack.Search(lengths, kSearchNodes, choice);
        if (!budget.Spend(searched.NodesUsed * kStepsPerNode))
            return std::nullopt;
        found = !searched.Exhausted || searched.Value == static_cast<double>(room);
    }
    if (!found) {
        if (!budget.Spend(knapsack.Cells()))
            return std::nullopt;
        knapsack.Table(sizes, &choice);
    }
    ++choice[first];
    Group g;
    g.Stock = j;
    for (std::size_t r = 0; r < in.Items(); ++r)
        if (choice[r] > 0)
            g.Pieces.push_back({r, choice[r]});
    return g;
}

} // namespace

Millimetres PiecesLength(const Instance& in, const Group& g) {
    Millimetres used = 0;
    for (const auto& [i, c] : g.Pieces)
        used += c * in.PieceLengths[i];
    return used;
}

void CutAsOften(Group& bar, std::vector<std::int64_t>& left, std::int64_t most) {
    std::int64_t bars = most;
    for (const auto& [i, c] : bar.Pieces)
        bars = std::min(bars, left[i] / c);
    bar.Bars = bars;
    for (const auto& [i, c] : bar.Pieces)
        left[i] -= c * bars;
}

bool Fuller(const Instance& in, const Fill& a, const Fill& b, OnATie tie) {
    const Millimetres lhs = a.Used * in.StockLengths[b.Stock];
    const Millimetres rhs = b.Used * in.StockLengths[a.Stock];
    return tie == OnATie::Fuller ? lhs >= rhs : lhs > rhs;
}

void Greedy(const Instance& in, std::vector<std::int64_t> left, std::vector<Group>& out) {
    std::set<std::size_t> active;
    for (std::size_t i = 0; i < in.Items(); ++i)
        if (left[i] > 0)
            active.insert(i);
    while (!active.empty()) {
        // The stock length the greedy bar fills best. The stock lengths come
        // shortest first, and an equal fill counts as fuller: the longer stock
        // (fewer bars) on a tie.
        Group best;
        Millimetres bestUsed = -1;
        for (std::size_t j = 0; j < in.StockLengths.size(); ++j) {
            Group g = FillBar(in, j, left, active);
            const Millimetres used = PiecesLength(in, g);
            if (g.Pieces.empty())
                continue;
            if (bestUsed < 0 || Fuller(in, {used, j}, {bestUsed, best.Stock}, OnATie::Fuller)) {
                best = std::move(g);
                bestUsed = used;
            }
        }
        CutAsOften(best, left);
        for (const auto& [i, c] : best.Pieces)
            if (left[i] == 0)
                active.erase(i);
        out.push_back(std::move(best));
    }
}

// First fit places each piece, longest first, on the first bar with room: the
// first bar so gets the longest pieces left that fit, which is the bar the
// greedy rule fills, and the next bar is the same while the counts allow,
// which is the repetition the greedy rule cuts. So first fit by decreasing
// length is the greedy plan on the longest stock alone.
std::vector<Group> FirstFitDecreasing(const Instance& in) {
    Instance longest = in;
    longest.StockLengths = {in.StockLengths.back()};
    std::vector<Group> groups;
    Greedy(longest, in.PieceCounts, groups);
    for (Group& g : groups)
        g.Stock = in.StockLengths.size() - 1;
    return groups;
}

// Each bar in turn takes the longest piece left and, beside it, the pieces
// that fill it most, of the stock length it fills best. Slower than the greedy
// plan, and much closer on problems too large for the relaxation, whose bars
// fill exactly only with the right three or four pieces.
std::optional<std::vector<Group>> Fullest(const Instance& in, Budget& budget) {
    std::vector<std::int64_t> left = in.PieceCounts;
    std::vector<Group> out;
    std::size_t first = 0;
    while (true) {
        while (first < in.Items() && left[first] == 0)
            ++first;
        if (first == in.Items())
            return out;
        // Here an equal fill keeps the shorter stock, unlike the greedy
        // plan's rule: the plans (and the benchmark's results) were made so,
        // and the plan is put on the shortest stock that carries it later.
        Group best;
        Millimetres bestUsed = -1;
        for (std::size_t j = 0; j < in.StockLengths.size(); ++j) {
            if (in.Capacity(j) < in.Size(first))
                continue;
            auto g = FullestBar(in, first, j, left, budget);
            if (!g)
                return std::nullopt;
            const Millimetres used = PiecesLength(in, *g);
            if (bestUsed < 0 || Fuller(in, {used, j}, {bestUsed, best.Stock}, OnATie::NotFuller)) {
                best = std::move(*g);
                bestUsed = used;
            }
        }
        CutAsOften(best, left);
        out.push_back(std::move(best));
    }
}

} // namespace tavrilo::cutting::detail
