// The least stock length for a short list, by weighing every way of cutting it.

#include "cutting/detail.h"

#include <algorithm>
#include <map>

namespace tavrilo::cutting::detail {
namespace {

// What is left to cut is a count per size, numbered in mixed radix: at most
// kMostStates of them, and at most kMostWays ways of cutting one bar.
constexpr std::int64_t kMostStates = std::int64_t{1} << 18;
constexpr std::size_t kMostWays = std::size_t{1} << 14;
// A plan takes 1 / kExactShare of its steps for it, and never more than kExactSteps.
constexpr std::int64_t kExactShare = 8;
constexpr std::int64_t kExactSteps = 20'000'000;

struct Way {
    std::size_t Stock = 0;
    std::vector<std::int64_t> Counts;
    std::int64_t Step = 0; // how far it moves the state number
};

// The states' numbering: size i counts in units of Stride[i], the last size in ones.
struct Numbering {
    std::vector<std::int64_t> Stride;
    std::int64_t States = 1;
};

std::optional<Numbering> Number(const std::vector<std::int64_t>& demand) {
    Numbering n;
    n.Stride.assign(demand.size(), 0);
    for (std::size_t i = demand.size(); i-- > 0;) {
        n.Stride[i] = n.States;
        if (demand[i] + 1 > kMostStates / n.States)
            return std::nullopt;
        n.States *= demand[i] + 1;
    }
    return n;
}

// Every non-empty way of cutting one bar that the demand allows, grouped by
// the first (longest) size it cuts; each on the shortest stock that holds it.
class WayList {
public:
    WayList(const ExactProblem& p, const Numbering& n) : p_(p), n_(n), byFirst_(p.Sizes.size()) {}

    bool Make() {
        std::vector<std::int64_t> counts(p_.Sizes.size(), 0);
        Extend(0, p_.Capacities.back(), counts);
        return made_ <= kMostWays;
    }
    const std::vector<std::vector<Way>>& ByFirst() const { return byFirst_; }

private:
    void Extend(std::size_t i, Millimetres room, std::vector<std::int64_t>& counts) {
        if (made_ > kMostWays)
            return;
        if (i == counts.size()) {
            Add(counts, p_.Capacities.back() - room);
            return;
        }
        const std::int64_t most = std::min(p_.Demand[i], room / p_.Sizes[i]);
        for (std::int64_t c = most; c >= 0; --c) {
            counts[i] = c;
            Extend(i + 1, room - c * p_.Sizes[i], counts);
        }
        counts[i] = 0;
    }

    void Add(const std::vector<std::int64_t>& counts, Millimetres used) {
        const auto first = std::find_if(counts.begin(), counts.end(), [](auto c) { return c > 0; });
        if (first == counts.end())
            return;
        ++made_;
        Way way;
        while (p_.Capacities[way.Stock] < used)
            ++way.Stock;
        way.Counts = counts;
        for (std::size_t i = 0; i < counts.size(); ++i)
            way.Step += counts[i] * n_.Stride[i];
        byFirst_[static_cast<std::size_t>(first - counts.begin())].push_back(std::move(way));
    }

    const ExactProblem& p_;
    const Numbering& n_;
    std::vector<std::vector<Way>> byFirst_;
    std::size_t made_ = 0;
};

// What the search will count: each state tries the ways that cut its first size.
std::int64_t Work(const ExactProblem& p, const WayList& ways) {
    std::int64_t work = 0;
    for (std::size_t f = 0; f < p.Sizes.size(); ++f) {
        std::int64_t states = p.Demand[f];
        for (std::size_t i = f + 1; i < p.Sizes.size(); ++i)
            states *= p.Demand[i] + 1;
        const auto tries = static_cast<std::int64_t>(ways.ByFirst()[f].size());
        work += states * tries * static_cast<std::int64_t>(p.Sizes.size() + 1);
    }
    return work;
}

struct Best {
    Millimetres Length = -1; // -1: not reached
    std::int64_t Bars = 0;
    std::size_t First = 0; // the way taken: its first size and its place among those
    std::size_t Index = 0;
};

// The best plan for every state in turn: the bar that cuts the longest piece
// left, by every way that cuts it, and the best plan for what that leaves.
std::vector<Best> Search(const ExactProblem& p, const Numbering& n, const WayList& ways) {
    std::vector<Best> best(static_cast<std::size_t>(n.States));
    best[0].Length = 0;
    std::vector<std::int64_t> left(p.Sizes.size(), 0);
    for (std::int64_t s = 1; s < n.States; ++s) {
        for (std::size_t i = left.size(); i-- > 0;) {
            if (++left[i] <= p.Demand[i])
                break;
            left[i] = 0;
        }
        const std::size_t first = static_cast<std::size_t>(
            std::find_if(left.begin(), left.end(), [](auto c) { return c > 0; }) - left.begin());
        Best& here = best[static_cast<std::size_t>(s)];
        const std::vector<Way>& tries = ways.ByFirst()[first];
        for (std::size_t k = 0; k < tries.size(); ++k) {
            const Way& way = tries[k];
            bool fits = true;
            for (std::size_t i = first; i < left.size() && fits; ++i)
                fits = way.Counts[i] <= left[i];
            if (!fits)
                continue;
            const Best& rest = best[static_cast<std::size_t>(s - way.Step)];
            const Millimetres length = rest.Length + p.Lengths[way.Stock];
            const std::int64_t bars = rest.Bars + 1;
            if (here.Length < 0 || length < here.Length ||
                (length == here.Length && bars < here.Bars))
                here = {length, bars, first, k};
        }
    }
    return best;
}

} // namespace

std::optional<std::vector<ExactBar>> LeastLengthExactly(const ExactProblem& problem,
                                                        std::int64_t steps, std::int64_t& spent) {
    spent = 0;
    if (problem.Sizes.empty() || problem.Capacities.empty())
        return std::nullopt;
    const std::optional<Numbering> numbering = Number(problem.Demand);
    if (!numbering)
        return std::nullopt;
    WayList ways(problem, *numbering);
    if (!ways.Make())
        return std::nullopt;
    const std::int64_t work = Work(problem, ways);
    if (work > steps)
        return std::nullopt;
    spent = work;
    const std::vector<Best> best = Search(problem, *numbering, ways);
    // The ways taken from the whole demand down to nothing, counted.
    std::map<std::pair<std::size_t, std::size_t>, std::int64_t> taken;
    for (std::int64_t s = numbering->States - 1; s > 0;) {
        const Best& b = best[static_cast<std::size_t>(s)];
        if (b.Length < 0)
            return std::nullopt;
        ++taken[{b.First, b.Index}];
        s -= ways.ByFirst()[b.First][b.Index].Step;
    }
    std::vector<ExactBar> plan;
    for (const auto& [key, times] : taken) {
        const Way& way = ways.ByFirst()[key.first][key.second];
        plan.push_back({way.Stock, way.Counts, times});
    }
    return plan;
}

std::optional<std::vector<Group>> Exactly(const Instance& in, Budget& budget) {
    ExactProblem exact;
    for (std::size_t i = 0; i < in.Items(); ++i) {
        exact.Sizes.push_back(in.Size(i));
        exact.Demand.push_back(in.PieceCounts[i]);
    }
    for (std::size_t j = 0; j < in.StockLengths.size(); ++j) {
        exact.Capacities.push_back(in.Capacity(j));
        exact.Lengths.push_back(in.StockLengths[j]);
    }
    std::int64_t spent = 0;
    const auto bars =
        LeastLengthExactly(exact, std::min(budget.Left / kExactShare, kExactSteps), spent);
    budget.Spend(spent);
    if (!bars)
        return std::nullopt;
    std::vector<Group> groups;
    for (const ExactBar& bar : *bars) {
        Group g;
        g.Stock = bar.Stock;
        for (std::size_t i = 0; i < in.Items(); ++i)
            if (bar.Counts[i] > 0)
                g.Pieces.push_back({i, bar.Counts[i]});
        g.Bars = bar.Times;
        groups.push_back(std::move(g));
    }
    return groups;
}

} // namespace tavrilo::cutting::detail
