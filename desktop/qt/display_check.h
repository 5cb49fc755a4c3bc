#pragma once

namespace tavrilo {

// Whether a window can be shown at all: a display server to talk to, or a
// Qt platform chosen explicitly. When there is none, prints a message saying
// how to run the program and returns false.
bool CheckDisplayAvailable();

} // namespace tavrilo
