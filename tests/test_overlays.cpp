// Music notice and credits scroller: the credits layout, the alpha of a line at every band of the screen,
// the notice's fade and its frame count, and the GL state both overlays hand back.
#include "sequence/overlays.h"
#include "sequence/timeline.h"
#include "tests/gl_probe.h"
#include "tests/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Draws the credits with only line 5 at height y; -1 when the line was skipped.
int CreditAlphaAt(float y)
{
    for (float& line : creditY)
        line = -1000.0f;
    creditY[5] = y;
    glColor4ub(1, 2, 3, 77);
    DrawCredits();
    const Rgba colour = CurrentColourBytes();
    return colour[0] == 1 ? -1 : colour[3];
}

} // namespace

TEST(Credits, LinesStartSixteenUnitsApartBelowTheBottomEdge)
{
    InitCredits();
    for (int i = 0; i < 72; ++i) {
        EXPECT_EQ(creditY[i], -16.0f * i);
        ASSERT_NE(creditLines[i], nullptr);
        EXPECT_GT(strlen(creditLines[i]), 0u) << "blank lines are a single space";
    }
    EXPECT_STREQ(creditLines[0], "-= KORVALE v1.1=-");
    EXPECT_STREQ(creditLines[16], "ESC = Exits this demo ");
    EXPECT_EQ(std::string(creditLines[1]), std::string(17, '-'));
    EXPECT_EQ(std::string(creditLines[11]), std::string(5, '-'));
    EXPECT_EQ(std::string(creditLines[19]), std::string(15, '-'));
    EXPECT_STREQ(creditLines[71], "dirty little screen... BYE!!!");
    EXPECT_EQ(creditStep, 1.0f);
}

TEST(Credits, AlphaFadesInAtTheBottomAndOutAtTheTop)
{
    ASSERT_TRUE(OpenTestWindow());
    InitCredits();
    EXPECT_EQ(CreditAlphaAt(-10.0f), -1);
    EXPECT_EQ(CreditAlphaAt(-9.0f), 0);
    EXPECT_EQ(CreditAlphaAt(0.0f), 0);
    EXPECT_EQ(CreditAlphaAt(40.0f), 127);
    EXPECT_EQ(CreditAlphaAt(79.0f), 251);
    EXPECT_EQ(CreditAlphaAt(80.0f), 255);
    EXPECT_EQ(CreditAlphaAt(400.0f), 255);
    EXPECT_EQ(CreditAlphaAt(401.0f), 251);
    EXPECT_EQ(CreditAlphaAt(480.0f), 0);
    EXPECT_EQ(CreditAlphaAt(489.0f), 0);
    EXPECT_EQ(CreditAlphaAt(490.0f), -1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    CloseTestWindow();
}

TEST(Credits, EveryLineMovesUpOneUnitAfterDrawing)
{
    ASSERT_TRUE(OpenTestWindow());
    InitCredits();
    for (int call = 1; call <= 3; ++call)
        DrawCredits();
    for (int i = 0; i < 72; ++i)
        EXPECT_EQ(creditY[i], 3.0f - 16.0f * i);
    CloseTestWindow();
}

TEST(MusicNotice, FadesFrom255To3Over100Frames)
{
    ASSERT_TRUE(OpenTestWindow());
    musicNoticeFrame = 0;
    DrawMusicNotice(1);
    EXPECT_EQ(CurrentAlphaByte(), 255);
    EXPECT_EQ(musicNoticeFrame, 1);
    DrawMusicNotice(1);
    EXPECT_EQ(CurrentAlphaByte(), 253); // 255 - 255/100
    musicNoticeFrame = 99;
    DrawMusicNotice(2);
    EXPECT_EQ(CurrentAlphaByte(), 3);
    EXPECT_EQ(musicNoticeFrame, 100);
    CloseTestWindow();
}

TEST(MusicNotice, UnknownStateStillCountsTheFrame)
{
    ASSERT_TRUE(OpenTestWindow());
    musicNoticeFrame = 40;
    DrawMusicNotice(7);
    EXPECT_EQ(musicNoticeFrame, 41);
    CloseTestWindow();
}

TEST(Overlays, HandBackLightingAndTextureGenerationSwitchedOn)
{
    ASSERT_TRUE(OpenTestWindow());
    InitCredits();
    const GLenum caps[] = {GL_LIGHT0, GL_LIGHTING, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T};
    for (GLenum cap : caps)
        glDisable(cap);
    musicNoticeFrame = 0;
    DrawMusicNotice(0);
    for (GLenum cap : caps)
        EXPECT_TRUE(glIsEnabled(cap)) << cap;

    for (GLenum cap : caps)
        glDisable(cap);
    glDisable(GL_TEXTURE_2D);
    DrawCredits();
    for (GLenum cap : caps)
        EXPECT_TRUE(glIsEnabled(cap)) << cap;
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    CloseTestWindow();
}
