#pragma once

// Whether what the calculator wrote reached standard output. Output that
// cannot be written (a full disk, a closed pipe or standard output closed)
// is a failure, never a silent success.

#include <iosfwd>

namespace tavrilo::cli {

// Flushes `out`; when it, or an earlier write, failed, says so on `err` and
// returns false.
bool OutputWritten(std::ostream& out, std::ostream& err);

} // namespace tavrilo::cli
