#include "calc/number.h"

#include "calc/decimal_chars.h"
#include "calc/powers_of_ten.h"

#include <algorithm>
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

// A plain number of at most 15 digits ("-1.25", "0.0065"), read without
// FromChars: its digits n (below 10^15, so below 2^53) over 10^k (k <= 15)
// are two doubles exactly, and their quotient, one correctly rounded
// division, is the double nearest the decimal, as FromChars reads it.
// Nothing for a longer number.
std::optional<double> ReadShortDecimal(std::string_view number) {
    const bool negative = number.starts_with('-');
    if (negative)
        number.remove_prefix(1);
    std::uint64_t digits = 0;
    std::size_t count = 0;
    std::size_t fractionDigits = 0;
    bool inFraction = false;
    for (char c : number) {
        if (c == '.') {
            inFraction = true;
            continue;
        }
        if (++count > 15)
            return std::nullopt;
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        if (inFraction)
            ++fractionDigits;
    }
    const double value = static_cast<double>(digits) / kPowersOfTen[fractionDigits];
    return negative ? -value : value;
}

// Most texts start with a plain number: an optional '-', digits, perhaps a
// point with digits, and after it nothing that could go on with it (no
// blank, point, digit or exponent). That much is read as it stands, as the
// walk below would read it, unless it is out of range; nothing for any other
// text.
std::optional<double> ReadPlainNumber(std::string_view text) {
    std::size_t plain = text.starts_with('-') ? 1 : 0;
    const std::size_t integerStart = plain;
    while (plain < text.size() && IsDigit(text[plain]))
        ++plain;
    if (plain == integerStart)
        return std::nullopt;
    std::size_t end = plain;
    if (plain + 1 < text.size() && text[plain] == '.' && IsDigit(text[plain + 1])) {
        for (plain += 1; plain < text.size() && IsDigit(text[plain]);)
            ++plain;
        end = plain;
    } else if (plain < text.size() && text[plain] == '.') {
        ++plain; // a point without digits is passed over
    }
    const char next = plain < text.size() ? text[plain] : '\0';
    const bool goesOn =
        IsDroppedBlank(next) || next == '.' || IsDigit(next) || next == 'e' || next == 'E';
    if (goesOn)
        return std::nullopt;
    if (const std::optional<double> exact = ReadShortDecimal(text.substr(0, end)))
        return exact;
    double value = 0.0;
    const auto [last, ec] =
        FromChars(text.data(), text.data() + end, value, std::chars_format::general);
    if (ec == std::errc() && last == text.data() + end)
        return value;
    return std::nullopt;
}

// A number as the walk has read it: its text for FromChars, blanks dropped,
// and what decides its range should FromChars find it out of range.
struct WalkedNumber {
    std::string text;
    bool negative = false;
    std::size_t integerDigits = 0;  // after leading zeros
    std::size_t fractionZeros = 0;  // leading zeros of the fraction, when the integer part is 0
    std::size_t mantissaDigits = 0; // every digit before the exponent
    std::string significant;        // the mantissa's digits from the first that is not 0
    long long exponent = 0;
};

// The sign, when there is one; `c` is the next character.
void WalkSign(BlankSkippingReader& in, int& c, WalkedNumber& number) {
    if (c == '+' || c == '-') {
        number.negative = c == '-';
        in.Advance();
        c = in.Peek();
    }
    if (number.negative)
        number.text.push_back('-');
}

// The digits, and the point with the fraction's digits.
void WalkMantissa(BlankSkippingReader& in, int& c, WalkedNumber& number) {
    bool seenSignificant = false;
    for (; IsDigit(c); c = in.Peek()) {
        if (c != '0' || seenSignificant) {
            seenSignificant = true;
            ++number.integerDigits;
            number.significant.push_back(static_cast<char>(c));
        }
        number.text.push_back(static_cast<char>(c));
        ++number.mantissaDigits;
        in.Advance();
    }
    if (c != '.')
        return;
    in.Advance();
    c = in.Peek();
    if (IsDigit(c))
        number.text.push_back('.');
    for (; IsDigit(c); c = in.Peek()) {
        if (c != '0')
            seenSignificant = true;
        else if (!seenSignificant)
            ++number.fractionZeros;
        if (seenSignificant)
            number.significant.push_back(static_cast<char>(c));
        number.text.push_back(static_cast<char>(c));
        ++number.mantissaDigits;
        in.Advance();
    }
}

// The exponent, when an 'e' is followed by digits (held at a billion);
// otherwise the 'e' and a sign after it are passed over.
void WalkExponent(BlankSkippingReader& in, int& c, WalkedNumber& number) {
    if (c != 'e' && c != 'E')
        return;
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
    long long exponent = 0;
    bool anyDigit = false;
    for (; IsDigit(c); c = in.Peek()) {
        anyDigit = true;
        exponentText.push_back(static_cast<char>(c));
        exponent = std::min(kSaturated, exponent * 10 + (c - '0'));
        in.Advance();
    }
    if (!anyDigit)
        return;
    number.text += exponentText;
    number.exponent = exponentNegative ? -exponent : exponent;
}

// The double the walked text reads as; out of range, the largest double
// for what FormatNumber writes for it, and otherwise an infinity or zero.
double ValueOf(const WalkedNumber& number) {
    double value = 0.0;
    const char* first = number.text.data();
    const char* last = first + number.text.size();
    auto [end, ec] = FromChars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        const long long order = number.integerDigits > 0
                                    ? static_cast<long long>(number.integerDigits)
                                    : -static_cast<long long>(number.fractionZeros);
        // What FormatNumber writes for the largest double (15 digits, rounded
        // up) must read back as it, not as an infinity.
        if (IsBeyondLargest(order, number.exponent) &&
            IsAtMostLargestWritten(number.significant, order + number.exponent))
            return number.negative ? -std::numeric_limits<double>::max()
                                   : std::numeric_limits<double>::max();
        value =
            IsBeyondLargest(order, number.exponent) ? std::numeric_limits<double>::infinity() : 0.0;
        return number.negative ? -value : value;
    }
    if (ec != std::errc() || end != last)
        return 0.0; // cannot happen: the text is built from the accepted grammar
    return value;
}

// The number at the start of `text` by the reading rules below; nothing when
// the text does not begin with one.
std::optional<double> ReadLeadingNumber(std::string_view text) {
    if (const std::optional<double> plain = ReadPlainNumber(text))
        return plain;
    BlankSkippingReader in(text);
    WalkedNumber number;
    int c = in.Peek();
    WalkSign(in, c, number);
    WalkMantissa(in, c, number);
    if (number.mantissaDigits == 0)
        return std::nullopt;
    WalkExponent(in, c, number);
    return ValueOf(number);
}

} // namespace

double ParseLeadingNumber(std::string_view text) {
    return ReadLeadingNumber(text).value_or(0.0);
}

bool BeginsWithNumber(std::string_view text) {
    return ReadLeadingNumber(text).has_value();
}

namespace {

// Two facts about a normal double x > 0 decide most roundings without
// writing x out in decimal (which in WebAssembly, with its 128-bit products
// emulated, takes longer than all the rest of a batch row's arithmetic):
// - n / 10^k, for integers n < 2^53 and k <= 22, is one correctly rounded
//   division, so it is the double nearest the decimal n x 10^-k, as reading
//   that decimal's text gives;
// - the shortest text that reads back as x, and any decimal that reads back
//   as x, lies within half an ulp of x: at most 2^-53 x.

// Most values are decided without their text: |x| 10^decimals, as computed,
// and the shortest text of |x| times 10^decimals are within 2^-52 of each
// other (relative). Unless the first is within 2^-50 of a point halfway
// between two integers, both round to the same integer, and that integer /
// 10^decimals is the double that reading the rounded text gives. Nothing
// when the text must decide.
std::optional<double> RoundWithoutText(double x, int decimals) {
    const double magnitude = std::fabs(x);
    if (decimals > 15 || magnitude < std::numeric_limits<double>::min())
        return std::nullopt;
    const double scale = kPowersOfTen[static_cast<std::size_t>(decimals)];
    const double scaled = magnitude * scale;
    if (scaled >= 0x1p45)
        return std::nullopt;
    const double whole = std::floor(scaled);
    // Both differences exact.
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) <= scaled * 0x1p-50)
        return std::nullopt;
    const double rounded = (fraction > 0.5 ? whole + 1.0 : whole) / scale;
    return std::signbit(x) ? -rounded : rounded;
}

// Whether digits followed by `dropped` (not empty) round up, half to even by
// the last digit kept.
bool RoundsUp(std::string_view dropped, char lastKept) {
    if (dropped.front() > '5')
        return true;
    if (dropped.front() < '5')
        return false;
    const bool beyondHalf = dropped.find_first_not_of('0', 1) != std::string_view::npos;
    const bool lastKeptOdd = ((lastKept - '0') % 2) == 1;
    return beyondHalf || lastKeptOdd;
}

// Adds one in the last place of the decimal digits, carrying; a carry out
// of the first digit adds a digit to the integer part.
void AddOneInLastPlace(std::string& digits, std::size_t& integerLength) {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') {
        digits[i - 1] = '0';
        --i;
    }
    if (i == 0) {
        digits.insert(digits.begin(), '1');
        ++integerLength;
    } else {
        ++digits[i - 1];
    }
}

// Rounds the shortest fixed text of x (finite, below 2^52) at `decimals`
// places and reads the rounded text back.
double RoundByText(double x, int decimals) {
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
    std::size_t integerLength = point;
    if (RoundsUp(fraction.substr(kept), digits.back()))
        AddOneInLastPlace(digits, integerLength);

    std::string rounded;
    if (negative)
        rounded.push_back('-');
    rounded.append(digits, 0, integerLength);
    if (digits.size() > integerLength) {
        rounded.push_back('.');
        rounded.append(digits, integerLength);
    }
    double result = 0.0;
    FromChars(rounded.data(), rounded.data() + rounded.size(), result);
    return result;
}

} // namespace

double RoundHalfEven(double x, int decimals) {
    if (!std::isfinite(x) || x == 0.0 || decimals < 0)
        return x;
    // From 2^52 up a double has no fractional digits left to round.
    if (std::fabs(x) >= 0x1p52)
        return x;
    if (const std::optional<double> rounded = RoundWithoutText(x, decimals))
        return *rounded;
    return RoundByText(x, decimals);
}

bool IsOnlyNumber(std::string_view text) {
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t from = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        return at - from;
    };
    if (at < text.size() && (text[at] == '+' || text[at] == '-'))
        ++at;
    std::size_t mantissa = digits();
    if (at < text.size() && text[at] == '.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            ++at;
        if (digits() == 0)
            return false;
    }
    return at == text.size();
}

std::optional<std::int64_t> ReadWholeNumber(std::string_view typed, double most) {
    const double value = ParseLeadingNumber(typed);
    if (!(value >= 1 && value <= most) || value != std::floor(value))
        return std::nullopt;
    return static_cast<std::int64_t>(value);
}

} // namespace tavrilo
