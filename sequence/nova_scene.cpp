// The nova scene: big bang, camera offset, backdrop, the sphere-mapped title word, the three particle
// passes and the sun flares, with the camera settling while switchCooldown counts down.
#include "sequence/nova_scene.h"

#include "core/angles.h"
#include "core/rand15.h"
#include "effects/fire_ring.h"
#include "effects/spark_burst.h"
#include "effects/vortex.h"
#include "resources/effect_sound.h"
#include "resources/fonts.h"
#include "resources/primitives.h"
#include "resources/texture.h"
#include "sequence/timeline.h"

#include <GL/gl.h>

void DrawNovaScene()
{
    if (switchCooldown == 70)
        PlayEffect("data/bang.wav");

    // Pulled back at the big bang, settling to its resting place over 70 frames; never undone.
    const double c = switchCooldown;
    glTranslatef(static_cast<float>(c * 0.01 + 1.5), static_cast<float>(c * 0.001 * c * 2.25 / 5 + 2.75),
                 static_cast<float>(c * 0.08));

    glShadeModel(GL_FLAT);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);

    glPushMatrix();
    glTranslatef(-15.0f, -1.0f, static_cast<float>(cosD(spinAngle) - 5));
    DrawStarfield(30.0f, 15.0f);
    glPopMatrix();

    // The title word ignores the camera and bobs and sways on its own.
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(-2.1f, static_cast<float>(0.2 * sinD(phaseAngle) - 1.5), static_cast<float>(cosD(2 * phaseAngle) - 5));
    glRotatef(static_cast<float>(-5 * sinD(spinAngle)), 0.0f, 1.0f, 0.0f);
    glRotatef(static_cast<float>(-45 - 30 * cosD(3 * spinAngle)), 1.0f, 0.0f, 0.0f);
    glTranslatef(-0.75f, -0.25f, 0.0f);
    texStelle2.Bind();
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glColor4ub(192, 192, 224, 128);
    Print3DText("KORVALE");
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glPopMatrix();

    DrawFireRing();
    DrawVortex(spinAngle);
    DrawSparkBurst();

    // Flares: nearly opaque right after a burst (the alpha byte wraps), invisible at 7, then brightening.
    glColor4ub(255, 255, 255, static_cast<GLubyte>((burstFrame - 7) & 0xFF));
    DrawSunSprite(1.0f);
    glRotatef(static_cast<float>(2 * spinAngle), 0.0f, 0.0f, 1.0f);
    DrawSunSprite(static_cast<float>((Rand15() % 1000) * 0.001 + 0.5));
    glRotatef(static_cast<float>(spinAngle), 0.0f, 0.0f, 1.0f);
    DrawSunSprite(static_cast<float>((Rand15() % 100) * 0.05 * (burstFrame / 250.0)));

    if (switchCooldown > 0)
        --switchCooldown;
}
