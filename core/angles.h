// Sine and cosine of angles in degrees, with the demo's own value of pi.
#pragma once

#include "core/constants.h"

#include <cmath>

inline double sinD(double degrees) { return std::sin(2.0 * degrees * kDemoPi / 360.0); }
inline double cosD(double degrees) { return std::cos(2.0 * degrees * kDemoPi / 360.0); }
