#include "calc/decimal_chars.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <system_error>

namespace tavrilo {
namespace {

constexpr double kUntouched = 42.0; // what `value` holds before the call
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr auto kGeneral = std::chars_format::general;
constexpr auto kFixed = std::chars_format::fixed;
constexpr auto kScientific = std::chars_format::scientific;

struct FromCharsCase {
    std::string text;
    std::chars_format format;
    std::size_t read; // characters consumed
    std::errc ec;
    double value;
};

void PrintTo(const FromCharsCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" format " << static_cast<int>(c.format);
}

// The WebAssembly build reads through fast_float, the native one through the
// standard library: both must answer as std::from_chars is defined to.
class ReadingADouble : public testing::TestWithParam<FromCharsCase> {};

TEST_P(ReadingADouble, AnswersAsTheStandardSays) {
    const FromCharsCase& c = GetParam();
    double value = kUntouched;
    const char* first = c.text.data();
    const auto [ptr, ec] = FromChars(first, first + c.text.size(), value, c.format);
    EXPECT_EQ(ptr - first, static_cast<std::ptrdiff_t>(c.read));
    EXPECT_EQ(ec, c.ec);
    EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    RangeAndFormats, ReadingADouble,
    testing::Values(
        FromCharsCase{"1.5e3x", kGeneral, 5, std::errc(), 1500.0},
        FromCharsCase{"1e999", kGeneral, 5, std::errc::result_out_of_range, kUntouched},
        FromCharsCase{"-1e999", kGeneral, 6, std::errc::result_out_of_range, kUntouched},
        FromCharsCase{"1e-999", kGeneral, 6, std::errc::result_out_of_range, kUntouched},
        FromCharsCase{"2e-324", kGeneral, 6, std::errc::result_out_of_range, kUntouched},
        FromCharsCase{"4.9e-324", kGeneral, 8, std::errc(),
                      std::numeric_limits<double>::denorm_min()},
        FromCharsCase{"1.7976931348623159e308", kGeneral, 22, std::errc::result_out_of_range,
                      kUntouched},
        FromCharsCase{"0.0e-999", kGeneral, 8, std::errc(), 0.0},
        FromCharsCase{"inf", kGeneral, 3, std::errc(), kInf},
        FromCharsCase{"+1", kGeneral, 0, std::errc::invalid_argument, kUntouched},
        FromCharsCase{"1e999", kFixed, 1, std::errc(), 1.0},
        FromCharsCase{"1.5", kScientific, 0, std::errc::invalid_argument, kUntouched},
        FromCharsCase{"1.5e-2", kScientific, 6, std::errc(), 0.015}));

} // namespace
} // namespace tavrilo
