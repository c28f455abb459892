// PLACEHOLDER until the fire ring lands.
#include "effects/fire_ring.h"
RingParticle ringParticles[360][3];
float ringRadius = 1.0f;
int ringFade = 255;
void InitRingParticles() {}
void DrawFireRing() {}
void DrawRingParticle(int, int) {}
