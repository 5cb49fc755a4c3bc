// The optimiser fed small arbitrary problems.
//
// The input: a byte for the number of stock lengths (1 to 3) and two bytes
// for each (1 to 2000 mm), a byte for the kerf (0 to 7), then three bytes a
// piece length (two, up to a little over the longest bar) and count (one,
// 1 to 20). Properties:
// - the problem is refused exactly when a piece is longer than the longest bar;
// - every plan passes VerifyPlan, and the same problem gives the same plan;
// - with at most 7 pieces in all, the bounds are no higher than the least
//   bars and the least length of any plan, found by trying every partition.

#include "cutting/plan.h"
#include "fuzz/fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace {

using namespace tavrilo::cutting;

std::string Describe(const Problem& p) {
    std::string s = "stock";
    for (Millimetres l : p.StockLengths) {
        s += ' ';
        s += std::to_string(l);
    }
    s += ", kerf ";
    s += std::to_string(p.Kerf);
    s += ", pieces";
    for (const Demand& d : p.Pieces) {
        s += ' ';
        s += std::to_string(d.Length);
        s += 'x';
        s += std::to_string(d.Count);
    }
    return s;
}

bool SamePlan(const Plan& a, const Plan& b) {
    if (a.Patterns.size() != b.Patterns.size() || a.Bars != b.Bars || a.Bought != b.Bought ||
        a.LowerBoundBars != b.LowerBoundBars || a.LowerBoundLength != b.LowerBoundLength ||
        a.ProvenOptimal != b.ProvenOptimal)
        return false;
    for (std::size_t i = 0; i < a.Patterns.size(); ++i)
        if (a.Patterns[i].StockLength != b.Patterns[i].StockLength ||
            a.Patterns[i].Pieces != b.Patterns[i].Pieces ||
            a.Patterns[i].Count != b.Patterns[i].Count)
            return false;
    return true;
}

// The least bars and the least length over all plans, for a few pieces.
void Exhaustive(const Problem& p, std::int64_t& bars, Millimetres& bought) {
    std::vector<Millimetres> pieces;
    for (const Demand& d : p.Pieces)
        pieces.insert(pieces.end(), static_cast<std::size_t>(d.Count), d.Length);
    const std::size_t n = pieces.size();
    const std::size_t full = (std::size_t{1} << n) - 1;
    constexpr std::int64_t kNone = INT64_MAX / 4;
    // The shortest bar that carries a set of pieces.
    std::vector<Millimetres> bar(full + 1, kNone);
    for (std::size_t mask = 1; mask <= full; ++mask) {
        Millimetres used = 0;
        std::int64_t k = 0;
        for (std::size_t i = 0; i < n; ++i)
            if (mask >> i & 1u) {
                used += pieces[i];
                ++k;
            }
        for (Millimetres l : p.StockLengths)
            if (used + (k - 1) * p.Kerf <= l)
                bar[mask] = std::min(bar[mask], l);
    }
    std::vector<std::int64_t> leastBars(full + 1, kNone);
    std::vector<Millimetres> leastLength(full + 1, kNone);
    leastBars[0] = 0;
    leastLength[0] = 0;
    for (std::size_t mask = 1; mask <= full; ++mask) {
        // The bar holding the lowest piece left, and the best for the rest.
        const std::size_t low = mask & (~mask + 1);
        for (std::size_t sub = mask; sub != 0; sub = (sub - 1) & mask) {
            if (!(sub & low) || bar[sub] == kNone)
                continue;
            leastBars[mask] = std::min(leastBars[mask], leastBars[mask ^ sub] + 1);
            leastLength[mask] = std::min(leastLength[mask], leastLength[mask ^ sub] + bar[sub]);
        }
    }
    bars = leastBars[full];
    bought = leastLength[full];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    std::size_t at = 0;
    auto byte = [&]() -> std::uint32_t { return at < size ? data[at++] : 0u; };
    Problem p;
    const std::uint32_t stocks = 1 + byte() % 3;
    for (std::uint32_t j = 0; j < stocks; ++j) {
        const std::uint32_t v = byte() << 8 | byte();
        p.StockLengths.push_back(1 + v % 2000);
    }
    p.Kerf = byte() % 8;
    const Millimetres longest = *std::max_element(p.StockLengths.begin(), p.StockLengths.end());
    bool tooLong = false;
    std::int64_t pieces = 0;
    while (at + 3 <= size && p.Pieces.size() < 12) {
        const std::uint32_t v = byte() << 8 | byte();
        const Demand d{1 + static_cast<Millimetres>(v) % (longest + 20), 1 + byte() % 20};
        tooLong = tooLong || d.Length > longest;
        pieces += d.Count;
        p.Pieces.push_back(d);
    }
    const std::string shown = Describe(p);

    // Fewer steps than by default, so that a run is quick; the step limit is
    // reached often, which is tested too.
    const Limits limits{5'000'000};
    const Outcome outcome = SolveCuttingStock(p, limits);
    if (tooLong) {
        TAVRILO_FUZZ_CHECK(std::holds_alternative<ProblemFault>(outcome) &&
                               std::get<ProblemFault>(outcome) == ProblemFault::PieceTooLong,
                           shown);
        return 0;
    }
    TAVRILO_FUZZ_CHECK(std::holds_alternative<Plan>(outcome), shown);
    const Plan& plan = std::get<Plan>(outcome);
    const auto fault = VerifyPlan(p, plan);
    TAVRILO_FUZZ_CHECK(!fault, shown + ": " + fault.value_or(""));
    const Outcome again = SolveCuttingStock(p, limits);
    TAVRILO_FUZZ_CHECK(SamePlan(plan, std::get<Plan>(again)), shown + ": a different plan twice");

    if (pieces <= 7) {
        std::int64_t bars = 0;
        Millimetres bought = 0;
        Exhaustive(p, bars, bought);
        TAVRILO_FUZZ_CHECK(plan.LowerBoundBars <= bars && plan.LowerBoundLength <= bought,
                           shown + ": bounds " + std::to_string(plan.LowerBoundBars) + " / " +
                               std::to_string(plan.LowerBoundLength) + " above the least " +
                               std::to_string(bars) + " / " + std::to_string(bought));
    }
    return 0;
}
