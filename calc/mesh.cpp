#include "calc/mesh.h"

#include "calc/number.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <variant>

namespace tavrilo {
namespace {

// Every assignment of the calculation is checked as it is made. With finite
// operands, an overflow or a division by zero gives an infinity and an invalid
// operation a NaN, so a non-finite result is exactly the floating-point fault.
// Testing the value instead of the FE_* status flags keeps the check correct
// under any optimisation level.
bool Faulted(double value) {
    return !std::isfinite(value);
}

CalcError FloatFault(CalcStep step) {
    return {CalcErrorKind::FloatingPointFault, step};
}
CalcError IntOverflow(CalcStep step) {
    return {CalcErrorKind::IntegerOverflow, step};
}

constexpr std::int32_t kInt16Max = std::numeric_limits<std::int16_t>::max();

// Adds the chord contributions (s * 4) * sqrt(r^2 - k^2) for i = 1 .. passes,
// with k = position(i). `lastSafePass` is the last i whose 16-bit product is
// in range: a loop that would go past it stops there with an integer overflow,
// unless the sum faulted first.
template <typename Position>
std::variant<double, CalcError> SumChords(double r, double s, std::int32_t passes,
                                          std::int32_t lastSafePass, Position position) {
    const double rSquared = r * r; // the correctly rounded r ^ 2
    const double fourS = s * 4;
    const std::int32_t run = passes < lastSafePass ? passes : lastSafePass;
    double sum = 0.0;
    for (std::int32_t i = 1; i <= run; ++i) {
        const double k = position(i);
        sum = (fourS * std::sqrt(rSquared - k * k)) + sum;
    }
    // Terms are never negative, so once a term or the sum is non-finite the
    // sum stays so: one check after the passes finds the first fault.
    if (Faulted(sum))
        return FloatFault(CalcStep::ChordLoop);
    if (passes > lastSafePass)
        return IntOverflow(CalcStep::ChordLoop);
    return sum;
}

// The count and ratio of spacings and the end allowance, into `b`.
std::optional<CalcError> SpacingTerms(double D, double phi, double s, MeshLengthBreakdown& b) {
    const double q = D / s;
    if (Faulted(q))
        return FloatFault(CalcStep::Ratio);
    b.SpacingCount = RoundHalfEven(q, 0);
    if (Faulted(b.SpacingCount))
        return FloatFault(CalcStep::Count);
    b.SpacingRatio = RoundHalfEven(q, 2);
    if (Faulted(b.SpacingRatio))
        return FloatFault(CalcStep::RoundedRatio);
    const double r = b.SpacingRatio;
    b.AllowanceTerm = BarAllowance(phi) * (r + r);
    if (Faulted(b.AllowanceTerm))
        return FloatFault(CalcStep::Allowance);
    return std::nullopt;
}

// The chords of an even or odd count of spacings (and the centre bar of an
// odd one), into `b`.
std::optional<CalcError> ChordTerms(double D, double s, MeshLengthBreakdown& b) {
    const double n = b.SpacingCount;
    if (!(n >= std::numeric_limits<std::int32_t>::min() &&
          n <= std::numeric_limits<std::int32_t>::max()))
        return IntOverflow(CalcStep::CountToInt);
    const auto m = static_cast<std::int32_t>(n);
    const double r = b.SpacingRatio;
    std::variant<double, CalcError> chords = 0.0;
    if (m % 2 == 0) {
        const std::int32_t h = m / 2;
        if (h > kInt16Max)
            return IntOverflow(CalcStep::HalfCount);
        // k = 2i - 1, with 2i held in 16 bits: the last pass that fits is 16383.
        chords = SumChords(r, s, h, kInt16Max / 2,
                           [](std::int32_t i) { return PairPositionInHalfSpacings(false, i); });
    } else if (m % 2 == 1) {
        b.CentreTerm = D + D;
        if (Faulted(b.CentreTerm))
            return FloatFault(CalcStep::CentreTerm);
        const std::int32_t h = (m - 1) / 2;
        if (h > kInt16Max)
            return IntOverflow(CalcStep::HalfCount);
        // k = 4i / 2, with 4i held in 16 bits: the last pass that fits is 8191.
        chords = SumChords(r, s, h, kInt16Max / 4,
                           [](std::int32_t i) { return PairPositionInHalfSpacings(true, i); });
    } else {
        return std::nullopt; // a negative odd count: no chords, as before
    }
    if (auto* error = std::get_if<CalcError>(&chords))
        return *error;
    b.ChordSum = std::get<double>(chords);
    return std::nullopt;
}

} // namespace

MeshLengthOutcome ComputeMeshLength(const MeshInputs& inputs, Arrangement arrangement) {
    const double D = inputs.MeshDiameter;
    const double phi = inputs.BarDiameter;
    const double s = inputs.BarSpacing;
    MeshLengthBreakdown b;

    // A measurement read beyond the double range is the overflow of reading
    // it; an infinite spacing would otherwise pass as "no bars" and 0 m.
    if (Faulted(D) || Faulted(phi) || Faulted(s))
        return FloatFault(CalcStep::Input);
    // Without this a negative D would give a count that is neither even nor
    // odd, and an allowance-only "total".
    if (!(D > 0.0 && phi > 0.0 && s > 0.0))
        return {CalcError{CalcErrorKind::NonPositiveInput, CalcStep::Input}};
    if (auto error = SpacingTerms(D, phi, s, b))
        return *error;
    if (auto error = ChordTerms(D, s, b))
        return *error;

    b.Sum = (b.AllowanceTerm + b.ChordSum) + b.CentreTerm;
    if (Faulted(b.Sum))
        return FloatFault(CalcStep::Sum);

    const double total =
        arrangement == Arrangement::TwoWay ? RoundHalfEven(b.Sum, 3) : RoundHalfEven(b.Sum / 2, 3);
    if (Faulted(total))
        return FloatFault(CalcStep::Total);
    return MeshLength{total, b};
}

} // namespace tavrilo
