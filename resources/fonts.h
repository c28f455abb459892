// The two fonts: extruded outline glyphs for the 3D words, textured glyph squares for the 2D overlay.
#pragma once

#include "core/constants.h"
#include "platform/windows/win32.h"

#include <cstdint>

extern uint32_t outlineFontBase;
extern bool fontResourceAdded;
extern GLYPHMETRICSFLOAT glyphMetrics[kOutlineGlyphs];
extern uint32_t bitmapFontBase;

BOOL BuildOutlineFont(HDC deviceContext);
void Print3DText(const char* text);
void BuildBitmapFont();
void Print2DText(int x, int y, const char* text);
void DeleteFonts();
