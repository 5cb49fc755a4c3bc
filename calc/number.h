#pragma once

// How typed text becomes a number, how numbers are rounded and how a number
// becomes text again. These rules decide what the surveyor sees, so they are
// kept exact and independent of the C locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavrilo {

// Reads the number at the start of `text`. Blanks, tabs and line feeds are
// dropped wherever they stand; then an optional sign, digits, an optional
// period with digits and an optional exponent (E or e, optional sign, digits)
// are read, and everything after the first character that cannot continue the
// number is ignored. The period is the only decimal separator. Text that does
// not begin with a number reads as 0. Never fails: a magnitude beyond the
// double range reads as an infinity of its sign, one below it as a zero.
double ParseLeadingNumber(std::string_view text);

// Whether `text` begins with a number by the same rules: whether
// ParseLeadingNumber reads one rather than taking the text for 0.
bool BeginsWithNumber(std::string_view text);

// Whether `text` is one number and nothing else, without blanks: an
// optional sign, digits with an optional period, an optional exponent
// ("-1.5", ".5", "2E-3"); "9x", "36dd", "1 2" and "" are not.
bool IsOnlyNumber(std::string_view text);

// A whole number from 1 to `most` read by the same rules; nothing for any
// other value (a fraction, 0, a negative, beyond `most`, no number).
std::optional<std::int64_t> ReadWholeNumber(std::string_view typed, double most);

// `x` rounded to `decimals` places (0 to 15), a value exactly halfway between
// two candidates going to the one with an even last digit. "Exactly halfway"
// is judged on the shortest decimal text of `x`, the digits the user would be
// shown: 12.5 -> 12, 13.5 -> 14, 2.675 -> 2.68 at two places. Non-finite
// values come back unchanged.
double RoundHalfEven(double x, int decimals);

// `x` in its shortest plain decimal form with at most 15 significant digits:
// a leading '-' for negatives (never for zero), a 0 before the separator below
// 1, no grouping, no trailing zeros or separator. Magnitudes from 1E+15 up and
// below 1E-05 use an exponent ("1.5E+20", "2E-07"). Infinities and NaN are
// written "inf", "-inf" and "nan".
std::string FormatNumber(double x, std::string_view decimalSeparator = ".");

// A length in whole millimetres, as cut lengths and stock bars are measured.
using Millimetres = std::int64_t;

// A length in millimetres as metres, exactly, with no trailing zeros or
// separator: 12000 -> "12", 3245 -> "3.245", -50 -> "-0.05". Unlike
// FormatNumber(length / 1000.0) it stays exact however many digits it has.
std::string MetresText(Millimetres length);

// The shortest text that reads back as exactly `x` (for diagnostics).
std::string ShortestRoundTrip(double x);

} // namespace tavrilo
