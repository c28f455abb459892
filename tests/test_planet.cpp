// The planet scene: its ray table, its random draws per frame, the fade-in from white, and the state and
// matrix it leaves for the rest of the frame.
#include "core/rand15.h"
#include "resources/texture.h"
#include "sequence/planet_scene.h"
#include "sequence/timeline.h"
#include "tests/gl_probe.h"
#include "tests/rand_replica.h"
#include "tests/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

TEST(RayTable, TwoDrawsPerRayInOrder)
{
    randState = 42u;
    RandReplica rand{42u};
    uint64_t before = randDraws;
    InitRayAngles();
    EXPECT_EQ(randDraws - before, 404u);
    for (const RayAngle& ray : rayAngles) {
        EXPECT_EQ(ray.angleX, static_cast<float>(rand.Next() % 360));
        EXPECT_EQ(ray.angleY, static_cast<float>(rand.Next() % 360));
    }
}

namespace {

class PlanetScene : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenTestWindow());
        glMatrixMode(GL_MODELVIEW);
    }
    void TearDown() override { CloseTestWindow(); }

    // Draws one frame of the scene as the timeline would at this frame, from a fresh camera.
    void DrawAt(int frame)
    {
        demoFrame = frame;
        planetFrame = frame - 5000 < 1011 ? frame - 5000 : 1011;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glColor4ub(255, 255, 255, 192);
        DrawPlanetScene();
    }
};

} // namespace

TEST_F(PlanetScene, DrawsTwoPlusOnePerSpike)
{
    const struct {
        int planet;
        uint64_t draws;
    } cases[] = {{0, 2}, {4, 2}, {5, 3}, {27, 7}, {1011, 204}};
    for (const auto& c : cases) {
        uint64_t before = randDraws;
        DrawAt(5000 + c.planet);
        EXPECT_EQ(randDraws - before, c.draws) << "planetFrame " << c.planet;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PlanetScene, FadeInIsOpaqueWhiteWhileNoSpikeExists)
{
    for (int frame : {5000, 5004}) {
        DrawAt(frame);
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << frame;
        int w = 0, h = 0;
        std::vector<uint8_t> rgb = ReadFrameRgb(w, h);
        ASSERT_EQ(rgb.size(), static_cast<size_t>(w * h * 3));
        size_t white = 0;
        for (uint8_t v : rgb) {
            white += v == 255;
        }
        EXPECT_EQ(white, rgb.size()) << frame;
    }
}

TEST_F(PlanetScene, FadeInIsAddedWithFallingAlphaOnceSpikesExist)
{
    DrawAt(5005);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(CurrentColourBytes(), (Rgba{255, 255, 255, 230}));
    DrawAt(5049);
    EXPECT_EQ(CurrentColourBytes(), (Rgba{255, 255, 255, 6}));
    // The fade-in puts back what it switched off.
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    // It loaded its own matrix.
    auto p = ModelViewTranslation();
    EXPECT_FLOAT_EQ(p[2], -5.0f);
}

TEST_F(PlanetScene, AfterTheFadeInTheSceneLeavesTheBackdropOffsetAndTheOuterShellColour)
{
    spinAngle = 60;
    DrawAt(5100);
    auto p = ModelViewTranslation();
    EXPECT_FLOAT_EQ(p[0], -10.0f);
    EXPECT_FLOAT_EQ(p[1], -1.0f);
    EXPECT_FLOAT_EQ(p[2], static_cast<float>(std::cos(2.0 * 60 * 3.1415 / 360.0) - 5));
    EXPECT_EQ(CurrentColourBytes(), (Rgba{192, 64, 32, 192}));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(BoundTexture(), NameOf(texEnv));
    GLint depthFunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    EXPECT_EQ(depthFunc, GL_LEQUAL);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
