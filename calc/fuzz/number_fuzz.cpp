// Reading, rounding and writing numbers, fed arbitrary bytes.
//
// The input is read as typed text, and its first 8 bytes also as the bits of
// a double; the bytes after those are a decimal separator. Properties:
// - ParseLeadingNumber never fails. Text that does not begin with a number
//   reads as 0; text that does reads as the correctly rounded value of its
//   leading number, as strtod reads it, except that a number between the
//   largest double and "1.79769313486232E+308" (its 15-digit form) reads as
//   the largest double instead of an infinity.
// - A finite double written by FormatNumber has at most 15 significant digits,
//   reads back as the same value to 15 significant digits, and the value read
//   back is written as the same text. Another decimal separator changes only
//   the separator.
// - RoundHalfEven to 0, 2 and 3 places moves a value by at most half a unit
//   of the last place kept, keeps no more places than asked, is symmetric in
//   the sign and leaves a rounded value as it is.

#include "calc/number.h"
#include "fuzz/fuzz_check.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

namespace {

using tavrilo::FormatNumber;
using tavrilo::ParseLeadingNumber;
using tavrilo::RoundHalfEven;
using tavrilo::ShortestRoundTrip;

constexpr double kLargest = std::numeric_limits<double>::max();
constexpr double kSmallest = std::numeric_limits<double>::denorm_min();

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text.substr(0, 200)) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    return out + (text.size() > 200 ? "\"..." : "\"");
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool SameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The typed text without the blanks, tabs and line feeds that reading drops.
std::string WithoutBlanks(std::string_view text) {
    std::string kept;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            kept.push_back(c);
    return kept;
}

// The number at the start of blank-free text, as C writes a decimal number:
// a sign, digits with a period among or after them (or a period and digits),
// then an exponent if one follows. Empty when the text begins with none.
std::string LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (; i < text.size() && IsDigit(text[i]); ++i)
            ++digits;
    }
    if (digits == 0)
        return {};
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        const std::size_t exponentStart = j;
        while (j < text.size() && IsDigit(text[j]))
            ++j;
        if (j > exponentStart)
            i = j;
    }
    return std::string(text.substr(0, i));
}

void CheckReading(std::string_view text) {
    const double got = ParseLeadingNumber(text);
    const std::string number = LeadingNumber(WithoutBlanks(text));
    if (number.empty()) {
        TAVRILO_FUZZ_CHECK(got == 0.0,
                           Quoted(text) + " is no number but read as " + ShortestRoundTrip(got));
        return;
    }
    const double expected = std::strtod(number.c_str(), nullptr);
    if (std::isinf(expected) && std::fabs(got) == kLargest) {
        // Allowed only up to the 15-digit form of the largest double.
        const long double wide = std::fabs(std::strtold(number.c_str(), nullptr));
        TAVRILO_FUZZ_CHECK(wide <= 1.79769313486232e308L && std::signbit(got) == (number[0] == '-'),
                           Quoted(text) + " read as " + ShortestRoundTrip(got));
        return;
    }
    TAVRILO_FUZZ_CHECK(SameDouble(got, expected), Quoted(text) + " read as " +
                                                      ShortestRoundTrip(got) + ", expected " +
                                                      ShortestRoundTrip(expected));
}

std::size_t SignificantDigits(std::string_view written) {
    const std::size_t exponent = written.find('E');
    std::size_t count = 0;
    bool leadingZeros = true;
    for (char c : written.substr(0, exponent)) {
        if (!IsDigit(c))
            continue;
        if (c != '0')
            leadingZeros = false;
        if (!leadingZeros)
            ++count;
    }
    return count;
}

void CheckWriting(double x, std::string_view separator) {
    if (!std::isfinite(x))
        return;
    const std::string written = FormatNumber(x);
    const std::string shown = ShortestRoundTrip(x) + " written as " + Quoted(written);
    TAVRILO_FUZZ_CHECK(SignificantDigits(written) <= 15, shown);

    const double read = ParseLeadingNumber(written);
    // 15 significant digits are within 5e-15 of the value; reading them back
    // adds at most half a unit in the last place of a double.
    const double tolerance = std::fabs(x) * 5.12e-15 + kSmallest;
    TAVRILO_FUZZ_CHECK(std::isfinite(read) && std::fabs(read - x) <= tolerance,
                       shown + " reads back as " + ShortestRoundTrip(read));
    TAVRILO_FUZZ_CHECK(FormatNumber(read) == written,
                       shown + " reads back as a value written " + Quoted(FormatNumber(read)));

    std::string expected = written;
    if (const std::size_t point = expected.find('.'); point != std::string::npos)
        expected.replace(point, 1, separator);
    TAVRILO_FUZZ_CHECK(FormatNumber(x, separator) == expected,
                       shown + " with separator " + Quoted(separator) + " is written " +
                           Quoted(FormatNumber(x, separator)));
}

// Digits after the point in the shortest plain text that reads back as `x`.
std::size_t FractionDigits(double x) {
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed);
    const std::string_view fixed(buffer, ec == std::errc() ? end - buffer : 0);
    const std::size_t point = fixed.find('.');
    return point == std::string_view::npos ? 0 : fixed.size() - point - 1;
}

void CheckRounding(double x) {
    if (!std::isfinite(x))
        return;
    for (int places : {0, 2, 3}) {
        const double rounded = RoundHalfEven(x, places);
        const std::string shown = ShortestRoundTrip(x) + " to " + std::to_string(places) +
                                  " places gives " + ShortestRoundTrip(rounded);
        TAVRILO_FUZZ_CHECK(std::isfinite(rounded), shown);
        const double halfUnit = 0.5 * std::pow(10.0, -places);
        const double slack = 4 * std::fabs(std::nextafter(x, 0.0) - x) + kSmallest;
        TAVRILO_FUZZ_CHECK(std::fabs(rounded - x) <= halfUnit + slack, shown);
        TAVRILO_FUZZ_CHECK(SameDouble(RoundHalfEven(-x, places), -rounded), shown + ", not -x");
        TAVRILO_FUZZ_CHECK(SameDouble(RoundHalfEven(rounded, places), rounded),
                           shown + ", which rounds again to " +
                               ShortestRoundTrip(RoundHalfEven(rounded, places)));
        // Below 1e12 three places still fit in the 15 digits a double holds.
        if (std::fabs(x) < 1e12)
            TAVRILO_FUZZ_CHECK(FractionDigits(rounded) <= static_cast<std::size_t>(places), shown);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckReading(text);

    const double typed = ParseLeadingNumber(text);
    CheckWriting(typed, ",");
    CheckRounding(typed);

    if (size >= sizeof(double)) {
        double bits = 0;
        std::memcpy(&bits, data, sizeof bits);
        const std::string_view separator = text.substr(sizeof(double), 3);
        CheckWriting(bits, separator.empty() ? std::string_view(",") : separator);
        CheckRounding(bits);
    }
    return 0;
}
