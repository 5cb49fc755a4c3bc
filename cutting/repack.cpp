// A plan improved after the search: a bar squeezed out, then its worst-filled
// bars cut again, with the steps kept back for it.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// The worst-filled bars cut again, in rounds of kRepackBars and fractions and
// multiples of it; then, kMixedRounds times at most, the worst few bars with
// others drawn by a fixed sequence.
constexpr std::int64_t kRepackBars = 12;
constexpr std::int64_t kMixedRounds = 40;
// The squeeze only for plans of at most kSqueezeItems pieces.
constexpr std::int64_t kSqueezeItems = 20000;

// `best` squeezed with half the steps left, when it has one stock length,
// misses the bound and has few enough pieces.
void SqueezeIn(const Instance& in, std::vector<Group>& best, const Bounds& bounds, Budget& budget) {
    if (in.StockLengths.size() != 1 || in.Capacity(0) > kMaxDpCapacity ||
        MeetsBound(in, Count(in, best), Rounded(in, bounds)) ||
        std::accumulate(in.PieceCounts.begin(), in.PieceCounts.end(), std::int64_t{0}) >
            kSqueezeItems)
        return;
    WithShare(budget, 2, [&](Budget& part) {
        if (auto fewer = SqueezeBars(in, best, Rounded(in, bounds).Bars, part))
            best = std::move(*fewer);
    });
}

// How many bars of each group to take out and cut again: the bars the plan
// fills worst, up to `worst` of them, then, with `mixed`, up to as many again
// drawn from the other groups.
std::vector<std::int64_t> Selection(const Instance& in, const std::vector<Group>& groups,
                                    std::int64_t worst, std::int64_t mixed, Draws& draws) {
    std::vector<std::size_t> order(groups.size());
    for (std::size_t k = 0; k < groups.size(); ++k)
        order[k] = k;
    std::vector<Fill> fills(groups.size());
    for (std::size_t k = 0; k < groups.size(); ++k)
        fills[k] = {PiecesLength(in, groups[k]), groups[k].Stock};
    // Emptiest first; equally full ones as they come.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return Fuller(in, fills[b], fills[a], OnATie::NotFuller);
    });
    std::vector<std::int64_t> taken(groups.size(), 0);
    std::int64_t bars = 0;
    for (std::size_t k : order) {
        if (bars >= worst)
            break;
        taken[k] = std::min(groups[k].Bars, worst - bars);
        bars += taken[k];
    }
    for (std::int64_t tries = 0; mixed > 0 && tries < 4 * mixed; ++tries) {
        const std::size_t k = draws.Below(groups.size());
        if (taken[k] < groups[k].Bars) {
            ++taken[k];
            --mixed;
        }
    }
    return taken;
}

// The bars of `taken` cut again on their own: they are few, so the
// relaxation and the dives over their pieces are quick, and the worst-filled
// bars are where rounding leaves its waste. Kept when the new cut is better.
void Repack(const Instance& in, std::vector<Group>& groups, Budget& budget,
            const std::vector<std::int64_t>& taken) {
    std::vector<std::int64_t> demand(in.Items(), 0);
    for (std::size_t k = 0; k < groups.size(); ++k)
        for (const auto& [i, c] : groups[k].Pieces)
            demand[i] += c * taken[k];
    Instance sub;
    sub.StockLengths = in.StockLengths;
    sub.Kerf = in.Kerf;
    sub.ByLength = in.ByLength;
    std::vector<std::size_t> back;
    for (std::size_t i = 0; i < in.Items(); ++i)
        if (demand[i] > 0) {
            sub.PieceLengths.push_back(in.PieceLengths[i]);
            sub.PieceCounts.push_back(demand[i]);
            back.push_back(i);
        }
    if (sub.Items() == 0)
        return;
    Totals before;
    for (std::size_t k = 0; k < groups.size(); ++k) {
        before.Bars += taken[k];
        before.Bought += taken[k] * in.StockLengths[groups[k].Stock];
    }
    Bounds subBounds = MaterialBound(sub);
    // Not over classes of lengths, even when the bars hold more lengths than
    // the relaxation takes: those plans are improved by cutting bars again,
    // and so on without end.
    std::vector<Group> again = PlanFor(sub, budget, subBounds, Classing::Never);
    if (!Better(in, Count(sub, again), before))
        return;
    for (std::size_t k = 0; k < groups.size(); ++k)
        groups[k].Bars -= taken[k];
    std::erase_if(groups, [](const Group& g) { return g.Bars == 0; });
    for (Group& g : again) {
        for (auto& item : g.Pieces)
            item.first = back[item.first];
        groups.push_back(std::move(g));
    }
}

} // namespace

void Improve(const Instance& in, std::vector<Group>& best, const Bounds& bounds, Budget& budget) {
    SqueezeIn(in, best, bounds, budget);
    if (MeetsBound(in, Count(in, best), Rounded(in, bounds)))
        return;
    // First the worst bars alone, in several numbers; then the worst few with
    // as many others drawn by a fixed sequence, so that their pieces can
    // change places with pieces of bars already full. Each round gets half
    // the steps left.
    Draws draws(kDrawSeed);
    const auto round = [&](std::int64_t worst, std::int64_t mixed) {
        WithShare(budget, 2, [&](Budget& part) {
            Repack(in, best, part, Selection(in, best, worst, mixed, draws));
        });
        return MeetsBound(in, Count(in, best), Rounded(in, bounds));
    };
    bool met = false;
    for (std::int64_t bars : {kRepackBars, kRepackBars / 2, kRepackBars * 2, kRepackBars * 4})
        if ((met = round(bars, 0)))
            break;
    for (std::int64_t n = 0; !met && n < kMixedRounds && budget.Left > 0; ++n)
        met = round(kRepackBars / 2, kRepackBars + (n % 3) * kRepackBars / 2);
}

} // namespace tavrilo::cutting::detail
