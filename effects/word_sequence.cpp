// PLACEHOLDER until the word sequence lands.
#include "effects/word_sequence.h"
int wheelFrame = 0;
void DrawWordSequence() {}
void DrawGlyphWheel(int) {}
