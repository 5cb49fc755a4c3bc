#pragma once

// std::from_chars for double, also where the standard library lacks it.
//
// libc++ 19 (the WebAssembly build) has std::from_chars for integers only.
// There the header-only fast_float reads the number instead, with its results
// brought in line with the standard's: a value beyond the double range is
// reported as std::errc::result_out_of_range with `value` left as it was
// (fast_float alone gives an infinity or a zero), and the chars_format flags
// mean the same. Hexadecimal input (chars_format::hex) is not read there.

#include <charconv>

namespace tavrilo {

std::from_chars_result FromChars(const char* first, const char* last, double& value,
                                 std::chars_format format = std::chars_format::general);

} // namespace tavrilo
