#pragma once

// The optimiser's internals: what its files share, and what its tests and
// benchmark look at. plan.h is the library's one door; nothing outside
// cutting/ but tests and tools includes this. How a plan is found is told at
// the top of assembly.cpp, beside SolveCuttingStock.

#include "cutting/plan.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tavrilo::cutting::detail {

// --- Counted work and exact arithmetic (arithmetic.cpp) ----------------------

// Counted work: Spend fails, and leaves nothing, once the steps run out.
struct Budget {
    std::int64_t Left = 0;
    bool Spend(std::int64_t steps);
};

// `run(part)` with 1 / `share` of the steps left in `budget` as its own
// `part`, so that a slow part leaves room for what comes after it; the steps
// it spends are charged back to `budget`. Returns what `run` returns.
template <class Run> auto WithShare(Budget& budget, std::int64_t share, Run&& run) {
    Budget part{budget.Left / share};
    const std::int64_t given = part.Left;
    if constexpr (std::is_void_v<std::invoke_result_t<Run, Budget&>>) {
        run(part);
        budget.Spend(given - part.Left);
    } else {
        auto result = run(part);
        budget.Spend(given - part.Left);
        return result;
    }
}

// ceil(a * b / m) for a, b >= 0 and m > 0, exactly, or nothing when it does
// not fit in 64 bits. No 128-bit integer type is needed.
std::optional<std::int64_t> MulDivCeil(std::int64_t a, std::int64_t b, std::int64_t m);
// floor(a * b / m), the same way.
std::optional<std::int64_t> MulDivFloor(std::int64_t a, std::int64_t b, std::int64_t m);
std::optional<std::int64_t> AddChecked(std::int64_t a, std::int64_t b);
std::optional<std::int64_t> MulChecked(std::int64_t a, std::int64_t b);

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

// --- The knobs that more than one file turns ---------------------------------

// The relaxation is tried only this small (lists of more distinct lengths,
// over classes of them, classes.cpp): a dense basis of kMaxLpRows rows,
// and knapsacks of at most kMaxDpCells cells (capacity times chunks) a round,
// nor for bars longer than kMaxDpCapacity (a table of doubles over the
// millimetres of one bar).
inline constexpr std::size_t kMaxLpRows = 400;
inline constexpr std::int64_t kMaxDpCells = 60'000'000;
inline constexpr Millimetres kMaxDpCapacity = 1'000'000;
// Knapsacks larger than kSmallDpCells are searched first, up to kSearchNodes
// nodes. A node of a knapsack search takes about as long as 24 cells of a
// table (measured on the long bars of Scholl's third set), and is counted so.
inline constexpr std::int64_t kSmallDpCells = 300'000;
inline constexpr std::int64_t kSearchNodes = 200'000;
inline constexpr std::int64_t kStepsPerNode = 24;
// After this many pivots in a row that move nothing, the simplex guards
// against cycling (basis.cpp, master.cpp).
inline constexpr std::size_t kDegenerateStreak = 30;
// The seed of every sequence drawn.
inline constexpr std::uint64_t kDrawSeed = 20261209;

// --- The problem in normal form (problem.cpp) --------------------------------

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

std::optional<ProblemFault> Validate(const Problem& problem);
Instance Normalise(const Problem& problem);

// --- Knapsacks (knapsack.cpp) ------------------------------------------------

// Copies of one row taken together: a row's bound split in powers of two.
struct Chunk {
    std::size_t Row = 0;
    std::int64_t Copies = 0;
    Millimetres Size = 0;
};

// A bounded knapsack: at most Bounds[r] pieces of Sizes[r] on a bar of
// `capacity`, each worth values[r]. Two ways to the best value, each with the
// pieces per row in `choice`: a table over the millimetres, exact; and a
// branch and bound search by value per millimetre, best first, exact unless
// it runs out of nodes, and quick for bars that hold few pieces.
class Knapsack {
public:
    Knapsack(std::vector<Millimetres> sizes, std::vector<std::int64_t> bounds,
             Millimetres capacity);

    std::size_t Chunks() const { return chunks_.size(); }
    // The table's cells: its work in steps.
    std::int64_t Cells() const {
        return static_cast<std::int64_t>(chunks_.size()) * (capacity_ + 1);
    }

    template <class Value>
    Value Table(const std::vector<Value>& values, std::vector<std::int64_t>* choice) const;

    struct Searched {
        double Value = 0;
        bool Exhausted = false; // out of nodes: the best found, not the best
        std::int64_t NodesUsed = 0;
    };
    Searched Search(const std::vector<double>& values, std::int64_t nodes,
                    std::vector<std::int64_t>& choice) const;

private:
    std::vector<Millimetres> sizes_;
    std::vector<std::int64_t> bounds_;
    Millimetres capacity_;
    std::vector<Chunk> chunks_;
};

// The knapsack of a bar of `capacity` over the items `rows` of `in`: at most
// counts[r] pieces of row r, and no more than fit.
Knapsack KnapsackOver(const Instance& in, const std::vector<std::size_t>& rows,
                      const std::vector<std::int64_t>& counts, Millimetres capacity);
// The same over every item of `in`.
Knapsack KnapsackOver(const Instance& in, const std::vector<std::int64_t>& counts,
                      Millimetres capacity);

// --- The relaxation (master.cpp, basis.cpp) ----------------------------------

// A way of cutting a bar of StockLengths[Stock]: pieces per item of the instance.
struct Column {
    std::size_t Stock = 0;
    std::vector<std::int32_t> Counts;
};

struct LpSolution {
    std::vector<double> Duals;                     // per row
    std::vector<std::pair<std::size_t, double>> X; // column of the master, value
    std::vector<Column> Columns;                   // the master's columns
};

// The cost of a bar of stock j: 1, or its length over the longest's.
double Cost(const Instance& in, std::size_t j);

// The relaxation over `rows` (items) with demands `demand`, from a basis of
// one single-item column per row. Columns of `pool` are priced before the
// knapsacks; the columns generated are added to it. `exact`: when the search
// of a knapsack runs out of nodes without a column, its table decides;
// otherwise the relaxation stops there (a dive's relaxations need not be
// optimal, and any duals give a bound).
LpSolution SolveRelaxation(const Instance& in, std::vector<std::size_t> rows,
                           std::vector<std::int64_t> demand, std::vector<Column>& pool,
                           Budget& budget, bool exact = true);

// A column of the master: its entries on the master's rows.
struct MasterColumn {
    std::size_t Stock = 0;
    double Cost = 0;
    std::vector<double> Entries; // per row
    bool Basic = false;
    // The rows it cuts pieces for: a way of cutting one bar has few, so its
    // reduced cost is summed over these alone.
    std::vector<std::size_t> Rows;
};

// The basis of the master and its arithmetic: a dense inverse, the basic
// solution and the duals, kept up to date pivot by pivot.
class Basis {
public:
    // A basis of `rows` rows, each to be given its column by Set.
    void Start(std::size_t rows);
    // Row `row` covered by column `column`, whose one entry `entry` is on it.
    void Set(std::size_t row, std::size_t column, double entry, double demand);
    // The duals from the basic columns' costs.
    void ComputeDuals(const std::vector<MasterColumn>& columns);
    // Column `entering` in, for the basic one that reaches zero first; false
    // when none does (the relaxation is unbounded, which equations never are).
    bool Pivot(std::vector<MasterColumn>& columns, std::size_t entering);
    // The inverse again from the basis, and the solution and duals from it;
    // false when it is singular or the steps run out.
    bool Reinvert(const std::vector<MasterColumn>& columns, const std::vector<std::int64_t>& demand,
                  Budget& budget);

    const std::vector<double>& Duals() const { return duals_; }
    std::size_t BasicColumn(std::size_t row) const { return basic_[row]; }
    double Value(std::size_t row) const { return values_[row]; }
    // Pivots in a row that moved nothing.
    std::size_t Degenerate() const { return degenerate_; }
    // Entries of the inverse touched since the last call, for the steps.
    std::size_t TakeWork() { return std::exchange(work_, 0); }

private:
    std::optional<std::size_t> Leaving(const std::vector<double>& alpha) const;
    std::optional<std::vector<double>> Inverted(const std::vector<MasterColumn>& columns,
                                                std::int64_t& work) const;

    std::size_t m_ = 0;
    std::vector<std::size_t> basic_; // the column basic in each row
    std::vector<double> inverse_;    // m_ x m_, row by row
    std::vector<double> values_;     // of the basic columns
    std::vector<double> duals_;
    std::size_t degenerate_ = 0;
    std::size_t work_ = 0;
};

// --- Heuristic plans (heuristics.cpp, squeeze.cpp) ---------------------------

Millimetres PiecesLength(const Instance& in, const Group& g);
// `bar` cut as many times as the pieces left in `left` allow (and no more
// than `most`), which it takes.
void CutAsOften(Group& bar, std::vector<std::int64_t>& left, std::int64_t most = INT64_MAX);

// How full a bar is: the length of its pieces over its stock length.
struct Fill {
    Millimetres Used = 0;
    std::size_t Stock = 0;
};
// What an equal fill counts as.
enum class OnATie { Fuller, NotFuller };
// Whether `a` fills its bar more than `b` (compared exactly, cross-multiplied).
bool Fuller(const Instance& in, const Fill& a, const Fill& b, OnATie tie);

// Cuts every piece left in `left` by the greedy rule, appending to `out`.
void Greedy(const Instance& in, std::vector<std::int64_t> left, std::vector<Group>& out);
// First fit by decreasing length on the longest stock alone (no plan should
// buy more once each bar is on the shortest stock that holds it).
std::vector<Group> FirstFitDecreasing(const Instance& in);
// The fullest-bar plan, or nothing when its knapsacks outrun `budget`.
std::optional<std::vector<Group>> Fullest(const Instance& in, Budget& budget);
// With one stock length: fewer bars than `groups` (down to `floor`), or nothing.
std::optional<std::vector<Group>> SqueezeBars(const Instance& in, const std::vector<Group>& groups,
                                              std::int64_t floor, Budget& budget);

// --- Short lists solved exactly (exact.cpp) ----------------------------------

// The least stock length for a few pieces, found by weighing every way of
// cutting them: dynamic programming over what is left to cut. With several
// stock lengths the relaxation and its dives round a small list badly (five
// pieces of 2.25 m go on a 9 m bar and a second one, where one 12 m bar holds
// them all); a list this small is better solved exactly, and so are the worst
// bars of a larger plan when they are cut again.

struct ExactProblem {
    std::vector<Millimetres> Sizes;      // a piece and one kerf, longest first
    std::vector<std::int64_t> Demand;    // pieces of each size
    std::vector<Millimetres> Capacities; // a stock bar and one kerf, shortest first
    std::vector<Millimetres> Lengths;    // the stock lengths, in the same order
};

// One way of cutting a bar, and how many bars are cut that way.
struct ExactBar {
    std::size_t Stock = 0;            // into Capacities and Lengths
    std::vector<std::int64_t> Counts; // pieces of each size on one bar
    std::int64_t Times = 0;
};

// The plan of the least stock length (the fewest bars among those), or nothing
// when the search would count more than `steps`; `spent` says how many it counted.
// The same problem gives the same plan: ways of cutting are tried in a fixed order.
std::optional<std::vector<ExactBar>> LeastLengthExactly(const ExactProblem& problem,
                                                        std::int64_t steps, std::int64_t& spent);

// With several stock lengths, `in` cut exactly with at most a share of
// `budget`: the plan of the least length, or nothing when it would take more.
std::optional<std::vector<Group>> Exactly(const Instance& in, Budget& budget);

// --- Bounds and totals (bounds.cpp) ------------------------------------------

struct Bounds {
    std::int64_t Bars = 0;
    Millimetres Length = 0;
};

struct Totals {
    std::int64_t Bars = 0;
    Millimetres Bought = 0;
};

Bounds MaterialBound(const Instance& in);
std::optional<Bounds> DualBound(const Instance& in, const std::vector<double>& duals,
                                Budget& budget);
// Each bound raised by the other, and the length to a sum of stock lengths.
Bounds Rounded(const Instance& in, Bounds bounds);
Totals Count(const Instance& in, const std::vector<Group>& groups);
bool Better(const Instance& in, const Totals& a, const Totals& b);
bool MeetsBound(const Instance& in, const Totals& t, const Bounds& b);

// --- Lists of many lengths, cut as classes of lengths (classes.cpp) ---------

// Adjacent distinct lengths of an instance taken together: class c is the
// items First[c] to First[c + 1] - 1 (First ends with the number of items).
struct Classes {
    std::vector<std::size_t> First;
    std::size_t Count() const { return First.size() - 1; }
};

// At most `limit` classes (at least one), the widest of them as narrow as can be.
Classes GroupLengths(const Instance& in, std::size_t limit);
// `in` with its pieces one item per class, each of its class's shortest
// length (Down: a list no harder, so its bounds hold for `in`) or longest
// (Up: a list no easier, so its plans cut `in`); the same stock lengths.
enum class Rounding { Down, Up };
Instance Classed(const Instance& in, const Classes& classes, Rounding rounding);
// The groups of a plan of the Up list with the pieces of `in` in its places.
std::vector<Group> SwappedBack(const Instance& in, const Classes& classes,
                               const std::vector<Group>& groups);
// The dual bound of the Down list's relaxation, within `budget`: a bound of
// `in`; nothing when its knapsacks are too large to table.
std::optional<Bounds> ClassBound(const Instance& in, const Classes& classes, Budget& budget);
// The plan of the Up list within `budget`, swapped back.
std::vector<Group> ClassPlan(const Instance& in, const Classes& classes, Budget& budget);

// --- The search for a plan (search.cpp, repack.cpp) and its assembly ---------

// The best plan found for `in` within `budget`, raising `bounds`; with more
// distinct lengths than the relaxation takes, over classes of them unless
// Never (the greedy and the fullest-bar plans alone).
enum class Classing { WhenMany, Never };
std::vector<Group> PlanFor(const Instance& in, Budget& budget, Bounds& bounds,
                           Classing classing = Classing::WhenMany);
// Whether the knapsacks of `in` are small enough to table, for the relaxation.
bool FewCells(const Instance& in);
// The ways of cutting of `groups` as columns of the relaxation.
std::vector<Column> PoolOf(const Instance& in, const std::vector<Group>& groups);
// `best` squeezed, then its worst bars cut again, with the steps of `budget`.
void Improve(const Instance& in, std::vector<Group>& best, const Bounds& bounds, Budget& budget);
// Every group on the shortest stock length that carries its pieces.
void Shorten(const Instance& in, std::vector<Group>& groups);
Plan Assemble(const Instance& in, std::vector<Group> groups, const Bounds& bounds);

// Fewer distinct ways of cutting in `groups` (patterns.cpp), merged first:
// pairs as one and triples as two, each stock keeping its bars, while
// `budget` lasts. `sizes` are the items' and `rooms` the stocks' (by
// Group::Stock) lengths with a kerf each.
void FewerPatterns(const std::vector<Millimetres>& sizes, const std::vector<Millimetres>& rooms,
                   std::vector<Group>& groups, Budget& budget);
// The same for `in`, its groups first each on its shortest stock.
void FewerPatterns(const Instance& in, std::vector<Group>& groups, Budget& budget);

// What is left of a bar, its cuts and its offcut, as plan.h defines them.
struct PatternShape {
    Millimetres Rest = 0;
    std::int64_t Cuts = 0;
    Millimetres Offcut = 0;
};
PatternShape Shape(Millimetres stock, const std::vector<Millimetres>& pieces, Millimetres kerf);

// The order of Plan::Patterns: true when `a` comes before `b`.
bool PatternOrder(const Pattern& a, const Pattern& b);

// --- Stock on hand and prices (costs.cpp, costs_master.cpp, costs_bound.cpp) -

// A stock of Problem::Stocks that can carry a piece and has a bar.
struct Priced {
    std::size_t Index = 0;       // into Problem::Stocks
    std::size_t Length = 0;      // into Instance::StockLengths
    std::int64_t Available = -1; // -1: as many as wanted
    std::int64_t Cost = 0;
};

// A problem with Stocks in normal form: the instance's stock lengths are the
// distinct lengths of the stocks, and a Group's Stock indexes Stocks.
struct CostedInstance {
    Instance In;
    std::vector<Priced> Stocks; // in the order of Problem::Stocks
    bool Limited(std::size_t s) const { return Stocks[s].Available >= 0; }
    Millimetres Capacity(std::size_t s) const { return In.Capacity(Stocks[s].Length); }
};

// The problem with its Stocks as plain stock lengths, for Validate.
Problem Lengths(const Problem& problem);
std::optional<ProblemFault> ValidateCosted(const Problem& problem);
CostedInstance NormaliseCosted(const Problem& problem);

// The plan's cost, and whether it uses no stock more often than it has.
std::int64_t CostOf(const CostedInstance& ci, const std::vector<Group>& groups);
bool WithinStock(const CostedInstance& ci, const std::vector<Group>& groups);
// Bars left of each stock after `groups` (-1: as many as wanted).
std::vector<std::int64_t> LeftAfter(const CostedInstance& ci, const std::vector<Group>& groups);
// The pieces `left` cut greedily from the bars `bars` (left of each stock),
// appended to `out`; false when some piece finds no bar.
bool CostedGreedy(const CostedInstance& ci, std::vector<std::int64_t> left,
                  std::vector<std::int64_t> bars, std::vector<Group>& out);
// Each group's bars moved, as far as the bars left allow, to the cheapest
// stock that holds its pieces.
void Cheapen(const CostedInstance& ci, std::vector<Group>& groups);

// The relaxation of least cost with a row per limited stock: duals per item
// in the caller's cost units, and the columns it uses with their values.
struct CostedLp {
    std::vector<double> Duals;
    std::vector<std::pair<Column, double>> X;
    bool Covered = false; // no piece left to the artificial columns
};
CostedLp SolveCostedRelaxation(const CostedInstance& ci, const std::vector<std::int64_t>& demand,
                               const std::vector<std::int64_t>& bars, std::vector<Column>& pool,
                               Budget& budget);
// A plan by rounding and diving from the relaxation, which is solved into
// `root` (for the bound) when it has not been yet; dive `first` > 0 first
// cuts one bar of the root's first-th most used column. The columns found
// go to `pool`. Nothing when no plan within the stock is found.
std::optional<std::vector<Group>> CostedDive(const CostedInstance& ci, Budget& budget,
                                             CostedLp& root, std::size_t first,
                                             std::vector<Column>& pool);

// A short list cut at the least cost, found by weighing every way of cutting
// it (costs_exact.cpp): its cost is then its own bound. Nothing when the list
// is too long or the search would take more than a share of `budget`.
std::optional<std::vector<Group>> CostedExactly(const CostedInstance& ci, Budget& budget);
// The bars of `plan` that waste the most cost cut again exactly, as a short
// list of their own within the bars the rest leaves, while that saves.
void RecutWorst(const CostedInstance& ci, std::vector<Group>& plan, Budget& budget);

// A cost no plan beats: the material at the cheapest cost per millimetre the
// stocks offer, as far as they have bars; and from duals (caller's units).
std::int64_t MaterialCost(const CostedInstance& ci);
// The least cost at or above `bound` that bars of the stocks' costs add up to:
// every plan's cost is such a sum, so a bound raised to it is still one.
std::int64_t Achievable(const CostedInstance& ci, std::int64_t bound);
std::optional<std::int64_t> DualCostBound(const CostedInstance& ci,
                                          const std::vector<double>& duals, Budget& budget);

// With two unlimited stocks that cost and free bars on hand beside them: the
// least cost of whole counts of the two, from `lower` up to the cost of
// `best`, not shown to be too few to cut every piece; that cost when every
// such count is. A plan found within the first such counts replaces `best`.
std::int64_t CountsBound(const CostedInstance& ci, std::int64_t lower, std::vector<Group>& best,
                         std::vector<Column>& pool, Budget& budget);

Outcome SolveCosted(const Problem& problem, const Limits& limits);

} // namespace tavrilo::cutting::detail
