#pragma once

// One mesh per CSV row: D, Φ, d, arrangement and an optional label in, the
// same fields with the total, the mass and, for a row that cannot be
// calculated, the reason out.

#include "calc/mesh.h"
#include "report/csv.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavrilo {

// The header of the output: D, phi, d, arrangement, label, total_m,
// weight_kg, error.
const std::vector<std::string>& BatchHeader();

// Whether `text` starts (after blanks) with a number: a header row is one
// whose D field does not.
bool BeginsWithNumber(std::string_view text);

// The arrangement a cell names: 单向, 单向布置, one-way or 1, and 双向,
// 双向布置, two-way or 2; blanks around it are ignored and Latin letters may be
// in either case.
enum class ArrangementCell { OneWay, TwoWay, Empty, Unknown };
ArrangementCell ReadArrangement(std::string_view cell);

struct BatchRow {
    std::vector<std::string> Fields; // in the order of BatchHeader()
    bool Calculated = false;
};

// The output row for one input record (not a blank or header one).
BatchRow EvaluateBatchRecord(const CsvRecord& record);

} // namespace tavrilo
