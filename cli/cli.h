#pragma once

// tavrilo-calc: the window's calculation from the command line.
// Arguments in, result text out, exit status telling success from the kinds
// of failure.

#include "cli/exit_code.h"

#include <iosfwd>
#include <span>
#include <string_view>

namespace tavrilo::cli {

// Runs the calculator on `args` (without the program name); `--csv -` reads `in`.
int Run(std::span<const std::string_view> args, std::istream& in, std::ostream& out,
        std::ostream& err);

} // namespace tavrilo::cli
