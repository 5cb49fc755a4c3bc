#pragma once

// The window program's own options, read before any window or display is
// needed: --help and --version print their text and end the program. All
// other arguments are left to Qt (-platform, -style, ...).

#include <optional>

namespace tavrilo {

// Returns the exit status when an option has been answered, or nothing when
// the window should open.
std::optional<int> AnswerInformationOptions(int argc, char** argv);

} // namespace tavrilo
