// What the GDI font stand-ins keep, for tests and for the window layer: added font files, font objects and
// the font selected into each device context.
#pragma once

#include "platform/windows/win32.h"

#include <string>

// Font files added with AddFontResourceA and not yet removed (one entry per successful add).
int GdiAddedFontFileCount();
// The family name of a font file's first face; empty when FreeType cannot read it.
std::string GdiFontFileFamily(const char* fileName);
// Font objects made by CreateFontIndirectA; identical descriptions share one object.
int GdiFontObjectCount();
// Device contexts holding a font selection.
int GdiSelectionCount();
// Forgets the font selected into a device context that is being released.
void GdiForgetDeviceContext(HDC dc);

// The face the last wglUseFontOutlinesA call drew from.
struct GdiOutlineFace {
    std::string family;
    std::string style;
    std::string file;
    int weight = 0;  // the face's own weight (100 to 900)
    bool added = false;  // taken from an added font file rather than the substitute
    bool emboldened = false;  // widened because a heavier weight was asked of it
};
GdiOutlineFace GdiLastOutlineFace();
