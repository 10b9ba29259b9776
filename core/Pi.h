// The two values of pi of the computation.
#pragma once

#include <numbers>

// Pi to double precision: the free-fly camera and the compactness of components.
inline constexpr double kPi = std::numbers::pi;

// Pi to five decimals, the value the spherical coordinates, the direction analysis and the
// arrow's rotation are defined with; their results change if it is replaced by kPi.
inline constexpr double kPiCinqDecimales = 3.14159;
