// PLACEHOLDER until the textured primitives land.
#include "sequence/primitives.h"
float spriteHalfSize = 0.2f;
void DrawSprite() {}
void DrawSunSprite(float) {}
void DrawStarfield(float, float) {}
void DrawStarSprite(float) {}
