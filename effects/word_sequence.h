// The opening sentence in 3D words, the glyph wheel, the title fade and flash, and the closing countdown.
#pragma once

extern int wheelFrame;

void DrawWordSequence();
void DrawGlyphWheel(int angle);
