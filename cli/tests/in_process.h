#pragma once

// Runs tavrilo-calc's entry point in the test's own process, on strings: the
// quick road for the many cases that need no real streams or files.

#include "cli/tests/process.h"

#include <string>
#include <vector>

namespace tavrilo::test {

Outcome RunCalcHere(const std::vector<std::string>& args, const std::string& input = "");

} // namespace tavrilo::test
