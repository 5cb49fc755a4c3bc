#pragma once

// Property checks inside fuzz targets. A failed check prints what failed and
// aborts: libFuzzer then keeps the input as a crash, and a corpus replay fails.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace tavrilo::fuzz {

[[noreturn]] inline void CheckFailed(const char* condition, const std::string& detail,
                                     const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", file, line, condition, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace tavrilo::fuzz

// `detail` (a std::string expression) is only evaluated when the check fails.
#define TAVRILO_FUZZ_CHECK(condition, detail)                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::tavrilo::fuzz::CheckFailed(#condition, (detail), __FILE__, __LINE__);                \
    } while (false)
