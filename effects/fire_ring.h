// The nova's shock wave: a growing ring of 360 points streaming three sparks each back to the centre.
#pragma once

#include <cstdint>

struct RingParticle {
    int32_t r, g, b;
    float speed;
    float offset;
    float tilt;
};

extern RingParticle ringParticles[360][3];
extern float ringRadius;
extern int ringFade;

void InitRingParticles();
void DrawFireRing();
void DrawRingParticle(int point, int slot);
