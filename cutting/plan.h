#pragma once

// Cutting stock bars into pieces (one-dimensional cutting stock): pieces of
// given lengths and counts in, the stock bars to buy with the way to cut each
// one, and a lower bound that no plan can beat, out. Everything is in whole
// millimetres; nothing here knows of meshes, texts or files.
//
// A saw cut takes `Kerf` millimetres. A bar of length L carries pieces
// w1..wk when w1 + ... + wk + (k - 1) * Kerf <= L; the last cut, between the
// last piece and what is left, is not needed when nothing is left.
//
// The same problem gives the same plan, byte for byte, on every machine: the
// work is limited by counted steps, never by the clock.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tavrilo::cutting {

using Millimetres = std::int64_t;

struct Demand {
    Millimetres Length = 0; // > 0
    std::int64_t Count = 0; // > 0
};

// A stock length with how many bars of it there are and what one costs: bars
// on hand (whole bars and offcuts kept from earlier orders, already paid for,
// so often of cost 0) or new bars at their price.
struct Stock {
    Millimetres Length = 0;      // > 0
    std::int64_t Available = -1; // bars there are, >= 0; -1: as many as wanted
    std::int64_t Cost = 0;       // one bar's cost in the caller's whole units, 0 to 10^9
};

struct Problem {
    std::vector<Millimetres> StockLengths; // each > 0; order and repeats do not matter
    Millimetres Kerf = 0;                  // >= 0
    std::vector<Demand> Pieces;            // a length may appear more than once
    // When not empty, used instead of StockLengths: the plan of least cost in
    // all, never more bars of a stock than it has (fewer bars, then less
    // length bought, breaking ties). Two stocks may have the same length.
    std::vector<Stock> Stocks{};
};

// One way of cutting a stock bar, and how many bars are cut that way.
struct Pattern {
    Millimetres StockLength = 0;
    std::vector<Millimetres> Pieces; // longest first
    std::int64_t Count = 0;          // bars cut this way, >= 1
    std::int64_t Cuts = 0;           // saw cuts on one bar
    Millimetres Offcut = 0;          // what is left of one bar after its pieces and kerfs
    std::size_t Stock = 0;           // with Problem::Stocks, the index of its stock; else 0
};
// For k pieces on a bar of length L the rest is r = L - (w1 + ... + wk) - (k - 1) * Kerf.
// With r = 0 the last piece ends the bar: k - 1 cuts and no offcut. With r > 0
// the last piece is cut off what is left: k cuts, and the offcut is r - Kerf,
// or 0 when the saw takes all of it.

struct Plan {
    // Longest first piece first, then by the pieces that follow, then by the
    // stock length (and stock): an order a workshop can follow. Of two patterns that agree
    // as far as the shorter goes, the one with more pieces comes first. No two
    // patterns cut the same pieces from the same stock.
    std::vector<Pattern> Patterns;
    std::int64_t Bars = 0;            // stock bars in all
    Millimetres Bought = 0;           // their length in all
    std::int64_t LowerBoundBars = 0;  // no plan cuts the pieces from fewer bars
    Millimetres LowerBoundLength = 0; // nor from less stock length
    // The plan meets the bound of what it minimises: the number of bars with
    // one stock length, the length bought with several (fewer bars breaking
    // ties). A problem without pieces has an empty plan, proven optimal.
    bool ProvenOptimal = false;
    // With Problem::Stocks: the plan's cost (the count times the cost of each
    // pattern's stock, added up) and a cost no plan beats; ProvenOptimal then
    // means Cost == LowerBoundCost. Without them both are 0.
    std::int64_t Cost = 0;
    std::int64_t LowerBoundCost = 0;
};

enum class ProblemFault {
    NoStock,        // no stock length
    BadLength,      // a length or count of 0 or less, a negative kerf, or a stock of a
                    // negative cost or of fewer than -1 bars
    PieceTooLong,   // a piece longer than the longest stock bar: splice it first
    TooLarge,       // lengths or counts beyond what can be added up exactly: a length or
                    // kerf over 10^9, a count over 2^40 in all, the count times the longest
                    // bar and kerf over 2^61, or over 100000 pieces that fit on one bar,
                    // or the count times the dearest stock's cost over 2^61
    NotEnoughStock, // with Problem::Stocks: the bars on hand do not hold the pieces and no
                    // stock without a limit makes up for them (or no plan within them was found)
};

// How much work the search may do, in counted steps (never in seconds), so
// that the answer is the same on a slow machine and a fast one.
struct Limits {
    std::int64_t Steps = 1'200'000'000;
    // Steps of their own for fewer distinct patterns once the plan is found,
    // at the same bars, length and cost (0: the plan as found).
    std::int64_t PatternSteps = 5'000'000;
};

using Outcome = std::variant<Plan, ProblemFault>;

Outcome SolveCuttingStock(const Problem& problem, const Limits& limits = {});

// What is wrong with `plan` for `problem`, or nothing: every piece cut once
// and no more, no bar overfilled, the counts, cuts, offcuts and totals as the
// patterns give them, the bounds no higher than the plan. For the tests.
std::optional<std::string> VerifyPlan(const Problem& problem, const Plan& plan);

} // namespace tavrilo::cutting
