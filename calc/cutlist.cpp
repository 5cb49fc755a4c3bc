#include "calc/cutlist.h"

#include "calc/number.h"

#include <cmath>

namespace tavrilo {
namespace {

// Millimetres, with a negative zero written as zero.
double ToMillimetres(double metres) {
    return RoundHalfEven(metres, 3) + 0.0;
}

CalcError CutListFault() {
    return {CalcErrorKind::FloatingPointFault, CalcStep::ChordLoop};
}

} // namespace

std::vector<BarPosition> BarPositions(std::int32_t barCount, double spacing) {
    std::vector<BarPosition> positions;
    if (barCount <= 0)
        return positions;
    positions.reserve(static_cast<std::size_t>(barCount / 2 + 1));
    const bool odd = barCount % 2 == 1;
    if (odd)
        positions.push_back({0.0, 1});
    for (std::int32_t i = 1; i <= barCount / 2; ++i)
        positions.push_back({PairPositionInHalfSpacings(odd, i) * spacing / 2, 2});
    return positions;
}

double ChordLength(double diameter, double offset) {
    // sqrt(D^2 - 4x^2) = D sqrt((1 - t)(1 + t)) with t = 2x / D: no square of
    // D to overflow or underflow, and no cancellation near the rim.
    const double t = (offset + offset) / diameter;
    return diameter * std::sqrt((1 - t) * (1 + t));
}

CutListOutcome BuildCutList(const MeshInputs& inputs, Arrangement arrangement,
                            const MeshLength& mesh) {
    CutList list;
    list.Layout = arrangement;
    const int directions = DirectionCount(arrangement);
    // The formula has already held n to its counter limits.
    list.BarsPerDirection = static_cast<std::int32_t>(mesh.Breakdown.SpacingCount);
    list.Allowance = BarAllowance(inputs.BarDiameter);
    if (!std::isfinite(list.Allowance))
        return CutListFault();

    for (const BarPosition& p : BarPositions(list.BarsPerDirection, inputs.BarSpacing)) {
        const double chord = ChordLength(inputs.MeshDiameter, p.Offset);
        const double cut = chord + list.Allowance;
        if (!std::isfinite(chord) || !std::isfinite(cut))
            return CutListFault();
        list.ChordPerDirection += p.Count * chord;
        list.CutPerDirection += p.Count * cut;
        if (cut < 0)
            list.HasNegativeBar = true;

        const double roundedCut = ToMillimetres(cut);
        const double roundedChord = ToMillimetres(chord);
        // Cut lengths shrink outwards, so equal lengths are neighbours.
        if (!list.Lines.empty() && list.Lines.back().CutLength == roundedCut) {
            CutLine& line = list.Lines.back();
            line.Count += p.Count;
            line.FarthestOffset = p.Offset;
            line.ShortestChord = roundedChord;
        } else {
            list.Lines.push_back(
                {roundedCut, p.Count, p.Offset, p.Offset, roundedChord, roundedChord});
        }
    }
    list.ChordTotal = list.ChordPerDirection * directions;
    list.CutTotal = list.CutPerDirection * directions;
    list.RoundedCutTotal = ToMillimetres(list.CutTotal);
    if (!std::isfinite(list.ChordTotal) || !std::isfinite(list.CutTotal))
        return CutListFault();

    const MeshLengthBreakdown& b = mesh.Breakdown;
    CutListReconciliation& rec = list.Reconciliation;
    const double r = b.SpacingRatio;
    const double bars = static_cast<double>(list.BarCount());
    const double formulaChords = arrangement == Arrangement::TwoWay
                                     ? b.ChordSum + b.CentreTerm
                                     : (b.ChordSum + b.CentreTerm) / 2;
    rec.FormulaTotal = mesh.Total;
    rec.FormulaAllowanceCount = arrangement == Arrangement::TwoWay ? r + r : r;
    rec.Difference = ToMillimetres(mesh.Total - list.RoundedCutTotal);
    rec.AllowanceDifference = ToMillimetres(list.Allowance * (rec.FormulaAllowanceCount - bars));
    rec.ChordDifference = ToMillimetres(formulaChords - list.ChordTotal);
    rec.RoundingDifference =
        ToMillimetres(rec.Difference - rec.AllowanceDifference - rec.ChordDifference);
    if (!std::isfinite(rec.Difference) || !std::isfinite(rec.AllowanceDifference) ||
        !std::isfinite(rec.ChordDifference) || !std::isfinite(rec.RoundingDifference))
        return CutListFault();
    return list;
}

} // namespace tavrilo
