#pragma once

// What tavrilo-calc's exit status tells.

namespace tavrilo::cli {

enum ExitCode : int {
    kOk = 0,
    kInvalidInput = 1, // a measurement of 0 or less, a negative total or bar length, or
                       // (with --csv) some rows that could not be calculated
    kCalcFailed = 2,   // the calculation overflowed or faulted, or a file could not be
                       // read, decoded or written
    kUsage = 64,       // wrong arguments
};

} // namespace tavrilo::cli
