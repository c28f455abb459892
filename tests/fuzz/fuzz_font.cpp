// Fuzz target for the outline fonts over FreeType: each input is added as a font file and, when FreeType
// reads a family name from it, that family's printable codes are turned into extruded outline lists (no GL
// context is current, so the lists themselves are not kept) with their metrics checked.
#include "platform/windows/gdi_fonts.h"
#include "platform/windows/win32.h"
#include "tests/fuzz/memory_file.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = MemoryFile(data, size);
    if (AddFontResourceA(path) <= 0)
        return 0;
    const std::string family = GdiFontFileFamily(path);
    // Without a name that picks this file the substitute would be drawn instead: nothing of the input.
    if (!family.empty() && family.size() < LF_FACESIZE) {
        LOGFONTA font = {};
        font.lfWeight = FW_HEAVY;  // heavier than most faces: the emboldening runs too
        std::memcpy(font.lfFaceName, family.c_str(), family.size());
        static char context;  // any address names a device context here
        const HDC dc = reinterpret_cast<HDC>(&context);
        SelectObject(dc, CreateFontIndirectA(&font));
        GLYPHMETRICSFLOAT metrics[96];
        if (wglUseFontOutlinesA(dc, 32, 96, 1000, 0.0f, 0.2f, WGL_FONT_LINES, metrics) &&
            GdiLastOutlineFace().added)
            for (const GLYPHMETRICSFLOAT& m : metrics)
                if (!std::isfinite(m.gmfCellIncX) || !std::isfinite(m.gmfBlackBoxX) || m.gmfBlackBoxX < 0.0f)
                    std::abort();
    }
    RemoveFontResourceA(path);
    return 0;
}
