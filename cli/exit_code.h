#pragma once

// What tavrilo-calc's exit status tells.

namespace tavrilo::cli {

enum ExitCode : int {
    kOk = 0,
    kInvalidInput = 1,   // a measurement of 0 or less, a negative total or bar length, or
                         // (with --csv) some rows that could not be calculated
    kCannotComplete = 2, // the command could not be carried out: the calculation overflowed
                         // or faulted, a file or a stream could not be read, decoded or
                         // written, or memory ran out
    kUsage = 64,         // wrong arguments
};

} // namespace tavrilo::cli
