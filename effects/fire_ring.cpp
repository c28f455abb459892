// The fire ring: the table of 1080 ring sparks, the ring's radius and brightness, and the pass that grows
// the ring and streams each point's three sparks back toward the centre.
#include "effects/fire_ring.h"

#include "core/rand15.h"
#include "resources/primitives.h"
#include "resources/texture.h"

#include <GL/gl.h>

RingParticle ringParticles[kRingPoints][kRingSparksPerPoint];
float ringRadius = 1.0f;
int ringFade = 255;

void InitRingParticles()
{
    // Tilt is drawn before speed here; the renewal draws them the other way round.
    for (int i = 0; i < kRingPoints; ++i) {
        for (int j = 0; j < 3; ++j) {
            RingParticle& p = ringParticles[i][j];
            p.r = Rand15() % 127 + 128;
            p.g = Rand15() % 32 + 32;
            p.b = Rand15() % 16 + 16;
            p.tilt = static_cast<float>(Rand15() % 60);
            p.speed = static_cast<float>((Rand15() % 10) * 0.001);
            p.offset = 0.0f;
        }
    }
}

void DrawFireRing()
{
    for (int i = 0; i < kRingPoints; ++i) {
        glPushMatrix();
        glRotatef(static_cast<float>(i), 0.0f, 1.0f, 0.0f);
        glTranslatef(ringRadius, 0.0f, 0.0f);
        texStar.Bind();
        for (int j = 0; j < 3; ++j)
            DrawRingParticle(i, j);
        glPopMatrix();
    }

    ringRadius = static_cast<float>(ringRadius + 0.025);
    ringFade = static_cast<int>(ringFade - 0.1);
    if (ringFade < 5) {
        ringFade = 255;
        ringRadius = 0.1f;
    }
}

void DrawRingParticle(int point, int slot)
{
    RingParticle& p = ringParticles[point][slot];
    glPushMatrix();

    // The float is compared with the double 0.1: a spark at the floor flips between 0.1f and 0.099.
    if (static_cast<double>(p.speed) > 0.1)
        p.speed = static_cast<float>(p.speed - 0.001);
    else
        p.speed = 0.1f;
    p.offset = p.offset - p.speed;

    // The core glow takes whatever colour the previous spark left current.
    glPushMatrix();
    glRotatef(static_cast<float>(-point), 0.0f, 1.0f, 0.0f);
    glScalef(static_cast<float>(slot), static_cast<float>(slot), static_cast<float>(slot));
    DrawSprite();
    glPopMatrix();

    glRotatef(p.tilt, 0.0f, 1.0f, 0.0f);
    glTranslatef(p.offset, 0.0f, 0.0f);
    int alpha = static_cast<int>(static_cast<float>(ringFade) + static_cast<float>(ringFade) * p.offset / 3.0f);
    if (alpha < 0)
        alpha = 0;
    glColor4ub(static_cast<GLubyte>(p.r), static_cast<GLubyte>(p.g), static_cast<GLubyte>(p.b),
               static_cast<GLubyte>(alpha));
    glRotatef(static_cast<float>(-point), 0.0f, 1.0f, 0.0f);
    DrawSprite();
    glPopMatrix();

    if (p.offset < -3.0f) {
        p.r = Rand15() % 127 + 128;
        p.g = Rand15() % 32 + 32;
        p.b = Rand15() % 16 + 16;
        p.offset = 0.0f;
        p.speed = static_cast<float>((Rand15() % 10) * 0.01 + 0.1);
        p.tilt = static_cast<float>(Rand15() % 60);
        if (p.tilt > 30.0f)
            p.tilt -= 60.0f;
    }
}
