#pragma once

// Whether what the calculator wrote reached standard output. Output that
// cannot be written (a full disk, a closed pipe or standard output closed)
// is a failure, never a silent success.

#include "cli/system_error.h"

#include <iosfwd>

namespace tavrilo::cli {

// Flushes `out`; when it, or an earlier write, failed, says so on `err` with
// the reason and returns false.
bool OutputWritten(std::ostream& out, std::ostream& err);

// Keeps with `out` why a write to it failed, for OutputWritten to tell: the
// stream itself keeps only that it failed.
void NoteWriteFault(std::ostream& out, SystemError fault);

} // namespace tavrilo::cli
