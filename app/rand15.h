// The demo's one pseudo-random generator and the degree-based sine and cosine it shares with every scene.
#pragma once

#include <cmath>
#include <cstdint>

extern uint32_t randState;   // starts at 1, never reseeded
extern uint64_t randDraws;   // values drawn so far (for inspection only)

int Rand15();

// Degrees to radians with pi taken as 3.1415, as the whole demo does.
inline double sinD(double degrees) { return std::sin(2.0 * degrees * 3.1415 / 360.0); }
inline double cosD(double degrees) { return std::cos(2.0 * degrees * 3.1415 / 360.0); }
