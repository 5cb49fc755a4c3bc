#pragma once

// How the reports round the figures they show beside the total.

#include "calc/number.h"
#include "calc/weight.h"

namespace tavrilo {

// An offset as the cut list shows it: to a tenth of a millimetre, so that
// half spacings such as 0.0625 m stay exact.
inline double DisplayedOffset(double offset) {
    return RoundHalfEven(offset, 4) + 0.0;
}

// The mass per metre rounded to 4 places.
inline double DisplayedKgPerMetre(const BarMass& mass) {
    return RoundHalfEven(mass.KgPerMetre, 4);
}

} // namespace tavrilo
