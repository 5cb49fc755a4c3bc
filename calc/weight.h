#pragma once

// The theoretical mass of a length of bar by the rule of the national rebar
// tables: 0.00617 phi^2 kg per metre with phi in millimetres (steel at
// 7850 kg/m^3, pi/4 * 7850 / 10^6 rounded).

#include <optional>

namespace tavrilo {

inline constexpr double kKgPerMetrePerSquareMm = 0.00617;

struct BarMass {
    double BarDiameterMm = 0; // phi
    double KgPerMetre = 0;    // 0.00617 phi^2, unrounded
    double Kilograms = 0;     // the length times KgPerMetre, rounded to 2 places
};

// The mass of `lengthMetres` of bar of diameter `barDiameterMetres`; nothing
// when a step overflows.
std::optional<BarMass> ComputeBarMass(double lengthMetres, double barDiameterMetres);

// Kilograms as tonnes, rounded to 3 places (to the kilogram).
double TonnesOf(double kilograms);

} // namespace tavrilo
