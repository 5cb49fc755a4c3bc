#pragma once

// The names an arrangement may be written with, in a batch's cell or a
// request: one table, from which the reading of a cell, the message for a
// cell that names none and the usage line are all made.

#include "calc/mesh.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tavrilo {

struct ArrangementSpelling {
    Arrangement Layout;
    // The first is the name the user sees first; Latin letters may be in
    // either case.
    std::array<std::string_view, 4> Names;
};

inline constexpr std::array<ArrangementSpelling, 2> kArrangementSpellings{{
    {Arrangement::OneWay, {"单向", "单向布置", "one-way", "1"}},
    {Arrangement::TwoWay, {"双向", "双向布置", "two-way", "2"}},
}};

// A schedule's row of a straight bar (直条) says so where a mesh row names
// its arrangement; its first cell is then the bar's cut length.
inline constexpr std::array<std::string_view, 3> kStraightNames{"直条", "直筋", "straight"};

// Blanks, tabs, line breaks, the no-break space and the ideographic space
// taken off either end.
std::string_view TrimBlanks(std::string_view text);

// The arrangement a cell names; blanks around it are ignored.
enum class ArrangementCell { OneWay, TwoWay, Straight, Empty, Unknown };
ArrangementCell ReadArrangement(std::string_view cell);

// OneWay and TwoWay as arrangements; a straight bar, an empty or an unknown
// cell names none.
std::optional<Arrangement> ArrangementOf(ArrangementCell cell);

// The names of each arrangement, as the usage text lists them:
// "单向/单向布置/one-way/1 或 双向/双向布置/two-way/2".
std::string ArrangementNamesList();

// A cell that names no arrangement: the cell (trimmed) and the names it may be.
std::string UnknownArrangementMessage(std::string_view cell);

} // namespace tavrilo
