#pragma once

// The program's Round: to the nearest integer, halves to the even neighbour (the FPU's default mode),
// evaluated in extended precision.
#include <cmath>

namespace core {

inline int RoundEven(long double v) { return static_cast<int>(std::nearbyint(v)); }

} // namespace core
