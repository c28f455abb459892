// The opening sentence in 3D words, the glyph wheel, the title fade and flash, and the closing countdown.
#pragma once

extern int wheelFrame;

// Draws what the words show at demo frame `frame`.
void DrawWordSequence(int frame);
void DrawGlyphWheel(int angle);
