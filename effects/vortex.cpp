// PLACEHOLDER until the vortex lands.
#include "effects/vortex.h"
VortexParticle vortexParticles[500];
void InitVortexParticles() {}
void DrawVortex(int) {}
void DrawVortexParticle(int, int) {}
