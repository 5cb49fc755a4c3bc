#pragma once

// The total length of bar in a circular reinforcing-bar mesh.
//
// Bars at spacing s cross a circle of diameter D; each bar is as long as the
// chord at its position. With r = D / s (rounded to 2 places) and n = D / s
// (rounded to a whole number), the two-way total is
//   A + S + C, where A = (12.5 phi - 0.05) * 2r, the bar-end allowance,
//                    S = sum of 4 s sqrt(r^2 - k^2) over the bar positions k,
//                    C = 2D when n is odd (the two centre bars), else 0,
// and the one-way total is half of it, each rounded to millimetres.

#include <cstdint>
#include <variant>

namespace tavrilo {

// Lengths in metres; the calculation refuses any that is not above 0.
struct MeshInputs {
    double MeshDiameter = 0; // D
    double BarDiameter = 0;  // phi
    double BarSpacing = 0;   // s, labelled d in the window
};

enum class Arrangement {
    OneWay, // parallel bars in one direction
    TwoWay, // crossed bars, both directions
};

// How many families of bars an arrangement lays: 1 one-way, 2 two-way.
inline int DirectionCount(Arrangement arrangement) {
    return arrangement == Arrangement::TwoWay ? 2 : 1;
}

// The allowance added to a bar for its ends: two 180-degree hooks of
// kHookInBarDiameters bar diameters each, less a cover of kCoverPerEnd metres
// at each end; 12.5 phi - 0.05 in metres.
inline constexpr double kHookInBarDiameters = 6.25;
inline constexpr double kCoverPerEnd = 0.025;
inline constexpr double kAllowanceInBarDiameters = 2 * kHookInBarDiameters;
inline constexpr double kAllowanceLessCovers = 2 * kCoverPerEnd;
static_assert(kAllowanceInBarDiameters == 12.5 && kAllowanceLessCovers == 0.05);

inline double BarAllowance(double barDiameter) {
    return (barDiameter * kAllowanceInBarDiameters) - kAllowanceLessCovers;
}

// Where the i-th pair of bars of one direction lies (i from 1), in half
// spacings from the centre line: 2i - 1 when the bar count is even (no bar
// on the centre line), 2i when it is odd (one bar through the centre).
inline double PairPositionInHalfSpacings(bool oddCount, std::int32_t i) {
    return oddCount ? static_cast<double>(4 * i) / 2 : static_cast<double>(2 * i - 1);
}

enum class CalcErrorKind {
    IntegerOverflow,    // the spacing count is beyond what the counters hold
    FloatingPointFault, // a step overflowed, divided by zero or was invalid
    NonPositiveInput,   // a measurement of 0 or less: there is no such mesh
};

// Which step of the calculation failed first.
enum class CalcStep {
    Input,        // a measurement that is not a finite number, or not above 0
    Ratio,        // q = D / s
    Count,        // n
    RoundedRatio, // r
    Allowance,    // A
    CountToInt,   // n as a 32-bit integer
    HalfCount,    // h as a 16-bit integer
    CentreTerm,   // C
    ChordLoop,    // a chord pass (its 16-bit counter or its sum)
    Sum,          // T
    Total,        // the halved and rounded total
};

struct CalcError {
    CalcErrorKind Kind;
    CalcStep Step;
    friend bool operator==(const CalcError&, const CalcError&) = default;
};

// The intermediate values of one calculation, for diagnosis.
struct MeshLengthBreakdown {
    double SpacingCount = 0;  // n
    double SpacingRatio = 0;  // r
    double AllowanceTerm = 0; // A
    double ChordSum = 0;      // S
    double CentreTerm = 0;    // C
    double Sum = 0;           // T = (A + S) + C, before halving and rounding
};

struct MeshLength {
    double Total = 0; // metres, rounded to 3 places; may be negative
    MeshLengthBreakdown Breakdown;
};

using MeshLengthOutcome = std::variant<MeshLength, CalcError>;

MeshLengthOutcome ComputeMeshLength(const MeshInputs& inputs, Arrangement arrangement);

} // namespace tavrilo
