// 500 star sprites spiralling along a double cone into the centre of the explosion.
#pragma once

#include "core/constants.h"

#include <cstdint>

struct VortexParticle {
    int32_t r, g, b;
    int32_t rising;
    float speed;
    float spread;
    float angle;
    float height;
};

extern VortexParticle vortexParticles[kVortexParticles];

void InitVortexParticles();
void DrawVortex(int spin);
void DrawVortexParticle(int index, int spin);
