#include "calc/number.h"
#include "calc/tests/initial_values.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace tavrilo {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct ParseCase {
    std::string text;
    double expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << '"' << c.text.substr(0, 40) << '"';
}

class ReadingTypedText : public testing::TestWithParam<ParseCase> {};

TEST_P(ReadingTypedText, GivesTheLeadingNumberBitForBit) {
    const auto& [text, expected] = GetParam();
    const double got = ParseLeadingNumber(text);
    EXPECT_EQ(got, expected) << "text: \"" << text << "\"";
    EXPECT_EQ(std::signbit(got), std::signbit(expected)) << "text: \"" << text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    PlainAndOddInput, ReadingTypedText,
    testing::Values(ParseCase{"", 0.0}, ParseCase{"abc", 0.0}, ParseCase{"  1.3  ", 1.3},
                    ParseCase{"1 .3", 1.3}, ParseCase{"\t1\n.\n3", 1.3}, ParseCase{"1.3.5", 1.3},
                    ParseCase{".5", 0.5}, ParseCase{"-2", -2.0}, ParseCase{"+5", 5.0},
                    ParseCase{"- 2", -2.0}, ParseCase{"--5", 0.0}, ParseCase{"-", 0.0},
                    ParseCase{".", 0.0}, ParseCase{"1.", 1.0}, ParseCase{"1,3", 1.0},
                    ParseCase{"0.1m", 0.1}, ParseCase{"0.1 m", 0.1}, ParseCase{"1\r3", 1.0},
                    ParseCase{"0x10", 0.0}, ParseCase{"m1", 0.0},
                    ParseCase{"\xEF\xBC\x91\xEF\xBC\x92", 0.0}, // full-width 1 2
                    ParseCase{"0.0065", 0.0065},
                    ParseCase{TAVRILO_TWO_WAY_TOTAL, test::kTwoWayTotal},
                    ParseCase{"0.30000000000000004", 0.30000000000000004},
                    ParseCase{"00012.500", 12.5}, ParseCase{"-0", -0.0}));

// A plain number followed by what may go on with it.
INSTANTIATE_TEST_SUITE_P(PlainNumbersGoingOn, ReadingTypedText,
                         testing::Values(ParseCase{"12 3", 123.0}, ParseCase{"1. 5", 1.5},
                                         ParseCase{"1.e2", 100.0}, ParseCase{"1.5 e1", 15.0},
                                         ParseCase{"7.x", 7.0}, ParseCase{"-0.5,1", -0.5},
                                         ParseCase{"1.25\t", 1.25}, ParseCase{"3..", 3.0}));

INSTANTIATE_TEST_SUITE_P(
    Exponents, ReadingTypedText,
    testing::Values(ParseCase{"1e3", 1000.0}, ParseCase{"1E-2", 0.01}, ParseCase{"1 e 3", 1000.0},
                    ParseCase{"2.5E+20", 2.5e20}, ParseCase{"1e", 1.0}, ParseCase{"1e+", 1.0},
                    ParseCase{"1em", 1.0}, ParseCase{"1.5e2.5", 150.0}, ParseCase{"e3", 0.0},
                    ParseCase{"1.79769313486232E+308", std::numeric_limits<double>::max()},
                    ParseCase{"1.79769313486233E+308", kInf},
                    ParseCase{"1.7976931348623157e308", std::numeric_limits<double>::max()},
                    ParseCase{"2.2250738585072014e-308", std::numeric_limits<double>::min()},
                    ParseCase{"4.9e-324", std::numeric_limits<double>::denorm_min()}));

INSTANTIATE_TEST_SUITE_P(
    BeyondTheDoubleRange, ReadingTypedText,
    testing::Values(ParseCase{"1e999", kInf}, ParseCase{"-1e999", -kInf}, ParseCase{"1e-999", 0.0},
                    ParseCase{"-1e-999", -0.0}, ParseCase{"1e99999999999999999999999", kInf},
                    ParseCase{std::string(1, '1').append(400, '0'), kInf},
                    ParseCase{std::string("0.").append(400, '0').append(1, '1'), 0.0},
                    ParseCase{"0.001e-330", 0.0}, ParseCase{"1000e306", kInf}));

TEST(ReadingTypedText, ToleratesVeryLongText) {
    const std::string text = std::string("1.3").append(40000, '7');
    EXPECT_NEAR(ParseLeadingNumber(text), 1.37777777777, 1e-9);
    EXPECT_EQ(ParseLeadingNumber(std::string(40000, ' ').append(1, '2')), 2.0);
}

struct RoundCase {
    double value;
    int decimals;
    double expected;
};

void PrintTo(const RoundCase& c, std::ostream* os) {
    *os << ShortestRoundTrip(c.value) << " to " << c.decimals;
}

class RoundingHalfEven : public testing::TestWithParam<RoundCase> {};

TEST_P(RoundingHalfEven, GivesTheNearestAndTiesToEven) {
    const auto& [value, decimals, expected] = GetParam();
    EXPECT_EQ(RoundHalfEven(value, decimals), expected)
        << ShortestRoundTrip(value) << " to " << decimals << " places";
}

INSTANTIATE_TEST_SUITE_P(WholeNumbers, RoundingHalfEven,
                         testing::Values(RoundCase{12.5, 0, 12.0}, RoundCase{13.5, 0, 14.0},
                                         RoundCase{2.5, 0, 2.0}, RoundCase{3.5, 0, 4.0},
                                         RoundCase{0.5, 0, 0.0}, RoundCase{1.5, 0, 2.0},
                                         RoundCase{-2.5, 0, -2.0}, RoundCase{-3.5, 0, -4.0},
                                         RoundCase{12.499999999999998, 0, 12.0},
                                         RoundCase{12.500000000000002, 0, 13.0},
                                         RoundCase{1.25 / 0.1, 0, 12.0}, RoundCase{9.5, 0, 10.0},
                                         RoundCase{99.5, 0, 100.0}, RoundCase{32766.5, 0, 32766.0},
                                         RoundCase{32767.5, 0, 32768.0},
                                         RoundCase{4503599627370495.5, 0, 4503599627370496.0},
                                         RoundCase{1e300, 0, 1e300}));

INSTANTIATE_TEST_SUITE_P(DecimalPlaces, RoundingHalfEven,
                         testing::Values(RoundCase{13.333333333333334, 2, 13.33},
                                         RoundCase{27.532774671626637, 3, test::kTwoWayTotal},
                                         RoundCase{2.675, 2, 2.68}, RoundCase{2.665, 2, 2.66},
                                         RoundCase{0.125, 2, 0.12}, RoundCase{0.375, 2, 0.38},
                                         RoundCase{9.9995, 3, 10.0}, RoundCase{0.0005, 3, 0.0},
                                         RoundCase{0.0015, 3, 0.002}, RoundCase{-0.0155, 3, -0.016},
                                         RoundCase{0.019999999999999997, 3, 0.02},
                                         RoundCase{-0.030000000000000006, 3, -0.03},
                                         RoundCase{17.36, 3, 17.36}, RoundCase{12.5, 2, 12.5},
                                         RoundCase{5e-324, 3, 0.0}, RoundCase{0.99951, 3, 1.0}));

// x = n / 10^k reads as n x 10^-k, its shortest text, and rounds as that
// decimal does; the doubles either side of it (their ulp far below 10^-k
// while n < 10^9) round away from a tie, and as x does otherwise.
TEST(RoundingHalfEven, RoundsAsTheShortestTextDoesAroundTies) {
    std::mt19937_64 random(25);
    for (int i = 0; i < 200000; ++i) {
        const auto k = static_cast<int>(random() % 9);
        const auto decimals = static_cast<int>(random() % 5);
        std::uint64_t n = random() % 1000000000000;
        if (i % 2 == 0 && k > decimals) // a tie, or next to one
            n = n / 10 * 10 + 5 + (random() % 3 == 0 ? 1 : 0);
        auto power = [](int e) { return std::pow(10.0, e); };
        const double x = static_cast<double>(n) / power(k);
        double expected = x;
        double above = x;
        double below = x;
        if (k > decimals) {
            const auto drop = static_cast<std::uint64_t>(power(k - decimals));
            const std::uint64_t kept = n / drop;
            const std::uint64_t rest = n % drop;
            const std::uint64_t half = drop / 2;
            const bool up = rest > half || (rest == half && kept % 2 == 1);
            expected = static_cast<double>(kept + (up ? 1 : 0)) / power(decimals);
            if (rest == half) {
                above = static_cast<double>(kept + 1) / power(decimals);
                below = static_cast<double>(kept) / power(decimals);
            } else {
                above = below = expected;
            }
        }
        for (const double sign : {1.0, -1.0}) {
            ASSERT_EQ(RoundHalfEven(sign * x, decimals), sign * expected)
                << ShortestRoundTrip(sign * x) << " to " << decimals;
            if (n >= 1000000000)
                continue;
            ASSERT_EQ(RoundHalfEven(sign * std::nextafter(x, kInf), decimals), sign * above)
                << ShortestRoundTrip(sign * std::nextafter(x, kInf)) << " to " << decimals;
            ASSERT_EQ(RoundHalfEven(sign * std::nextafter(x, 0.0), decimals), sign * below)
                << ShortestRoundTrip(sign * std::nextafter(x, 0.0)) << " to " << decimals;
        }
    }
}

TEST(RoundingHalfEven, LeavesNonFiniteValuesAlone) {
    EXPECT_EQ(RoundHalfEven(kInf, 3), kInf);
    EXPECT_EQ(RoundHalfEven(-kInf, 0), -kInf);
    EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""), 2)));
}

TEST(RoundingHalfEven, KeepsTheSignOfAValueRoundedToZero) {
    EXPECT_TRUE(std::signbit(RoundHalfEven(-0.0004, 3)));
    EXPECT_EQ(RoundHalfEven(-0.0004, 3), 0.0);
}

struct FormatCase {
    double value;
    std::string separator;
    std::string expected;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << ShortestRoundTrip(c.value);
}

class FormattingANumber : public testing::TestWithParam<FormatCase> {};

TEST_P(FormattingANumber, WritesTheShortestPlainText) {
    const auto& [value, separator, expected] = GetParam();
    EXPECT_EQ(FormatNumber(value, separator), expected) << ShortestRoundTrip(value);
}

INSTANTIATE_TEST_SUITE_P(
    Totals, FormattingANumber,
    testing::Values(FormatCase{test::kTwoWayTotal, ".", TAVRILO_TWO_WAY_TOTAL},
                    FormatCase{17.36, ".", "17.36"}, FormatCase{0.02, ".", "0.02"},
                    FormatCase{-0.015, ".", "-0.015"}, FormatCase{12.0, ".", "12"},
                    FormatCase{0.0, ".", "0"}, FormatCase{-0.0, ".", "0"},
                    FormatCase{0.1 + 0.2, ".", "0.3"}, FormatCase{100.0, ".", "100"},
                    FormatCase{1234567.25, ".", "1234567.25"},
                    FormatCase{test::kTwoWayTotal, ",", "27,533"}, FormatCase{-0.5, ",", "-0,5"},
                    FormatCase{test::kTwoWayTotal, "\xD9\xAB",
                               "27\xD9\xAB"
                               "533"}));

INSTANTIATE_TEST_SUITE_P(
    LargeAndSmallMagnitudes, FormattingANumber,
    testing::Values(FormatCase{123456789012345.0, ".", "123456789012345"},
                    FormatCase{999999999999999.9, ".", "1E+15"}, FormatCase{1e15, ".", "1E+15"},
                    FormatCase{1.5e20, ".", "1.5E+20"}, FormatCase{-1.5e20, ",", "-1,5E+20"},
                    FormatCase{0.00001, ".", "0.00001"}, FormatCase{0.0000012, ".", "1.2E-06"},
                    FormatCase{1.2345678901234567, ".", "1.23456789012346"},
                    FormatCase{std::numeric_limits<double>::max(), ".", "1.79769313486232E+308"},
                    FormatCase{5e-324, ".", "4.94065645841247E-324"}, FormatCase{kInf, ".", "inf"},
                    FormatCase{-kInf, ".", "-inf"}));

// Whatever is written reads back as the same number to 15 significant digits.
TEST(FormattingANumber, ReadsBackThroughTheReadingRules) {
    std::mt19937_64 random(20261208);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-320, 307);
    for (int i = 0; i < 20000; ++i) {
        const double x = (i % 2 ? -1 : 1) * mantissa(random) * std::pow(10.0, exponent(random));
        const std::string written = FormatNumber(x);
        const double read = ParseLeadingNumber(written);
        ASSERT_EQ(FormatNumber(read), written) << ShortestRoundTrip(x);
        if (std::fabs(x) >= std::numeric_limits<double>::min()) {
            ASSERT_LE(std::fabs(read - x), std::fabs(x) * 5.1e-15) << ShortestRoundTrip(x);
        }
    }
}

// The digits written are those of x correctly rounded to 15 significant
// digits, as printf's %.14e gives them: for all kinds of doubles, short
// decimals and their neighbours among them.
TEST(FormattingANumber, WritesXRoundedTo15SignificantDigits) {
    std::mt19937_64 random(15);
    std::vector<double> values;
    for (int i = 0; i < 20000; ++i) {
        values.push_back(std::bit_cast<double>(random()));
        const double decimal = static_cast<double>(random() % 100000000) /
                               std::pow(10.0, static_cast<int>(random() % 12));
        values.insert(values.end(), {decimal, std::nextafter(decimal, 0.0),
                                     std::nextafter(decimal, kInf), decimal * 1e-300});
    }
    for (int exponent = -308; exponent <= 308; ++exponent) {
        const double power = std::pow(10.0, exponent);
        values.insert(values.end(),
                      {power, std::nextafter(power, 0.0), std::nextafter(power, kInf)});
    }
    for (const double x : values) {
        if (!std::isfinite(x))
            continue;
        std::array<char, 64> rounded{};
        std::snprintf(rounded.data(), rounded.size(), "%.14e", x);
        ASSERT_EQ(ParseLeadingNumber(FormatNumber(x)), ParseLeadingNumber(rounded.data()))
            << ShortestRoundTrip(x) << " written " << FormatNumber(x);
    }
}

} // namespace
} // namespace tavrilo
