// The squares every sprite, flare, particle, backdrop, fade and flash of the demo is drawn with.
#pragma once

extern float spriteHalfSize;

void DrawSprite();
void DrawSunSprite(float halfSize);
void DrawStarfield(float halfSize, float repeat);
void DrawStarSprite(float halfSize);

// The untextured 10 x 10 square in the plane z = 0 that the fades and white flashes cover the view with.
void DrawFlashSquare();
