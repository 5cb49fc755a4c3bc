// The mesh length calculation, fed arbitrary inputs.
//
// The input is three doubles (D, phi, s, 8 bytes each, as the machine stores
// them) and a byte whose lowest bit chooses the arrangement (1 = two-way).
// Infinities are kept, since typed text such as 1e999 reads as one; inputs
// that are not all greater than 0 must be refused, never given a total.
// Properties:
// - the outcome is a total with every intermediate value finite, or CalcError;
// - the two-way total is the sum rounded to 3 places, the one-way total the
//   sum halved, then rounded; the arrangement changes nothing else;
// - the outcome is the one of a plain step-by-step calculation written out
//   below: the same values, or a CalcError of the same kind at the same step
//   (the first step whose value is not finite, or whose 16- or 32-bit counter
//   overflows).

#include "calc/mesh.h"
#include "calc/number.h"
#include "fuzz/fuzz_check.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <variant>

namespace {

using namespace tavrilo;

std::string Text(double x) {
    return ShortestRoundTrip(x);
}

std::string Describe(const MeshInputs& in, Arrangement a) {
    return "D = " + Text(in.MeshDiameter) + ", phi = " + Text(in.BarDiameter) +
           ", s = " + Text(in.BarSpacing) + (a == Arrangement::TwoWay ? ", two-way" : ", one-way");
}

std::string Describe(const MeshLengthOutcome& outcome) {
    if (const auto* e = std::get_if<CalcError>(&outcome))
        return "error kind " + std::to_string(static_cast<int>(e->Kind)) + " at step " +
               std::to_string(static_cast<int>(e->Step));
    const MeshLength& m = std::get<MeshLength>(outcome);
    const MeshLengthBreakdown& b = m.Breakdown;
    return "total " + Text(m.Total) + " (n " + Text(b.SpacingCount) + ", r " +
           Text(b.SpacingRatio) + ", A " + Text(b.AllowanceTerm) + ", S " + Text(b.ChordSum) +
           ", C " + Text(b.CentreTerm) + ", T " + Text(b.Sum) + ")";
}

bool Same(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool Same(const MeshLengthOutcome& x, const MeshLengthOutcome& y) {
    if (x.index() != y.index())
        return false;
    if (const auto* e = std::get_if<CalcError>(&x))
        return *e == std::get<CalcError>(y);
    const MeshLength& a = std::get<MeshLength>(x);
    const MeshLength& b = std::get<MeshLength>(y);
    return Same(a.Total, b.Total) && Same(a.Breakdown.SpacingCount, b.Breakdown.SpacingCount) &&
           Same(a.Breakdown.SpacingRatio, b.Breakdown.SpacingRatio) &&
           Same(a.Breakdown.AllowanceTerm, b.Breakdown.AllowanceTerm) &&
           Same(a.Breakdown.ChordSum, b.Breakdown.ChordSum) &&
           Same(a.Breakdown.CentreTerm, b.Breakdown.CentreTerm) &&
           Same(a.Breakdown.Sum, b.Breakdown.Sum);
}

CalcError FloatFault(CalcStep step) {
    return {CalcErrorKind::FloatingPointFault, step};
}

CalcError Overflow(CalcStep step) {
    return {CalcErrorKind::IntegerOverflow, step};
}

// The calculation as its rules are written: every assignment checked right
// after it is made, the counters checked as 16-bit (h, i, 2i, 4i) and 32-bit
// (m) integers at each pass, squares taken as powers.
MeshLengthOutcome StepByStep(const MeshInputs& in, Arrangement arrangement) {
    constexpr int kInt16Max = 32767;
    const double D = in.MeshDiameter;
    const double phi = in.BarDiameter;
    const double s = in.BarSpacing;
    if (!std::isfinite(D) || !std::isfinite(phi) || !std::isfinite(s))
        return FloatFault(CalcStep::Input);
    if (D <= 0 || phi <= 0 || s <= 0)
        return CalcError{CalcErrorKind::NonPositiveInput, CalcStep::Input};

    const double q = D / s;
    if (!std::isfinite(q))
        return FloatFault(CalcStep::Ratio);
    const double n = RoundHalfEven(q, 0);
    if (!std::isfinite(n))
        return FloatFault(CalcStep::Count);
    const double r = RoundHalfEven(q, 2);
    if (!std::isfinite(r))
        return FloatFault(CalcStep::RoundedRatio);
    const double A = ((phi * 12.5) - 0.05) * (r + r);
    if (!std::isfinite(A))
        return FloatFault(CalcStep::Allowance);
    double S = 0;
    double C = 0;

    if (n < -2147483648.0 || n > 2147483647.0)
        return Overflow(CalcStep::CountToInt);
    const auto m = static_cast<std::int32_t>(n);

    if (m % 2 == 0) {
        const std::int32_t h = m / 2;
        if (h > kInt16Max)
            return Overflow(CalcStep::HalfCount);
        for (int i = 1; i <= h; ++i) {
            const int twoI = 2 * i;
            if (twoI > kInt16Max)
                return Overflow(CalcStep::ChordLoop);
            const double k = twoI - 1;
            S = ((s * 4) * std::sqrt(std::pow(r, 2.0) - std::pow(k, 2.0))) + S;
            if (!std::isfinite(S))
                return FloatFault(CalcStep::ChordLoop);
        }
    } else if (m % 2 == 1) {
        C = D + D;
        if (!std::isfinite(C))
            return FloatFault(CalcStep::CentreTerm);
        const std::int32_t h = (m - 1) / 2;
        if (h > kInt16Max)
            return Overflow(CalcStep::HalfCount);
        for (int i = 1; i <= h; ++i) {
            const int fourI = 4 * i;
            if (fourI > kInt16Max)
                return Overflow(CalcStep::ChordLoop);
            const double k = static_cast<double>(fourI) / 2;
            S = ((s * 4) * std::sqrt(std::pow(r, 2.0) - std::pow(k, 2.0))) + S;
            if (!std::isfinite(S))
                return FloatFault(CalcStep::ChordLoop);
        }
    }

    const double T = (A + S) + C;
    if (!std::isfinite(T))
        return FloatFault(CalcStep::Sum);
    const double total =
        arrangement == Arrangement::TwoWay ? RoundHalfEven(T, 3) : RoundHalfEven(T / 2, 3);
    if (!std::isfinite(total))
        return FloatFault(CalcStep::Total);
    return MeshLength{total, {n, r, A, S, C, T}};
}

double ReadDouble(const std::uint8_t* bytes) {
    double x = 0;
    std::memcpy(&x, bytes, sizeof x);
    return x;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3 * sizeof(double) + 1)
        return 0;
    const MeshInputs in{ReadDouble(data), ReadDouble(data + 8), ReadDouble(data + 16)};
    const Arrangement chosen = (data[24] & 1) ? Arrangement::TwoWay : Arrangement::OneWay;
    const Arrangement other =
        chosen == Arrangement::TwoWay ? Arrangement::OneWay : Arrangement::TwoWay;

    const MeshLengthOutcome outcome = ComputeMeshLength(in, chosen);
    const MeshLengthOutcome expected = StepByStep(in, chosen);
    const std::string shown = Describe(in, chosen) + ": " + Describe(outcome);
    TAVRILO_FUZZ_CHECK(Same(outcome, expected), shown + ", expected " + Describe(expected));

    const MeshLengthOutcome otherOutcome = ComputeMeshLength(in, other);
    TAVRILO_FUZZ_CHECK(otherOutcome.index() == outcome.index(),
                       shown + ", but " + Describe(in, other) + ": " + Describe(otherOutcome));
    if (const auto* error = std::get_if<CalcError>(&outcome)) {
        TAVRILO_FUZZ_CHECK(*error == std::get<CalcError>(otherOutcome),
                           shown + ", but " + Describe(in, other) + ": " + Describe(otherOutcome));
        return 0;
    }

    const MeshLength& result = std::get<MeshLength>(outcome);
    const MeshLengthBreakdown& b = result.Breakdown;
    for (double value : {result.Total, b.SpacingCount, b.SpacingRatio, b.AllowanceTerm, b.ChordSum,
                         b.CentreTerm, b.Sum})
        TAVRILO_FUZZ_CHECK(std::isfinite(value), shown);

    const MeshLength& otherResult = std::get<MeshLength>(otherOutcome);
    const MeshLength& twoWay = chosen == Arrangement::TwoWay ? result : otherResult;
    const MeshLength& oneWay = chosen == Arrangement::TwoWay ? otherResult : result;
    TAVRILO_FUZZ_CHECK(Same(oneWay.Breakdown.Sum, twoWay.Breakdown.Sum),
                       shown + "; other arrangement: " + Describe(otherOutcome));
    TAVRILO_FUZZ_CHECK(Same(twoWay.Total, RoundHalfEven(twoWay.Breakdown.Sum, 3)),
                       Describe(in, Arrangement::TwoWay) + ": total " + Text(twoWay.Total) +
                           " is not the sum " + Text(twoWay.Breakdown.Sum) + " rounded");
    TAVRILO_FUZZ_CHECK(Same(oneWay.Total, RoundHalfEven(oneWay.Breakdown.Sum / 2, 3)),
                       Describe(in, Arrangement::OneWay) + ": total " + Text(oneWay.Total) +
                           " is not half the sum " + Text(oneWay.Breakdown.Sum) + " rounded");
    return 0;
}
