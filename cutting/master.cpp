// The relaxation: column generation (Gilmore and Gomory) over a dense revised
// simplex. The rows are equations (a column carries no more of a piece than is
// demanded), so any duals, converged or not, give a true bound, and the step
// limit may stop the simplex anywhere. The basis arithmetic is in basis.cpp.

#include "cutting/detail.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// Tolerances, relative to costs of at most 1.
constexpr double kReducedCostEps = 1e-9;
constexpr double kDualEps = 1e-12;
// The inverse is made again from the basis every so many pivots (or rows).
constexpr std::size_t kReinvertEvery = 100;
// A master starts from the pool's first kPoolFirst and newest kPoolNewest columns.
constexpr std::size_t kPoolFirst = 256;
constexpr std::size_t kPoolNewest = 2048;
// Columns a partial pricing pass looks at once one of them improves.
constexpr std::size_t kPricingWindow = 200;
// A search that may save a table takes no more than 1 / kSearchShare of its
// cells in steps, and at least kMinSearchNodes nodes. So are knapsacks of at
// most kFewChunks chunks, whose search is short.
constexpr std::int64_t kSearchShare = 4;
constexpr std::int64_t kMinSearchNodes = 1000;
constexpr std::size_t kFewChunks = 64;
// The stock of the exchange columns, which cut no bar.
constexpr std::size_t kExchange = SIZE_MAX;

class Master {
public:
    Master(const Instance& in, std::vector<std::size_t> rows, std::vector<std::int64_t> demand,
           Budget& budget, bool exact)
        : in_(in), rows_(std::move(rows)), demand_(std::move(demand)), m_(rows_.size()),
          budget_(budget), exact_(exact) {}

    LpSolution Solve(std::vector<Column>& pool) {
        Start(pool);
        const std::size_t limit = 400 * m_ + 4000;
        std::size_t pivots = 0;
        basis_.ComputeDuals(columns_);
        // No fewer pivots between reinversions than rows, so that making the
        // inverse again costs no more than the pivots.
        const std::size_t reinvertEvery = std::max(kReinvertEvery, m_);
        for (std::size_t iteration = 0; iteration < limit; ++iteration) {
            // The last pivot's work and the columns priced last time.
            if (!budget_.Spend(
                    static_cast<std::int64_t>(m_ + std::exchange(priced_, 0) + basis_.TakeWork())))
                break;
            std::size_t entering = 0;
            if (!Entering(pool, entering) || !basis_.Pivot(columns_, entering))
                break;
            if (++pivots % reinvertEvery == 0 && !basis_.Reinvert(columns_, demand_, budget_))
                break;
        }
        basis_.ComputeDuals(columns_);
        LpSolution s;
        s.Duals = basis_.Duals();
        for (std::size_t k = 0; k < m_; ++k)
            if (columns_[basis_.BasicColumn(k)].Cost > 0)
                s.X.push_back({basis_.BasicColumn(k), basis_.Value(k)});
        s.Columns = std::move(given_);
        return s;
    }

private:
    std::size_t Add(const Column& c) {
        given_.push_back(c);
        MasterColumn column{c.Stock, Cost(in_, c.Stock), std::vector<double>(m_), false, {}};
        // Clipped to the demands.
        for (std::size_t r = 0; r < m_; ++r) {
            column.Entries[r] =
                static_cast<double>(std::min<std::int64_t>(c.Counts[rows_[r]], demand_[r]));
            if (column.Entries[r] != 0)
                column.Rows.push_back(r);
        }
        columns_.push_back(std::move(column));
        return columns_.size() - 1;
    }

    void Start(const std::vector<Column>& pool) {
        basis_.Start(m_);
        for (std::size_t r = 0; r < m_; ++r)
            StartRow(r);
        // The pool's first columns (the greedy plan's) and its newest: the
        // relaxations of a dive are close to the last, and every column a
        // master holds is priced on each pass.
        for (std::size_t n = 0; n < pool.size(); ++n) {
            if (n >= kPoolFirst && n + kPoolNewest < pool.size())
                continue;
            const Column& c = pool[n];
            bool useful = false;
            for (std::size_t r = 0; r < m_ && !useful; ++r)
                useful = c.Counts[rows_[r]] > 0;
            if (useful)
                Add(c);
        }
        AddExchanges();
    }

    // Row r covered by the cheapest bar per piece for its item alone.
    void StartRow(std::size_t r) {
        const std::size_t i = rows_[r];
        std::size_t bestStock = 0;
        std::int64_t bestCount = 0;
        double bestPer = 0;
        for (std::size_t j = 0; j < in_.StockLengths.size(); ++j) {
            const std::int64_t count = std::min(demand_[r], in_.Capacity(j) / in_.Size(i));
            if (count <= 0)
                continue;
            const double per = Cost(in_, j) / static_cast<double>(count);
            if (bestCount == 0 || per < bestPer) {
                bestStock = j;
                bestCount = count;
                bestPer = per;
            }
        }
        Column c;
        c.Stock = bestStock;
        c.Counts.assign(in_.Items(), 0);
        c.Counts[i] = static_cast<std::int32_t>(bestCount);
        const std::size_t k = Add(c);
        columns_[k].Basic = true;
        basis_.Set(r, k, static_cast<double>(bestCount), static_cast<double>(demand_[r]));
    }

    // A longer piece can always be cut where a shorter one is wanted, so some
    // optimal duals fall as the pieces get shorter. Columns of no cost that
    // trade a longer piece for the next shorter one keep the duals so
    // (dual-optimal inequalities): fewer degenerate pivots, and the same
    // bound. They are no way of cutting a bar and never reach the solution.
    void AddExchanges() {
        for (std::size_t r = 0; r + 1 < m_; ++r) {
            Column c;
            c.Stock = kExchange;
            given_.push_back(std::move(c));
            MasterColumn column{kExchange, 0.0, std::vector<double>(m_, 0.0), false, {r, r + 1}};
            column.Entries[r] = -1.0;
            column.Entries[r + 1] = 1.0;
            columns_.push_back(std::move(column));
        }
    }

    // The entering column: one of the master's that improves, else a new
    // pattern priced by the knapsacks; false when none improves or the steps
    // run out.
    bool Entering(std::vector<Column>& pool, std::size_t& entering) {
        if (PriceColumns(entering))
            return true;
        std::optional<Column> column;
        if (!PricePatterns(column) || !column)
            return false;
        pool.push_back(*column);
        entering = Add(*column);
        return true;
    }

    // Partial pricing: from where the last pass stopped, the best of the
    // first kPricingWindow columns once one of them improves; all of them
    // only when none does.
    bool PriceColumns(std::size_t& entering) {
        double best = -kReducedCostEps;
        bool found = false;
        const std::vector<double>& y = basis_.Duals();
        const std::size_t n = columns_.size();
        const std::size_t start = n > 0 ? cursor_ % n : 0;
        for (std::size_t seen = 0; seen < n; ++seen) {
            const std::size_t k = (start + seen) % n;
            const MasterColumn& c = columns_[k];
            if (found && seen >= kPricingWindow && basis_.Degenerate() <= kDegenerateStreak)
                break;
            if (c.Basic)
                continue;
            priced_ += c.Rows.size();
            double rc = c.Cost;
            for (const std::size_t r : c.Rows)
                rc -= c.Entries[r] * y[r];
            if (c.Cost > 0)
                rc /= c.Cost;
            if (rc < best) {
                best = rc;
                entering = k;
                found = true;
                cursor_ = k + 1;
                // After many pivots that gain nothing, the first column that
                // improves enters (Bland's rule), so that the simplex cannot cycle.
                if (basis_.Degenerate() > kDegenerateStreak)
                    break;
            }
        }
        return found;
    }

    // The new pattern of least reduced cost, one knapsack per stock length,
    // when that cost is below zero; false when the steps run out.
    bool PricePatterns(std::optional<Column>& best) {
        std::vector<double> values(m_);
        for (std::size_t r = 0; r < m_; ++r)
            values[r] = basis_.Duals()[r] > kDualEps ? basis_.Duals()[r] : 0.0;
        double bestCost = -kReducedCostEps;
        for (std::size_t j = 0; j < in_.StockLengths.size(); ++j) {
            std::vector<std::int64_t> choice;
            const auto value = BestPattern(j, values, choice);
            if (!value)
                return false;
            const double rc = (Cost(in_, j) - *value) / Cost(in_, j);
            if (rc < bestCost) {
                bestCost = rc;
                Column c;
                c.Stock = j;
                c.Counts.assign(in_.Items(), 0);
                for (std::size_t r = 0; r < m_; ++r)
                    c.Counts[rows_[r]] = static_cast<std::int32_t>(choice[r]);
                best = std::move(c);
            }
        }
        return true;
    }

    // The most a bar of stock j is worth at `values`, its pieces per row in
    // `choice`; nothing when the steps run out. A search first, no longer
    // than a share of the table it may save.
    std::optional<double> BestPattern(std::size_t j, const std::vector<double>& values,
                                      std::vector<std::int64_t>& choice) {
        std::vector<std::int64_t> counts(m_);
        for (std::size_t r = 0; r < m_; ++r)
            counts[r] = values[r] > 0 ? demand_[r] : 0;
        const Knapsack knapsack = KnapsackOver(in_, rows_, counts, in_.Capacity(j));
        const std::int64_t cells = knapsack.Cells();
        if (cells > kSmallDpCells || knapsack.Chunks() <= kFewChunks) {
            const std::int64_t nodes = cells > kMaxDpCells
                                           ? kSearchNodes
                                           : std::clamp(cells / (kStepsPerNode * kSearchShare),
                                                        kMinSearchNodes, kSearchNodes);
            const Knapsack::Searched found = knapsack.Search(values, nodes, choice);
            if (!budget_.Spend(found.NodesUsed * kStepsPerNode))
                return std::nullopt;
            // Out of nodes: the best found still prices, unless a table can do better.
            if (!found.Exhausted || cells > kMaxDpCells || !exact_ ||
                found.Value > Cost(in_, j) * (1 + kReducedCostEps))
                return found.Value;
        }
        if (!budget_.Spend(cells))
            return std::nullopt;
        return knapsack.Table(values, &choice);
    }

    const Instance& in_;
    std::vector<std::size_t> rows_;
    std::vector<std::int64_t> demand_;
    std::size_t m_;
    Budget& budget_;
    bool exact_;
    std::vector<Column> given_;         // the columns as given, by master column
    std::vector<MasterColumn> columns_; // on this master's rows
    Basis basis_;
    std::size_t priced_ = 0; // entries of the columns priced, for the steps a pass costs
    std::size_t cursor_ = 0; // where the next partial pricing pass starts
};

} // namespace

double Cost(const Instance& in, std::size_t j) {
    return in.ByLength ? static_cast<double>(in.StockLengths[j]) /
                             static_cast<double>(in.StockLengths.back())
                       : 1.0;
}

LpSolution SolveRelaxation(const Instance& in, std::vector<std::size_t> rows,
                           std::vector<std::int64_t> demand, std::vector<Column>& pool,
                           Budget& budget, bool exact) {
    Master master(in, std::move(rows), std::move(demand), budget, exact);
    return master.Solve(pool);
}

} // namespace tavrilo::cutting::detail
