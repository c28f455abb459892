// The textured squares: corners, winding and texture repeat, which texture each binds, and the backdrop's
// own switch-off of generated coordinates.
#include "resources/texture.h"
#include "resources/primitives.h"
#include "tests/gl_probe.h"
#include "tests/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

class Primitives : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(OpenTestWindow());
        // One unit is 2 pixels across the 640 x 480 window, centre at (320, 240).
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-160, 160, -120, 120, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_LIGHTING); // so feedback reports the current colour as it is
        glColor4ub(10, 20, 30, 40);
    }
    void TearDown() override { CloseTestWindow(); }

    static float SignedArea(const std::vector<FeedbackVertex>& polygon)
    {
        float area = 0.0f;
        for (size_t i = 0; i < polygon.size(); ++i) {
            const FeedbackVertex& a = polygon[i];
            const FeedbackVertex& b = polygon[(i + 1) % polygon.size()];
            area += a.x * b.y - b.x * a.y;
        }
        return area / 2;
    }

    static float CoveredArea(const std::vector<std::vector<FeedbackVertex>>& primitives)
    {
        float area = 0.0f;
        for (const auto& primitive : primitives) {
            area += SignedArea(primitive);
        }
        return area;
    }

    // Largest (or smallest) x of any vertex.
    static float Extent(const std::vector<std::vector<FeedbackVertex>>& primitives, bool largest)
    {
        float extent = largest ? -1e9f : 1e9f;
        for (const auto& primitive : primitives) {
            for (const FeedbackVertex& v : primitive) {
                extent = largest ? std::max(extent, v.x) : std::min(extent, v.x);
            }
        }
        return extent;
    }

};

} // namespace

TEST_F(Primitives, StarfieldTilesItsTextureCounterClockwise)
{
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    auto primitives = FeedbackPrimitives([] { DrawStarfield(30.0f, 15.0f); });
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_EQ(BoundTexture(), NameOf(texStelle));
    // Each corner comes with its texture coordinate, whatever triangles the square is cut into.
    const float expected[4][4] = {{260, 180, 0, 0}, {380, 180, 15, 0}, {380, 300, 15, 15}, {260, 300, 0, 15}};
    ASSERT_FALSE(primitives.empty());
    for (const auto& primitive : primitives) {
        for (const FeedbackVertex& v : primitive) {
            int corner = -1;
            for (int i = 0; i < 4; ++i) {
                if (std::fabs(v.x - expected[i][0]) < 0.01 && std::fabs(v.y - expected[i][1]) < 0.01) {
                    corner = i;
                }
            }
            ASSERT_GE(corner, 0) << v.x << ", " << v.y;
            EXPECT_FLOAT_EQ(v.s, expected[corner][2]) << corner;
            EXPECT_FLOAT_EQ(v.t, expected[corner][3]) << corner;
            // The caller's colour, untouched.
            EXPECT_EQ(v.colour, (Rgba{10, 20, 30, 40}));
        }
        EXPECT_GT(SignedArea(primitive), 0.0f); // counter-clockwise on screen
    }
    EXPECT_FLOAT_EQ(CoveredArea(primitives), 120.0f * 120.0f);
}

TEST_F(Primitives, SpriteUsesItsHalfSizeAndWhateverTextureIsBound)
{
    texFire.Bind();
    auto primitives = FeedbackPrimitives([] { DrawSprite(); });
    EXPECT_EQ(BoundTexture(), NameOf(texFire));
    // 0.2 units each way: a 0.8-pixel square.
    EXPECT_NEAR(CoveredArea(primitives), 0.8 * 0.8, 1e-3);
    EXPECT_NEAR(Extent(primitives, false), 320 - 0.4, 1e-3);
    texEnv.Bind();
    DrawSprite();
    EXPECT_EQ(BoundTexture(), NameOf(texEnv));
}

TEST_F(Primitives, SunAndStarSpritesBindTheirOwnTextures)
{
    glEnable(GL_TEXTURE_GEN_S);
    auto primitives = FeedbackPrimitives([] { DrawSunSprite(2.0f); });
    EXPECT_EQ(BoundTexture(), NameOf(texSun));
    // Generation is the caller's business here.
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_NEAR(CoveredArea(primitives), 8.0 * 8.0, 1e-3);
    EXPECT_NEAR(Extent(primitives, true), 324.0, 1e-3);
    DrawStarSprite(0.5f);
    EXPECT_EQ(BoundTexture(), NameOf(texStar));
}

TEST_F(Primitives, SunSpriteOfSizeZeroDrawsNothing)
{
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glColor4ub(255, 255, 255, 255);
    DrawSunSprite(0.0f);
    int w = 0, h = 0;
    std::vector<uint8_t> rgb = ReadFrameRgb(w, h);
    size_t lit = 0;
    for (uint8_t v : rgb) {
        lit += v != 0;
    }
    EXPECT_EQ(lit, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
