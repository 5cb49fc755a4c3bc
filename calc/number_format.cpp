#include "calc/number.h"
#include "calc/powers_of_ten.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

namespace tavrilo {
namespace {

// x (normal, > 0) rounded to 15 significant digits as `digits` x 10^-`shift`
// (digits < 10^15), when some decimal of at most 15 digits reads back as x:
// that decimal is then the rounding, since half a unit in the 15th digit is
// more than 5e-16 x. Otherwise nothing, and the digits have to be written.
bool FifteenDigitsOf(double x, std::uint64_t& digits, int& shift) {
    constexpr double kFifteenDigits = 1e15;
    if (!(x >= 1e-5 && x < kFifteenDigits))
        return false;
    // The place of the 15th digit, from the leading digit's as the double
    // powers of ten place it: it may be one off next to a power of ten, which
    // only makes the candidate below fail (it is checked, not assumed).
    int leading = 0;
    if (x >= 1.0) {
        while (leading < 14 && x >= kPowersOfTen[static_cast<std::size_t>(leading) + 1])
            ++leading;
    } else {
        while (leading > -5 && x * kPowersOfTen[static_cast<std::size_t>(-leading)] < 1.0)
            --leading;
    }
    shift = 14 - leading;
    const double scale = kPowersOfTen[static_cast<std::size_t>(shift)];
    const double candidate = std::nearbyint(x * scale);
    if (!(candidate < kFifteenDigits) || candidate / scale != x)
        return false;
    digits = static_cast<std::uint64_t>(candidate);
    return true;
}

// Up to 15 significant digits without trailing zeros, and the exponent of the first.
struct SignificantDigits {
    std::array<char, 15> Buffer{};
    std::size_t Count = 0;
    int Exponent = 0;
    std::string_view View() const { return {Buffer.data(), Count}; }
};

// The digits of a finite `magnitude` > 0, correctly rounded to 15.
std::optional<SignificantDigits> DigitsOf(double magnitude) {
    SignificantDigits d;
    std::uint64_t fifteen = 0;
    int shift = 0;
    if (FifteenDigitsOf(magnitude, fifteen, shift)) {
        for (; fifteen % 10 == 0; fifteen /= 10)
            --shift;
        for (; fifteen > 0; fifteen /= 10)
            d.Buffer[d.Count++] = static_cast<char>('0' + fifteen % 10);
        std::reverse(d.Buffer.begin(), d.Buffer.begin() + static_cast<std::ptrdiff_t>(d.Count));
        d.Exponent = static_cast<int>(d.Count) - 1 - shift;
        return d;
    }
    // Written out: "d.dddddddddddddde+XX".
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                   std::chars_format::scientific, 14);
    if (ec != std::errc())
        return std::nullopt;
    const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    const std::size_t e = text.find('e');
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                    d.Exponent);
    for (char c : text.substr(0, e))
        if (c != '.')
            d.Buffer[d.Count++] = c;
    while (d.Count > 1 && d.Buffer[d.Count - 1] == '0')
        --d.Count;
    return d;
}

// `digits` with the first at 10^`exponent`: plain, or with an exponent from
// 1E+15 up and below 1E-05.
void AppendPlaced(std::string& result, std::string_view digits, int exponent,
                  std::string_view decimalSeparator) {
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
        return;
    }
    if (exponent < 0) {
        result.push_back('0');
        result.append(decimalSeparator);
        result.append(static_cast<std::size_t>(-exponent - 1), '0');
        result.append(digits);
        return;
    }
    const auto integerLength = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= integerLength) {
        result.append(digits);
        result.append(integerLength - digits.size(), '0');
        return;
    }
    result.append(digits, 0, integerLength);
    result.append(decimalSeparator);
    result.append(digits, integerLength);
}

} // namespace

std::string FormatNumber(double x, std::string_view decimalSeparator) {
    if (std::isnan(x))
        return "nan";
    if (std::isinf(x))
        return x > 0 ? "inf" : "-inf";
    if (x == 0.0)
        return "0"; // negative zero too
    const std::optional<SignificantDigits> digits = DigitsOf(std::fabs(x));
    if (!digits)
        return "nan";
    std::string result;
    if (std::signbit(x))
        result.push_back('-');
    AppendPlaced(result, digits->View(), digits->Exponent, decimalSeparator);
    return result;
}

std::string MetresText(Millimetres length) {
    const bool negative = length < 0;
    const Millimetres magnitude = negative ? -length : length;
    std::string text = negative ? "-" : "";
    text += std::to_string(magnitude / 1000);
    Millimetres fraction = magnitude % 1000;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction + 1000).substr(1);
        while (digits.back() == '0')
            digits.pop_back();
        text += "." + digits;
    }
    return text;
}

std::string ShortestRoundTrip(double x) {
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
    if (ec != std::errc())
        return "nan";
    return std::string(buffer.data(), end);
}

} // namespace tavrilo
