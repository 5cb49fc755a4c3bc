// The problem checked, and put in normal form: distinct piece lengths longest
// first with their counts, and the stock lengths that carry a piece.

#include "cutting/detail.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace tavrilo::cutting::detail {
namespace {

// Inputs beyond these are TooLarge: every sum and product the plan and its
// bounds need then fits in 64 bits.
constexpr Millimetres kMaxLength = 1'000'000'000; // 1000 km, stock, piece or kerf
constexpr std::int64_t kMaxCount = std::int64_t{1} << 40;
constexpr std::int64_t kMaxTotal = std::int64_t{1} << 61;
// A bar never holds more pieces than this, so that a plan's lists stay small.
constexpr std::int64_t kMaxPiecesPerBar = 100'000;

} // namespace

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
    const auto total = MulChecked(count, longest + p.Kerf);
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
    for (const auto& [length, count] : counts) {
        in.PieceLengths.push_back(length);
        in.PieceCounts.push_back(count);
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

} // namespace tavrilo::cutting::detail
