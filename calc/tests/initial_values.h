// The worked example the tests of every layer start from: the window's
// initial values, a mesh of diameter D = 1.3 m of bars Φ = 0.0065 m laid at
// d = 0.1 m, and its total bar length to the millimetre, both arrangements.
#pragma once

#include "calc/mesh.h"

// The totals' digits as results and files print them, for expected texts
// built around them: "钢筋总长度 " TAVRILO_TWO_WAY_TOTAL " m".
#define TAVRILO_TWO_WAY_TOTAL "27.533"
#define TAVRILO_ONE_WAY_TOTAL "13.766"

namespace tavrilo::test {

inline constexpr MeshInputs kInitialInputs{1.3, 0.0065, 0.1};
inline constexpr double kTwoWayTotal = 27.533;
inline constexpr double kOneWayTotal = 13.766;

} // namespace tavrilo::test
