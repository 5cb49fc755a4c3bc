#pragma once

// tavrilo-calc: the window's calculation from the command line.
// Arguments in, result text out, exit status telling success from the kinds
// of failure.

#include <iosfwd>
#include <span>
#include <string_view>

namespace tavrilo::cli {

enum ExitCode : int {
    kOk = 0,
    kInvalidInput = 1, // a measurement of 0 or less, a negative total or bar length, or
                       // (with --csv) some rows that could not be calculated
    kCalcFailed = 2,   // the calculation overflowed or faulted, or a file could not be
                       // read, decoded or written
    kUsage = 64,       // wrong arguments
};

// Runs the calculator on `args` (without the program name); `--csv -` reads `in`.
int Run(std::span<const std::string_view> args, std::istream& in, std::ostream& out,
        std::ostream& err);

// The same, reading standard input.
int Run(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

} // namespace tavrilo::cli
