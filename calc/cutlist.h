#pragma once

// The cut list (下料单) of a circular mesh: where each bar lies, how long its
// chord is and how long it must be cut, grouped into lines of equal length.
//
// Per direction there are n bars, n = D / s rounded to a whole number as in
// the formula. With even n the bars lie in pairs at
// x = (2i - 1) s / 2, i = 1 .. n/2; with odd n one bar runs through the
// centre and the pairs lie at x = i s, i = 1 .. (n - 1)/2. A bar at x has the
// chord sqrt(D^2 - 4 x^2) and is cut to the chord plus the allowance
// 12.5 phi - 0.05 (two 180-degree hooks of 6.25 phi, less two 25 mm covers).
//
// The formula's total counts that allowance 2r times (r = D / s rounded to two
// places; r times one-way) and takes the chords as s sqrt(r^2 - k^2) with the
// rounded r; the cut list counts one allowance per bar and the true chords.
// The reconciliation says how much each of the two accounts for.

#include "calc/mesh.h"

#include <cstdint>
#include <variant>
#include <vector>

namespace tavrilo {

// A bar position of one direction, measured from the centre line: the centre
// bar (Count 1) or a pair of bars at +Offset and -Offset (Count 2).
struct BarPosition {
    double Offset = 0; // metres, >= 0
    int Count = 0;
};

// The positions of n bars at spacing s, from the centre outwards.
std::vector<BarPosition> BarPositions(std::int32_t barCount, double spacing);

// The chord of a circle of diameter `diameter` at distance `offset` from its
// centre, sqrt(D^2 - 4 x^2), computed without overflow for any finite D.
double ChordLength(double diameter, double offset);

// One line of the cut list: bars of one direction whose cut lengths round to
// the same millimetre. Lines run from the centre outwards.
struct CutLine {
    double CutLength = 0;      // metres, rounded to millimetres
    int Count = 0;             // bars of one direction on this line
    double NearestOffset = 0;  // metres from the centre line, unrounded
    double FarthestOffset = 0; // equal to NearestOffset for a single position
    double LongestChord = 0;   // metres, rounded to millimetres
    double ShortestChord = 0;  // metres, rounded to millimetres
};

// What separates the formula's total from the cut list's, all in metres.
// Difference = FormulaTotal - rounded cut length, and it is made up of
// AllowanceDifference + ChordDifference + RoundingDifference (each rounded to
// millimetres, so the three add up to Difference exactly as printed).
struct CutListReconciliation {
    double FormulaTotal = 0;          // the formula's total, rounded to millimetres
    double FormulaAllowanceCount = 0; // 2r two-way, r one-way
    double Difference = 0;
    double AllowanceDifference = 0; // allowance * (FormulaAllowanceCount - bars)
    double ChordDifference = 0;     // the formula's chord part - the true chords
    double RoundingDifference = 0;  // what rounding to millimetres leaves over
};

struct CutList {
    Arrangement Layout = Arrangement::TwoWay;
    std::int32_t BarsPerDirection = 0;
    // Every bar of the mesh: the bars of one direction times the directions.
    std::int64_t BarCount() const {
        return static_cast<std::int64_t>(BarsPerDirection) * DirectionCount(Layout);
    }
    double Allowance = 0;         // per bar, metres
    std::vector<CutLine> Lines;   // one direction; every direction is the same
    double ChordPerDirection = 0; // sum of the true chords, unrounded
    double CutPerDirection = 0;   // sum of the cut lengths, unrounded
    double ChordTotal = 0;        // all directions
    double CutTotal = 0;          // all directions, unrounded
    double RoundedCutTotal = 0;   // CutTotal rounded to millimetres
    bool HasNegativeBar = false;  // some bar's cut length is below zero
    CutListReconciliation Reconciliation;
};

using CutListOutcome = std::variant<CutList, CalcError>;

// The cut list of the mesh that `mesh` (the formula's calculation of the same
// inputs and arrangement) describes. Fails with a floating-point fault when a
// length or a sum overflows.
CutListOutcome BuildCutList(const MeshInputs& inputs, Arrangement arrangement,
                            const MeshLength& mesh);

} // namespace tavrilo
