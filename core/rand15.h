// The demo's one pseudo-random generator: the order of its draws fixes every random choice of the demo.
#pragma once

#include <cstdint>

extern uint32_t randState;  // starts at 1, never reseeded
extern uint64_t randDraws;  // values drawn so far (for inspection only)

int Rand15();
