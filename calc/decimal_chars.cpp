#include "calc/decimal_chars.h"

#include <system_error>

// TAVRILO_FAST_FLOAT is set by calc/CMakeLists.txt when the standard library
// cannot read a double with std::from_chars.
#if TAVRILO_FAST_FLOAT
#include <cmath>
#include <fast_float/fast_float.h>
#endif

namespace tavrilo {

#if TAVRILO_FAST_FLOAT
namespace {

// Whether the digits before the exponent of [first, last) hold one that is
// not 0: text that fast_float read as 0 although it stands for a number
// other than 0.
bool HasNonZeroDigit(const char* first, const char* last) {
    for (const char* p = first; p != last && *p != 'e' && *p != 'E'; ++p)
        if (*p >= '1' && *p <= '9')
            return true;
    return false;
}

} // namespace

std::from_chars_result FromChars(const char* first, const char* last, double& value,
                                 std::chars_format format) {
    // The flags have other values in fast_float.
    const bool scientific = (format & std::chars_format::scientific) != std::chars_format{};
    const bool fixed = (format & std::chars_format::fixed) != std::chars_format{};
    if (!scientific && !fixed)
        return {first, std::errc::invalid_argument}; // hex alone (or no flag)
    int flags = 0;
    if (scientific)
        flags |= fast_float::chars_format::scientific;
    if (fixed)
        flags |= fast_float::chars_format::fixed;

    double parsed = 0.0;
    const auto result =
        fast_float::from_chars(first, last, parsed, static_cast<fast_float::chars_format>(flags));
    if (result.ec != std::errc())
        return {result.ptr, result.ec};

    // An infinity read from digits (not from "inf") or a zero read from
    // digits that are not all 0 is a number beyond the double range.
    const char* digits = first != last && *first == '-' ? first + 1 : first;
    const bool readInfinity = digits != result.ptr && (*digits == 'i' || *digits == 'I');
    if ((std::isinf(parsed) && !readInfinity) ||
        (parsed == 0.0 && HasNonZeroDigit(digits, result.ptr)))
        return {result.ptr, std::errc::result_out_of_range};
    value = parsed;
    return {result.ptr, std::errc()};
}

#else

std::from_chars_result FromChars(const char* first, const char* last, double& value,
                                 std::chars_format format) {
    return std::from_chars(first, last, value, format);
}

#endif

} // namespace tavrilo
