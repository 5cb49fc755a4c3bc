#include "calc/number.h"

#include "calc/decimal_chars.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <system_error>

namespace tavrilo {
namespace {

bool IsDroppedBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

// Walks the text one character at a time, stepping over the blanks that the
// reading rules drop wherever they stand.
class BlankSkippingReader {
public:
    explicit BlankSkippingReader(std::string_view text) : text_(text) {}

    int Peek() {
        while (pos_ < text_.size() && IsDroppedBlank(text_[pos_]))
            ++pos_;
        return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : -1;
    }
    void Advance() { ++pos_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// For a decimal text that FromChars found out of range: whether it is too
// large (rather than too small) for a double. `order` is the position of the
// first significant digit relative to the decimal point.
bool IsBeyondLargest(long long order, long long exponent) {
    return order + exponent > 0;
}

// The largest double written with 15 significant digits, as 0.DIGITS x 10^ORDER.
constexpr std::string_view kLargestWrittenDigits = "179769313486232";
constexpr long long kLargestWrittenOrder = 309;

// Whether the decimal 0.`digits` x 10^`order` (no leading zeros in `digits`)
// is at most the largest double as FormatNumber writes it. Decided on the
// digits, so that it does not depend on a wider floating type.
bool IsAtMostLargestWritten(std::string_view digits, long long order) {
    if (order != kLargestWrittenOrder)
        return order < kLargestWrittenOrder;
    while (!digits.empty() && digits.back() == '0')
        digits.remove_suffix(1);
    return digits <= kLargestWrittenDigits;
}

// The number at the start of `text` by the reading rules below; nothing when
// the text does not begin with one.
std::optional<double> ReadLeadingNumber(std::string_view text) {
    BlankSkippingReader in(text);
    std::string number;
    int c = in.Peek();
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        in.Advance();
        c = in.Peek();
    }
    if (negative)
        number.push_back('-');

    std::size_t integerDigits = 0; // after leading zeros
    std::size_t fractionZeros = 0; // leading zeros of the fraction, when the integer part is 0
    bool seenSignificant = false;
    std::size_t mantissaDigits = 0;
    std::string significant; // the mantissa's digits from the first that is not 0
    for (; IsDigit(c); c = in.Peek()) {
        if (c != '0' || seenSignificant) {
            seenSignificant = true;
            ++integerDigits;
            significant.push_back(static_cast<char>(c));
        }
        number.push_back(static_cast<char>(c));
        ++mantissaDigits;
        in.Advance();
    }
    if (c == '.') {
        in.Advance();
        c = in.Peek();
        if (IsDigit(c))
            number.push_back('.');
        for (; IsDigit(c); c = in.Peek()) {
            if (c != '0')
                seenSignificant = true;
            else if (!seenSignificant)
                ++fractionZeros;
            if (seenSignificant)
                significant.push_back(static_cast<char>(c));
            number.push_back(static_cast<char>(c));
            ++mantissaDigits;
            in.Advance();
        }
    }
    if (mantissaDigits == 0)
        return std::nullopt;

    long long exponent = 0;
    if (c == 'e' || c == 'E') {
        std::string exponentText(1, 'e');
        in.Advance();
        c = in.Peek();
        bool exponentNegative = false;
        if (c == '+' || c == '-') {
            exponentNegative = c == '-';
            exponentText.push_back(static_cast<char>(c));
            in.Advance();
            c = in.Peek();
        }
        constexpr long long kSaturated = 1'000'000'000;
        bool anyDigit = false;
        for (; IsDigit(c); c = in.Peek()) {
            anyDigit = true;
            exponentText.push_back(static_cast<char>(c));
            exponent = std::min(kSaturated, exponent * 10 + (c - '0'));
            in.Advance();
        }
        if (anyDigit) {
            number += exponentText;
            if (exponentNegative)
                exponent = -exponent;
        } else {
            exponent = 0;
        }
    }

    double value = 0.0;
    const char* first = number.data();
    const char* last = first + number.size();
    auto [end, ec] = FromChars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        const long long order = integerDigits > 0 ? static_cast<long long>(integerDigits)
                                                  : -static_cast<long long>(fractionZeros);
        // What FormatNumber writes for the largest double (15 digits, rounded
        // up) must read back as it, not as an infinity.
        if (IsBeyondLargest(order, exponent) &&
            IsAtMostLargestWritten(significant, order + exponent))
            return negative ? -std::numeric_limits<double>::max()
                            : std::numeric_limits<double>::max();
        value = IsBeyondLargest(order, exponent) ? std::numeric_limits<double>::infinity() : 0.0;
        return negative ? -value : value;
    }
    if (ec != std::errc() || end != last)
        return 0.0; // cannot happen: `number` is built from the accepted grammar
    return value;
}

} // namespace

double ParseLeadingNumber(std::string_view text) {
    return ReadLeadingNumber(text).value_or(0.0);
}

bool BeginsWithNumber(std::string_view text) {
    return ReadLeadingNumber(text).has_value();
}

double RoundHalfEven(double x, int decimals) {
    if (!std::isfinite(x) || x == 0.0 || decimals < 0)
        return x;
    // From 2^52 up a double has no fractional digits left to round.
    if (std::fabs(x) >= 0x1p52)
        return x;

    // The shortest fixed text of a double below 2^52 needs at most about 330
    // characters (the smallest subnormal has 323 zeros after the point).
    std::array<char, 400> buffer{};
    auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), x, std::chars_format::fixed);
    if (ec != std::errc())
        return x;
    std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));

    const bool negative = text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    const std::size_t point = text.find('.');
    if (point == std::string_view::npos)
        return x; // a whole number
    const std::string_view fraction = text.substr(point + 1);
    const auto kept = static_cast<std::size_t>(decimals);
    if (fraction.size() <= kept)
        return x; // no more digits than asked for

    // Digits that stay, without the point; the point stands after `integerLength` of them.
    std::string digits(text.substr(0, point));
    digits.append(fraction.substr(0, kept));
    const std::size_t integerLength = point;

    const std::string_view dropped = fraction.substr(kept);
    bool roundUp = false;
    if (dropped.front() > '5') {
        roundUp = true;
    } else if (dropped.front() == '5') {
        const bool beyondHalf = dropped.find_first_not_of('0', 1) != std::string_view::npos;
        const bool lastKeptOdd = ((digits.back() - '0') % 2) == 1;
        roundUp = beyondHalf || lastKeptOdd;
    }

    std::size_t integerLengthAfter = integerLength;
    if (roundUp) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') {
            digits[i - 1] = '0';
            --i;
        }
        if (i == 0) {
            digits.insert(digits.begin(), '1');
            ++integerLengthAfter;
        } else {
            ++digits[i - 1];
        }
    }

    std::string rounded;
    if (negative)
        rounded.push_back('-');
    rounded.append(digits, 0, integerLengthAfter);
    if (digits.size() > integerLengthAfter) {
        rounded.push_back('.');
        rounded.append(digits, integerLengthAfter);
    }
    double result = 0.0;
    FromChars(rounded.data(), rounded.data() + rounded.size(), result);
    return result;
}

std::string FormatNumber(double x, std::string_view decimalSeparator) {
    if (std::isnan(x))
        return "nan";
    if (std::isinf(x))
        return x > 0 ? "inf" : "-inf";
    if (x == 0.0)
        return "0"; // negative zero too

    // 15 significant digits, correctly rounded. The shortest text that reads
    // back as x ("-d.ddde+XX") lies within half an ulp of x, at most 2^-53 |x|
    // for a normal x, while half a unit in the 15th significant digit is more
    // than 5e-16 |x|: when that text has no more than 15 digits, it is x
    // rounded to 15 digits, found without writing x to 15 digits
    // ("-d.dddddddddddddde+XX"), which takes a good deal longer.
    std::array<char, 64> buffer{};
    char* const first = buffer.data();
    char* const last = buffer.data() + buffer.size();
    std::to_chars_result written = std::to_chars(first, last, x, std::chars_format::scientific);
    std::size_t shortestDigits = 0;
    for (const char* c = first; c != written.ptr && *c != 'e'; ++c)
        shortestDigits += IsDigit(*c) ? 1 : 0;
    if (shortestDigits > 15 || std::fabs(x) < std::numeric_limits<double>::min())
        written = std::to_chars(first, last, x, std::chars_format::scientific, 14);
    if (written.ec != std::errc())
        return "nan";
    std::string_view text(first, static_cast<std::size_t>(written.ptr - first));
    std::size_t e = text.find('e');

    std::string result;
    if (text.front() == '-') {
        result.push_back('-');
        text.remove_prefix(1);
        --e;
    }
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                    exponent);
    // The digits without the point and without trailing zeros.
    std::array<char, 15> digitBuffer{};
    std::size_t digitCount = 0;
    for (char c : text.substr(0, e))
        if (c != '.')
            digitBuffer[digitCount++] = c;
    while (digitCount > 1 && digitBuffer[digitCount - 1] == '0')
        --digitCount;
    const std::string_view digits(digitBuffer.data(), digitCount);

    if (exponent >= 15 || exponent < -5) {
        result.push_back(digits.front());
        if (digits.size() > 1) {
            result.append(decimalSeparator);
            result.append(digits, 1);
        }
        result.append(exponent < 0 ? "E-" : "E+");
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude < 10)
            result.push_back('0');
        result.append(std::to_string(magnitude));
        return result;
    }
    if (exponent < 0) {
        result.push_back('0');
        result.append(decimalSeparator);
        result.append(static_cast<std::size_t>(-exponent - 1), '0');
        result.append(digits);
        return result;
    }
    const auto integerLength = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerLength) {
        result.append(digits);
        result.append(integerLength - digits.size(), '0');
        return result;
    }
    result.append(digits, 0, integerLength);
    result.append(decimalSeparator);
    result.append(digits, integerLength);
    return result;
}

std::string ShortestRoundTrip(double x) {
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
    if (ec != std::errc())
        return "nan";
    return std::string(buffer.data(), end);
}

} // namespace tavrilo
