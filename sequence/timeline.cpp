// RenderFrame: the timeline of the whole demo, counted in drawn frames, with the short bangs of the planet
// phase and the collapse flash.
#include "sequence/timeline.h"

#include "core/angles.h"
#include "core/constants.h"
#include "core/rand15.h"
#include "effects/word_sequence.h"
#include "resources/effect_sound.h"
#include "resources/primitives.h"
#include "sequence/nova_scene.h"
#include "sequence/overlays.h"
#include "sequence/planet_scene.h"

#include <GL/gl.h>

#include <cmath>

int demoFrame = 0;
int musicNoticeFrame = 100;
bool sceneSwitch = true;
int switchCooldown = 70;
int spinAngle = 0;
float phaseAngle = 0.0f;
int planetFrame = 0;
int lastBangRays = 0;
int flashFrame = 0;
float planetYaw = 0.0f;

namespace {

// A short bang every five new rays while the planet gathers its spikes.
void ShortBangRule()
{
    if (planetFrame / 5 > lastBangRays + 4) {
        lastBangRays = planetFrame / 5;
        int r = Rand15() % 1000;
        if (r > 750)
            PlayEffect("data/bangshrt4.wav");
        else if (r > 500)
            PlayEffect("data/bangshrt3.wav");
        else if (r > 250)
            PlayEffect("data/bangshrt2.wav");
        else
            PlayEffect("data/bangshrt1.wav");
    }
}

}  // namespace

void DrawCollapseFlash()
{
    glColor4f(1.0f, 1.0f, 1.0f, static_cast<float>(switchCooldown / 70.0 * 5.0 * (planetFrame / 5 - 185) / 255.0));
    glDisable(GL_DEPTH_TEST);
    glTranslatef(0.0f, -0.15f, -2.5f);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    DrawSunSprite(static_cast<float>(1 + Rand15() % 3));
    glRotatef(-phaseAngle, 0.0f, 0.0f, 1.0f);
    DrawSunSprite(static_cast<float>(1 + Rand15() % 3));
    glRotatef(static_cast<float>(spinAngle), 0.0f, 0.0f, 1.0f);
    DrawSunSprite(static_cast<float>(2 + Rand15() % 3));
    glDisable(GL_TEXTURE_2D);
    if (planetFrame / 5 > 200 && flashFrame < 13) {
        glColor4f(1.0f, 1.0f, 1.0f, static_cast<float>(std::sin(flashFrame * kDemoPi / 13.0)));
        DrawFlashSquare();
        ++flashFrame;
    }
    glEnable(GL_TEXTURE_2D);
}

bool RenderFrame(int musicState)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (musicNoticeFrame < 100)
        DrawMusicNotice(musicState);
    if (demoFrame > kCreditsStartFrame && demoFrame < kLastDemoFrame)
        DrawCredits();

    if (demoFrame >= kPlanetStartFrame) {
        // Scene head: the camera both scenes are drawn under.
        glLoadIdentity();
        glRotatef(static_cast<float>(-15.0 - 10.0 * std::cos(sinD(phaseAngle))), 0.0f, 1.0f, 1.0f);
        glRotatef(static_cast<float>(30.0 * cosD(spinAngle)), 1.0f, 1.0f, 1.0f);
        glTranslatef(static_cast<float>(cosD(spinAngle) - 3.0), static_cast<float>(sinD(spinAngle) - 5.0), -10.0f);
        glColor4ub(255, 255, 255, 192);
        glDisable(GL_LIGHT0);
        glDisable(GL_LIGHTING);

        if (sceneSwitch)
            DrawPlanetScene();
        else
            DrawNovaScene();

        spinAngle = (spinAngle + 1) % 360;
        ShortBangRule();
        phaseAngle += 0.1;
        if (phaseAngle > 360.0f)
            phaseAngle = 0.0f;
        if (planetFrame < 1011)
            ++planetFrame;
        else
            sceneSwitch = false;
        planetYaw += static_cast<float>(0.05 * cosD(spinAngle));

        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glEnable(GL_BLEND);
        glPushMatrix();
        glLoadIdentity();
        if (planetFrame / 5 > 185 && switchCooldown > 0)
            DrawCollapseFlash();
        glPopMatrix();
    }

    if (demoFrame < kNovaStartFrame)
        DrawWordSequence(demoFrame);
    if (demoFrame < kLastDemoFrame)
        ++demoFrame;
    return true;
}

void ToggleScene()
{
    if (switchCooldown <= 0)
        sceneSwitch = !sceneSwitch;
}

void ShowMusicNotice()
{
    if (demoFrame > kNovaStartFrame)
        musicNoticeFrame = 0;
}
