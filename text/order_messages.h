#pragma once

// What is said about a steel order that cannot be made, about its settings
// as typed, and about the rows of a schedule or a piece list that give
// nothing to it.

#include "text/column_unit.h"
#include "text/steel_order.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrilo {

// What is said when an order cannot be made.
struct LongBar {
    std::optional<double> BarDiameter; // metres
    Millimetres Length = 0;
    std::int64_t Count = 0;
};
// Bars longer than the longest stock bar and no splice given: names them
// and what to give.
std::string LongBarsMessage(const std::vector<LongBar>& bars, Millimetres longestStock);
// A lap given as a multiple of the bar diameter for pieces without one.
std::string_view LapNeedsDiameterMessage();
// The lap is longer than half the longest stock bar: a bar would be mostly laps.
std::string LapTooLongMessage(Millimetres lap, Millimetres longestStock);
// Nothing to cut: no row gave a piece.
std::string NothingToOrderMessage(const SteelOrder& order);
// The plan could not be computed within exact arithmetic (lengths or counts too large).
std::string_view OrderTooLargeMessage();

// Reading the settings as typed (the values in metres, by the boxes' number
// rule): the setting's name and why it is refused.
std::string StockLengthRefusal(std::string_view typed);
std::string KerfRefusal(std::string_view typed);
std::string ShortestKeptRefusal(std::string_view typed);
std::string LapRefusal(std::string_view typed);
std::string CoilsRefusal(std::string_view typed);
std::string ShearRefusal(std::string_view typed);
// The common shear's capacity, for the help: "6 mm 10 根、8 mm 8 根、…、28 mm 及更粗的 1 根",
// a line break and the help's indent after every fourth.
std::string CommonShearText();

// Why a row of a schedule or a piece list gives nothing to the order.
std::string ScheduleFieldCountMessage(std::size_t fields);
std::string MeshNumberMessage(std::string_view typed, std::int64_t most);
std::string PieceFieldCountMessage(std::size_t fields);
// A length or a diameter in a column of `unit` (as its header names it, metres
// when it names none), with a question when the number would fit another unit.
std::string PieceLengthMessage(std::string_view typed, LengthUnit unit);
std::string PieceCountMessage(std::string_view typed, std::int64_t most);
std::string PieceDiameterMessage(std::string_view typed, LengthUnit unit);
// A straight bar's length or diameter in a schedule, always in metres.
std::string StraightBarMessage(std::string_view typed, bool diameter);
// Why a row of the store gives no bars.
std::string StoreFieldCountMessage(std::size_t fields);
std::string StorePriceMessage(std::string_view typed);
// A grade cell that names none of the grades.
std::string UnknownGradeMessage(std::string_view typed);

} // namespace tavrilo
