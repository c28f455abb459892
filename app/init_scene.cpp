// Runs in every new GL context: builds the quadric, textures and fonts, sets the fixed GL state and lays
// out the effects' random tables in their fixed order (the order fixes the shared random sequence).
#include "app/init_scene.h"

#include "app/shell.h"
#include "effects/fire_ring.h"
#include "effects/spark_burst.h"
#include "effects/vortex.h"
#include "resources/fonts.h"
#include "resources/quadric.h"
#include "resources/texture.h"
#include "sequence/overlays.h"
#include "sequence/planet_scene.h"

#include <GL/gl.h>

bool InitScene()
{
    CreateQuadric();

    LoadDemoTextures();

    BuildOutlineFont(deviceContext);
    BuildBitmapFont();

    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);

    InitRingParticles();
    InitVortexParticles();
    InitSparks();
    InitRayAngles();
    InitCredits();
    return true;
}
