#include "cutting/plan.h"

#include "cutting/detail.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// How a plan is found.
//
// Small problems (up to kMaxLpRows distinct lengths, stock short enough to
// price by dynamic programming over millimetres): the linear relaxation is
// solved by column generation (Gilmore and Gomory) with a dense revised
// simplex; its duals give the lower bound, computed again in integers so that
// rounding can only lower it. The integer plan comes from rounding the
// solution down and diving: the columns the relaxation uses at least once are
// taken as often, or, when none is, the most used one once, and what is left
// is solved again, until nothing is left or the steps run out (then the
// greedy plan below cuts the rest). Up to kDives dives are made, each
// rounding up a different column first; the greedy plan of the whole problem
// is kept when none is better. When the best plan still misses the bound,
// and there is one stock length, a local search looks for a plan of one bar
// fewer (the squeeze below); then the bars it fills worst are cut again on
// their own, the same way, with the steps kept back for it. The rows are
// equations (a column carries no more of a piece than is demanded), and any
// duals, converged or not, give a true bound, so the step limit may stop the
// simplex anywhere.
//
// Larger problems get the greedy plan alone with the material bound: bar
// after bar is filled with the longest pieces that still fit, and each way of
// filling a bar is repeated as often as the counts allow, so that a million
// equal pieces take no longer than one.

namespace tavrilo::cutting {
namespace detail {

bool Budget::Spend(std::int64_t steps) {
    if (steps < 0 || steps > Left) {
        Left = 0;
        return false;
    }
    Left -= steps;
    return true;
}

std::optional<std::int64_t> MulDivCeil(std::int64_t a, std::int64_t b, std::int64_t m) {
    if (a < 0 || b < 0 || m <= 0)
        return std::nullopt;
    // a * b as 128 bits in two halves, from 32-bit parts.
    const std::uint64_t ua = static_cast<std::uint64_t>(a);
    const std::uint64_t ub = static_cast<std::uint64_t>(b);
    const std::uint64_t a0 = ua & 0xffffffffu, a1 = ua >> 32;
    const std::uint64_t b0 = ub & 0xffffffffu, b1 = ub >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t middle = (p00 >> 32) + (p01 & 0xffffffffu) + (p10 & 0xffffffffu);
    const std::uint64_t lo = (middle << 32) | (p00 & 0xffffffffu);
    const std::uint64_t hi = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
    // Long division by m (< 2^63, so the remainder doubled never overflows).
    const std::uint64_t um = static_cast<std::uint64_t>(m);
    std::uint64_t rem = 0, qhi = 0, qlo = 0;
    for (int bit = 127; bit >= 0; --bit) {
        const std::uint64_t next = bit >= 64 ? (hi >> (bit - 64)) & 1u : (lo >> bit) & 1u;
        rem = (rem << 1) | next;
        if (rem >= um) {
            rem -= um;
            if (bit >= 64)
                qhi |= std::uint64_t{1} << (bit - 64);
            else
                qlo |= std::uint64_t{1} << bit;
        }
    }
    if (qhi != 0 || qlo > static_cast<std::uint64_t>(INT64_MAX - 1))
        return std::nullopt;
    return static_cast<std::int64_t>(qlo) + (rem != 0 ? 1 : 0);
}

std::optional<std::int64_t> AddChecked(std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    if (__builtin_add_overflow(a, b, &r))
        return std::nullopt;
    return r;
}

std::optional<std::int64_t> MulChecked(std::int64_t a, std::int64_t b) {
    std::int64_t r = 0;
    if (__builtin_mul_overflow(a, b, &r))
        return std::nullopt;
    return r;
}

} // namespace detail

namespace {

using detail::Budget;

// Inputs beyond these are TooLarge: every sum and product the plan and its
// bounds need then fits in 64 bits.
constexpr Millimetres kMaxLength = 1'000'000'000; // 1000 km, stock, piece or kerf
constexpr std::int64_t kMaxCount = std::int64_t{1} << 40;
constexpr std::int64_t kMaxTotal = std::int64_t{1} << 61;
// A bar never holds more pieces than this, so that a plan's lists stay small.
constexpr std::int64_t kMaxPiecesPerBar = 100'000;

// The relaxation is tried only this small: a dense basis of kMaxLpRows rows,
// and knapsacks of at most kMaxDpCells cells (capacity times items) a round.
constexpr std::size_t kMaxLpRows = 400;
constexpr std::int64_t kMaxDpCells = 60'000'000;
// Knapsacks larger than kSmallDpCells are searched first, up to kSearchNodes
// nodes (each counted as kStepsPerNode steps).
constexpr std::int64_t kSmallDpCells = 300'000;
constexpr std::int64_t kSearchNodes = 200'000;
// A search that may save a table takes no more than 1 / kSearchShare of its
// cells in steps, and at least kMinSearchNodes nodes.
constexpr std::int64_t kSearchShare = 4;
constexpr std::int64_t kMinSearchNodes = 1000;
// So are knapsacks of at most kFewChunks chunks, whose search is short.
constexpr std::size_t kFewChunks = 64;
// Dives from the relaxation, each first rounding up a different column.
constexpr std::size_t kDives = 8;
// The worst-filled bars cut again at the end, with 1 / kRepackShare of the steps.
constexpr std::int64_t kRepackBars = 12;
constexpr std::int64_t kRepackShare = 5;
// Then, as many times at most, the worst few bars with others drawn at random
// (from a fixed seed: the same plan every time, on every machine).
constexpr std::int64_t kMixedRounds = 40;
constexpr std::uint64_t kDrawSeed = 20261209;
// A relaxation within a dive may take 1 / kResolveShare of the steps left.
constexpr std::int64_t kResolveShare = 4;
// The fullest-bar plan may take 1 / kFullestShare of the steps.
constexpr std::int64_t kFullestShare = 8;
// A node of a knapsack search takes about as long as 24 cells of a table
// (measured on the long bars of Scholl's third set), and is counted so.
constexpr std::int64_t kStepsPerNode = 24;
// The search for one bar fewer: a loose piece stays off the bar it left for
// kTabuMoves moves and up to kTabuSpread more, and the search gives up after
// kSqueezeStall moves that find nothing shorter; each move tried counts
// kStepsPerMove steps. Only for plans of at most kSqueezeItems pieces.
constexpr std::int64_t kTabuMoves = 5;
constexpr std::size_t kTabuSpread = 6;
constexpr std::int64_t kSqueezeStall = 200000;
constexpr std::int64_t kStepsPerMove = 4;
constexpr std::int64_t kSqueezeItems = 20000;
// The table of what the loose pieces can fill has at most this many words.
constexpr std::size_t kMaxSplitWords = std::size_t{1} << 21;
// Nor for bars longer than this (a table of doubles over the millimetres of one bar).
constexpr Millimetres kMaxDpCapacity = 1'000'000;
// The integer bound's knapsacks, once per stock length, may be larger.
constexpr std::int64_t kMaxBoundCells = 400'000'000;

// Tolerances of the simplex, all relative to costs of at most 1.
constexpr double kReducedCostEps = 1e-9;
constexpr double kPivotEps = 1e-9;
constexpr double kIntegralEps = 1e-9;
constexpr double kDualEps = 1e-12;
constexpr int kReinvertEvery = 100;
constexpr std::size_t kDegenerateStreak = 30;
// A master starts from the pool's first kPoolFirst and newest kPoolNewest columns.
constexpr std::size_t kPoolFirst = 256;
constexpr std::size_t kPoolNewest = 2048;
// Columns a partial pricing pass looks at once one of them improves.
constexpr std::size_t kPricingWindow = 200;
// Duals are scaled to integers up to this before the exact knapsacks.
constexpr double kDualScale = 1073741824.0; // 2^30

struct Instance {
    std::vector<Millimetres> PieceLengths; // distinct piece lengths, longest first (the items)
    std::vector<std::int64_t> PieceCounts; // their counts
    std::vector<Millimetres> StockLengths; // the stock lengths that carry a piece, shortest first
    Millimetres Kerf = 0;
    bool ByLength = false; // several stock lengths: minimise the length bought
    std::size_t Items() const { return PieceLengths.size(); }
    Millimetres Size(std::size_t i) const { return PieceLengths[i] + Kerf; }
    Millimetres Capacity(std::size_t j) const { return StockLengths[j] + Kerf; }
};

// A way of cutting one bar of StockLengths[Stock], repeated for Bars bars:
// (item, count) pairs by item.
struct Group {
    std::size_t Stock = 0;
    std::vector<std::pair<std::size_t, std::int64_t>> Pieces;
    std::int64_t Bars = 0;
};

std::optional<ProblemFault> Validate(const Problem& p) {
    if (p.StockLengths.empty())
        return ProblemFault::NoStock;
    if (p.Kerf < 0)
        return ProblemFault::BadLength;
    Millimetres longest = 0;
    for (Millimetres l : p.StockLengths) {
        if (l <= 0)
            return ProblemFault::BadLength;
        longest = std::max(longest, l);
    }
    for (const Demand& d : p.Pieces)
        if (d.Length <= 0 || d.Count <= 0)
            return ProblemFault::BadLength;
    if (longest > kMaxLength || p.Kerf > kMaxLength)
        return ProblemFault::TooLarge;
    std::int64_t count = 0;
    for (const Demand& d : p.Pieces) {
        if (d.Length > longest)
            return ProblemFault::PieceTooLong;
        if (d.Count > kMaxCount)
            return ProblemFault::TooLarge;
        count += d.Count;
        if (count > kMaxCount)
            return ProblemFault::TooLarge;
    }
    // Every plan cuts at most one bar a piece, so Bought <= count * longest.
    const auto total = detail::MulChecked(count, longest + p.Kerf);
    if (!total || *total > kMaxTotal)
        return ProblemFault::TooLarge;
    Millimetres shortest = longest;
    for (const Demand& d : p.Pieces)
        shortest = std::min(shortest, d.Length);
    if (std::min(count, (longest + p.Kerf) / (shortest + p.Kerf)) > kMaxPiecesPerBar)
        return ProblemFault::TooLarge;
    return std::nullopt;
}

Instance Normalise(const Problem& p) {
    Instance in;
    in.Kerf = p.Kerf;
    std::map<Millimetres, std::int64_t, std::greater<>> counts;
    for (const Demand& d : p.Pieces)
        counts[d.Length] += d.Count;
    for (const auto& [w, d] : counts) {
        in.PieceLengths.push_back(w);
        in.PieceCounts.push_back(d);
    }
    std::vector<Millimetres> stock = p.StockLengths;
    std::sort(stock.begin(), stock.end());
    stock.erase(std::unique(stock.begin(), stock.end()), stock.end());
    in.ByLength = stock.size() > 1;
    const Millimetres shortest = in.PieceLengths.empty() ? 0 : in.PieceLengths.back();
    for (Millimetres l : stock)
        if (l >= shortest)
            in.StockLengths.push_back(l);
    return in;
}

// --- The greedy plan ---------------------------------------------------------

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
Group FillBar(const Instance& in, std::size_t j, const std::vector<std::int64_t>& rem,
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
        const std::int64_t take = std::min(rem[i], room / in.Size(i));
        g.Pieces.push_back({i, take});
        room -= take * in.Size(i);
        from = i + 1;
    }
    return g;
}

Millimetres PiecesLength(const Instance& in, const Group& g) {
    Millimetres used = 0;
    for (const auto& [i, c] : g.Pieces)
        used += c * in.PieceLengths[i];
    return used;
}

// `bar` cut as many times as the pieces left in `rem` allow (and no more
// than `most`), which it takes.
void CutAsOften(Group& bar, std::vector<std::int64_t>& rem, std::int64_t most = INT64_MAX) {
    std::int64_t mult = most;
    for (const auto& [i, c] : bar.Pieces)
        mult = std::min(mult, rem[i] / c);
    bar.Bars = mult;
    for (const auto& [i, c] : bar.Pieces)
        rem[i] -= c * mult;
}

// Cuts every piece left in `rem` by the greedy rule, appending to `out`.
void Greedy(const Instance& in, std::vector<std::int64_t> rem, std::vector<Group>& out) {
    std::set<std::size_t> active;
    for (std::size_t i = 0; i < in.Items(); ++i)
        if (rem[i] > 0)
            active.insert(i);
    while (!active.empty()) {
        // The stock length the greedy bar fills best, the longer (fewer bars) on a tie.
        Group best;
        Millimetres bestUsed = -1;
        for (std::size_t j = 0; j < in.StockLengths.size(); ++j) {
            Group g = FillBar(in, j, rem, active);
            const Millimetres used = PiecesLength(in, g);
            if (g.Pieces.empty())
                continue;
            if (bestUsed < 0 ||
                used * in.StockLengths[best.Stock] >= bestUsed * in.StockLengths[j]) {
                best = std::move(g);
                bestUsed = used;
            }
        }
        CutAsOften(best, rem);
        for (const auto& [i, c] : best.Pieces)
            if (rem[i] == 0)
                active.erase(i);
        out.push_back(std::move(best));
    }
}

// --- The relaxation ------------------------------------------------------------

struct Column {
    std::size_t Stock = 0;
    std::vector<std::int32_t> Counts; // per item of the instance
};

double Cost(const Instance& in, std::size_t j) {
    return in.ByLength ? static_cast<double>(in.StockLengths[j]) /
                             static_cast<double>(in.StockLengths.back())
                       : 1.0;
}

// Knapsack items: `bound` copies at most of size `size` and value `value`,
// split in powers of two.
struct Chunk {
    std::size_t Row = 0;
    std::int64_t Copies = 0;
    Millimetres Size = 0;
};

std::vector<Chunk> Chunks(const std::vector<Millimetres>& sizes,
                          const std::vector<std::int64_t>& bounds) {
    std::vector<Chunk> chunks;
    for (std::size_t r = 0; r < sizes.size(); ++r) {
        std::int64_t left = bounds[r];
        for (std::int64_t part = 1; left > 0; part *= 2) {
            const std::int64_t take = std::min(part, left);
            chunks.push_back({r, take, take * sizes[r]});
            left -= take;
        }
    }
    return chunks;
}

// The best value of a bar of `capacity`; with `choice`, the copies per row.
template <class Value>
Value Knapsack(const std::vector<Chunk>& chunks, const std::vector<Value>& values,
               Millimetres capacity, std::vector<std::int64_t>* choice) {
    const std::size_t cells = static_cast<std::size_t>(capacity) + 1;
    std::vector<Value> best(cells, Value{});
    std::vector<std::uint64_t> taken;
    const std::size_t words = (cells + 63) / 64;
    if (choice)
        taken.assign(words * chunks.size(), 0);
    for (std::size_t k = 0; k < chunks.size(); ++k) {
        const Chunk& ch = chunks[k];
        if (ch.Size > capacity)
            continue;
        const Value v = values[ch.Row] * static_cast<Value>(ch.Copies);
        const std::size_t size = static_cast<std::size_t>(ch.Size);
        std::uint64_t* bits = choice ? &taken[k * words] : nullptr;
        for (std::size_t c = cells - 1; c >= size; --c) {
            const Value with = best[c - size] + v;
            if (with > best[c]) {
                best[c] = with;
                if (bits)
                    bits[c / 64] |= std::uint64_t{1} << (c % 64);
            }
            if (c == size)
                break;
        }
    }
    if (choice) {
        std::size_t c = cells - 1;
        for (std::size_t k = chunks.size(); k-- > 0;) {
            if (taken[k * words + c / 64] >> (c % 64) & 1u) {
                (*choice)[chunks[k].Row] += chunks[k].Copies;
                c -= static_cast<std::size_t>(chunks[k].Size);
            }
        }
    }
    return best[cells - 1];
}

// Branch and bound over the items by value per millimetre, best first, for
// bars that hold few pieces: exact unless it runs out of nodes (Exhausted).
class KnapsackSearch {
public:
    KnapsackSearch(const std::vector<Millimetres>& sizes, const std::vector<std::int64_t>& bounds,
                   const std::vector<double>& values, std::int64_t nodes)
        : nodes_(nodes) {
        for (std::size_t r = 0; r < sizes.size(); ++r)
            if (bounds[r] > 0 && values[r] > 0)
                order_.push_back(r);
        std::stable_sort(order_.begin(), order_.end(), [&](std::size_t a, std::size_t b) {
            return values[a] * static_cast<double>(sizes[b]) >
                   values[b] * static_cast<double>(sizes[a]);
        });
        for (std::size_t r : order_) {
            size_.push_back(sizes[r]);
            bound_.push_back(bounds[r]);
            value_.push_back(values[r]);
            ratio_.push_back(values[r] / static_cast<double>(sizes[r]));
        }
        take_.assign(order_.size(), 0);
        bestTake_ = take_;
    }

    double Run(Millimetres capacity, std::vector<std::int64_t>& choice) {
        Go(0, capacity, 0.0);
        for (std::size_t k = 0; k < order_.size(); ++k)
            choice[order_[k]] = bestTake_[k];
        return best_;
    }
    bool Exhausted() const { return exhausted_; }
    std::int64_t NodesUsed(std::int64_t given) const {
        return given - std::max<std::int64_t>(nodes_, 0);
    }

private:
    // The items from `pos` on by value per millimetre, the last one in part.
    double UpperBound(std::size_t pos, Millimetres room, double value) const {
        for (std::size_t k = pos; k < order_.size(); ++k) {
            const std::int64_t whole = std::min(bound_[k], room / size_[k]);
            value += static_cast<double>(whole) * value_[k];
            room -= whole * size_[k];
            if (whole < bound_[k])
                return value + static_cast<double>(room) * ratio_[k];
        }
        return value;
    }

    void Go(std::size_t pos, Millimetres room, double value) {
        if (--nodes_ < 0) {
            exhausted_ = true;
            return;
        }
        if (value > best_) {
            best_ = value;
            bestTake_ = take_;
        }
        if (pos == order_.size() || UpperBound(pos, room, value) <= best_)
            return;
        const std::int64_t most = std::min(bound_[pos], room / size_[pos]);
        for (std::int64_t c = most; c >= 0 && !exhausted_; --c) {
            take_[pos] = c;
            Go(pos + 1, room - c * size_[pos], value + static_cast<double>(c) * value_[pos]);
        }
        take_[pos] = 0;
    }

    std::vector<std::size_t> order_;
    std::vector<Millimetres> size_;
    std::vector<std::int64_t> bound_, take_, bestTake_;
    std::vector<double> value_, ratio_;
    std::int64_t nodes_;
    bool exhausted_ = false;
    double best_ = 0;
};

std::int64_t KnapsackCells(const Instance& in, std::size_t j, const std::vector<std::size_t>& rows,
                           const std::vector<std::int64_t>& dem) {
    std::int64_t chunks = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::int64_t b = std::min(dem[r], in.Capacity(j) / in.Size(rows[r]));
        while (b > 0) {
            ++chunks;
            b /= 2;
        }
    }
    return chunks * (in.Capacity(j) + 1);
}

struct LpSolution {
    std::vector<double> Y;                         // per row
    std::vector<std::pair<std::size_t, double>> X; // column of the master, value
    std::vector<Column> Columns;                   // the master's columns
};

// The relaxation over `rows` (items) with demands `dem`, from a basis of one
// single-item column per row. Columns of `pool` are priced before the
// knapsacks; the columns generated are added to it.
class Master {
public:
    // `exact`: when the search of a knapsack runs out of nodes without a
    // column, its table decides; otherwise the relaxation stops there (a
    // dive's relaxations need not be optimal, and any duals give a bound).
    Master(const Instance& in, std::vector<std::size_t> rows, std::vector<std::int64_t> dem,
           Budget& budget, bool exact = true)
        : in_(in), rows_(std::move(rows)), dem_(std::move(dem)), m_(rows_.size()), budget_(budget),
          exact_(exact) {}

    LpSolution Solve(std::vector<Column>& pool) {
        Start(pool);
        const std::size_t limit = 400 * m_ + 4000;
        std::size_t pivots = 0;
        Duals();
        // The inverse is made again from the basis every so many pivots, no
        // fewer than its rows, so that doing so costs no more than the pivots.
        const std::size_t reinvertEvery = std::max<std::size_t>(kReinvertEvery, m_);
        for (std::size_t iteration = 0; iteration < limit; ++iteration) {
            // The last pivot's work and the columns priced last time.
            if (!budget_.Spend(static_cast<std::int64_t>(m_ + std::exchange(priced_, 0) +
                                                         std::exchange(pivotWork_, 0))))
                break;
            std::vector<double> entering;
            std::ptrdiff_t which = 0;
            if (!Entering(pool, entering, which))
                break;
            if (!Pivot(entering, which))
                break;
            if (++pivots % reinvertEvery == 0 && !Reinvert())
                break;
        }
        Duals();
        LpSolution s;
        s.Y = y_;
        for (std::size_t k = 0; k < m_; ++k)
            if (basis_[k] >= 0 && mcols_[static_cast<std::size_t>(basis_[k])].Cost > 0)
                s.X.push_back({static_cast<std::size_t>(basis_[k]), xB_[k]});
        s.Columns = std::move(cols_);
        return s;
    }

private:
    static constexpr std::size_t kExchange_ = SIZE_MAX;
    struct MCol {
        std::size_t Stock = 0;
        double Cost = 0;
        std::vector<double> Entries; // per row
        bool Basic = false;
        // The rows it cuts pieces for: a way of cutting one bar has few, so
        // its reduced cost is summed over these alone.
        std::vector<std::size_t> Rows;
    };

    // The column of `c` on this master's rows, clipped to the demands.
    std::vector<double> Restrict(const Column& c) const {
        std::vector<double> a(m_);
        for (std::size_t r = 0; r < m_; ++r)
            a[r] = static_cast<double>(std::min<std::int64_t>(c.Counts[rows_[r]], dem_[r]));
        return a;
    }

    std::size_t Add(const Column& c) {
        cols_.push_back(c);
        MCol column{c.Stock, Cost(in_, c.Stock), Restrict(c), false, {}};
        for (std::size_t r = 0; r < m_; ++r)
            if (column.Entries[r] != 0)
                column.Rows.push_back(r);
        mcols_.push_back(std::move(column));
        return mcols_.size() - 1;
    }

    void Start(const std::vector<Column>& pool) {
        surplusBasic_.assign(m_, false);
        basis_.assign(m_, 0);
        binv_.assign(m_ * m_, 0.0);
        xB_.assign(m_, 0.0);
        for (std::size_t r = 0; r < m_; ++r) {
            // The cheapest bar per piece for this item alone.
            const std::size_t i = rows_[r];
            std::size_t bestJ = 0;
            std::int64_t bestCount = 0;
            double bestPer = 0;
            for (std::size_t j = 0; j < in_.StockLengths.size(); ++j) {
                const std::int64_t count = std::min(dem_[r], in_.Capacity(j) / in_.Size(i));
                if (count <= 0)
                    continue;
                const double per = Cost(in_, j) / static_cast<double>(count);
                if (bestCount == 0 || per < bestPer) {
                    bestJ = j;
                    bestCount = count;
                    bestPer = per;
                }
            }
            Column c;
            c.Stock = bestJ;
            c.Counts.assign(in_.Items(), 0);
            c.Counts[i] = static_cast<std::int32_t>(bestCount);
            const std::size_t k = Add(c);
            mcols_[k].Basic = true;
            basis_[r] = static_cast<std::ptrdiff_t>(k);
            binv_[r * m_ + r] = 1.0 / static_cast<double>(bestCount);
            xB_[r] = static_cast<double>(dem_[r]) / static_cast<double>(bestCount);
        }
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
        // A longer piece can always be cut where a shorter one is wanted, so
        // some optimal duals fall as the pieces get shorter. Columns of no
        // cost that trade a longer piece for the next shorter one keep the
        // duals so (dual-optimal inequalities): fewer degenerate pivots, and
        // the same bound. They are no way of cutting a bar and never
        // reach the solution.
        for (std::size_t r = 0; r + 1 < m_; ++r) {
            Column c;
            c.Stock = kExchange_;
            cols_.push_back(std::move(c));
            MCol column{kExchange_, 0.0, std::vector<double>(m_, 0.0), false, {r, r + 1}};
            column.Entries[r] = -1.0;
            column.Entries[r + 1] = 1.0;
            mcols_.push_back(std::move(column));
        }
    }

    double BasicCost(std::size_t k) const {
        return basis_[k] >= 0 ? mcols_[static_cast<std::size_t>(basis_[k])].Cost : 0.0;
    }

    void Duals() {
        y_.assign(m_, 0.0);
        for (std::size_t k = 0; k < m_; ++k) {
            const double c = BasicCost(k);
            if (c == 0)
                continue;
            const double* row = &binv_[k * m_];
            for (std::size_t i = 0; i < m_; ++i)
                y_[i] += c * row[i];
        }
    }

    // The entering column (its entries on the rows) and what it is: a master
    // column's index, or -(r + 1) for the surplus of row r.
    bool Entering(std::vector<Column>& pool, std::vector<double>& column, std::ptrdiff_t& which) {
        double best = -kReducedCostEps;
        bool found = false;
        // The rows are equations: columns carry no more pieces than are
        // demanded, so no surplus is needed, and any duals give the bound.
        // Partial pricing: from where the last pass stopped, the best of the
        // first kPricingWindow columns once one of them improves; the whole
        // pool only when none does.
        const std::size_t n = mcols_.size();
        const std::size_t start = n > 0 ? cursor_ % n : 0;
        for (std::size_t seen = 0; seen < n; ++seen) {
            const std::size_t k = (start + seen) % n;
            const MCol& c = mcols_[k];
            if (found && seen >= kPricingWindow && degenerate_ <= kDegenerateStreak)
                break;
            if (c.Basic)
                continue;
            priced_ += c.Rows.size();
            double rc = c.Cost;
            for (const std::size_t r : c.Rows)
                rc -= c.Entries[r] * y_[r];
            if (c.Cost > 0)
                rc /= c.Cost;
            if (rc < best) {
                best = rc;
                which = static_cast<std::ptrdiff_t>(k);
                found = true;
                cursor_ = k + 1;
                // After many pivots that gain nothing, the first column that
                // improves enters (Bland's rule), so that the simplex cannot cycle.
                if (degenerate_ > kDegenerateStreak)
                    break;
            }
        }
        if (!found) {
            // Price new patterns, one knapsack per stock length.
            std::vector<double> values(m_);
            for (std::size_t r = 0; r < m_; ++r)
                values[r] = y_[r] > kDualEps ? y_[r] : 0.0;
            std::optional<Column> bestColumn;
            for (std::size_t j = 0; j < in_.StockLengths.size(); ++j) {
                std::vector<Millimetres> sizes(m_);
                std::vector<std::int64_t> bounds(m_);
                for (std::size_t r = 0; r < m_; ++r) {
                    sizes[r] = in_.Size(rows_[r]);
                    bounds[r] =
                        values[r] > 0 ? std::min(dem_[r], in_.Capacity(j) / in_.Size(rows_[r])) : 0;
                }
                const std::vector<Chunk> chunks = Chunks(sizes, bounds);
                const std::int64_t cells =
                    static_cast<std::int64_t>(chunks.size()) * (in_.Capacity(j) + 1);
                std::vector<std::int64_t> choice(m_, 0);
                double value = 0;
                bool priced = false;
                if (cells > kSmallDpCells || chunks.size() <= kFewChunks) {
                    // No longer than a share of the table it may save.
                    const std::int64_t nodes =
                        cells > kMaxDpCells ? kSearchNodes
                                            : std::clamp(cells / (kStepsPerNode * kSearchShare),
                                                         kMinSearchNodes, kSearchNodes);
                    KnapsackSearch search(sizes, bounds, values, nodes);
                    value = search.Run(in_.Capacity(j), choice);
                    if (!budget_.Spend(search.NodesUsed(nodes) * kStepsPerNode))
                        return false;
                    // Out of nodes: the best found still prices, unless a table can do better.
                    priced = !search.Exhausted() || cells > kMaxDpCells || !exact_ ||
                             value > Cost(in_, j) * (1 + kReducedCostEps);
                }
                if (!priced) {
                    if (!budget_.Spend(cells))
                        return false;
                    choice.assign(m_, 0);
                    value = Knapsack(chunks, values, in_.Capacity(j), &choice);
                }
                const double rc = (Cost(in_, j) - value) / Cost(in_, j);
                if (rc < best) {
                    best = rc;
                    Column c;
                    c.Stock = j;
                    c.Counts.assign(in_.Items(), 0);
                    for (std::size_t r = 0; r < m_; ++r)
                        c.Counts[rows_[r]] = static_cast<std::int32_t>(choice[r]);
                    bestColumn = std::move(c);
                }
            }
            if (!bestColumn)
                return false;
            pool.push_back(*bestColumn);
            which = static_cast<std::ptrdiff_t>(Add(*bestColumn));
        }
        column.assign(m_, 0.0);
        if (which < 0)
            column[static_cast<std::size_t>(-which - 1)] = -1.0;
        else
            column = mcols_[static_cast<std::size_t>(which)].Entries;
        return true;
    }

    // The entering column replaces the basic one that reaches zero first.
    // The column has few entries, so the inverse times it is summed over
    // those alone, and only the rows of the inverse it moves are updated;
    // the duals follow from the new pivot row.
    bool Pivot(const std::vector<double>& column, std::ptrdiff_t which) {
        std::vector<std::size_t> entries;
        for (std::size_t i = 0; i < m_; ++i)
            if (column[i] != 0)
                entries.push_back(i);
        std::vector<double> alpha(m_, 0.0);
        for (std::size_t k = 0; k < m_; ++k) {
            const double* row = &binv_[k * m_];
            double sum = 0;
            for (const std::size_t i : entries)
                sum += row[i] * column[i];
            alpha[k] = sum;
        }
        pivotWork_ += m_ * (entries.size() + 1);
        std::size_t leave = m_;
        double bestRatio = 0;
        for (std::size_t k = 0; k < m_; ++k) {
            if (alpha[k] <= kPivotEps)
                continue;
            const double ratio = std::max(xB_[k], 0.0) / alpha[k];
            if (leave == m_ || ratio < bestRatio - 1e-12 ||
                (ratio <= bestRatio + 1e-12 && degenerate_ <= kDegenerateStreak &&
                 alpha[k] > alpha[leave])) {
                leave = k;
                bestRatio = ratio;
            }
        }
        if (leave == m_)
            return false;
        double reduced = which < 0 ? 0.0 : mcols_[static_cast<std::size_t>(which)].Cost;
        for (const std::size_t i : entries)
            reduced -= column[i] * y_[i];
        const double theta = std::max(xB_[leave], 0.0) / alpha[leave];
        degenerate_ = theta > 1e-12 ? 0 : degenerate_ + 1;
        for (std::size_t k = 0; k < m_; ++k)
            if (k != leave)
                xB_[k] -= theta * alpha[k];
        xB_[leave] = theta;
        double* pivotRow = &binv_[leave * m_];
        const double pivot = alpha[leave];
        for (std::size_t i = 0; i < m_; ++i)
            pivotRow[i] /= pivot;
        for (std::size_t k = 0; k < m_; ++k) {
            if (k == leave || alpha[k] == 0)
                continue;
            double* row = &binv_[k * m_];
            const double f = alpha[k];
            for (std::size_t i = 0; i < m_; ++i)
                row[i] -= f * pivotRow[i];
            pivotWork_ += m_;
        }
        for (std::size_t i = 0; i < m_; ++i)
            y_[i] += reduced * pivotRow[i];
        pivotWork_ += 2 * m_;
        SetBasic(basis_[leave], false);
        basis_[leave] = which;
        SetBasic(which, true);
        return true;
    }

    void SetBasic(std::ptrdiff_t var, bool basic) {
        if (var < 0)
            surplusBasic_[static_cast<std::size_t>(-var - 1)] = basic;
        else
            mcols_[static_cast<std::size_t>(var)].Basic = basic;
    }

    // The basis inverse again from the basis, and the solution from it.
    bool Reinvert() {
        // The work is counted as it is done: the basis is sparse, and most
        // rows need no elimination.
        std::int64_t work = static_cast<std::int64_t>(m_ * m_);
        std::vector<double> b(m_ * m_, 0.0);
        for (std::size_t k = 0; k < m_; ++k) {
            if (basis_[k] < 0)
                b[static_cast<std::size_t>(-basis_[k] - 1) * m_ + k] = -1.0;
            else {
                const MCol& c = mcols_[static_cast<std::size_t>(basis_[k])];
                for (std::size_t r = 0; r < m_; ++r)
                    b[r * m_ + k] = c.Entries[r];
            }
        }
        std::vector<double> inv(m_ * m_, 0.0);
        for (std::size_t r = 0; r < m_; ++r)
            inv[r * m_ + r] = 1.0;
        // Gauss-Jordan on b with partial pivoting: b becomes I, inv B^-1.
        for (std::size_t col = 0; col < m_; ++col) {
            std::size_t p = col;
            for (std::size_t r = col + 1; r < m_; ++r)
                if (std::abs(b[r * m_ + col]) > std::abs(b[p * m_ + col]))
                    p = r;
            if (std::abs(b[p * m_ + col]) < 1e-12)
                return false;
            if (p != col)
                for (std::size_t i = 0; i < m_; ++i) {
                    std::swap(b[p * m_ + i], b[col * m_ + i]);
                    std::swap(inv[p * m_ + i], inv[col * m_ + i]);
                }
            const double d = b[col * m_ + col];
            for (std::size_t i = 0; i < m_; ++i) {
                b[col * m_ + i] /= d;
                inv[col * m_ + i] /= d;
            }
            for (std::size_t r = 0; r < m_; ++r) {
                const double f = b[r * m_ + col];
                if (r == col || f == 0)
                    continue;
                for (std::size_t i = col; i < m_; ++i)
                    b[r * m_ + i] -= f * b[col * m_ + i];
                for (std::size_t i = 0; i < m_; ++i)
                    inv[r * m_ + i] -= f * inv[col * m_ + i];
                work += static_cast<std::int64_t>(2 * m_ - col);
            }
        }
        if (!budget_.Spend(work))
            return false;
        binv_ = std::move(inv);
        for (std::size_t k = 0; k < m_; ++k) {
            double sum = 0;
            for (std::size_t i = 0; i < m_; ++i)
                sum += binv_[k * m_ + i] * static_cast<double>(dem_[i]);
            xB_[k] = std::max(sum, 0.0);
        }
        Duals();
        return true;
    }

    const Instance& in_;
    std::vector<std::size_t> rows_;
    std::vector<std::int64_t> dem_;
    std::size_t m_;
    Budget& budget_;
    bool exact_;
    std::vector<Column> cols_;
    std::vector<MCol> mcols_;
    std::size_t priced_ = 0;    // entries of the columns priced, for the steps a pass costs
    std::size_t cursor_ = 0;    // where the next partial pricing pass starts
    std::size_t pivotWork_ = 0; // entries of the inverse the last pivot touched
    std::vector<std::ptrdiff_t> basis_;
    std::vector<bool> surplusBasic_;
    std::size_t degenerate_ = 0; // pivots in a row that moved nothing
    std::vector<double> binv_, xB_, y_;
};

// --- The fullest-bar plan ------------------------------------------------------

// Each bar in turn takes the longest piece left and, beside it, the pieces
// that fill it most (a knapsack of their lengths), of the stock length it
// fills best. Slower than the greedy plan, and much closer on problems too
// large for the relaxation, whose bars fill exactly only with the right
// three or four pieces. Nothing when the knapsacks would take more than the
// budget.
std::optional<std::vector<Group>> Fullest(const Instance& in, Budget& budget) {
    std::vector<std::int64_t> rem = in.PieceCounts;
    std::vector<Group> out;
    std::vector<Millimetres> sizes(in.Items());
    std::vector<double> lengths(in.Items());
    for (std::size_t r = 0; r < in.Items(); ++r) {
        sizes[r] = in.Size(r);
        lengths[r] = static_cast<double>(sizes[r]);
    }
    std::size_t first = 0;
    while (true) {
        while (first < in.Items() && rem[first] == 0)
            ++first;
        if (first == in.Items())
            return out;
        Group best;
        Millimetres bestUsed = -1;
        for (std::size_t j = 0; j < in.StockLengths.size(); ++j) {
            const Millimetres room = in.Capacity(j) - in.Size(first);
            if (room < 0)
                continue;
            std::vector<std::int64_t> bounds(in.Items(), 0);
            for (std::size_t r = first; r < in.Items(); ++r)
                bounds[r] = std::min(rem[r] - (r == first ? 1 : 0), room / in.Size(r));
            const std::vector<Chunk> chunks = Chunks(sizes, bounds);
            const std::int64_t cells = static_cast<std::int64_t>(chunks.size()) * (room + 1);
            std::vector<std::int64_t> choice(in.Items(), 0);
            // A search first: it ends at once on a bar filled exactly.
            bool found = false;
            if (cells > kSmallDpCells) {
                KnapsackSearch search(sizes, bounds, lengths, kSearchNodes);
                const double filled = search.Run(room, choice);
                if (!budget.Spend(search.NodesUsed(kSearchNodes) * kStepsPerNode))
                    return std::nullopt;
                found = !search.Exhausted() || filled == static_cast<double>(room);
            }
            if (!found) {
                if (!budget.Spend(cells))
                    return std::nullopt;
                choice.assign(in.Items(), 0);
                Knapsack(chunks, sizes, room, &choice);
            }
            ++choice[first];
            Group g;
            g.Stock = j;
            for (std::size_t r = 0; r < in.Items(); ++r)
                if (choice[r] > 0)
                    g.Pieces.push_back({r, choice[r]});
            const Millimetres used = PiecesLength(in, g);
            if (bestUsed < 0 ||
                used * in.StockLengths[best.Stock] > bestUsed * in.StockLengths[j]) {
                best = std::move(g);
                bestUsed = used;
            }
        }
        CutAsOften(best, rem);
        out.push_back(std::move(best));
    }
}

// --- Squeezing out a bar -------------------------------------------------------

// Numbers from a fixed seed (a linear congruential sequence): the same on
// every machine, so that what is drawn never changes a plan from one to the next.
class Draws {
public:
    explicit Draws(std::uint64_t seed) : state_(seed) {}
    std::size_t Below(std::size_t n) {
        state_ = state_ * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>((state_ >> 33) % n);
    }

private:
    std::uint64_t state_;
};

// With one stock length, a plan of one bar fewer searched from a plan. The
// worst-filled bars are taken apart, so that all but two of the bars wanted
// stay and the pieces of the others lie loose. Each move exchanges up to two
// pieces of one bar for up to two loose ones, the move that leaves the
// loose pieces shortest in all (and, of equal ones, the most of them); a
// loose piece does not go back to the bar it came from for a few moves
// (a tabu search), so that the search walks on across moves that gain
// nothing, until the loose pieces fit on the last two bars. Each bar found
// is searched again for one fewer, down to `floor`.
class Squeeze {
public:
    using Bar = std::vector<std::size_t>; // item numbers

    Squeeze(const Instance& in, Budget& budget)
        : in_(in), budget_(budget), capacity_(in.Capacity(0)) {}

    // Fewer bars than `groups` (all of one stock length), or nothing.
    std::optional<std::vector<Group>> Run(const std::vector<Group>& groups, std::int64_t floor) {
        std::vector<Bar> bars;
        for (const Group& g : groups)
            for (std::int64_t copy = 0; copy < g.Bars; ++copy) {
                Bar bar;
                for (const auto& [i, c] : g.Pieces)
                    for (std::int64_t n = 0; n < c; ++n) {
                        bar.push_back(type_.size());
                        type_.push_back(i);
                    }
                bars.push_back(std::move(bar));
            }
        from_.assign(type_.size(), kNone);
        until_.assign(type_.size(), 0);
        bool fewer = false;
        while (static_cast<std::int64_t>(bars.size()) > std::max<std::int64_t>(floor, 3) &&
               Fewer(bars))
            fewer = true;
        if (!fewer)
            return std::nullopt;
        std::vector<Group> out;
        for (const Bar& bar : bars) {
            std::map<std::size_t, std::int64_t> items;
            for (std::size_t id : bar)
                ++items[type_[id]];
            Group g;
            g.Stock = 0;
            g.Pieces.assign(items.begin(), items.end());
            g.Bars = 1;
            out.push_back(std::move(g));
        }
        return out;
    }

private:
    static constexpr std::size_t kNone = SIZE_MAX;

    Millimetres Size(std::size_t id) const { return in_.Size(type_[id]); }
    Millimetres Load(const Bar& bar) const {
        Millimetres load = 0;
        for (std::size_t id : bar)
            load += Size(id);
        return load;
    }

    // `bars` one fewer, or false when the steps run out first.
    bool Fewer(std::vector<Bar>& bars) {
        const std::size_t keep = bars.size() - 3;
        std::vector<std::size_t> order(bars.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::vector<Millimetres> loads(bars.size());
        for (std::size_t b = 0; b < bars.size(); ++b)
            loads[b] = Load(bars[b]);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return loads[a] > loads[b]; });
        bars_.clear();
        load_.clear();
        loose_.clear();
        for (std::size_t k = 0; k < order.size(); ++k) {
            if (k < keep) {
                bars_.push_back(bars[order[k]]);
                load_.push_back(loads[order[k]]);
            } else
                loose_.insert(loose_.end(), bars[order[k]].begin(), bars[order[k]].end());
        }
        Millimetres looseLength = 0;
        for (std::size_t id : loose_)
            looseLength += Size(id);
        Millimetres best = looseLength;
        std::int64_t sinceBest = 0;
        for (std::int64_t move = 1;; ++move) {
            if (looseLength <= 2 * capacity_) {
                std::vector<Bar> two;
                if (!Split(two))
                    return false;
                if (!two.empty()) {
                    bars = bars_;
                    for (Bar& bar : two)
                        if (!bar.empty())
                            bars.push_back(std::move(bar));
                    return true;
                }
            }
            const auto gain = Step(move, looseLength, best);
            if (!gain)
                return false;
            looseLength -= *gain;
            if (looseLength < best) {
                best = looseLength;
                sinceBest = 0;
            } else if (++sinceBest > kSqueezeStall) {
                return false;
            }
        }
    }

    // The loose pieces on two bars, or `two` empty when they do not fit;
    // false when the steps run out. A table of the lengths the pieces can
    // fill on the first bar.
    bool Split(std::vector<Bar>& two) {
        const std::size_t words = static_cast<std::size_t>(capacity_) / 64 + 1;
        // So many loose pieces on so long a bar are not tried (nor likely to fit).
        if ((loose_.size() + 1) * words > kMaxSplitWords)
            return true;
        if (!budget_.Spend(static_cast<std::int64_t>((loose_.size() + 1) * words)))
            return false;
        Millimetres total = 0;
        for (std::size_t id : loose_)
            total += Size(id);
        std::vector<std::vector<std::uint64_t>> reach(loose_.size() + 1,
                                                      std::vector<std::uint64_t>(words, 0));
        reach[0][0] = 1;
        for (std::size_t k = 0; k < loose_.size(); ++k) {
            const std::size_t shift = static_cast<std::size_t>(Size(loose_[k]));
            const std::vector<std::uint64_t>& before = reach[k];
            std::vector<std::uint64_t>& after = reach[k + 1];
            after = before;
            const std::size_t whole = shift / 64, part = shift % 64;
            for (std::size_t w = words; w-- > whole;) {
                std::uint64_t v = before[w - whole] << part;
                if (part != 0 && w > whole)
                    v |= before[w - whole - 1] >> (64 - part);
                after[w] |= v;
            }
        }
        const auto reachable = [&](std::size_t k, Millimetres c) {
            const std::size_t at = static_cast<std::size_t>(c);
            return (reach[k][at / 64] >> (at % 64) & 1u) != 0;
        };
        for (Millimetres first = std::min(capacity_, total);
             first >= total - capacity_ && first >= 0; --first) {
            if (!reachable(loose_.size(), first))
                continue;
            two.assign(2, {});
            Millimetres c = first;
            for (std::size_t k = loose_.size(); k-- > 0;) {
                if (reachable(k, c))
                    two[1].push_back(loose_[k]);
                else {
                    two[0].push_back(loose_[k]);
                    c -= Size(loose_[k]);
                }
            }
            return true;
        }
        return true;
    }

    // Pieces out of a bar: Count of them, at First and Second.
    struct Out {
        std::size_t Count = 0;
        std::size_t First = kNone, Second = kNone;
        Millimetres Length = 0;
    };
    struct Choice {
        Millimetres Length = 0;
        std::size_t Count = 0;
        std::size_t A = 0, B = 0; // places in loose_; B == A for one piece
    };

    // One move; the loose length it saves (negative when it adds), or
    // nothing when the steps run out.
    std::optional<Millimetres> Step(std::int64_t move, Millimetres looseLength, Millimetres best) {
        // The loose pieces, one or two, longest first, fewer first among equals.
        std::vector<Choice> choices;
        for (std::size_t a = 0; a < loose_.size(); ++a) {
            choices.push_back({Size(loose_[a]), 1, a, a});
            for (std::size_t b = a + 1; b < loose_.size(); ++b)
                choices.push_back({Size(loose_[a]) + Size(loose_[b]), 2, a, b});
        }
        std::stable_sort(choices.begin(), choices.end(), [](const Choice& x, const Choice& y) {
            return x.Length != y.Length ? x.Length > y.Length : x.Count < y.Count;
        });

        bool found = false;
        Millimetres bestGain = 0;
        std::ptrdiff_t bestMore = 0; // pieces added to the loose ones
        std::size_t bestBar = 0;
        Out bestOut;
        std::vector<Out> outs;
        Choice bestIn;
        std::int64_t work = 0;
        const std::size_t start = draws_.Below(bars_.size());
        for (std::size_t seen = 0; seen < bars_.size(); ++seen) {
            const std::size_t b = (start + seen) % bars_.size();
            const Bar& bar = bars_[b];
            const Millimetres room = capacity_ - load_[b];
            // Out of the bar, in this order: each piece with each later one,
            // then that piece alone; last, nothing.
            outs.clear();
            for (std::size_t o1 = 0; o1 < bar.size(); ++o1) {
                for (std::size_t o2 = o1 + 1; o2 < bar.size(); ++o2)
                    outs.push_back({2, o1, o2, Size(bar[o1]) + Size(bar[o2])});
                outs.push_back({1, o1, kNone, Size(bar[o1])});
            }
            outs.push_back({0, kNone, kNone, 0});
            for (const Out& out : outs) {
                // The longest choice that fits and is not tabu here.
                auto it =
                    std::lower_bound(choices.begin(), choices.end(), room + out.Length,
                                     [](const Choice& c, Millimetres v) { return c.Length > v; });
                ++work;
                for (; it != choices.end(); ++it) {
                    ++work;
                    const Millimetres gain = it->Length - out.Length;
                    const std::ptrdiff_t more = static_cast<std::ptrdiff_t>(out.Count) -
                                                static_cast<std::ptrdiff_t>(it->Count);
                    if (found && (gain < bestGain || (gain == bestGain && more <= bestMore)))
                        break;
                    const bool tabu = Tabu(loose_[it->A], b, move) ||
                                      (it->Count == 2 && Tabu(loose_[it->B], b, move));
                    if (tabu && looseLength - gain >= best)
                        continue;
                    found = true;
                    bestGain = gain;
                    bestMore = more;
                    bestBar = b;
                    bestOut = out;
                    bestIn = *it;
                    break;
                }
            }
        }
        if (!budget_.Spend(work * kStepsPerMove + static_cast<std::int64_t>(choices.size())))
            return std::nullopt;
        if (!found)
            return std::nullopt;
        Bar& bar = bars_[bestBar];
        std::vector<std::size_t> in = {loose_[bestIn.A]};
        if (bestIn.Count == 2)
            in.push_back(loose_[bestIn.B]);
        std::vector<std::size_t> out;
        if (bestOut.Count >= 1)
            out.push_back(bar[bestOut.First]);
        if (bestOut.Count == 2)
            out.push_back(bar[bestOut.Second]);
        for (std::size_t id : in) {
            loose_.erase(std::find(loose_.begin(), loose_.end(), id));
            bar.push_back(id);
        }
        for (std::size_t id : out) {
            bar.erase(std::find(bar.begin(), bar.end(), id));
            loose_.push_back(id);
            from_[id] = bestBar;
            until_[id] = move + kTabuMoves + static_cast<std::int64_t>(draws_.Below(kTabuSpread));
        }
        load_[bestBar] += bestGain;
        return bestGain;
    }

    bool Tabu(std::size_t id, std::size_t bar, std::int64_t move) const {
        return from_[id] == bar && until_[id] > move;
    }

    const Instance& in_;
    Budget& budget_;
    Draws draws_{kDrawSeed};
    Millimetres capacity_;
    std::vector<std::size_t> type_; // item number -> row of the instance
    std::vector<std::size_t> from_; // the bar it last left
    std::vector<std::int64_t> until_;
    std::vector<Bar> bars_;
    std::vector<Millimetres> load_;
    std::vector<std::size_t> loose_;
};

// --- Bounds ------------------------------------------------------------------

struct Bounds {
    std::int64_t Bars = 0;
    Millimetres Length = 0;
};

// From the pieces' length alone: a bar of L carries at most L + K of piece and kerf.
Bounds MaterialBound(const Instance& in) {
    std::int64_t total = 0;
    for (std::size_t i = 0; i < in.Items(); ++i)
        total += in.PieceCounts[i] * in.Size(i);
    Bounds b;
    b.Bars = *detail::MulDivCeil(total, 1, in.Capacity(in.StockLengths.size() - 1));
    b.Length = *detail::MulDivCeil(total, in.StockLengths.front(), in.Capacity(0));
    return b;
}

// From duals y >= 0 of the relaxation, scaled down to integers so that the
// knapsacks are exact: every bar of stock j carries at most M_j of them, the
// pieces need S in all.
std::optional<Bounds> DualBound(const Instance& in, const std::vector<double>& y, Budget& budget) {
    double top = 0;
    for (double v : y)
        top = std::max(top, v);
    if (!(top > 0))
        return std::nullopt;
    const double scale = kDualScale / top;
    std::vector<std::int64_t> values(in.Items(), 0);
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < in.Items(); ++i) {
        const double v = y[i] > 0 ? y[i] * scale : 0.0;
        values[i] = static_cast<std::int64_t>(std::min(v, kDualScale));
        const auto add = detail::MulChecked(values[i], in.PieceCounts[i]);
        if (!add)
            return std::nullopt;
        const auto next = detail::AddChecked(sum, *add);
        if (!next)
            return std::nullopt;
        sum = *next;
    }
    std::vector<Millimetres> sizes(in.Items());
    for (std::size_t i = 0; i < in.Items(); ++i)
        sizes[i] = in.Size(i);
    std::optional<Bounds> b;
    std::int64_t bestM = 0;
    std::optional<std::int64_t> length;
    for (std::size_t j = 0; j < in.StockLengths.size(); ++j) {
        std::vector<std::int64_t> bounds(in.Items());
        for (std::size_t i = 0; i < in.Items(); ++i)
            bounds[i] =
                values[i] > 0 ? std::min(in.PieceCounts[i], in.Capacity(j) / in.Size(i)) : 0;
        const std::vector<Chunk> chunks = Chunks(sizes, bounds);
        const std::int64_t cells = static_cast<std::int64_t>(chunks.size()) * (in.Capacity(j) + 1);
        if (cells > kMaxBoundCells)
            return std::nullopt;
        budget.Spend(std::min(cells, budget.Left));
        const std::int64_t m = Knapsack<std::int64_t>(chunks, values, in.Capacity(j), nullptr);
        if (m <= 0)
            continue;
        bestM = std::max(bestM, m);
        const auto l = detail::MulDivCeil(sum, in.StockLengths[j], m);
        if (!l)
            return std::nullopt;
        length = length ? std::min(*length, *l) : *l;
    }
    if (bestM == 0 || !length)
        return std::nullopt;
    b = Bounds{*detail::MulDivCeil(sum, 1, bestM), *length};
    return b;
}

// --- The integer plan ----------------------------------------------------------

// Up to `copies` bars cut as `column`. Where it carries more of a piece than
// is still needed, the extra places go to the longest shorter pieces that
// are (a shorter piece always fits where a longer one did), and otherwise stay empty.
void TakeCopies(const Instance& in, const Column& column, std::int64_t copies,
                std::vector<std::int64_t>& rem, std::vector<Group>& out) {
    while (copies > 0) {
        Group g;
        g.Stock = column.Stock;
        std::int64_t places = 0;
        for (std::size_t i = 0; i < in.Items(); ++i) {
            places += column.Counts[i];
            const std::int64_t a = std::min(places, rem[i]);
            if (a > 0) {
                g.Pieces.push_back({i, a});
                places -= a;
            }
        }
        if (g.Pieces.empty())
            return;
        CutAsOften(g, rem, copies);
        copies -= g.Bars;
        out.push_back(std::move(g));
    }
}

struct Totals {
    std::int64_t Bars = 0;
    Millimetres Bought = 0;
};

// Every group on the shortest stock length that carries its pieces.
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

Totals Count(const Instance& in, const std::vector<Group>& groups) {
    Totals t;
    for (const Group& g : groups) {
        t.Bars += g.Bars;
        t.Bought += g.Bars * in.StockLengths[g.Stock];
    }
    return t;
}

bool Better(const Instance& in, const Totals& a, const Totals& b) {
    if (in.ByLength)
        return a.Bought != b.Bought ? a.Bought < b.Bought : a.Bars < b.Bars;
    return a.Bars < b.Bars;
}

bool MeetsBound(const Instance& in, const Totals& t, const Bounds& b) {
    return in.ByLength ? t.Bought <= b.Length : t.Bars <= b.Bars;
}

// Each bound implies one of the other kind, and the length bought is a sum
// of stock lengths, so a multiple of their greatest common divisor.
Bounds Rounded(const Instance& in, Bounds bounds) {
    bounds.Length = std::max(bounds.Length, bounds.Bars * in.StockLengths.front());
    Millimetres divisor = 0;
    for (Millimetres l : in.StockLengths)
        divisor = std::gcd(divisor, l);
    bounds.Length = *detail::MulDivCeil(bounds.Length, 1, divisor) * divisor;
    bounds.Bars =
        std::max(bounds.Bars, *detail::MulDivCeil(bounds.Length, 1, in.StockLengths.back()));
    return bounds;
}

// `best` squeezed with 1 / `share` of the steps left, when it has one stock
// length, misses the bound and has few enough pieces.
void SqueezeIn(const Instance& in, std::vector<Group>& best, const Bounds& bounds, Budget& budget,
               std::int64_t share) {
    if (in.StockLengths.size() != 1 || in.Capacity(0) > kMaxDpCapacity ||
        MeetsBound(in, Count(in, best), Rounded(in, bounds)) ||
        std::accumulate(in.PieceCounts.begin(), in.PieceCounts.end(), std::int64_t{0}) >
            kSqueezeItems)
        return;
    Budget part{budget.Left / share};
    const std::int64_t given = part.Left;
    Squeeze squeeze(in, part);
    if (auto fewer = squeeze.Run(best, Rounded(in, bounds).Bars))
        best = std::move(*fewer);
    budget.Spend(given - part.Left);
}

// Rounding down and diving from the relaxation of the whole problem. When no
// column has a whole bar left, one bar of a column is taken: the largest
// one, except that the `variant`-th dive takes its `variant`-th largest the
// first time, so that several dives end in different plans.
std::vector<Group> Dive(const Instance& in, const LpSolution& first, std::vector<Column>& pool,
                        Budget& budget, std::size_t variant) {
    std::vector<Group> groups;
    std::vector<std::int64_t> rem = in.PieceCounts;
    LpSolution lp = first;
    while (true) {
        std::vector<std::pair<std::size_t, double>> x = lp.X;
        std::stable_sort(x.begin(), x.end(),
                         [](const auto& a, const auto& b) { return a.second > b.second; });
        bool took = false;
        for (const auto& [k, v] : x) {
            const double whole = static_cast<double>(static_cast<std::int64_t>(v + kIntegralEps));
            if (whole >= 1) {
                TakeCopies(in, lp.Columns[k], static_cast<std::int64_t>(whole), rem, groups);
                took = true;
            }
        }
        if (!took && !x.empty()) {
            const std::size_t pick = std::min(variant, x.size() - 1);
            variant = 0;
            TakeCopies(in, lp.Columns[x[pick].first], 1, rem, groups);
        }
        std::vector<std::size_t> rows;
        std::vector<std::int64_t> dem;
        for (std::size_t i = 0; i < in.Items(); ++i)
            if (rem[i] > 0) {
                rows.push_back(i);
                dem.push_back(rem[i]);
            }
        if (rows.empty())
            break;
        if (x.empty() || budget.Left <= 0) {
            Greedy(in, rem, groups);
            break;
        }
        // Each relaxation of what is left gets a share of the steps left,
        // so that a slow one leaves room for the next.
        Budget share{budget.Left / kResolveShare};
        const std::int64_t given = share.Left;
        Master master(in, rows, dem, share, false);
        lp = master.Solve(pool);
        budget.Spend(given - share.Left);
    }
    return groups;
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
    for (const auto& [key, mult] : merged) {
        Pattern p;
        p.StockLength = in.StockLengths[key.first];
        for (const auto& [i, c] : key.second)
            p.Pieces.insert(p.Pieces.end(), static_cast<std::size_t>(c), in.PieceLengths[i]);
        p.Count = mult;
        const auto shape = detail::Shape(p.StockLength, p.Pieces, in.Kerf);
        p.Cuts = shape.Cuts;
        p.Offcut = shape.Offcut;
        plan.Bars += mult;
        plan.Bought += mult * p.StockLength;
        plan.Patterns.push_back(std::move(p));
    }
    std::sort(plan.Patterns.begin(), plan.Patterns.end(), detail::PatternOrder);
    plan.LowerBoundBars = bounds.Bars;
    plan.LowerBoundLength = bounds.Length;
    plan.ProvenOptimal = in.ByLength ? plan.Bought == bounds.Length : plan.Bars == bounds.Bars;
    return plan;
}

// The best plan found for `in` within `budget`, raising `bounds`.
std::vector<Group> PlanFor(const Instance& in, Budget& budget, Bounds& bounds) {

    std::vector<Group> greedy;
    Greedy(in, in.PieceCounts, greedy);
    Shorten(in, greedy);
    std::vector<Group> best = greedy;
    Totals bestTotals = Count(in, greedy);

    std::vector<std::size_t> rows(in.Items());
    for (std::size_t i = 0; i < in.Items(); ++i)
        rows[i] = i;
    std::int64_t cells = 0;
    bool small = in.Items() <= kMaxLpRows;
    for (std::size_t j = 0; j < in.StockLengths.size() && small; ++j) {
        cells += KnapsackCells(in, j, rows, in.PieceCounts);
        small = cells <= kMaxDpCells && in.Capacity(j) <= kMaxDpCapacity;
    }
    if (!MeetsBound(in, bestTotals, Rounded(in, bounds))) {
        // The fullest bars, when they do better: with an eighth of the steps
        // (half when the relaxation is not tried).
        Budget share{budget.Left / (small ? kFullestShare : 2)};
        const std::int64_t given = share.Left;
        if (auto fullest = Fullest(in, share)) {
            Shorten(in, *fullest);
            const Totals t = Count(in, *fullest);
            if (Better(in, t, bestTotals)) {
                best = std::move(*fullest);
                bestTotals = t;
            }
        }
        budget.Spend(given - share.Left);
    }
    if (small) {
        // The greedy plan's ways of cutting are priced first.
        std::vector<Column> pool;
        for (const Group& g : greedy) {
            Column c;
            c.Stock = g.Stock;
            c.Counts.assign(in.Items(), 0);
            for (const auto& [i, count] : g.Pieces)
                c.Counts[i] = static_cast<std::int32_t>(count);
            pool.push_back(std::move(c));
        }
        // The first relaxation gets half the steps: when it converges slowly,
        // the dives from where it stopped still have the other half.
        Budget share{budget.Left / 2};
        const std::int64_t given = share.Left;
        Master master(in, rows, in.PieceCounts, share);
        const LpSolution lp = master.Solve(pool);
        budget.Spend(given - share.Left);
        if (const auto dual = DualBound(in, lp.Y, budget)) {
            bounds.Bars = std::max(bounds.Bars, dual->Bars);
            bounds.Length = std::max(bounds.Length, dual->Length);
        }
        for (std::size_t variant = 0; variant < kDives && budget.Left > 0 &&
                                      !MeetsBound(in, bestTotals, Rounded(in, bounds));
             ++variant) {
            std::vector<Group> dive = Dive(in, lp, pool, budget, variant);
            Shorten(in, dive);
            const Totals t = Count(in, dive);
            if (Better(in, t, bestTotals)) {
                best = std::move(dive);
                bestTotals = t;
            }
        }
    }
    return best;
}

// How many bars of each group to take out and cut again: the bars the plan
// fills worst, up to `worst` of them, then, with `mixed`, up to as many again
// drawn from the other groups (`draw` gives a number below its argument).
template <typename Draw>
std::vector<std::int64_t> Selection(const Instance& in, const std::vector<Group>& groups,
                                    std::int64_t worst, std::int64_t mixed, Draw&& draw) {
    std::vector<std::size_t> order(groups.size());
    for (std::size_t k = 0; k < groups.size(); ++k)
        order[k] = k;
    std::vector<Millimetres> used(groups.size());
    for (std::size_t k = 0; k < groups.size(); ++k)
        used[k] = PiecesLength(in, groups[k]);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return used[a] * in.StockLengths[groups[b].Stock] <
               used[b] * in.StockLengths[groups[a].Stock];
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
        const std::size_t k = draw(groups.size());
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
    std::vector<std::int64_t> dem(in.Items(), 0);
    for (std::size_t k = 0; k < groups.size(); ++k)
        for (const auto& [i, c] : groups[k].Pieces)
            dem[i] += c * taken[k];
    Instance sub;
    sub.StockLengths = in.StockLengths;
    sub.Kerf = in.Kerf;
    sub.ByLength = in.ByLength;
    std::vector<std::size_t> back;
    for (std::size_t i = 0; i < in.Items(); ++i)
        if (dem[i] > 0) {
            sub.PieceLengths.push_back(in.PieceLengths[i]);
            sub.PieceCounts.push_back(dem[i]);
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
    std::vector<Group> again = PlanFor(sub, budget, subBounds);
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

namespace detail {

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
    return a.StockLength < b.StockLength;
}

} // namespace detail

Outcome SolveCuttingStock(const Problem& problem, const Limits& limits) {
    if (const auto fault = Validate(problem))
        return *fault;
    const Instance in = Normalise(problem);
    if (in.Items() == 0) {
        Plan empty;
        empty.ProvenOptimal = true;
        return empty;
    }
    // Most of the steps for the whole problem; the rest to squeeze a bar out
    // of its plan, then to cut its worst bars again.
    const std::int64_t steps = std::max<std::int64_t>(limits.Steps, 0);
    Budget budget{steps - steps / kRepackShare};
    Bounds bounds = MaterialBound(in);
    std::vector<Group> best = PlanFor(in, budget, bounds);
    // What is left of the steps, to cut the plan again.
    Budget again{steps / kRepackShare + budget.Left};
    SqueezeIn(in, best, bounds, again, 2);
    Draws draws(kDrawSeed);
    if (!MeetsBound(in, Count(in, best), Rounded(in, bounds))) {
        // First the worst bars alone, in several numbers; then the worst few
        // with as many others drawn by a fixed sequence, so that their pieces
        // can change places with pieces of bars already full.
        const auto draw = [&draws](std::size_t below) { return draws.Below(below); };
        const auto round = [&](std::int64_t worst, std::int64_t mixed) {
            Budget share{again.Left / 2};
            const std::int64_t given = share.Left;
            Repack(in, best, share, Selection(in, best, worst, mixed, draw));
            again.Spend(given - share.Left);
            return MeetsBound(in, Count(in, best), Rounded(in, bounds));
        };
        bool met = false;
        for (std::int64_t bars : {kRepackBars, kRepackBars / 2, kRepackBars * 2, kRepackBars * 4})
            if ((met = round(bars, 0)))
                break;
        for (std::int64_t n = 0; !met && n < kMixedRounds && again.Left > 0; ++n)
            met = round(kRepackBars / 2, kRepackBars + (n % 3) * kRepackBars / 2);
    }
    bounds = Rounded(in, bounds);
    return Assemble(in, std::move(best), bounds);
}

std::optional<std::string> VerifyPlan(const Problem& problem, const Plan& plan) {
    if (const auto fault = Validate(problem))
        return "the problem is refused (fault " + std::to_string(static_cast<int>(*fault)) + ")";
    std::map<Millimetres, std::int64_t> wanted;
    for (const Demand& d : problem.Pieces)
        wanted[d.Length] += d.Count;
    std::set<Millimetres> stock(problem.StockLengths.begin(), problem.StockLengths.end());
    std::int64_t bars = 0;
    Millimetres bought = 0;
    for (std::size_t n = 0; n < plan.Patterns.size(); ++n) {
        const Pattern& p = plan.Patterns[n];
        const std::string at = "pattern " + std::to_string(n) + ": ";
        if (!stock.count(p.StockLength))
            return at + "stock length " + std::to_string(p.StockLength) + " is not offered";
        if (p.Count < 1)
            return at + "count " + std::to_string(p.Count) + " is less than 1";
        if (p.Pieces.empty())
            return at + "no pieces";
        if (!std::is_sorted(p.Pieces.begin(), p.Pieces.end(), std::greater<>()))
            return at + "pieces not longest first";
        Millimetres used = 0;
        for (Millimetres w : p.Pieces) {
            const auto it = wanted.find(w);
            if (it == wanted.end())
                return at + "piece " + std::to_string(w) + " is not demanded";
            // Taken off the demand here, so that too many is caught before any overflow.
            if (it->second < p.Count)
                return at + "more pieces of " + std::to_string(w) + " than demanded";
            it->second -= p.Count;
            used += w;
        }
        const std::int64_t k = static_cast<std::int64_t>(p.Pieces.size());
        if (used + (k - 1) * problem.Kerf > p.StockLength)
            return at + "the pieces and kerfs are longer than the bar";
        const detail::PatternShape shape = detail::Shape(p.StockLength, p.Pieces, problem.Kerf);
        if (p.Cuts != shape.Cuts)
            return at + "cuts " + std::to_string(p.Cuts) + ", should be " +
                   std::to_string(shape.Cuts);
        if (p.Offcut != shape.Offcut)
            return at + "offcut " + std::to_string(p.Offcut) + ", should be " +
                   std::to_string(shape.Offcut);
        if (n > 0) {
            const Pattern& q = plan.Patterns[n - 1];
            if (!detail::PatternOrder(q, p))
                return at + (q.Pieces == p.Pieces && q.StockLength == p.StockLength
                                 ? "the same as the one before"
                                 : "out of order");
        }
        bars += p.Count;
        bought += p.Count * p.StockLength;
    }
    for (const auto& [w, left] : wanted)
        if (left != 0)
            return std::to_string(left) + " pieces of " + std::to_string(w) + " not cut";
    if (plan.Bars != bars)
        return "Bars " + std::to_string(plan.Bars) + ", the patterns have " + std::to_string(bars);
    if (plan.Bought != bought)
        return "Bought " + std::to_string(plan.Bought) + ", the patterns have " +
               std::to_string(bought);
    if (plan.LowerBoundBars < 0 || plan.LowerBoundBars > bars)
        return "LowerBoundBars " + std::to_string(plan.LowerBoundBars) + " is not between 0 and " +
               std::to_string(bars);
    if (plan.LowerBoundLength < 0 || plan.LowerBoundLength > bought)
        return "LowerBoundLength " + std::to_string(plan.LowerBoundLength) +
               " is not between 0 and " + std::to_string(bought);
    const bool byLength = stock.size() > 1;
    const bool proven = byLength ? bought == plan.LowerBoundLength : bars == plan.LowerBoundBars;
    if (plan.ProvenOptimal != proven)
        return std::string("ProvenOptimal is ") + (plan.ProvenOptimal ? "true" : "false") +
               " against the bounds";
    return std::nullopt;
}

} // namespace tavrilo::cutting
