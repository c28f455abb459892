// The planet phase: a fire-textured core in three glow shells, pierced by a bundle of grey spikes that grows
// by one every five frames, over a tiled star field, with the fade-in from white at the start.
// GL state is changed step by step and never restored: each step's leftovers shape the next one.
#include "sequence/planet_scene.h"

#include "core/angles.h"
#include "core/rand15.h"
#include "resources/primitives.h"
#include "resources/quadric.h"
#include "resources/texture.h"
#include "sequence/timeline.h"

#include <GL/gl.h>
#include <GL/glu.h>

RayAngle rayAngles[kRays];

void InitRayAngles()
{
    for (int i = 0; i < kRays; ++i) {
        rayAngles[i].angleX = static_cast<float>(Rand15() % 360);
        rayAngles[i].angleY = static_cast<float>(Rand15() % 360);
    }
}

namespace {

void DrawCore()
{
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glPushMatrix();  // popped after the glow shells
    glTranslatef(12.0f, 6.0f, 10.0f);
    glRotatef(planetYaw, 0.0f, 1.0f, 0.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    glColor4ub(255, 255, 255, 255);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glDisable(GL_BLEND);  // the core is opaque; the first spike turns blending back on
    glRotatef(2.0f * phaseAngle, 1.0f, 1.0f, 1.0f);
    glColor4ub(static_cast<GLubyte>(200 + Rand15() % 55), 255, 255, 255);
    texFire.Bind();
    gluSphere(quadric, 1.0, 40, 20);
    glDisable(GL_CULL_FACE);
    glColor4ub(255, 255, 255, 255);
}

void DrawSpike(int index)
{
    glPushMatrix();
    glRotatef(rayAngles[index].angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(rayAngles[index].angleY, 0.0f, 1.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, -10.0f);

    glPushMatrix();
    glRotatef(static_cast<float>(spinAngle), 0.0f, 0.0f, 1.0f);
    glDisable(GL_TEXTURE_2D);
    glColor4ub(128, 128, 128, 255);
    glEnable(GL_BLEND);
    glShadeModel(GL_SMOOTH);
    // The width flickers every frame and grows with the square of the phase.
    double base = (Rand15() % 200) * planetFrame * 0.000000001 * planetFrame + 0.1;
    gluCylinder(quadric, base, 0.0, 10.0, 3, 3);
    glPopMatrix();

    // The glint where the spike leaves the core's surface. Culling stays on into the next spike's cone.
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, 9.0f);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_2D);
    glColor4ub(255, 255, 255, 192);
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glEnable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    DrawStarSprite(0.15f);
    DrawStarSprite(0.075f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glPopMatrix();
    glPopMatrix();
}

void DrawGlowShells()
{
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glShadeModel(GL_SMOOTH);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    texFire.Bind();

    glPushMatrix();
    glRotatef(-2.0f * phaseAngle, 1.0f, 1.0f, 1.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    // The red bound rises with the phase, from 128 up to 255.
    glColor4ub(static_cast<GLubyte>((Rand15() % 127) * planetFrame / 1000 + 128), 255, 255, 192);
    gluSphere(quadric, 1.025, 40, 20);
    glPopMatrix();

    // The outer shells lie over everything drawn so far.
    glDisable(GL_DEPTH_TEST);
    texEnv.Bind();
    glColor4ub(255, 255, 255, 192);
    glPushMatrix();
    glRotatef(2.0f * phaseAngle, 0.0f, 0.0f, 1.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    gluSphere(quadric, 1.05, 40, 20);
    glPopMatrix();

    glPushMatrix();
    glColor4ub(192, 64, 32, 192);
    glRotatef(4.0f * phaseAngle, 0.0f, 0.0f, 1.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    gluSphere(quadric, 1.075, 40, 20);
    glPopMatrix();

    glDisable(GL_CULL_FACE);
    glShadeModel(GL_SMOOTH);
    glPopMatrix();  // the core's push
}

// Opaque white while blending is still off (no spike yet), then added with a falling alpha.
void DrawFadeIn()
{
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -5.0f);
    glDisable(GL_TEXTURE_2D);
    glColor4ub(255, 255, 255, static_cast<GLubyte>(255 - (demoFrame - kPlanetStartFrame) * 255 / 50));
    DrawFlashSquare();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
}

}  // namespace

void DrawPlanetScene()
{
    glShadeModel(GL_SMOOTH);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    // Never undone: the whole scene hangs off this offset.
    glTranslatef(-10.0f, -1.0f, static_cast<float>(cosD(spinAngle) - 5));
    DrawStarfield(30.0f, 15.0f);

    DrawCore();

    int rays = planetFrame / 5;
    if (rays > kRays) {
        rays = 202;  // the table's size; the timeline stops planetFrame at 1011
    }
    for (int i = 0; i < rays; ++i) {
        DrawSpike(i);
    }

    DrawGlowShells();

    if (demoFrame < kPlanetStartFrame + 50) {
        DrawFadeIn();
    }
}
