// PLACEHOLDER until the fonts land.
#include "resources/fonts.h"
uint32_t outlineFontBase = 0;
bool fontResourceAdded = false;
GLYPHMETRICSFLOAT glyphMetrics[90];
uint32_t bitmapFontBase = 0;
BOOL BuildOutlineFont() { return FALSE; }
void Print3DText(const char*) {}
void BuildBitmapFont() {}
void Print2DText(int, int, const char*) {}
void DeleteFonts() {}
