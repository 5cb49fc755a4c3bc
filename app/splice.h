#pragma once

// Bars longer than the longest stock bar, joined from several: whether they
// may be, the lap of a diameter, and how each such bar is made up.
//
// The bars of one length lie side by side, their ends level, and alternate
// between two kinds. The odd bars are whole stock bars from one end and a
// closing piece; the even bars begin with a piece chosen so that each of
// their joints is apart from every joint of the odd bars as GB 50010 counts
// a connection section: lap centres at least 1.3 laps apart, mechanical
// couplers at least 35 bar diameters. The even bars keep the odd bars' number
// of pieces where that is enough, and take one piece more where it is not.
// Couplers on bars without a diameter, whose 35d is not known, are put half a
// stock bar apart where they can be.
// No piece is shorter than the shortest a yard would cut for a splice: 0.5 m,
// and 1.5 laps when lapped (so that it reaches half a lap beyond its lap) or
// 35 bar diameters with couplers. A closing piece that would be shorter
// shortens the whole bar before it instead (two cut pieces, not a whole bar
// and a stub).

#include "app/steel_order.h"

#include <optional>
#include <vector>

namespace tavrilo {

// The lap of one diameter, in millimetres.
Millimetres LapOf(const OrderSettings& settings, double barDiameter);

// Bars too long for one stock bar are never spliced unless asked, and never
// lapped by the bar diameter when they have none: why not, if so.
std::optional<OrderRefusal> RefuseUnsplicedBars(const OrderReader::Pieces& demand,
                                                const SteelOrder& order);

// What the spliced bars of one diameter are made under.
struct SpliceRule {
    Millimetres Stock = 0;    // the longest stock bar
    Millimetres Lap = 0;      // per joint; 0 with couplers
    Millimetres Shortest = 0; // the shortest piece of a spliced bar
    Millimetres Apart = 0;    // between neighbouring bars' joints; 0: not known
};

// The rule of one diameter (none: pieces without one), `lap` the lap when lapped.
SpliceRule SpliceRuleOf(const OrderSettings& settings, Millimetres lap,
                        std::optional<double> barDiameter);

// A spliced bar has at most this many pieces; longer bars are not spliced.
inline constexpr std::int64_t kMostSplicePieces = 10000;

// The pieces of a bar of `length`, longer than the stock, under `rule`.
std::int64_t SplicePieceCount(Millimetres length, const SpliceRule& rule);

// Bars of `length`, `count` of them: the odd bars, and the even ones when
// there are two or more. The piece count must be at most kMostSplicePieces.
std::vector<SplicedBars> Splice(Millimetres length, std::int64_t count, const SpliceRule& rule);

// The bars of a schedule's meshes, `placed` (those of one diameter, each as
// it lies in its layer), spliced: the bars beside each other in a layer are
// an odd and an even one, and a bar is staggered when each of its joints is
// apart from every joint of the bars beside it as they lie, their ends half
// their difference in length apart. The odd bars are made as above; the even
// bars of a length keep away from the odd bars of that length and from every
// odd bar beside one of them. Bars of one length and kind are listed once,
// or twice when some of them are staggered and some not, with the least
// distance found. Every length must be at most kMostSplicePieces pieces.
std::vector<SplicedBars> SpliceLaid(const PlacedBars& placed, const SpliceRule& rule);

} // namespace tavrilo
