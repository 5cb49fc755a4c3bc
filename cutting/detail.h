#pragma once

// The optimiser's internals that its tests and benchmark look at.

#include "cutting/plan.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tavrilo::cutting::detail {

// Counted work: Spend fails, and leaves nothing, once the steps run out.
struct Budget {
    std::int64_t Left = 0;
    bool Spend(std::int64_t steps);
};

// ceil(a * b / m) for a, b >= 0 and m > 0, exactly, or nothing when it does
// not fit in 64 bits. No 128-bit integer type is needed.
std::optional<std::int64_t> MulDivCeil(std::int64_t a, std::int64_t b, std::int64_t m);
std::optional<std::int64_t> AddChecked(std::int64_t a, std::int64_t b);
std::optional<std::int64_t> MulChecked(std::int64_t a, std::int64_t b);

// What is left of a bar, its cuts and its offcut, as plan.h defines them.
struct PatternShape {
    Millimetres Rest = 0;
    std::int64_t Cuts = 0;
    Millimetres Offcut = 0;
};
PatternShape Shape(Millimetres stock, const std::vector<Millimetres>& pieces, Millimetres kerf);

// The order of Plan::Patterns: true when `a` comes before `b`.
bool PatternOrder(const Pattern& a, const Pattern& b);

} // namespace tavrilo::cutting::detail
