// The four textured squares every sprite, flare, particle and backdrop of the demo is drawn with.
#pragma once

extern float spriteHalfSize;

void DrawSprite();
void DrawSunSprite(float halfSize);
void DrawStarfield(float halfSize, float repeat);
void DrawStarSprite(float halfSize);
