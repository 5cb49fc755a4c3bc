#pragma once

// The yard's store (库存) as the page keeps and shows it: its rows as texts
// (the diameter in millimetres, as the page's table has it), what is said
// when a store file is read in, and the note the offcuts an order keeps
// carry into it.

#include "text/csv.h"
#include "text/steel_order.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tavrilo {

// The store's rows as JSON: [{"phi":"16","length":"4.5","count":"6",
// "grade":"HRB400","price":"3700","note":"..."},...]; an empty price is 0
// (already paid), an empty grade none stated.
std::string StoreRowsJson(const std::vector<StoreBar>& bars);

// A store file named `name` read in: {"text": what is said, "rows": the
// rows taken (as StoreRowsJson), "omitted_rows_total": rows left out}.
std::string StoreImportJson(std::string_view name, std::string_view encoding,
                            const std::vector<StoreBar>& bars,
                            const std::vector<OmittedRow>& omitted, std::size_t omittedRows);

// Where the offcuts an order keeps came from: the list (its file or site)
// and the date, "南区.csv 2026-12-10 余料".
std::string OffcutNoteText(std::string_view list, std::string_view date);

} // namespace tavrilo
