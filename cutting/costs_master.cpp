// The relaxation of least cost with stock on hand, and the dives that round
// it. The master minimises the cost of the bars, sum of c_s x_p, with a row
// per piece length (an equation, as in master.cpp) and a row per limited
// stock s: the bars cut from it, plus a slack, equal its bars u_s. Each piece
// row starts on an artificial column of a cost no bar reaches, so that the
// first basis is feasible however few bars there are; a piece row still on
// it at the end is one the stock cannot cover. A new pattern for stock s is
// priced by the knapsack of its length at the piece duals y: its reduced
// cost is c_s - y.a - v_s, v_s <= 0 being the dual of the stock's row.

#include "cutting/detail.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

constexpr double kReducedCostEps = 1e-9;
constexpr double kValueEps = 1e-9;
// A piece row's artificial column costs this, the dearest bar 1.
constexpr double kArtificialCost = 1000.0;
constexpr std::size_t kReinvertEvery = 100;
// The columns that cut no bar: artificial (one per piece row) and slack.
constexpr std::size_t kArtificial = SIZE_MAX;
constexpr std::size_t kSlack = SIZE_MAX - 1;
// Each relaxation of a dive after the first gets 1 / kStepShare of the steps left.
constexpr std::int64_t kStepShare = 4;

class CostedMaster {
public:
    CostedMaster(const CostedInstance& ci, const std::vector<std::int64_t>& demand,
                 const std::vector<std::int64_t>& bars, Budget& budget)
        : ci_(ci), bars_(bars), budget_(budget) {
        for (std::size_t i = 0; i < ci.In.Items(); ++i)
            if (demand[i] > 0) {
                rows_.push_back(i);
                rhs_.push_back(demand[i]);
            }
        m_ = rows_.size();
        rowOf_.assign(ci.Stocks.size(), SIZE_MAX);
        for (std::size_t s = 0; s < ci.Stocks.size(); ++s) {
            if (bars[s] > 0) {
                rowOf_[s] = rhs_.size();
                rhs_.push_back(bars[s]);
            }
            if (bars[s] != 0)
                unit_ = std::max(unit_, static_cast<double>(ci.Stocks[s].Cost));
        }
    }

    CostedLp Solve(std::vector<Column>& pool) {
        Start(pool);
        const std::size_t n = rhs_.size();
        const std::size_t limit = 400 * n + 4000;
        basis_.ComputeDuals(columns_);
        for (std::size_t pivots = 0; pivots < limit; ++pivots) {
            if (!budget_.Spend(
                    static_cast<std::int64_t>(n + std::exchange(priced_, 0) + basis_.TakeWork())))
                break;
            std::size_t entering = 0;
            if (!Entering(pool, entering) || !basis_.Pivot(columns_, entering))
                break;
            if ((pivots + 1) % std::max(kReinvertEvery, n) == 0 &&
                !basis_.Reinvert(columns_, rhs_, budget_))
                break;
        }
        basis_.ComputeDuals(columns_);
        return Solution();
    }

private:
    // The LP's cost of a bar of stock s: its cost over the dearest's; with
    // every bar free, its length over the longest's, so that the dives still
    // prefer the bars that waste least.
    double LpCost(std::size_t s) const {
        if (unit_ > 0)
            return static_cast<double>(ci_.Stocks[s].Cost) / unit_;
        return static_cast<double>(ci_.In.StockLengths[ci_.Stocks[s].Length]) /
               static_cast<double>(ci_.In.StockLengths.back());
    }

    void AddSpecial(std::size_t kind, std::size_t row, double cost) {
        given_.push_back(Column{kind, {}});
        MasterColumn column{kind, cost, std::vector<double>(rhs_.size(), 0.0), true, {row}};
        column.Entries[row] = 1.0;
        columns_.push_back(std::move(column));
        basis_.Set(row, columns_.size() - 1, 1.0, static_cast<double>(rhs_[row]));
    }

    std::optional<std::size_t> Add(const Column& c) {
        if (bars_[c.Stock] == 0)
            return std::nullopt;
        MasterColumn column{
            c.Stock, LpCost(c.Stock), std::vector<double>(rhs_.size(), 0.0), false, {}};
        for (std::size_t r = 0; r < m_; ++r) {
            column.Entries[r] =
                static_cast<double>(std::min<std::int64_t>(c.Counts[rows_[r]], rhs_[r]));
            if (column.Entries[r] != 0)
                column.Rows.push_back(r);
        }
        if (column.Rows.empty())
            return std::nullopt;
        if (rowOf_[c.Stock] != SIZE_MAX) {
            column.Entries[rowOf_[c.Stock]] = 1.0;
            column.Rows.push_back(rowOf_[c.Stock]);
        }
        given_.push_back(c);
        columns_.push_back(std::move(column));
        return columns_.size() - 1;
    }

    void Start(const std::vector<Column>& pool) {
        basis_.Start(rhs_.size());
        for (std::size_t r = 0; r < m_; ++r)
            AddSpecial(kArtificial, r, kArtificialCost);
        for (std::size_t s = 0; s < ci_.Stocks.size(); ++s)
            if (rowOf_[s] != SIZE_MAX)
                AddSpecial(kSlack, rowOf_[s], 0.0);
        for (const Column& c : pool)
            Add(c);
    }

    bool Entering(std::vector<Column>& pool, std::size_t& entering) {
        if (PriceColumns(entering))
            return true;
        std::optional<Column> column;
        if (!PricePatterns(column) || !column)
            return false;
        pool.push_back(*column);
        const auto added = Add(*column);
        if (!added)
            return false;
        entering = *added;
        return true;
    }

    // The master's column of least reduced cost; the first that improves
    // after many pivots that gain nothing (Bland's rule).
    bool PriceColumns(std::size_t& entering) {
        const std::vector<double>& y = basis_.Duals();
        double best = -kReducedCostEps;
        bool found = false;
        for (std::size_t k = 0; k < columns_.size(); ++k) {
            const MasterColumn& c = columns_[k];
            if (c.Basic)
                continue;
            priced_ += c.Rows.size();
            double rc = c.Cost;
            for (const std::size_t r : c.Rows)
                rc -= c.Entries[r] * y[r];
            if (rc < best) {
                best = rc;
                entering = k;
                found = true;
                if (basis_.Degenerate() > kDegenerateStreak)
                    break;
            }
        }
        return found;
    }

    // The new pattern of least reduced cost, a knapsack per stock length;
    // false when the steps run out or a knapsack is too large to table.
    bool PricePatterns(std::optional<Column>& best) {
        const std::vector<double>& y = basis_.Duals();
        std::vector<double> values(m_);
        std::vector<std::int64_t> counts(m_);
        for (std::size_t r = 0; r < m_; ++r) {
            values[r] = y[r] > 0 ? y[r] : 0.0;
            counts[r] = values[r] > 0 ? rhs_[r] : 0;
        }
        double bestCost = -kReducedCostEps;
        for (std::size_t j = 0; j < ci_.In.StockLengths.size(); ++j) {
            const Knapsack knapsack = KnapsackOver(ci_.In, rows_, counts, ci_.In.Capacity(j));
            if (knapsack.Cells() > kMaxDpCells || !budget_.Spend(knapsack.Cells()))
                return false;
            std::vector<std::int64_t> choice;
            const double value = knapsack.Table(values, &choice);
            for (std::size_t s = 0; s < ci_.Stocks.size(); ++s) {
                if (ci_.Stocks[s].Length != j || bars_[s] == 0)
                    continue;
                const double rc = LpCost(s) - value - (rowOf_[s] != SIZE_MAX ? y[rowOf_[s]] : 0.0);
                if (rc < bestCost) {
                    bestCost = rc;
                    Column c{s, std::vector<std::int32_t>(ci_.In.Items(), 0)};
                    for (std::size_t r = 0; r < m_; ++r)
                        c.Counts[rows_[r]] = static_cast<std::int32_t>(choice[r]);
                    best = std::move(c);
                }
            }
        }
        return true;
    }

    CostedLp Solution() const {
        CostedLp lp;
        lp.Duals.assign(ci_.In.Items(), 0.0);
        if (unit_ > 0)
            for (std::size_t r = 0; r < m_; ++r)
                lp.Duals[rows_[r]] = basis_.Duals()[r] * unit_;
        lp.Covered = true;
        for (std::size_t k = 0; k < rhs_.size(); ++k) {
            const std::size_t col = basis_.BasicColumn(k);
            const double x = basis_.Value(k);
            if (given_[col].Stock == kArtificial && x > kValueEps)
                lp.Covered = false;
            if (given_[col].Stock < kSlack && x > kValueEps)
                lp.X.push_back({given_[col], x});
        }
        return lp;
    }

    const CostedInstance& ci_;
    const std::vector<std::int64_t>& bars_;
    Budget& budget_;
    std::vector<std::size_t> rows_;  // the items with pieces left
    std::vector<std::int64_t> rhs_;  // per row: pieces, then bars
    std::vector<std::size_t> rowOf_; // per stock, its row, or SIZE_MAX
    std::size_t m_ = 0;              // piece rows
    double unit_ = 0;                // the dearest bar's cost
    std::vector<Column> given_;
    std::vector<MasterColumn> columns_;
    Basis basis_;
    std::size_t priced_ = 0;
};

// The bars of `column` cut from what is left, at most `most` times; whether any.
bool Take(const CostedInstance& ci, const Column& column, std::int64_t most,
          std::vector<std::int64_t>& left, std::vector<std::int64_t>& bars,
          std::vector<Group>& plan) {
    const std::size_t s = column.Stock;
    Group g{s, {}, 0};
    for (std::size_t i = 0; i < ci.In.Items(); ++i) {
        const std::int64_t c = std::min<std::int64_t>(column.Counts[i], left[i]);
        if (c > 0)
            g.Pieces.push_back({i, c});
    }
    if (g.Pieces.empty() || bars[s] == 0)
        return false;
    CutAsOften(g, left, bars[s] < 0 ? most : std::min(most, bars[s]));
    if (g.Bars == 0)
        return false;
    if (bars[s] > 0)
        bars[s] -= g.Bars;
    plan.push_back(std::move(g));
    return true;
}

// The relaxation's columns, the most used first.
std::vector<std::size_t> MostUsed(const CostedLp& lp) {
    std::vector<std::size_t> order(lp.X.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&lp](std::size_t a, std::size_t b) {
        return lp.X[a].second > lp.X[b].second;
    });
    return order;
}

// The columns the relaxation uses at least once taken as often; when none
// is, the most used one once. Whether any bar was taken.
bool Round(const CostedInstance& ci, const CostedLp& lp, std::vector<std::int64_t>& left,
           std::vector<std::int64_t>& bars, std::vector<Group>& plan) {
    const std::vector<std::size_t> order = MostUsed(lp);
    bool taken = false;
    for (const std::size_t k : order) {
        const auto whole = static_cast<std::int64_t>(std::floor(lp.X[k].second + kValueEps));
        if (whole >= 1)
            taken = Take(ci, lp.X[k].first, whole, left, bars, plan) || taken;
    }
    for (std::size_t n = 0; n < order.size() && !taken; ++n)
        taken = Take(ci, lp.X[order[n]].first, 1, left, bars, plan);
    return taken;
}

} // namespace

CostedLp SolveCostedRelaxation(const CostedInstance& ci, const std::vector<std::int64_t>& demand,
                               const std::vector<std::int64_t>& bars, std::vector<Column>& pool,
                               Budget& budget) {
    CostedMaster master(ci, demand, bars, budget);
    return master.Solve(pool);
}

std::optional<std::vector<Group>> CostedDive(const CostedInstance& ci, Budget& budget,
                                             CostedLp& root, std::size_t first,
                                             std::vector<Column>& pool) {
    std::vector<std::int64_t> left = ci.In.PieceCounts;
    std::vector<std::int64_t> bars = LeftAfter(ci, {});
    std::vector<Group> plan;
    if (root.Duals.empty())
        root = SolveCostedRelaxation(ci, left, bars, pool, budget);
    // Dive `first` > 0 starts with the first-th most used column once.
    if (first > 0 && (first > root.X.size() || !root.Covered))
        return std::nullopt;
    if (first > 0 && !Take(ci, root.X[MostUsed(root)[first - 1]].first, 1, left, bars, plan))
        return std::nullopt;
    CostedLp lp = first > 0 ? SolveCostedRelaxation(ci, left, bars, pool, budget) : root;
    while (lp.Covered && Round(ci, lp, left, bars, plan)) {
        if (std::all_of(left.begin(), left.end(), [](std::int64_t c) { return c == 0; }))
            return plan;
        if (budget.Left <= 0)
            break;
        lp = WithShare(budget, kStepShare, [&](Budget& part) {
            return SolveCostedRelaxation(ci, left, bars, pool, part);
        });
    }
    if (!CostedGreedy(ci, left, bars, plan))
        return std::nullopt;
    return plan;
}

} // namespace tavrilo::cutting::detail
