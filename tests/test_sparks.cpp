// The spark table: its layout draws, the per-frame motion and fade of one spark, and the burst step.
#include "core/rand15.h"
#include "app/shell.h"
#include "effects/spark_burst.h"
#include "platform/harness/harness.h"
#include "tests/gl_probe.h"
#include "tests/rand_replica.h"
#include "tests/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ExpectedSpark {
    int r, g, b;
    float speed, angleX, angleZ;
};

ExpectedSpark NextExpected(RandReplica& rand)
{
    ExpectedSpark s;
    s.r = rand.Next() % 256;
    s.g = rand.Next() % 256;
    s.b = rand.Next() % 256;
    s.speed = static_cast<float>((rand.Next() % 100) * 0.01);
    s.angleX = static_cast<float>(rand.Next() % 360);
    s.angleZ = static_cast<float>(rand.Next() % 360);
    return s;
}

void ExpectSpark(const Spark& actual, const ExpectedSpark& expected, int index)
{
    EXPECT_EQ(actual.r, expected.r) << "spark " << index;
    EXPECT_EQ(actual.g, expected.g) << "spark " << index;
    EXPECT_EQ(actual.b, expected.b) << "spark " << index;
    EXPECT_EQ(actual.speed, expected.speed) << "spark " << index;
    EXPECT_EQ(actual.distance, 0.0f) << "spark " << index;
    EXPECT_EQ(actual.angleX, expected.angleX) << "spark " << index;
    EXPECT_EQ(actual.angleZ, expected.angleZ) << "spark " << index;
}

} // namespace

TEST(SparkLayout, ResetSparkDrawsColourThenSpeedThenAngles)
{
    randState = 0x1234567u;
    RandReplica rand{0x1234567u};
    uint64_t before = randDraws;
    sparks[17].distance = 33.0f;
    ResetSpark(17);
    EXPECT_EQ(randDraws - before, 6u);
    ExpectSpark(sparks[17], NextExpected(rand), 17);
    EXPECT_EQ(randState, rand.state);
}

TEST(SparkLayout, InitSparksLaysOutAllFiveHundredInOrder)
{
    randState = 987654321u;
    RandReplica rand{987654321u};
    uint64_t before = randDraws;
    InitSparks();
    EXPECT_EQ(randDraws - before, 3000u);
    for (int i = 0; i < 500; ++i) {
        ExpectSpark(sparks[i], NextExpected(rand), i);
    }
}

class SparkPass : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenTestWindow()); }
    void TearDown() override { CloseTestWindow(); }
};

TEST_F(SparkPass, SparkAtRestStaysAtTheCentreForOneFrameThenCreeps)
{
    sparks[0] = Spark{10, 20, 30, 0.0f, 0.0f, 0.0f, 0.0f};
    DrawSpark(0);
    EXPECT_EQ(sparks[0].distance, 0.0f);
    EXPECT_EQ(sparks[0].speed, 0.1f);
    EXPECT_EQ(CurrentAlphaByte(), 255);
    DrawSpark(0);
    EXPECT_EQ(sparks[0].distance, 0.1f);
    EXPECT_EQ(sparks[0].speed, 0.1f);
}

TEST_F(SparkPass, SparkSlowsByATenThousandthAndFadesWithDistance)
{
    sparks[3] = Spark{255, 255, 255, 0.5f, 25.0f, 90.0f, 45.0f};
    DrawSpark(3);
    EXPECT_FLOAT_EQ(sparks[3].distance, 25.5f);
    EXPECT_FLOAT_EQ(sparks[3].speed, 0.4999f);
    // trunc(255 - 25.5 / 50 * 255) = trunc(124.95)
    EXPECT_EQ(CurrentAlphaByte(), 124);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SparkPass, FarSparkIsDrawnInvisibleAndKeepsItsFloorSpeed)
{
    sparks[9] = Spark{255, 0, 0, 0.1f, 60.0f, 0.0f, 0.0f};
    DrawSpark(9);
    EXPECT_EQ(CurrentAlphaByte(), 0);
    EXPECT_EQ(sparks[9].speed, 0.1f);
    EXPECT_FLOAT_EQ(sparks[9].distance, 60.1f);
}

TEST_F(SparkPass, DrawingLeavesTheModelViewMatrixAsItWas)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);
    InitSparks();
    burstFrame = 0;
    DrawSparkBurst();
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 1.0f);
    EXPECT_FLOAT_EQ(m[13], 2.0f);
    EXPECT_FLOAT_EQ(m[14], 3.0f);
}

TEST(SparkBurst, ComesAfterTwoHundredAndFiftyFramesWithABangAndANewLayout)
{
    static std::vector<std::string> sounds;
    Harness harness;
    harness.onSound = [](const char* fileName) { sounds.push_back(fileName); };
    InstallHarness(harness);
    ASSERT_TRUE(OpenDemoWindow(windowTitle, 640, 480, 32, false));
    burstFrame = 249;
    uint64_t before = randDraws;
    DrawSparkBurst();
    EXPECT_EQ(burstFrame, 250);
    EXPECT_EQ(randDraws - before, 0u);
    EXPECT_TRUE(sounds.empty());
    EXPECT_GT(sparks[0].distance + sparks[1].distance + sparks[2].distance, 0.0f);

    RandReplica rand{randState};
    DrawSparkBurst();
    EXPECT_EQ(burstFrame, 0);
    EXPECT_EQ(randDraws - before, 3000u);
    EXPECT_EQ(sounds, std::vector<std::string>{"data/bang.wav"});
    // The new layout waits at the centre for the next frame.
    for (int i = 0; i < 500; ++i) {
        ExpectSpark(sparks[i], NextExpected(rand), i);
    }
    CloseTestWindow();
}
