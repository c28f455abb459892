// The four textured squares: sprites, sun flares, particles and the tiled star-field backdrop. None of them
// touches colour, blending, depth or lighting; that state belongs to the caller.
#include "resources/primitives.h"

#include "resources/texture.h"

#include <GL/gl.h>

float spriteHalfSize = 0.2f;

namespace {

// One square in the z = 0 plane around the origin, texture repeated `repeat` times each way.
void DrawSquare(float h, float repeat)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(-h, -h, 0.0f);
    glTexCoord2f(repeat, 0.0f);
    glVertex3f(h, -h, 0.0f);
    glTexCoord2f(repeat, repeat);
    glVertex3f(h, h, 0.0f);
    glTexCoord2f(0.0f, repeat);
    glVertex3f(-h, h, 0.0f);
    glEnd();
}

}  // namespace

void DrawSprite() { DrawSquare(spriteHalfSize, 1.0f); }

void DrawSunSprite(float halfSize)
{
    texSun.Bind();
    DrawSquare(halfSize, 1.0f);
}

void DrawStarfield(float halfSize, float repeat)
{
    // Generated coordinates would override the tiling, so the backdrop switches them off itself.
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    texStelle.Bind();
    DrawSquare(halfSize, repeat);
}

void DrawStarSprite(float halfSize)
{
    texStar.Bind();
    DrawSquare(halfSize, 1.0f);
}

void DrawFlashSquare()
{
    glBegin(GL_QUADS);
    glVertex3f(-5.0f, -5.0f, 0.0f);
    glVertex3f(5.0f, -5.0f, 0.0f);
    glVertex3f(5.0f, 5.0f, 0.0f);
    glVertex3f(-5.0f, 5.0f, 0.0f);
    glEnd();
}
