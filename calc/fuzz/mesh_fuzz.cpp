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
// - inputs of 0 or less are refused; ordinary inputs are calculated exactly
//   when the bar count is within the counters' limits, and overflow beyond;
// - the breakdown describes the mesh: n and r are D / s rounded, the centre
//   bars are there exactly when n is odd, and the chords add up to about the
//   circle's area over the spacing.

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

constexpr double kPi = 3.141592653589793;

// The bar length of the physical mesh: bars at spacing s across a circle of
// diameter D cover its area once per direction, so both directions together
// are about 2 * (pi D^2 / 4) / s long. Bars end at the rim, which puts the sum
// within a few diameters of that, whatever the count.
bool NearTheAreaOverTheSpacing(const MeshInputs& in, const MeshLengthBreakdown& b) {
    const double D = in.MeshDiameter;
    const double s = in.BarSpacing;
    const double area = kPi * (D / s) * D / 2;
    const double bars = b.ChordSum + b.CentreTerm;
    return std::fabs(bars - area) <= 4 * D + 1e-9 * area;
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
    const std::string shown = Describe(in, chosen) + ": " + Describe(outcome);
    const bool positive = in.MeshDiameter > 0 && in.BarDiameter > 0 && in.BarSpacing > 0;
    if (!positive)
        TAVRILO_FUZZ_CHECK(std::holds_alternative<CalcError>(outcome), shown);

    // The count of bars decides the counter limits: an even count up to
    // 32766 and an odd one up to 16383 are calculated, larger ones overflow.
    const double q = in.MeshDiameter / in.BarSpacing;
    const double n = RoundHalfEven(q, 0);
    const bool ordinary = positive && std::isfinite(q) && in.MeshDiameter < 1e100 &&
                          in.BarDiameter < 1e100 && in.BarSpacing > 1e-100 && in.BarSpacing < 1e100;
    if (ordinary) {
        const bool withinCounters = std::fmod(n, 2) == 0 ? n <= 32766 : n <= 16383;
        if (withinCounters)
            TAVRILO_FUZZ_CHECK(std::holds_alternative<MeshLength>(outcome), shown);
        else
            TAVRILO_FUZZ_CHECK(std::holds_alternative<CalcError>(outcome) &&
                                   std::get<CalcError>(outcome).Kind ==
                                       CalcErrorKind::IntegerOverflow,
                               shown);
    }

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
    // What the breakdown says of the mesh: n and r are D / s rounded, a
    // centre bar per direction exactly when n is odd, chords that add up to
    // about the area over the spacing.
    TAVRILO_FUZZ_CHECK(Same(b.SpacingCount, n) && Same(b.SpacingRatio, RoundHalfEven(q, 2)), shown);
    TAVRILO_FUZZ_CHECK(Same(b.CentreTerm, std::fmod(n, 2) == 1 ? in.MeshDiameter * 2 : 0.0), shown);
    TAVRILO_FUZZ_CHECK(b.ChordSum >= 0 && NearTheAreaOverTheSpacing(in, b), shown);

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
