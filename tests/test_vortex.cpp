// Vortex: layout and its draw order, the 251/249 split at index 250, the motion along the cone, and the
// size draw that every particle makes before its own renewal.
#include "core/rand15.h"
#include "effects/vortex.h"
#include "tests/gl_probe.h"
#include "tests/renewals.h"
#include "tests/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

TEST(Vortex, LayoutDrawsSixValuesPerParticleAndSplitsAtIndex250)
{
    randState = 555u;
    RandReplica ref(randState);
    const uint64_t drawsBefore = randDraws;
    InitVortexParticles();
    EXPECT_EQ(randDraws - drawsBefore, 3000u);
    for (int i = 0; i < 500; ++i) {
        const VortexParticle& p = vortexParticles[i];
        ASSERT_EQ(p.r, ref.Next() % 16 + 16) << i;
        ASSERT_EQ(p.g, ref.Next() % 64 + 64);
        ASSERT_EQ(p.b, ref.Next() % 127 + 128);
        ASSERT_EQ(p.spread, static_cast<float>(ref.Next() % 5));
        ASSERT_EQ(p.angle, static_cast<float>(ref.Next() % 360));
        ASSERT_FLOAT_EQ(p.speed, (ref.Next() % 100) * 0.001f + 0.01f);
    }
    EXPECT_EQ(vortexParticles[250].rising, 0);
    EXPECT_EQ(vortexParticles[250].height, 7.0f);
    EXPECT_EQ(vortexParticles[251].rising, 1);
    EXPECT_EQ(vortexParticles[251].height, -7.0f);
    int sinking = 0;
    for (const VortexParticle& p : vortexParticles)
        sinking += p.rising == 0;
    EXPECT_EQ(sinking, 251);
}

TEST(Vortex, Index250SinksAndIndex251Rises)
{
    InitVortexParticles();
    const float speed250 = vortexParticles[250].speed;
    const float speed251 = vortexParticles[251].speed;
    DrawVortex(0);
    EXPECT_FLOAT_EQ(vortexParticles[250].speed, speed250 + 0.001f);
    EXPECT_FLOAT_EQ(vortexParticles[250].height, 7.0f - (speed250 + 0.001f));
    EXPECT_FLOAT_EQ(vortexParticles[251].height, -7.0f + (speed251 + 0.001f));
}

TEST(Vortex, SizeIsDrawnBeforeEachParticlesRenewal)
{
    InitVortexParticles();
    // Particle 0 sinks past -0.5 in this call, particle 499 rises past 0.5; nobody else is near the end.
    vortexParticles[0].height = -0.45f;
    vortexParticles[0].speed = 0.1f;
    vortexParticles[499].height = 0.45f;
    vortexParticles[499].speed = 0.1f;

    RandReplica ref(randState);
    const uint64_t drawsBefore = randDraws;
    DrawVortex(17);
    EXPECT_EQ(randDraws - drawsBefore, 500u + 12u);

    ref.Next(); // size of particle 0
    const VortexParticle& first = vortexParticles[0];
    ExpectVortexRenewal(ref, first);
    EXPECT_EQ(first.height, 7.0f);
    EXPECT_EQ(first.rising, 0);

    for (int i = 1; i < 500; ++i)
        ref.Next(); // sizes of particles 1..499
    const VortexParticle& last = vortexParticles[499];
    ExpectVortexRenewal(ref, last);
    EXPECT_EQ(last.height, -7.0f);
    EXPECT_EQ(last.rising, 1);
    EXPECT_EQ(randState, ref.state);
}

TEST(Vortex, RenewalOnlyBeyondHalfAUnitPastTheCentre)
{
    InitVortexParticles();
    vortexParticles[3].height = -0.4f;
    vortexParticles[3].speed = 0.089f;
    uint64_t drawsBefore = randDraws;
    DrawVortexParticle(3, 0);
    EXPECT_EQ(randDraws - drawsBefore, 1u);
    EXPECT_FLOAT_EQ(vortexParticles[3].height, -0.49f);

    vortexParticles[300].height = 0.4f;
    vortexParticles[300].speed = 0.109f;
    drawsBefore = randDraws;
    DrawVortexParticle(300, 0);
    EXPECT_EQ(randDraws - drawsBefore, 7u);
    EXPECT_EQ(vortexParticles[300].height, -7.0f);
}

TEST(Vortex, SlowestInitialParticleLives113Frames)
{
    InitVortexParticles();
    VortexParticle& p = vortexParticles[5];
    p.speed = 0.01f;
    p.height = 7.0f;
    int frames = 0;
    while (p.height != 7.0f || frames == 0) {
        DrawVortexParticle(5, 0);
        ++frames;
        ASSERT_LT(frames, 1000);
    }
    EXPECT_EQ(frames, 113);
}

namespace {

int AlphaAfterDrawing(int index, float height, float speedBefore)
{
    vortexParticles[index].height = height;
    vortexParticles[index].speed = speedBefore;
    DrawVortexParticle(index, 123);
    return CurrentAlphaByte();
}

} // namespace

TEST(VortexDrawn, AlphaRisesToTheCentreAndWrapsPastIt)
{
    ASSERT_TRUE(OpenTestWindow());
    // Sinking particle (index 0): height after the move is height - (speed + 0.001).
    EXPECT_EQ(AlphaAfterDrawing(0, 7.0f, 0.009f), 0);    // 6.99: trunc(0.36)
    EXPECT_EQ(AlphaAfterDrawing(0, 3.51f, 0.009f), 127); // 3.5
    EXPECT_EQ(AlphaAfterDrawing(0, 0.01f, 0.009f), 255); // 0.0
    EXPECT_EQ(AlphaAfterDrawing(0, -0.4f, 0.099f), 17);  // -0.5: 273, low byte 17
    // Rising particle (index 499) mirrors it.
    EXPECT_EQ(AlphaAfterDrawing(499, -3.51f, 0.009f), 127);
    EXPECT_EQ(AlphaAfterDrawing(499, 0.4f, 0.099f), 17);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    CloseTestWindow();
}
