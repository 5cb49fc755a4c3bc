#pragma once

// tavrilo-calc --csv: one mesh per row of a CSV file, results as CSV on
// standard output.

#include <iosfwd>
#include <string_view>

namespace tavrilo::cli {

// Reads the CSV at `path` ("-" for `in`), writes the result rows to `out`
// and the summary or the failure to `err`. Returns 0 when every row was
// calculated, 1 when some could not be (the batch still completes), 2 when
// the file cannot be opened, read or decoded. With `byteOrderMark` the output
// starts with the UTF-8 byte-order mark, for Excel.
int RunBatch(std::string_view path, bool byteOrderMark, std::istream& in, std::ostream& out,
             std::ostream& err);

} // namespace tavrilo::cli
