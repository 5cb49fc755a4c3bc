#pragma once

// The unit a header names for the lengths of its column, as cutting lists
// write it: 长度(mm), 长度（毫米）, length_mm, 长度/m, 直径 mm.

#include <optional>
#include <string_view>

namespace tavrilo {

enum class LengthUnit { Metres, Centimetres, Millimetres };

// The unit the header cell ends with, in any brackets or after / _ - or a
// blank; nothing when it names none.
std::optional<LengthUnit> UnitOfHeader(std::string_view cell);

// How many of `unit` make a metre: 1000 for millimetres.
double PerMetre(LengthUnit unit);

// "毫米", "厘米" or "米".
std::string_view UnitName(LengthUnit unit);

} // namespace tavrilo
