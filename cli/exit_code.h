#pragma once

// What tavrilo-calc's exit status tells: the outcomes every front end names
// (app/outcome.h), as the statuses of a process.

#include "app/outcome.h"

namespace tavrilo::cli {

enum ExitCode : int {
    kOk = ExitStatus(Outcome::Answered),
    // A measurement of 0 or less, a negative total or bar length, (with --csv,
    // --order or --cut) some rows that could not be calculated, or a steel
    // order refused for its input.
    kInvalidInput = ExitStatus(Outcome::InputToCorrect),
    // The command could not be carried out: the calculation overflowed or
    // faulted, a file or a stream could not be read, decoded or written, or
    // memory ran out.
    kCannotComplete = ExitStatus(Outcome::Failed),
    kUsage = ExitStatus(Outcome::Usage), // wrong arguments
};

} // namespace tavrilo::cli
