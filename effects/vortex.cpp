// The vortex: 500 star sprites sinking (indices 0..250) or rising (251..499) along a double cone into
// the centre, brightening on the way and renewed half a unit past it.
#include "effects/vortex.h"

#include "core/rand15.h"
#include "resources/primitives.h"

#include <GL/gl.h>

VortexParticle vortexParticles[kVortexParticles];

namespace {

void StartAtOuterEnd(VortexParticle& p, int index)
{
    if (index <= 250) {
        p.height = 7.0f;
        p.rising = 0;
    } else {
        p.height = -7.0f;
        p.rising = 1;
    }
}

}  // namespace

void InitVortexParticles()
{
    for (int i = 0; i < kVortexParticles; ++i) {
        VortexParticle& p = vortexParticles[i];
        p.r = Rand15() % 16 + 16;
        p.g = Rand15() % 64 + 64;
        p.b = Rand15() % 127 + 128;
        p.spread = static_cast<float>(Rand15() % 5);
        p.angle = static_cast<float>(Rand15() % 360);
        p.speed = static_cast<float>((Rand15() % 100) * 0.001 + 0.01);
        StartAtOuterEnd(p, i);
    }
}

void DrawVortex(int spin)
{
    for (int i = 0; i < kVortexParticles; ++i)
        DrawVortexParticle(i, spin);
}

void DrawVortexParticle(int index, int spin)
{
    VortexParticle& p = vortexParticles[index];
    glPushMatrix();

    p.speed = static_cast<float>(p.speed + 0.001);
    if (p.rising == 0)
        p.height -= p.speed;
    else
        p.height += p.speed;

    glRotatef(static_cast<float>(5 * spin) + p.angle, 0.0f, 1.0f, 0.0f);
    glTranslatef(static_cast<float>(p.spread * (p.height + 0.05) / 10.0), p.height, 0.0f);

    // Past the centre the value exceeds 255 and only its low byte is passed: the sprite all but vanishes.
    int alpha;
    if (p.rising == 0)
        alpha = static_cast<int>(255.0f - 255.0f * p.height / 7.0f);
    else
        alpha = static_cast<int>(255.0f + 255.0f * p.height / 7.0f);
    glColor4ub(static_cast<GLubyte>(p.r), static_cast<GLubyte>(p.g), static_cast<GLubyte>(p.b),
               static_cast<GLubyte>(alpha & 0xFF));

    glRotatef(static_cast<float>(-5 * spin) - p.angle, 0.0f, 1.0f, 0.0f);
    // The size flicker draws in every call, before this particle's renewal draws.
    DrawStarSprite(static_cast<float>((Rand15() % 100) * 0.001 + 0.2));
    glPopMatrix();

    const bool pastCentre = p.rising == 0 ? p.height < -0.5f : p.height > 0.5f;
    if (pastCentre) {
        p.r = Rand15() % 32 + 32;
        p.g = Rand15() % 64 + 64;
        p.b = Rand15() % 127 + 128;
        p.spread = static_cast<float>(Rand15() % 5);
        p.angle = static_cast<float>(Rand15() % 360);
        p.speed = static_cast<float>((Rand15() % 100) * 0.001 + 0.0005);
        StartAtOuterEnd(p, index);
    }
}
