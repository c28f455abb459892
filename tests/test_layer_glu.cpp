// Our GLU against the system's (Mesa's libGLU) on the system GL: the quadrics' primitives, lit colours and texture
// coordinates through feedback, the perspective matrix, and every mipmap level texel for texel.
#include "platform/gles/glu.h"
#include "tests/support.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

namespace {

class LayerGlu : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenTestWindow()); }
    void TearDown() override { CloseTestWindow(); }
};

// A fixed view and lighting: six lights along three skewed axes, the negative ones with negative colours, so that
// each colour channel is 0.5 + 0.4 * (normal . axis) and any change of normal changes the colour.
void LitTexturedView()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1, 1, -0.75, 0.75, 1, 100);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (GLenum gen : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q}) {
        glDisable(gen);
    }
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDisable(GL_NORMALIZE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glColor4f(1, 1, 1, 1);
    const GLfloat ambient[] = {0.5f, 0.5f, 0.5f, 1};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    const float axes[3][3] = {{0.8f, 0.6f, 0}, {-0.48f, 0.64f, 0.6f}, {0.36f, -0.48f, 0.8f}};
    for (int i = 0; i < 6; ++i) {
        const float sign = i < 3 ? 1.0f : -1.0f;
        const float* a = axes[i % 3];
        const GLfloat position[] = {sign * a[0], sign * a[1], sign * a[2], 0};
        GLfloat colour[] = {0, 0, 0, 1};
        colour[i % 3] = 0.4f * sign;
        const GLfloat none[] = {0, 0, 0, 1};
        const GLenum light = GL_LIGHT0 + i;
        glEnable(light);
        glLightfv(light, GL_POSITION, position);
        glLightfv(light, GL_DIFFUSE, colour);
        glLightfv(light, GL_AMBIENT, none);
        glLightfv(light, GL_SPECULAR, none);
    }
}

// Everything `draw` sends through the pipeline, as feedback floats (tokens, window x y z, colour, s t r q), and
// after it the current normal and texture coordinates it leaves behind.
std::vector<GLfloat> Feedback(const std::function<void()>& draw)
{
    static std::vector<GLfloat> buffer(1 << 20);
    glNormal3f(0.3f, -0.2f, 0.9f);  // what flat or absent normals inherit
    glTexCoord4f(0.25f, 0.75f, 0, 1);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint count = glRenderMode(GL_RENDER);
    EXPECT_GE(count, 0) << "feedback buffer overflowed";
    std::vector<GLfloat> result(buffer.begin(), buffer.begin() + std::max(count, 0));
    GLfloat normal[3], texCoord[4];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
    result.insert(result.end(), normal, normal + 3);
    result.insert(result.end(), texCoord, texCoord + 4);
    return result;
}

::testing::AssertionResult SameFeedback(const std::vector<GLfloat>& ours, const std::vector<GLfloat>& mesa)
{
    if (ours.size() != mesa.size()) {
        return ::testing::AssertionFailure() << ours.size() << " feedback values, Mesa's GLU gives " << mesa.size();
    }
    for (size_t i = 0; i < ours.size(); ++i) {
        if (std::fabs(ours[i] - mesa[i]) > 1e-5f) {
            return ::testing::AssertionFailure()
                   << "value " << i << " of " << ours.size() << ": " << ours[i] << ", Mesa's GLU " << mesa[i];
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST_F(LayerGlu, QuadricsFeedBackWhatMesasGluDoes)
{
    LitTexturedView();
    GLUquadric* mesa = gluNewQuadric();
    GLUquadric* ours = LayerNewQuadric();
    const struct {
        GLboolean texture;
        GLenum normals;
    } settings[] = {{GL_TRUE, GLU_SMOOTH}, {GL_FALSE, GLU_SMOOTH}, {GL_TRUE, GLU_FLAT},
                    {GL_FALSE, GLU_FLAT},  {GL_TRUE, GLU_NONE},    {GL_FALSE, GLU_NONE}};
    for (const auto& s : settings) {
        gluQuadricTexture(mesa, s.texture);
        gluQuadricNormals(mesa, s.normals);
        LayerQuadricTexture(ours, s.texture);
        LayerQuadricNormals(ours, s.normals);
        SCOPED_TRACE(::testing::Message() << "texture " << int(s.texture) << ", normals " << s.normals);

        glLoadIdentity();
        glTranslatef(0, 0, -4);
        glRotatef(30, 1, 0, 0);
        glRotatef(20, 0, 1, 0);
        std::vector<GLfloat> sphere = Feedback([&] { gluSphere(mesa, 1.0, 40, 20); });
        EXPECT_TRUE(SameFeedback(Feedback([&] { LayerSphere(ours, 1.0, 40, 20); }), sphere));

        glLoadIdentity();
        glTranslatef(0, -5, -20);
        glRotatef(-80, 1, 0, 0);
        std::vector<GLfloat> cone = Feedback([&] { gluCylinder(mesa, 0.3, 0.0, 10.0, 3, 3); });
        EXPECT_TRUE(SameFeedback(Feedback([&] { LayerCylinder(ours, 0.3, 0.0, 10.0, 3, 3); }), cone));

        // The capture itself sees what it compares: many colours, and texture coordinates when they are on.
        std::set<GLfloat> reds, esses;
        const size_t end = sphere.size() - 7;  // the current normal and texture coordinates follow
        for (size_t i = 0; i < end;) {
            ASSERT_EQ(static_cast<int>(sphere[i]), GL_POLYGON_TOKEN) << i;
            const size_t n = static_cast<size_t>(sphere[i + 1]);
            for (size_t k = 0; k < n; ++k) {
                reds.insert(sphere[i + 2 + 11 * k + 3]);
                esses.insert(sphere[i + 2 + 11 * k + 7]);
            }
            i += 2 + 11 * n;
        }
        EXPECT_GT(reds.size(), s.normals == GLU_NONE ? 0u : 100u);
        EXPECT_GT(esses.size(), s.texture ? 40u : 0u);
    }

    // Any style is recorded, and only filling draws.
    LayerQuadricDrawStyle(ours, GLU_LINE);
    EXPECT_EQ(Feedback([&] { LayerSphere(ours, 1.0, 40, 20); }).size(), 7u);
    LayerQuadricDrawStyle(ours, GLU_FILL);
    EXPECT_GT(Feedback([&] { LayerSphere(ours, 1.0, 40, 20); }).size(), 7u);

    gluDeleteQuadric(mesa);
    LayerDeleteQuadric(ours);
    LayerDeleteQuadric(nullptr);
}

TEST_F(LayerGlu, PerspectiveMultipliesMesasMatrix)
{
    const struct {
        double fovy, aspect, zNear, zFar;
    } cases[] = {{45.0, 640.0f / 480.0f, 0.1f, 100.0},
                 {60.0, 1.0, 1.0, 1000.0},
                 {30.0, 2.5, 0.5, 50.0},
                 {90.0, 0.75, 3.0, 7.0},
                 {45.0, 1.0, 5.0, 5.0}};
    glMatrixMode(GL_PROJECTION);
    for (const auto& c : cases) {
        GLdouble mesa[16], ours[16];
        // On a matrix already in place, so that the order of multiplication shows.
        glLoadIdentity();
        glRotated(30, 1, 2, 3);
        glTranslated(0.5, -1, 2);
        gluPerspective(c.fovy, c.aspect, c.zNear, c.zFar);
        glGetDoublev(GL_PROJECTION_MATRIX, mesa);
        glLoadIdentity();
        glRotated(30, 1, 2, 3);
        glTranslated(0.5, -1, 2);
        LayerPerspective(c.fovy, c.aspect, c.zNear, c.zFar);
        glGetDoublev(GL_PROJECTION_MATRIX, ours);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(ours[i], mesa[i]) << "fovy " << c.fovy << ", element " << i;
        }
    }
    glMatrixMode(GL_MODELVIEW);
}

namespace {

struct Level {
    GLint width, height;
    std::vector<uint8_t> texels;
    bool operator==(const Level& o) const { return width == o.width && height == o.height && texels == o.texels; }
};

struct Unpack {
    GLint alignment, rowLength, skipRows, skipPixels;
    bool operator==(const Unpack& o) const
    {
        return alignment == o.alignment && rowLength == o.rowLength && skipRows == o.skipRows &&
               skipPixels == o.skipPixels;
    }
};

Unpack CurrentUnpack()
{
    Unpack u{};
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &u.alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &u.rowLength);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &u.skipRows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &u.skipPixels);
    return u;
}

void SetUnpack(const Unpack& u)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, u.alignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, u.rowLength);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, u.skipRows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, u.skipPixels);
}

// Builds a texture with `build` under the caller's unpack state `unpack`, checks that it raised no GL error and left
// that state as it was, and reads every level back packed tight, down to 1 x 1.
std::vector<Level> BuiltLevels(const std::function<GLint()>& build, const Unpack& unpack, GLenum format, int n)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    SetUnpack(unpack);
    EXPECT_EQ(build(), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(CurrentUnpack() == unpack);
    SetUnpack({4, 0, 0, 0});
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<Level> levels;
    for (int level = 0; levels.empty() || levels.back().width * levels.back().height > 1; ++level) {
        Level l{};
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &l.width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &l.height);
        if (l.width == 0) {
            break;
        }
        l.texels.resize(static_cast<size_t>(l.width) * l.height * n);
        glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, l.texels.data());
        levels.push_back(std::move(l));
    }
    glDeleteTextures(1, &texture);
    return levels;
}

}  // namespace

// The pixels of an image laid out in memory as unpack state `u` reads them; bytes outside the image are 0xEE.
std::vector<uint8_t> LaidOut(const std::vector<uint8_t>& pixels, int width, int height, int n, const Unpack& u)
{
    int stride = (u.rowLength > 0 ? u.rowLength : width) * n;
    stride += (u.alignment - stride % u.alignment) % u.alignment;
    std::vector<uint8_t> data(static_cast<size_t>(stride) * (height + u.skipRows), 0xEE);
    for (int y = 0; y < height; ++y) {
        std::copy_n(&pixels[static_cast<size_t>(y) * width * n], static_cast<size_t>(width) * n,
                    &data[static_cast<size_t>(y + u.skipRows) * stride + static_cast<size_t>(u.skipPixels) * n]);
    }
    return data;
}

TEST_F(LayerGlu, MipmapsMatchMesasLevelForLevel)
{
    const Unpack tight{1, 0, 0, 0};
    const struct {
        GLenum format;
        int n;
        GLint components;
        int width, height;
        Unpack unpack;  // the caller's
        Unpack mesaUnpack;  // how Mesa's GLU is given the same image
        int expectedLevels;
    } cases[] = {
        // Scaled up to 128 x 64.
        {GL_RGB, 3, 3, 100, 60, {4, 0, 0, 0}, {4, 0, 0, 0}, 8},
        // Already a power of two.
        {GL_LUMINANCE, 1, GL_LUMINANCE, 256, 256, {4, 0, 0, 0}, {4, 0, 0, 0}, 9},
        // Scaled down to 256 x 64, boxes over three rows; within a larger image.
        {GL_RGBA, 4, 4, 300, 90, {8, 307, 2, 3}, {8, 307, 2, 3}, 9},
        // Padded rows, scaled to 64 x 32.
        {GL_LUMINANCE, 1, 1, 75, 45, {4, 0, 0, 0}, {4, 0, 0, 0}, 7},
        // Wider than the largest texture (16384 on llvmpipe): both sides halved to 16384 x 8, boxes over four rows.
        {GL_RGBA, 4, 4, 30000, 23, {4, 0, 0, 0}, {4, 0, 0, 0}, 15},
        // One column with padded rows. Mesa's GLU uploads its first level of its own making (3-byte rows) under
        // the caller's alignment of 4 and so skews it; it gets this image right only when given it tight.
        {GL_RGB, 3, GL_RGB, 1, 64, {4, 0, 0, 0}, tight, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", " << c.n << " bytes a pixel");
        std::vector<uint8_t> pixels(static_cast<size_t>(c.width) * c.height * c.n);
        uint32_t seed = 12345;
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x) {
                for (int k = 0; k < c.n; ++k) {
                    seed = seed * 1103515245u + 12345u;
                    // Smooth ramps with noise on top, so that both rounding and filter weights show.
                    const int value = (x * 255 / c.width) * (k % 2) + (y * 255 / c.height) * (1 - k % 2);
                    pixels[(static_cast<size_t>(y) * c.width + x) * c.n + k] =
                        static_cast<uint8_t>((value + static_cast<int>((seed >> 16) % 61) - 30) & 0xFF);
                }
            }
        }
        const std::vector<uint8_t> data = LaidOut(pixels, c.width, c.height, c.n, c.unpack);
        const std::vector<uint8_t> mesaData = LaidOut(pixels, c.width, c.height, c.n, c.mesaUnpack);
        std::vector<Level> mesa = BuiltLevels(
            [&] {
                return gluBuild2DMipmaps(GL_TEXTURE_2D, c.components, c.width, c.height, c.format, GL_UNSIGNED_BYTE,
                                         mesaData.data());
            },
            c.mesaUnpack, c.format, c.n);
        std::vector<Level> ours = BuiltLevels(
            [&] {
                return LayerBuild2DMipmaps(GL_TEXTURE_2D, c.components, c.width, c.height, c.format, GL_UNSIGNED_BYTE,
                                           data.data());
            },
            c.unpack, c.format, c.n);
        ASSERT_EQ(mesa.size(), static_cast<size_t>(c.expectedLevels));
        ASSERT_EQ(ours.size(), mesa.size());
        for (size_t level = 0; level < mesa.size(); ++level) {
            EXPECT_TRUE(ours[level] == mesa[level])
                << "level " << level << " (" << mesa[level].width << " x " << mesa[level].height << ")";
        }
    }
}
