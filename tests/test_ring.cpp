// Fire ring: table layout and its draw order, the ring's 251-frame cycle, the speed floor compared in
// double precision, the spark renewal's draw order and the alpha clamp.
#include "core/rand15.h"
#include "effects/fire_ring.h"
#include "tests/gl_probe.h"
#include "tests/renewals.h"
#include "tests/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

TEST(FireRing, LayoutDrawsColourThenTiltThenSpeed)
{
    randState = 12345u;
    const uint64_t drawsBefore = randDraws;
    RandReplica ref(randState);
    InitRingParticles();
    EXPECT_EQ(randDraws - drawsBefore, 5400u);
    for (int i = 0; i < 360; ++i) {
        for (int j = 0; j < 3; ++j) {
            const RingParticle& p = ringParticles[i][j];
            ASSERT_EQ(p.r, ref.Next() % 127 + 128) << i << "," << j;
            ASSERT_EQ(p.g, ref.Next() % 32 + 32);
            ASSERT_EQ(p.b, ref.Next() % 16 + 16);
            ASSERT_EQ(p.tilt, static_cast<float>(ref.Next() % 60));
            ASSERT_FLOAT_EQ(p.speed, (ref.Next() % 10) * 0.001f);
            ASSERT_EQ(p.offset, 0.0f);
        }
    }
    EXPECT_EQ(randState, ref.state);
}

TEST(FireRing, FirstRingGrowsFromOneLaterRingsFromATenth)
{
    InitRingParticles();
    ASSERT_EQ(ringRadius, 1.0f);
    ASSERT_EQ(ringFade, 255);

    // Each ring is drawn 251 times, with fade 255 down to 5.
    for (int cycle = 0; cycle < 3; ++cycle) {
        const float start = cycle == 0 ? 1.0f : 0.1f;
        for (int k = 0; k <= 250; ++k) {
            ASSERT_EQ(ringFade, 255 - k) << "cycle " << cycle << " frame " << k;
            ASSERT_NEAR(ringRadius, start + 0.025f * k, 1e-4f) << "cycle " << cycle << " frame " << k;
            if (k == 250) {
                EXPECT_NEAR(ringRadius, cycle == 0 ? 7.25f : 6.35f, 1e-4f);
            }
            DrawFireRing();
        }
        EXPECT_EQ(ringFade, 255);
        EXPECT_EQ(ringRadius, 0.1f);
    }
}

TEST(FireRing, SparkAtTheFloorAlternatesBetweenATenthAnd0099)
{
    RingParticle& p = ringParticles[10][1];
    p.speed = 0.05f;
    p.offset = 0.0f;
    DrawRingParticle(10, 1);
    EXPECT_EQ(p.speed, 0.1f);
    EXPECT_EQ(p.offset, -0.1f);
    // The stored 0.1f is above the double 0.1, so the next frame slows it by 0.001.
    DrawRingParticle(10, 1);
    EXPECT_EQ(p.speed, static_cast<float>(0.1f - 0.001));
    DrawRingParticle(10, 1);
    EXPECT_EQ(p.speed, 0.1f);

    p.speed = 0.15f;
    p.offset = -1.0f;
    DrawRingParticle(10, 1);
    EXPECT_EQ(p.speed, static_cast<float>(0.15f - 0.001));
    EXPECT_EQ(p.offset, -1.0f - p.speed);
}

TEST(FireRing, RenewalDrawsColourThenSpeedThenCentredTilt)
{
    for (uint32_t seed : {1u, 77u, 4242u, 99999u, 31337u, 2024u}) {
        RingParticle& p = ringParticles[200][2];
        p.speed = 0.15f;
        p.offset = -2.9f;
        randState = seed;
        RandReplica ref(seed);
        const uint64_t drawsBefore = randDraws;
        DrawRingParticle(200, 2);
        ASSERT_EQ(randDraws - drawsBefore, 5u);
        ExpectRingRenewal(ref, p);
        EXPECT_EQ(p.offset, 0.0f);
    }
}

TEST(FireRing, SparkShortOfMinusThreeIsNotRenewed)
{
    RingParticle& p = ringParticles[0][0];
    p.speed = 0.05f;
    p.offset = -2.85f; // floor speed 0.1 takes it to -2.95
    const uint64_t drawsBefore = randDraws;
    DrawRingParticle(0, 0);
    EXPECT_EQ(randDraws, drawsBefore);
    EXPECT_FLOAT_EQ(p.offset, -2.95f);
}

TEST(FireRingDrawn, SparkFadesWithItsOffsetAndIsClampedPastMinusThree)
{
    ASSERT_TRUE(OpenTestWindow());
    ringFade = 255;
    RingParticle& p = ringParticles[90][2];

    p.speed = 0.05f;
    p.offset = -1.4f; // -1.5 after the floor speed
    DrawRingParticle(90, 2);
    EXPECT_EQ(CurrentAlphaByte(), 127);

    ringFade = 100;
    p.speed = 0.05f;
    p.offset = 0.0f;
    DrawRingParticle(90, 2);
    EXPECT_EQ(CurrentAlphaByte(), 96); // trunc(100 - 100 * 0.1 / 3)

    // Past -3 the formula goes negative: drawn once more at alpha 0, then renewed.
    ringFade = 255;
    p.speed = 0.15f;
    p.offset = -2.95f;
    DrawRingParticle(90, 2);
    EXPECT_EQ(CurrentAlphaByte(), 0);
    EXPECT_EQ(p.offset, 0.0f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    CloseTestWindow();
}

TEST(FireRingDrawn, RingPassLeavesTheMatrixStackBalanced)
{
    ASSERT_TRUE(OpenTestWindow());
    GLint depthBefore = 0, depthAfter = 0;
    glMatrixMode(GL_MODELVIEW);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthBefore);
    DrawFireRing();
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(depthAfter, depthBefore);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    CloseTestWindow();
}
