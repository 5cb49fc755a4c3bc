// The search for a plan: the greedy plan, the fullest bars, and, for problems
// small enough, the relaxation and the dives that round it to whole bars.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// Dives from the relaxation, each first rounding up a different column.
constexpr std::size_t kDives = 8;
// A relaxation within a dive may take 1 / kResolveShare of the steps left.
constexpr std::int64_t kResolveShare = 4;
// The fullest-bar plan may take 1 / kFullestShare of the steps (1 / 2 when the
// relaxation is not tried).
constexpr std::int64_t kFullestShare = 8;
// Lists of more lengths than kMaxLpRows are cut as kClassRows classes of
// lengths; the bound over them may take 1 / kClassBoundShare of the steps.
constexpr std::size_t kClassRows = kMaxLpRows / 2;
constexpr std::int64_t kClassBoundShare = 3;
// A column's value counts as whole this close below it.
constexpr double kIntegralEps = 1e-9;

// The best plan so far and its totals.
struct Incumbent {
    std::vector<Group> Groups;
    Totals Total;

    // `plan` on its shortest stock lengths, kept when it is better.
    void Offer(const Instance& in, std::vector<Group> plan) {
        Shorten(in, plan);
        const Totals t = Count(in, plan);
        if (Better(in, t, Total)) {
            Groups = std::move(plan);
            Total = t;
        }
    }
};

std::vector<std::size_t> AllItems(const Instance& in) {
    std::vector<std::size_t> rows(in.Items());
    for (std::size_t i = 0; i < in.Items(); ++i)
        rows[i] = i;
    return rows;
}

// Up to `copies` bars cut as `column`. Where it carries more of a piece than
// is still needed, the extra places go to the longest shorter pieces that
// are (a shorter piece always fits where a longer one did), and otherwise stay empty.
void TakeCopies(const Instance& in, const Column& column, std::int64_t copies,
                std::vector<std::int64_t>& left, std::vector<Group>& out) {
    while (copies > 0) {
        Group g;
        g.Stock = column.Stock;
        std::int64_t places = 0;
        for (std::size_t i = 0; i < in.Items(); ++i) {
            places += column.Counts[i];
            const std::int64_t a = std::min(places, left[i]);
            if (a > 0) {
                g.Pieces.push_back({i, a});
                places -= a;
            }
        }
        if (g.Pieces.empty())
            return;
        CutAsOften(g, left, copies);
        copies -= g.Bars;
        out.push_back(std::move(g));
    }
}

// The columns of `lp` rounded down, taken from `left`. When no column has a
// whole bar, one bar of a column: the largest, or the `variant`-th largest
// while `variant` is not 0 (it is then set to 0). False when `lp` has no column.
bool RoundDown(const Instance& in, const LpSolution& lp, std::size_t& variant,
               std::vector<std::int64_t>& left, std::vector<Group>& groups) {
    std::vector<std::pair<std::size_t, double>> x = lp.X;
    std::stable_sort(x.begin(), x.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    bool took = false;
    for (const auto& [k, v] : x) {
        const double whole = static_cast<double>(static_cast<std::int64_t>(v + kIntegralEps));
        if (whole >= 1) {
            TakeCopies(in, lp.Columns[k], static_cast<std::int64_t>(whole), left, groups);
            took = true;
        }
    }
    if (!took && !x.empty()) {
        const std::size_t pick = std::min(variant, x.size() - 1);
        variant = 0;
        TakeCopies(in, lp.Columns[x[pick].first], 1, left, groups);
    }
    return !x.empty();
}

// Rounding down and diving from the relaxation of the whole problem: what is
// left is solved again, until nothing is left or the steps run out (then the
// greedy plan cuts the rest). The `variant`-th dive takes its `variant`-th
// largest column the first time no column has a whole bar, so that several
// dives end in different plans.
std::vector<Group> Dive(const Instance& in, const LpSolution& first, std::vector<Column>& pool,
                        Budget& budget, std::size_t variant) {
    std::vector<Group> groups;
    std::vector<std::int64_t> left = in.PieceCounts;
    LpSolution lp = first;
    while (true) {
        const bool hadColumns = RoundDown(in, lp, variant, left, groups);
        std::vector<std::size_t> rows;
        std::vector<std::int64_t> demand;
        for (std::size_t i = 0; i < in.Items(); ++i)
            if (left[i] > 0) {
                rows.push_back(i);
                demand.push_back(left[i]);
            }
        if (rows.empty())
            break;
        if (!hadColumns || budget.Left <= 0) {
            Greedy(in, left, groups);
            break;
        }
        // Each relaxation of what is left gets a share of the steps left, so
        // that a slow one leaves room for the next.
        lp = WithShare(budget, kResolveShare, [&](Budget& part) {
            return SolveRelaxation(in, rows, demand, pool, part, false);
        });
    }
    return groups;
}

// The relaxation of the whole problem, from the greedy plan's ways of cutting,
// its dual bound, and the dives from it while the plan misses the bound.
void RelaxAndDive(const Instance& in, const std::vector<Group>& greedy, Budget& budget,
                  Bounds& bounds, Incumbent& best) {
    std::vector<Column> pool = PoolOf(in, greedy);
    // The first relaxation gets half the steps: when it converges slowly, the
    // dives from where it stopped still have the other half.
    const LpSolution lp = WithShare(budget, 2, [&](Budget& part) {
        return SolveRelaxation(in, AllItems(in), in.PieceCounts, pool, part);
    });
    if (const auto dual = DualBound(in, lp.Duals, budget)) {
        bounds.Bars = std::max(bounds.Bars, dual->Bars);
        bounds.Length = std::max(bounds.Length, dual->Length);
    }
    for (std::size_t variant = 0;
         variant < kDives && budget.Left > 0 && !MeetsBound(in, best.Total, Rounded(in, bounds));
         ++variant)
        best.Offer(in, Dive(in, lp, pool, budget, variant));
}

// With more distinct lengths than the relaxation takes, the bound of their
// classes cut short (classes.cpp), with 1 / kClassBoundShare of the steps.
void BoundByClasses(const Instance& in, const Classes& classes, Budget& budget, Bounds& bounds) {
    WithShare(budget, kClassBoundShare, [&](Budget& part) {
        if (const auto bound = ClassBound(in, classes, part)) {
            bounds.Bars = std::max(bounds.Bars, bound->Bars);
            bounds.Length = std::max(bounds.Length, bound->Length);
        }
    });
}

// The plan of the classes, and the best plan so far, each improved on its
// own with a share of the steps: the plan of the classes may start better and
// end worse. The better of the two is kept.
void PlanByClasses(const Instance& in, const Classes& classes, const Bounds& bounds, Budget& budget,
                   Incumbent& best) {
    std::vector<Group> mine =
        WithShare(budget, 2, [&](Budget& part) { return ClassPlan(in, classes, part); });
    std::vector<Group> theirs = best.Groups;
    WithShare(budget, 2, [&](Budget& part) { Improve(in, theirs, bounds, part); });
    WithShare(budget, 2, [&](Budget& part) { Improve(in, mine, bounds, part); });
    Shorten(in, theirs);
    best = Incumbent{theirs, Count(in, theirs)};
    best.Offer(in, std::move(mine));
}

} // namespace

bool FewCells(const Instance& in) {
    std::int64_t cells = 0;
    bool few = true;
    for (std::size_t j = 0; j < in.StockLengths.size() && few; ++j) {
        cells += KnapsackOver(in, in.PieceCounts, in.Capacity(j)).Cells();
        few = cells <= kMaxDpCells && in.Capacity(j) <= kMaxDpCapacity;
    }
    return few;
}

std::vector<Column> PoolOf(const Instance& in, const std::vector<Group>& groups) {
    std::vector<Column> pool;
    for (const Group& g : groups) {
        Column c;
        c.Stock = g.Stock;
        c.Counts.assign(in.Items(), 0);
        for (const auto& [i, count] : g.Pieces)
            c.Counts[i] = static_cast<std::int32_t>(count);
        pool.push_back(std::move(c));
    }
    return pool;
}

std::vector<Group> PlanFor(const Instance& in, Budget& budget, Bounds& bounds, Classing classing) {
    std::vector<Group> greedy;
    Greedy(in, in.PieceCounts, greedy);
    Shorten(in, greedy);
    Incumbent best{greedy, Count(in, greedy)};
    if (in.ByLength) {
        // No plan should buy more than first fit does; a short list is cut
        // exactly, and its least length is then its bound.
        best.Offer(in, FirstFitDecreasing(in));
        if (!MeetsBound(in, best.Total, Rounded(in, bounds)))
            if (auto exact = Exactly(in, budget)) {
                best.Offer(in, std::move(*exact));
                bounds.Length = std::max(bounds.Length, best.Total.Bought);
                return std::move(best.Groups);
            }
    }
    // The relaxation is tried with few distinct lengths, and knapsacks small
    // enough to table; with many, over classes of them: their bound first,
    // which may prove the plans so far, and their plan last, with the real
    // pieces put back. The fullest-bar plan has its steps as it would without.
    const bool small = in.Items() <= kMaxLpRows && FewCells(in);
    const bool classed = classing == Classing::WhenMany && in.Items() > kMaxLpRows &&
                         in.Capacity(in.StockLengths.size() - 1) <= kMaxDpCapacity;
    const std::int64_t fullestSteps = budget.Left / (small ? kFullestShare : 2);
    const Classes classes = classed ? GroupLengths(in, kClassRows) : Classes{};
    if (classed)
        BoundByClasses(in, classes, budget, bounds);
    if (!MeetsBound(in, best.Total, Rounded(in, bounds))) {
        Budget part{std::min(fullestSteps, budget.Left)};
        const std::int64_t given = part.Left;
        if (auto fullest = Fullest(in, part))
            best.Offer(in, std::move(*fullest));
        budget.Spend(given - part.Left);
    }
    if (small)
        RelaxAndDive(in, greedy, budget, bounds, best);
    else if (classed && !MeetsBound(in, best.Total, Rounded(in, bounds)))
        PlanByClasses(in, classes, bounds, budget, best);
    return std::move(best.Groups);
}

} // namespace tavrilo::cutting::detail
