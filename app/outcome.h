#pragma once

// How a request ends, named once for every front end, and the exit status
// tavrilo-calc gives for each. The page's module returns the same statuses,
// and its script reads these names from here (web/make_page.py).

namespace tavrilo {

enum class Outcome : int {
    Answered = 0,       // a total, or a batch with every row calculated
    InputToCorrect = 1, // a measurement of 0 or less, a negative total or bar length, or
                        // (in a batch) some rows that could not be calculated
    Failed = 2,         // the calculation overflowed or faulted, or a file could not be
                        // read, decoded or written
    Usage = 64,         // wrong arguments
};

constexpr int ExitStatus(Outcome outcome) {
    return static_cast<int>(outcome);
}

} // namespace tavrilo
