// The GL 1.1 semantics the layer over OpenGL ES 3 must keep where a whole picture would hide a fault: each
// case runs on the system's GL and on the layer, with the same expectations.
#include "platform/gles/layer.h"
#include "support.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <ostream>
#include <utility>
#include <vector>

// gtest names the parameter in its messages.
void PrintTo(GlApi api, std::ostream* out) { *out << (api == GlApi::Es ? "es" : "classic"); }

namespace {

class GlLayer : public ::testing::TestWithParam<GlApi> {
protected:
    void SetUp() override
    {
        ChooseGlApi(GetParam());
        ASSERT_TRUE(OpenTestWindow());
        glViewport(0, 0, 640, 480);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 640, 0, 480, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        for (GLenum cap : {GL_TEXTURE_2D, GL_LIGHTING, GL_LIGHT0, GL_COLOR_MATERIAL, GL_BLEND, GL_DEPTH_TEST,
                           GL_CULL_FACE, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T})
            glDisable(cap);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override
    {
        CloseTestWindow();
        ChooseGlApi(GlApi::Classic);
    }
    // The pixel at (x, y), counted from the bottom left as GL counts.
    std::vector<int> Pixel(int x, int y)
    {
        if (frame.empty())
            frame = ReadFrameRgb(width, height);
        const size_t at = (static_cast<size_t>(height - 1 - y) * width + x) * 3;
        if (frame.size() < at + 3)
            return {-1, -1, -1};
        return {frame[at], frame[at + 1], frame[at + 2]};
    }
    std::vector<uint8_t> frame;
    int width = 0, height = 0;
};

const std::vector<int> kRed = {255, 0, 0}, kGreen = {0, 255, 0}, kBlue = {0, 0, 255}, kWhite = {255, 255, 255};

void Colour(const std::vector<int>& c) { glColor4ub(GLubyte(c[0]), GLubyte(c[1]), GLubyte(c[2]), 255); }

TEST_P(GlLayer, FlatShadingTakesTheProvokingVertexOfEachPrimitiveAndWideLinesKeepTheirWidth)
{
    glShadeModel(GL_FLAT);
    // A quad takes its last vertex's colour, a polygon its first's.
    glBegin(GL_QUADS);
    Colour(kRed), glVertex2i(10, 10), Colour(kGreen), glVertex2i(60, 10), Colour(kBlue), glVertex2i(60, 60);
    Colour(kWhite), glVertex2i(10, 60);
    glEnd();
    glBegin(GL_POLYGON);
    Colour(kRed), glVertex2i(100, 10), Colour(kGreen), glVertex2i(150, 10), Colour(kBlue), glVertex2i(150, 60);
    Colour(kWhite), glVertex2i(100, 60);
    glEnd();
    // Each triangle of a strip takes its third vertex's; each quad of a strip its fourth's.
    glBegin(GL_TRIANGLE_STRIP);
    Colour(kRed), glVertex2i(200, 10), Colour(kGreen), glVertex2i(200, 60), Colour(kBlue), glVertex2i(260, 10);
    Colour(kWhite), glVertex2i(260, 60);
    glEnd();
    glBegin(GL_QUAD_STRIP);
    Colour(kRed), glVertex2i(300, 10), Colour(kGreen), glVertex2i(300, 60), Colour(kBlue), glVertex2i(350, 10);
    Colour(kWhite), glVertex2i(350, 60), Colour(kGreen), glVertex2i(400, 10), Colour(kRed), glVertex2i(400, 60);
    glEnd();
    // Each segment of a line loop takes its second vertex's, the closing one the first vertex's.
    glBegin(GL_LINE_LOOP);
    Colour(kRed), glVertex2f(10.5f, 100.5f), Colour(kGreen), glVertex2f(60.5f, 100.5f), Colour(kBlue);
    glVertex2f(60.5f, 150.5f);
    glEnd();
    glShadeModel(GL_SMOOTH);
    glColor3f(1, 1, 1);
    glLineWidth(3);
    glBegin(GL_LINES);
    glVertex2f(100, 200.5f), glVertex2f(200, 200.5f);  // x-major: three rows
    glVertex2f(300.5f, 150), glVertex2f(300.5f, 250);  // y-major: three columns
    glEnd();
    glLineWidth(1);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    for (auto [x, y] : {std::pair{20, 20}, {50, 20}, {50, 50}, {20, 50}})
        EXPECT_EQ(Pixel(x, y), kWhite) << "quad at " << x << "," << y;
    for (auto [x, y] : {std::pair{110, 20}, {140, 20}, {140, 50}, {110, 50}})
        EXPECT_EQ(Pixel(x, y), kRed) << "polygon at " << x << "," << y;
    EXPECT_EQ(Pixel(210, 20), kBlue);  // (v0, v1, v2)
    EXPECT_EQ(Pixel(250, 50), kWhite);  // (v1, v2, v3)
    EXPECT_EQ(Pixel(310, 35), kWhite);  // (v0, v1, v3, v2)
    EXPECT_EQ(Pixel(390, 35), kRed);  // (v2, v3, v5, v4)
    EXPECT_EQ(Pixel(35, 100), kGreen);
    EXPECT_EQ(Pixel(60, 125), kBlue);
    EXPECT_EQ(Pixel(35, 125), kRed);  // the diagonal back to the first vertex
    for (int row : {199, 200, 201})
        EXPECT_EQ(Pixel(150, row), kWhite) << "row " << row;
    for (int row : {197, 203})
        EXPECT_EQ(Pixel(150, row), std::vector<int>({0, 0, 0})) << "row " << row;
    for (int column : {299, 300, 301})
        EXPECT_EQ(Pixel(column, 200), kWhite) << "column " << column;
    EXPECT_EQ(Pixel(303, 200), std::vector<int>({0, 0, 0}));
}

TEST_P(GlLayer, ListsReplayInOrderTakeUnsetValuesFromTheCallerAndLeaveWhatTheySet)
{
    const GLuint base = glGenLists(3);
    ASSERT_NE(base, 0u);
    glNewList(base, GL_COMPILE);  // a square in whatever colour is current when it is called
    glBegin(GL_QUADS);
    glVertex2i(0, 0), glVertex2i(20, 0), glVertex2i(20, 20), glVertex2i(0, 20);
    glEnd();
    glTranslatef(30, 0, 0);
    glEndList();
    glNewList(base + 1, GL_COMPILE);  // a red square that leaves the colour red, then a call of the first
    glColor3f(1, 0, 0);
    glBegin(GL_TRIANGLES);
    glVertex2i(0, 0), glVertex2i(20, 0), glVertex2i(0, 20);
    glEnd();
    glTranslatef(30, 0, 0);
    glCallList(base);
    glEndList();
    glNewList(base + 2, GL_COMPILE);
    glScalef(2, 2, 1);
    glEndList();
    // Compiling changes neither the current colour nor the matrix.
    float colour[4], matrix[16];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(matrix[12], 0.0f);

    glTranslatef(10, 300, 0);
    glColor3f(0, 1, 0);
    glCallList(base);  // green at x 10
    glListBase(base);
    const GLubyte calls[] = {1, 0};  // red triangle at 40, red square at 70 (now red), then plain at 100
    glCallLists(2, GL_UNSIGNED_BYTE, calls);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 0.0f);
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_EQ(matrix[12], 130.0f);
    // Order matters: scale then translate is not translate then scale.
    glLoadIdentity();
    const GLubyte scaleThenMove[] = {2, 0};
    glCallLists(2, GL_UNSIGNED_BYTE, scaleThenMove);
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_EQ(matrix[12], 60.0f);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    // No list 0; a list inside a list's compilation is refused, and the first error stays until asked.
    glNewList(0, GL_COMPILE);
    glNewList(base, GL_COMPILE);
    glNewList(base, GL_COMPILE);
    glEndList();
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_VALUE));
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteLists(base, 3);
    EXPECT_EQ(glIsList(base + 1), GL_FALSE);

    EXPECT_EQ(Pixel(15, 305), kGreen);
    EXPECT_EQ(Pixel(43, 303), kRed);
    EXPECT_EQ(Pixel(75, 305), kRed);
    EXPECT_EQ(Pixel(105, 305), kRed);
    EXPECT_EQ(Pixel(135, 305), std::vector<int>({0, 0, 0}));
}

// List names are given, asked after and deleted at once while a list is compiled, and a list called between
// glBegin and glEnd gives the primitive its colour and vertices.
TEST_P(GlLayer, ListObjectsActAtOnceWhileCompilingAndListsAreCalledInsideAPrimitive)
{
    const GLuint corners = glGenLists(1);
    glNewList(corners, GL_COMPILE);  // the bottom corners of a square, in red
    const GLuint spare = glGenLists(2);
    EXPECT_NE(spare, 0u);
    EXPECT_EQ(glIsList(spare + 1), GL_TRUE);
    glDeleteLists(spare, 2);
    EXPECT_EQ(glIsList(spare), GL_FALSE);
    glColor3f(1, 0, 0);
    glVertex2i(200, 100), glVertex2i(240, 100);
    glEndList();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_EQ(glIsList(corners), GL_TRUE);

    glColor3f(0, 0, 1);
    glBegin(GL_QUADS);
    glCallList(corners);
    glVertex2i(240, 140), glVertex2i(200, 140);
    glEnd();
    glTranslatef(100, 0, 0);
    glColor3f(0, 0, 1);
    glBegin(GL_QUADS);
    glCallLists(1, GL_UNSIGNED_INT, &corners);
    glVertex2i(240, 140), glVertex2i(200, 140);
    glEnd();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glDeleteLists(corners, 1);
    EXPECT_EQ(Pixel(220, 120), kRed);
    EXPECT_EQ(Pixel(320, 120), kRed);
}

TEST_P(GlLayer, MatrixStacksEndAtTheirDepthWithTheErrorsOfGl)
{
    for (GLenum mode : {GL_MODELVIEW, GL_PROJECTION}) {
        glMatrixMode(mode);
        GLint most = 0;
        glGetIntegerv(mode == GL_MODELVIEW ? GL_MAX_MODELVIEW_STACK_DEPTH : GL_MAX_PROJECTION_STACK_DEPTH, &most);
        ASSERT_GE(most, 2);
        for (int i = 1; i < most; ++i)
            glPushMatrix();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        glTranslatef(5, 0, 0);
        glPushMatrix();
        EXPECT_EQ(glGetError(), GLenum(GL_STACK_OVERFLOW)) << mode;
        float matrix[16];
        glGetFloatv(mode == GL_MODELVIEW ? GL_MODELVIEW_MATRIX : GL_PROJECTION_MATRIX, matrix);
        EXPECT_EQ(matrix[12] - (mode == GL_PROJECTION ? -1.0f : 0.0f), mode == GL_PROJECTION ? 5.0f / 320 : 5.0f);
        for (int i = 1; i < most; ++i)
            glPopMatrix();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        glPopMatrix();
        EXPECT_EQ(glGetError(), GLenum(GL_STACK_UNDERFLOW)) << mode;
    }
    glMatrixMode(GL_MODELVIEW);
    glEnd();
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_OPERATION));
    glBegin(GL_TRIANGLES);
    glBegin(GL_TRIANGLES);
    glEnd();
    EXPECT_EQ(glGetError(), GLenum(GL_INVALID_OPERATION));
}

TEST_P(GlLayer, TexGenAndLightingFollowGl11)
{
    // A texture whose red is s and whose green is t, in 256ths.
    std::vector<GLubyte> st(256 * 256 * 3);
    for (int t = 0; t < 256; ++t)
        for (int s = 0; s < 256; ++s) {
            st[(t * 256 + s) * 3] = GLubyte(s);
            st[(t * 256 + s) * 3 + 1] = GLubyte(t);
        }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, st.data());
    glEnable(GL_TEXTURE_2D);
    glColor3f(1, 1, 1);
    // Object linear: s and t are the object's x and y, whatever the modelview does.
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glPushMatrix();
    glTranslatef(20, 20, 0);
    glScalef(256, 128, 1);
    glBegin(GL_QUADS);
    glVertex2f(0, 0), glVertex2f(1, 0), glVertex2f(1, 1), glVertex2f(0, 1);
    glEnd();
    glPopMatrix();
    // Sphere map: with the normal towards the eye, s = x / (2 sqrt 2 |p|) + 0.5 at eye position p in z = 0.
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glNormal3f(0, 0, 1);
    glBegin(GL_QUADS);
    glVertex2f(300, 200), glVertex2f(340, 200), glVertex2f(340, 240), glVertex2f(300, 240);
    glEnd();
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_2D);
    // Lighting: GL_LIGHT0 from the eye, the colour as material: 0.2 ambient plus the normal's z.
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(0.5f, 0.5f, 0.5f);
    for (float z : {1.0f, -1.0f, 0.6f}) {
        glNormal3f(0, std::sqrt(1 - z * z), z);
        glBegin(GL_QUADS);
        const float x = 400 + 60 * (z < 0 ? 1 : z < 1 ? 2 : 0);
        glVertex2f(x, 300), glVertex2f(x + 40, 300), glVertex2f(x + 40, 340), glVertex2f(x, 340);
        glEnd();
    }
    glDisable(GL_LIGHTING);
    glDeleteTextures(1, &texture);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    for (int x : {0, 37, 128, 255}) {
        const std::vector<int> p = Pixel(20 + x, 20 + 64);
        EXPECT_NEAR(p[0], x, 1) << "s at " << x;
        EXPECT_NEAR(p[1], 128, 1);
    }
    const double px = 320.5, py = 220.5, length = std::hypot(px, py);
    const std::vector<int> sphere = Pixel(320, 220);
    EXPECT_NEAR(sphere[0], (px / length / (2 * std::sqrt(2.0)) + 0.5) * 256, 2);
    EXPECT_NEAR(sphere[1], (py / length / (2 * std::sqrt(2.0)) + 0.5) * 256, 2);
    EXPECT_NEAR(Pixel(420, 320)[0], (0.2 * 0.5 + 0.5) * 255, 1);
    EXPECT_NEAR(Pixel(480, 320)[0], 0.2 * 0.5 * 255, 1);
    EXPECT_NEAR(Pixel(540, 320)[0], (0.2 * 0.5 + 0.6 * 0.5) * 255, 1);
}

// Alpha and luminance-alpha textures, built by GLU, modulate as GL 1.1 has them: an alpha texture keeps the
// colour and scales its alpha, a luminance-alpha one scales both.
TEST_P(GlLayer, AlphaTexturesModulateTheColourAndItsAlpha)
{
    const GLubyte alpha[4] = {128, 128, 128, 128}, luminanceAlpha[8] = {128, 128, 128, 128, 128, 128, 128, 128};
    GLuint textures[2] = {0, 0};
    glGenTextures(2, textures);
    glBindTexture(GL_TEXTURE_2D, textures[0]);
    EXPECT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, GL_ALPHA, 2, 2, GL_ALPHA, GL_UNSIGNED_BYTE, alpha), 0);
    glBindTexture(GL_TEXTURE_2D, textures[1]);
    EXPECT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, 2, 2, 2, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, luminanceAlpha), 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor3f(1, 1, 0);
    for (int i = 0; i < 2; ++i) {
        glBindTexture(GL_TEXTURE_2D, textures[i]);
        const int x = 100 + 100 * i;
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex2i(x, 100), glTexCoord2f(1, 0), glVertex2i(x + 40, 100);
        glTexCoord2f(1, 1), glVertex2i(x + 40, 140), glTexCoord2f(0, 1), glVertex2i(x, 140);
        glEnd();
    }
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glDeleteTextures(2, textures);
    // Over black: yellow at half its alpha, then at half its luminance and half its alpha.
    for (const auto& [x, level] : {std::pair{120, 128}, std::pair{220, 64}}) {
        const std::vector<int> p = Pixel(x, 120);
        EXPECT_NEAR(p[0], level, 2) << x;
        EXPECT_NEAR(p[1], level, 2) << x;
        EXPECT_EQ(p[2], 0) << x;
    }
}

INSTANTIATE_TEST_SUITE_P(BothGls, GlLayer, ::testing::Values(GlApi::Classic, GlApi::Es),
                         [](const auto& info) { return info.param == GlApi::Es ? "Es" : "Classic"; });

}  // namespace
