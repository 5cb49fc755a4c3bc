#pragma once

// Bars longer than the longest stock bar, joined from several: whether they
// may be, the lap of a diameter, and how each such bar is made up.

#include "app/steel_order.h"

#include <optional>

namespace tavrilo {

// The lap of one diameter, in millimetres.
Millimetres LapOf(const OrderSettings& settings, double barDiameter);

// Bars too long for one stock bar are never spliced unless asked, and never
// lapped by the bar diameter when they have none: why not, if so.
std::optional<OrderRefusal> RefuseUnsplicedBars(const OrderReader::Pieces& demand,
                                                const SteelOrder& order);

// Bars of `length` longer than the longest stock bar: n pieces, n - 1 whole
// stock bars and a closing piece, each joint overlapping by the lap.
SplicedBars Splice(Millimetres length, std::int64_t count, Millimetres longest, Millimetres lap);

} // namespace tavrilo
