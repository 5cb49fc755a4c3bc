#include "calc/weight.h"

#include "calc/number.h"

#include <cmath>

namespace tavrilo {

std::optional<BarMass> ComputeBarMass(double lengthMetres, double barDiameterMetres) {
    BarMass mass;
    mass.BarDiameterMm = barDiameterMetres * 1000;
    mass.KgPerMetre = kKgPerMetrePerSquareMm * (mass.BarDiameterMm * mass.BarDiameterMm);
    // A zero length weighs zero, also when written -0.
    mass.Kilograms = RoundHalfEven(lengthMetres * mass.KgPerMetre, 2) + 0.0;
    if (!std::isfinite(mass.BarDiameterMm) || !std::isfinite(mass.KgPerMetre) ||
        !std::isfinite(mass.Kilograms))
        return std::nullopt;
    return mass;
}

double TonnesOf(double kilograms) {
    return RoundHalfEven(kilograms / 1000, 3);
}

} // namespace tavrilo
