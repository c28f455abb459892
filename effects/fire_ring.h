// The nova's shock wave: a growing ring of 360 points streaming three sparks each back to the centre.
#pragma once

#include "core/constants.h"

#include <cstdint>

struct RingParticle {
    int32_t r, g, b;
    float speed;
    float offset;
    float tilt;
};

extern RingParticle ringParticles[kRingPoints][kRingSparksPerPoint];
extern float ringRadius;
extern int ringFade;

void InitRingParticles();
void DrawFireRing();
void DrawRingParticle(int point, int slot);
