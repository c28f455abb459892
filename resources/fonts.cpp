// The two fonts: "Korvale.ttf" as extruded outline glyph lists for the 3D words, and the 16-column glyph
// sheet in texFont as textured squares for the 640 x 480 text overlay.
#include "resources/fonts.h"

#include "resources/texture.h"

#include <GL/gl.h>

#include <cstring>

uint32_t outlineFontBase = 0;
bool fontResourceAdded = false;
GLYPHMETRICSFLOAT glyphMetrics[90];
uint32_t bitmapFontBase = 0;

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
    outlineFontBase = glGenLists(90);
    // 89 codes into a block of 90: the last list stays empty.
    return wglUseFontOutlinesA(deviceContext, 0, 89, outlineFontBase, 0.0f, 0.1f, WGL_FONT_LINES, glyphMetrics);
}

void Print3DText(const char* text)
{
    if (!text)
        return;
    glPushAttrib(GL_LIST_BIT);
    glListBase(outlineFontBase);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}

void BuildBitmapFont()
{
    bitmapFontBase = glGenLists(96);
    texFont.Bind();
    for (int i = 0; i < 96; ++i) {
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
    glOrtho(0.0, 640.0, 0.0, 480.0, -10.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(static_cast<double>(x), static_cast<double>(y), 0.0);
    glListBase(bitmapFontBase - 32);
    // A null text draws nothing but leaves the same state as an empty one.
    glCallLists(text ? static_cast<GLsizei>(std::strlen(text)) : 0, GL_BYTE, text);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}

void DeleteFonts()
{
    glDeleteLists(outlineFontBase, 90);
    glDeleteLists(bitmapFontBase, 96);
    if (fontResourceAdded) {
        RemoveFontResourceA("Korvale.ttf");
        fontResourceAdded = false;
    }
}
