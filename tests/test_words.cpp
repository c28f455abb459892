// The opening words, the glyph wheel, the title flash and the countdown: colours, alphas, places, the wheel's
// counter, the random peak of the last pair, and the texture set-up made in every call.
#include "core/rand15.h"
#include "app/shell.h"
#include "effects/spark_burst.h"
#include "effects/word_sequence.h"
#include "resources/texture.h"
#include "sequence/timeline.h"
#include "tests/gl_probe.h"
#include "tests/rand_replica.h"
#include "tests/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

class WordSequence : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenTestWindow());
        glMatrixMode(GL_MODELVIEW);
    }
    void TearDown() override { CloseTestWindow(); }

    Rgba ColourAt(int frame)
    {
        demoFrame = frame;
        DrawWordSequence(demoFrame);
        return CurrentColourBytes();
    }
};

Rgba FrontColour(int record, int alpha)
{
    const Spark& s = sparks[record];
    return {s.r / 2 + 128, s.g / 2 + 128, s.b / 2 + 128, alpha};
}

Rgba BackColour(int record, int alpha)
{
    const Spark& s = sparks[record];
    return {s.r / 4 + 64, s.g / 4 + 64, s.b / 4 + 64, alpha};
}

} // namespace

TEST_F(WordSequence, FirstWordStartsInvisibleAndShowsFromTheThirdFrame)
{
    EXPECT_EQ(ColourAt(0), FrontColour(0, 0));
    EXPECT_EQ(ColourAt(1), FrontColour(0, 0));
    EXPECT_EQ(ColourAt(2), FrontColour(0, 1));
}

TEST_F(WordSequence, BackCopiesOfTheLaterWordsAreHalfAsBright)
{
    // f = 1250: "IS" at t = 750 and "WHEN" at t = 250, both copies of each.
    demoFrame = 1250;
    std::set<Rgba> colours = FeedbackColours([] { DrawWordSequence(demoFrame); });
    // An outline font that draws nothing fails here.
    ASSERT_EQ(colours.size(), 4u);
    EXPECT_TRUE(colours.count(BackColour(1, 180)));  // trunc(sin(750 * 3.1415 / 1000) * 255)
    EXPECT_TRUE(colours.count(FrontColour(1, 180)));
    EXPECT_TRUE(colours.count(BackColour(2, 90)));   // trunc(sin(250 * 3.1415 / 1000) * 128)
    EXPECT_TRUE(colours.count(FrontColour(2, 180))); // trunc(sin(250 * 3.1415 / 1000) * 255)
}

TEST_F(WordSequence, WordsSlideOnTheirOwnPaths)
{
    demoFrame = 1700; // "IT" front copy is the last one drawn: t = 200
    DrawWordSequence(demoFrame);
    auto p = ModelViewTranslation();
    EXPECT_FLOAT_EQ(p[1], -1.0f);
    EXPECT_FLOAT_EQ(p[2], -5.5f);

    demoFrame = 2600; // "BEGAN" front copy after "ALL"
    DrawWordSequence(demoFrame);
    p = ModelViewTranslation();
    EXPECT_FLOAT_EQ(p[1], -0.25f);
    EXPECT_FLOAT_EQ(p[2], -4.0f);
}

TEST_F(WordSequence, WheelColourWrapsToZeroInItsFirstFrame)
{
    wheelFrame = 0;
    // Red and blue come to 256 and pass as their low byte; the alpha is 0.
    EXPECT_EQ(ColourAt(3000), (Rgba{0, 192, 0, 0}));
    EXPECT_EQ(wheelFrame, 1);
}

TEST_F(WordSequence, WheelTurnsOnlyWhileItIsDrawn)
{
    wheelFrame = 0;
    demoFrame = 2999;
    DrawWordSequence(demoFrame);
    EXPECT_EQ(wheelFrame, 0);
    demoFrame = 3000;
    DrawWordSequence(demoFrame);
    demoFrame = 4999;
    DrawWordSequence(demoFrame);
    EXPECT_EQ(wheelFrame, 2);
    demoFrame = 5000;
    DrawWordSequence(demoFrame);
    demoFrame = 5500;
    DrawWordSequence(demoFrame);
    EXPECT_EQ(wheelFrame, 2);
}

TEST_F(WordSequence, TitleFlashRisesToFullWhiteAtFrame4990)
{
    wheelFrame = 1950;
    EXPECT_EQ(ColourAt(4951), (Rgba{255, 255, 255, 6}));
    EXPECT_EQ(ColourAt(4989), (Rgba{255, 255, 255, 248}));
    EXPECT_EQ(ColourAt(4990), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(ColourAt(4999), (Rgba{255, 255, 255, 255}));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    // No flash before 4951: the last colour is the wheel's.
    EXPECT_NE(ColourAt(4950)[3], 255);
}

TEST_F(WordSequence, CountdownWordsStartAtTheEyePlane)
{
    const struct {
        int frame;
        float y;
    } words[] = {{5400, -1.0f}, {5500, 0.0f}, {5600, 1.0f}, {5700, 0.0f}, {5800, -1.25f}, {5900, -1.6f}};
    for (const auto& w : words) {
        demoFrame = w.frame;
        DrawWordSequence(demoFrame);
        auto p = ModelViewTranslation();
        EXPECT_FLOAT_EQ(p[2], 0.0f) << w.frame;
        EXPECT_FLOAT_EQ(p[1], w.y) << w.frame;
        demoFrame = w.frame + 1;
        DrawWordSequence(demoFrame);
        EXPECT_FLOAT_EQ(ModelViewTranslation()[2], -0.1f) << w.frame + 1;
    }
}

TEST_F(WordSequence, CountdownFadePeaksJustBelowItsPeak)
{
    // With pi as 3.1415 the fade at t = 50 is a hair below 1, so the peak itself is never reached.
    EXPECT_EQ(ColourAt(5450), (Rgba{255, 255, 255, 127}));
    EXPECT_EQ(ColourAt(5750), (Rgba{255, 255, 255, 191}));
    EXPECT_EQ(ColourAt(5400)[3], 0);
}

TEST_F(WordSequence, LastPairDrawsOneRandomPeakPerFrame)
{
    for (int f : {5000, 5399, 5899}) {
        uint64_t before = randDraws;
        demoFrame = f;
        DrawWordSequence(demoFrame);
        EXPECT_EQ(randDraws, before) << f;
    }
    for (int f : {5900, 5950, 5999}) {
        RandReplica rand{randState};
        int peak = rand.Next() % 255;
        uint64_t before = randDraws;
        Rgba colour = ColourAt(f);
        EXPECT_EQ(randDraws - before, 1u) << f;
        if (f == 5950) {
            EXPECT_EQ(colour[3], peak > 0 ? peak - 1 : 0);
        }
    }
}

TEST_F(WordSequence, EveryCallSetsUpTheSphereMappedTexture)
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glBindTexture(GL_TEXTURE_2D, 0);
    demoFrame = 5100; // nothing is drawn in this frame
    DrawWordSequence(demoFrame);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    GLint mode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_SPHERE_MAP);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_SPHERE_MAP);
    EXPECT_EQ(BoundTexture(), NameOf(texStelle2));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(WordSequence, ReopenedWindowGivesTheComingWordsNewColours)
{
    Spark before[5];
    std::copy(sparks, sparks + 5, before);
    CloseDemoWindow();
    ASSERT_TRUE(OpenDemoWindow(windowTitle, 640, 480, 32, false));
    bool changed = false;
    for (int i = 0; i < 5; ++i) {
        changed = changed || sparks[i].r != before[i].r || sparks[i].g != before[i].g || sparks[i].b != before[i].b;
    }
    EXPECT_TRUE(changed);
    // f = 700: "THIS" then "IS", so the last colour is record 1's front colour of the new layout.
    EXPECT_EQ(ColourAt(700), FrontColour(1, static_cast<int>(std::sin(200 * 3.1415 / 1000) * 255)));
}
