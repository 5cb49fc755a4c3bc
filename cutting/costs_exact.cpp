// Short lists with stock on hand solved exactly: the least cost over every way
// of cutting them, by dynamic programming over what is left to cut and the
// bars left of each limited stock. The longest piece left goes on a bar of
// some stock, with some of the shorter ones beside it; every choice is
// weighed, in a fixed order, so the same problem gives the same plan. A
// search that finishes has found the least cost, which is then its own bound.

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

constexpr std::int64_t kNone = INT64_MAX;
// Lists of at most this many pieces are searched, with at most this many steps.
constexpr std::int64_t kExactPieces = 24;
constexpr std::int64_t kExactSteps = 1'000'000;
// Rounds of cutting the worst bars again.
constexpr int kRecutRounds = 4;

class CostSearch {
public:
    CostSearch(const CostedInstance& ci, std::int64_t steps) : ci_(ci), steps_(steps) {}

    std::int64_t Left() const { return std::max<std::int64_t>(steps_, 0); }

    // The least cost from the start, or nothing when the steps run out.
    std::optional<std::int64_t> Run(std::vector<std::int64_t>& state) {
        const std::int64_t cost = Solve(state);
        if (steps_ < 0)
            return std::nullopt;
        return cost;
    }

    // The plan of the least cost found by Run from `state`.
    std::vector<Group> Plan(std::vector<std::int64_t> state) const {
        std::vector<Group> plan;
        while (true) {
            const auto it = memo_.find(state);
            if (it == memo_.end() || it->second.Bar.Pieces.empty())
                return plan;
            const Group& bar = it->second.Bar;
            plan.push_back(bar);
            Apply(state, bar, -1);
        }
    }

private:
    struct Best {
        std::int64_t Cost = kNone;
        Group Bar;
    };

    // The state is the pieces left per item, then the bars left per stock.
    void Apply(std::vector<std::int64_t>& state, const Group& bar, int sign) const {
        for (const auto& [i, c] : bar.Pieces)
            state[i] += sign * c;
        const std::size_t s = ci_.In.Items() + bar.Stock;
        if (state[s] >= 0)
            state[s] += sign;
    }

    std::int64_t Solve(std::vector<std::int64_t>& state) {
        std::size_t first = 0;
        while (first < ci_.In.Items() && state[first] == 0)
            ++first;
        if (first == ci_.In.Items())
            return 0;
        if (const auto it = memo_.find(state); it != memo_.end())
            return it->second.Cost;
        Best best;
        for (std::size_t s = 0; s < ci_.Stocks.size() && steps_ >= 0; ++s) {
            if (state[ci_.In.Items() + s] == 0 || ci_.Capacity(s) < ci_.In.Size(first))
                continue;
            Group bar{s, {{first, 1}}, 1};
            Beside(state, bar, first, ci_.Capacity(s) - ci_.In.Size(first), best);
        }
        memo_[state] = best;
        return best.Cost;
    }

    // Every choice of pieces from item `from` on to go beside on `bar`.
    void Beside(std::vector<std::int64_t>& state, Group& bar, std::size_t from, Millimetres room,
                Best& best) {
        if (--steps_ < 0)
            return;
        Apply(state, bar, -1);
        const std::int64_t after = Solve(state);
        Apply(state, bar, 1);
        const std::int64_t cost = ci_.Stocks[bar.Stock].Cost;
        if (after != kNone && cost + after < best.Cost) {
            best.Cost = cost + after;
            best.Bar = bar;
        }
        for (std::size_t k = from; k < ci_.In.Items() && steps_ >= 0; ++k) {
            std::int64_t onBar = 0;
            for (const auto& [i, c] : bar.Pieces)
                onBar += i == k ? c : 0;
            if (state[k] - onBar == 0 || ci_.In.Size(k) > room)
                continue;
            if (!bar.Pieces.empty() && bar.Pieces.back().first == k)
                ++bar.Pieces.back().second;
            else
                bar.Pieces.push_back({k, 1});
            Beside(state, bar, k, room - ci_.In.Size(k), best);
            if (--bar.Pieces.back().second == 0)
                bar.Pieces.pop_back();
        }
    }

    const CostedInstance& ci_;
    std::int64_t steps_;
    std::map<std::vector<std::int64_t>, Best> memo_;
};

} // namespace

std::optional<std::vector<Group>> CostedExactly(const CostedInstance& ci, Budget& budget) {
    std::int64_t pieces = 0;
    for (const std::int64_t c : ci.In.PieceCounts)
        pieces += c;
    if (pieces > kExactPieces)
        return std::nullopt;
    std::vector<std::int64_t> state = ci.In.PieceCounts;
    for (const Priced& s : ci.Stocks)
        state.push_back(s.Available);
    const std::int64_t steps = std::min(kExactSteps, budget.Left);
    CostSearch search(ci, steps);
    const auto cost = search.Run(state);
    budget.Spend(steps - search.Left());
    if (!cost || *cost == kNone)
        return std::nullopt;
    return search.Plan(state);
}

namespace {

// The bars of `plan` one by one, those that waste the most cost first (the
// cost of a bar times the millimetres it leaves unused).
std::vector<Group> WorstFirst(const CostedInstance& ci, const std::vector<Group>& plan) {
    std::vector<Group> bars;
    for (const Group& g : plan)
        for (std::int64_t k = 0; k < g.Bars; ++k)
            bars.push_back(Group{g.Stock, g.Pieces, 1});
    const auto waste = [&ci](const Group& g) {
        return ci.Stocks[g.Stock].Cost * (ci.Capacity(g.Stock) - PiecesLength(ci.In, g));
    };
    std::stable_sort(bars.begin(), bars.end(),
                     [&](const Group& a, const Group& b) { return waste(a) > waste(b); });
    return bars;
}

// The worst bars of `plan` with at most kExactPieces pieces cut again
// exactly, within the bars the rest leaves; whether that is cheaper.
bool RecutOnce(const CostedInstance& ci, std::vector<Group>& plan, Budget& budget) {
    std::vector<Group> bars = WorstFirst(ci, plan);
    CostedInstance sub = ci;
    std::fill(sub.In.PieceCounts.begin(), sub.In.PieceCounts.end(), 0);
    std::int64_t pieces = 0;
    std::size_t taken = 0;
    for (; taken < bars.size(); ++taken) {
        std::int64_t more = 0;
        for (const auto& [i, c] : bars[taken].Pieces)
            more += c;
        if (pieces + more > kExactPieces)
            break;
        pieces += more;
        for (const auto& [i, c] : bars[taken].Pieces)
            sub.In.PieceCounts[i] += c;
    }
    if (taken < 2)
        return false;
    const std::vector<Group> worst(bars.begin(), bars.begin() + static_cast<std::ptrdiff_t>(taken));
    bars.erase(bars.begin(), bars.begin() + static_cast<std::ptrdiff_t>(taken));
    const std::vector<std::int64_t> left = LeftAfter(ci, bars);
    for (std::size_t s = 0; s < ci.Stocks.size(); ++s)
        sub.Stocks[s].Available = left[s];
    auto again = CostedExactly(sub, budget);
    if (!again || CostOf(ci, *again) >= CostOf(ci, worst))
        return false;
    bars.insert(bars.end(), again->begin(), again->end());
    plan = std::move(bars);
    return true;
}

} // namespace

void RecutWorst(const CostedInstance& ci, std::vector<Group>& plan, Budget& budget) {
    for (int round = 0; round < kRecutRounds && budget.Left > 0; ++round)
        if (!RecutOnce(ci, plan, budget))
            return;
}

} // namespace tavrilo::cutting::detail
