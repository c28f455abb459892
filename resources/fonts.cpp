// The two fonts: "Korvale.ttf" as extruded outline glyph lists for the 3D words, and the 16-column glyph
// sheet in texFont as textured squares for the 640 x 480 text overlay.
#include "resources/fonts.h"

#include "resources/texture.h"

#include <GL/gl.h>

#include <cstring>

uint32_t outlineFontBase = 0;
bool fontResourceAdded = false;
GLYPHMETRICSFLOAT glyphMetrics[kOutlineGlyphs];
uint32_t bitmapFontBase = 0;

namespace {

// The bitmap font's sheet holds codes 32 to 127.
constexpr int kFirstBitmapCode = 32;
constexpr int kBitmapGlyphs = 96;

// Calls the lists of a text, run by run, skipping every character outside [first, last]: the two fonts'
// lists lie side by side, and such a character would otherwise draw a glyph of the other font.
void CallGlyphLists(const char* text, GLenum type, int first, int last)
{
    const size_t length = text ? std::strlen(text) : 0;
    size_t runStart = 0;
    for (size_t i = 0; i <= length; ++i) {
        if (i < length) {
            int code = type == GL_BYTE ? static_cast<signed char>(text[i]) : static_cast<unsigned char>(text[i]);
            if (code >= first && code <= last)
                continue;
        }
        if (i > runStart)
            glCallLists(static_cast<GLsizei>(i - runStart), type, text + runStart);
        runStart = i + 1;
    }
}

}  // namespace

BOOL BuildOutlineFont(HDC deviceContext)
{
    fontResourceAdded = AddFontResourceA("Korvale.ttf") == 1;

    LOGFONTA description;
    description.lfHeight = -24;
    description.lfWidth = 0;
    description.lfEscapement = 0;
    description.lfOrientation = 0;
    description.lfWeight = FW_HEAVY;
    description.lfItalic = 0;
    description.lfUnderline = 0;
    description.lfStrikeOut = 0;
    description.lfCharSet = ANSI_CHARSET;
    description.lfOutPrecision = OUT_DEFAULT_PRECIS;
    description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    std::memset(description.lfFaceName, 0, sizeof description.lfFaceName);
    std::strcpy(description.lfFaceName, "Korvale");

    HFONT font = CreateFontIndirectA(&description);
    SelectObject(deviceContext, font);
    outlineFontBase = glGenLists(kOutlineGlyphs);
    // 89 codes into a block of 90: the last list stays empty.
    return wglUseFontOutlinesA(deviceContext, 0, kOutlineGlyphs - 1, outlineFontBase, 0.0f, 0.1f, WGL_FONT_LINES,
                               glyphMetrics);
}

void Print3DText(const char* text)
{
    if (!text)
        return;
    glPushAttrib(GL_LIST_BIT);
    glListBase(outlineFontBase);
    CallGlyphLists(text, GL_UNSIGNED_BYTE, 0, kOutlineGlyphs - 1);
    glPopAttrib();
}

void BuildBitmapFont()
{
    bitmapFontBase = glGenLists(kBitmapGlyphs);
    texFont.Bind();
    for (int i = 0; i < kBitmapGlyphs; ++i) {
        float cx = static_cast<float>(i % 16) / 16.0f;
        float cy = static_cast<float>(i / 16) / 16.0f;
        // Band rows of the sheet are 1/8 high; t runs above 1 and the repeat wrap brings it back.
        glNewList(bitmapFontBase + i, GL_COMPILE);
        glBegin(GL_QUADS);
        glTexCoord2f(cx, (1.0f - cy - 0.0625f) * 2.0f);
        glVertex2i(0, 0);
        glTexCoord2f(cx + 0.0625f, (1.0f - cy - 0.0625f) * 2.0f);
        glVertex2i(16, 0);
        glTexCoord2f(cx + 0.0625f, (1.0f - cy) * 2.0f);
        glVertex2i(16, 16);
        glTexCoord2f(cx, (1.0f - cy) * 2.0f);
        glVertex2i(0, 16);
        glEnd();
        glTranslated(14.0, 0.0, 0.0);
        glEndList();
    }
}

void Print2DText(int x, int y, const char* text)
{
    texFont.Bind();
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, kPictureWidth, 0.0, kPictureHeight, -10.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(static_cast<double>(x), static_cast<double>(y), 0.0);
    glListBase(bitmapFontBase - kFirstBitmapCode);
    // A null text draws nothing but leaves the same state as an empty one.
    CallGlyphLists(text, GL_BYTE, kFirstBitmapCode, kFirstBitmapCode + kBitmapGlyphs - 1);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}

void DeleteFonts()
{
    glDeleteLists(outlineFontBase, kOutlineGlyphs);
    glDeleteLists(bitmapFontBase, kBitmapGlyphs);
    if (fontResourceAdded) {
        RemoveFontResourceA("Korvale.ttf");
        fontResourceAdded = false;
    }
}
