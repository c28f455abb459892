// Nova scene: the order of the random draws of one frame (ring, vortex, burst, flares), the camera offset
// that settles with switchCooldown, the flare alpha byte, and the GL state the scene leaves.
#include "core/rand15.h"
#include "effects/fire_ring.h"
#include "effects/spark_burst.h"
#include "effects/vortex.h"
#include "sequence/nova_scene.h"
#include "sequence/timeline.h"
#include "tests/gl_probe.h"
#include "tests/renewals.h"
#include "tests/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

// Every particle mid-way, so that only the ones a test picks are renewed in the next frame.
void SettleParticles()
{
    for (auto& point : ringParticles) {
        for (RingParticle& p : point) {
            p.speed = 0.05f;
            p.offset = -1.0f;
        }
    }
    for (VortexParticle& p : vortexParticles) {
        p.speed = 0.02f;
        p.height = p.rising ? -3.0f : 3.0f;
    }
}

void ModelView(float m[16])
{
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
}

} // namespace

TEST(NovaScene, DrawsRingThenVortexThenBurstThenFlares)
{
    ASSERT_TRUE(OpenTestWindow());
    switchCooldown = 0;
    SettleParticles();
    ringParticles[3][1].offset = -2.95f; // renewed in the ring pass
    ringParticles[359][2].offset = -2.95f;
    vortexParticles[10].height = -0.45f; // renewed in the vortex pass
    vortexParticles[10].speed = 0.1f;
    burstFrame = 250;                    // this frame ends the burst

    RandReplica ref(randState);
    const uint64_t drawsBefore = randDraws;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    DrawNovaScene();
    EXPECT_EQ(randDraws - drawsBefore, 2u * 5u + 500u + 6u + 3000u + 2u);

    ExpectRingRenewal(ref, ringParticles[3][1]);
    ExpectRingRenewal(ref, ringParticles[359][2]);
    for (int i = 0; i <= 10; ++i)
        ref.Next(); // sizes of vortex particles 0..10
    ExpectVortexRenewal(ref, vortexParticles[10]);
    for (int i = 11; i < 500; ++i)
        ref.Next();
    for (const Spark& s : sparks) {
        EXPECT_EQ(s.r, ref.Next() % 256);
        EXPECT_EQ(s.g, ref.Next() % 256);
        EXPECT_EQ(s.b, ref.Next() % 256);
        EXPECT_EQ(s.distance, 0.0f);
        EXPECT_FLOAT_EQ(s.speed, (ref.Next() % 100) * 0.01f);
        EXPECT_EQ(s.angleX, static_cast<float>(ref.Next() % 360));
        EXPECT_EQ(s.angleZ, static_cast<float>(ref.Next() % 360));
    }
    ref.Next();
    ref.Next(); // the two flare sizes
    EXPECT_EQ(randState, ref.state);
    EXPECT_EQ(burstFrame, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    CloseTestWindow();
}

TEST(NovaScene, CameraIsPulledBackAtTheBangAndSettlesAtRest)
{
    ASSERT_TRUE(OpenTestWindow());
    glMatrixMode(GL_MODELVIEW);
    float m[16];

    switchCooldown = 70;
    glLoadIdentity();
    DrawNovaScene();
    ModelView(m);
    EXPECT_NEAR(m[12], 2.2f, 1e-5f);
    EXPECT_NEAR(m[13], 4.955f, 1e-5f);
    EXPECT_NEAR(m[14], 5.6f, 1e-5f);
    EXPECT_EQ(switchCooldown, 69);

    switchCooldown = 0;
    glLoadIdentity();
    DrawNovaScene();
    ModelView(m);
    EXPECT_NEAR(m[12], 1.5f, 1e-6f);
    EXPECT_NEAR(m[13], 2.75f, 1e-6f);
    EXPECT_NEAR(m[14], 0.0f, 1e-6f);
    EXPECT_EQ(switchCooldown, 0);
    CloseTestWindow();
}

TEST(NovaScene, FlaresAreNearlyOpaqueAfterABurstAndVanishAtSeven)
{
    ASSERT_TRUE(OpenTestWindow());
    switchCooldown = 0;
    // burstFrame as the burst pass leaves it is one more than before the call.
    const int before[] = {250, 5, 6, 249};
    const int alpha[] = {249, 255, 0, 243};
    for (int k = 0; k < 4; ++k) {
        burstFrame = before[k];
        glLoadIdentity();
        DrawNovaScene();
        const Rgba colour = CurrentColourBytes();
        EXPECT_EQ(colour[3], alpha[k]) << "burstFrame " << before[k];
        EXPECT_EQ(colour[0], 255);
    }
    CloseTestWindow();
}

TEST(NovaScene, LeavesFlatShadingWithLightingDepthCullingAndTextureGenerationOff)
{
    ASSERT_TRUE(OpenTestWindow());
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glShadeModel(GL_SMOOTH);
    switchCooldown = 10;
    GLint depthBefore = 0, depthAfter = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    DrawNovaScene();
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    GLint shade = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_FLAT);
    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_LIGHTING, GL_LIGHT0, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T})
        EXPECT_FALSE(glIsEnabled(cap)) << cap;
    GLint mode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_SPHERE_MAP);
    EXPECT_EQ(switchCooldown, 9);
    CloseTestWindow();
}
