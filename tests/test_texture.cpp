// Texture loading in a real GL context: the checkerboard fallback texel by texel, grey and colour uploads,
// rows of odd widths, the alpha merge and its size checks, names given back on reload and delete.
#include "jpeg_maker.h"
#include "resources/texture.h"
#include "tests/support.h"

#include <GL/gl.h>

#include <filesystem>
#include <string>

namespace {

const uint8_t kRed[3] = {255, 0, 0};
const uint8_t kBlue[3] = {0, 0, 255};

class Textures : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = TempDir("files");
        ASSERT_FALSE(dir.empty());
        ASSERT_TRUE(OpenTestWindow());
    }
    void TearDown() override
    {
        CloseTestWindow();
        std::filesystem::remove_all(dir);
    }
    std::string Path(const char* name) const { return dir + "/" + name; }
    std::string dir;
};

struct Level {
    int width = 0, height = 0;
    int format = 0; // the internal format as given: a component count
    std::vector<uint8_t> pixels;
};

// Level `level` of the texture bound to GL_TEXTURE_2D, read back as `format` (rows from t = 0 up).
Level ReadLevel(int level, GLenum format, int channels)
{
    Level out;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &out.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &out.height);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_INTERNAL_FORMAT, &out.format);
    out.pixels.assign(static_cast<size_t>(out.width) * out.height * channels, 0xAB);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.pixels.data());
    return out;
}

int TextureNamesInUse()
{
    int count = 0;
    for (GLuint name = 1; name < 512; ++name)
        count += glIsTexture(name) ? 1 : 0;
    return count;
}

void ExpectCheckerboard(Texture& texture)
{
    ASSERT_NE(texture.GetGlName(), 0u);
    texture.Bind();
    Level base = ReadLevel(0, GL_LUMINANCE, 1);
    EXPECT_EQ(base.width, 2);
    EXPECT_EQ(base.height, 2);
    EXPECT_EQ(base.format, 1) << "one component";
    // Bottom row black then white, top row white then black.
    EXPECT_EQ(base.pixels, (std::vector<uint8_t>{0, 255, 255, 0}));
    Level smallest = ReadLevel(1, GL_LUMINANCE, 1);
    EXPECT_EQ(smallest.width, 1) << "the fallback has its mipmap chain";
}

} // namespace

TEST_F(Textures, MissingOrUndecodableFileGivesTheCheckerboardWithItsParameters)
{
    ASSERT_TRUE(WriteFileBytes(Path("bad.jpg"), std::vector<uint8_t>(100, 0x42)));
    for (const std::string& name : {Path("missing.jpg"), Path("bad.jpg")}) {
        Texture texture;
        EXPECT_FALSE(texture.Load(name.c_str(), nullptr));
        ExpectCheckerboard(texture);
        GLint value = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
        EXPECT_EQ(value, GL_REPEAT);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
        EXPECT_EQ(value, GL_REPEAT);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
        EXPECT_EQ(value, GL_LINEAR_MIPMAP_NEAREST);
    }
    // A long missing name still gets the checkerboard.
    std::string longName = Path(std::string(300, 'x').c_str());
    Texture texture;
    EXPECT_FALSE(texture.Load(longName.c_str(), nullptr));
    ExpectCheckerboard(texture);
    // A null name changes nothing, and a texture that holds no name binds GL's default texture.
    Texture untouched;
    EXPECT_FALSE(untouched.Load(nullptr, nullptr));
    EXPECT_EQ(untouched.GetGlName(), 0u);
    texture.Bind();
    untouched.Bind();
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Textures, ReloadAndDeleteGiveNamesBack)
{
    ASSERT_TRUE(WriteJpeg(Path("c.jpg"), TwoBands(16, 16, kRed, kBlue), 16, 16, 3));
    int before = TextureNamesInUse();
    Texture texture;
    ASSERT_TRUE(texture.Load(Path("c.jpg").c_str(), nullptr));
    EXPECT_EQ(TextureNamesInUse(), before + 1);
    for (int i = 0; i < 5; ++i) {
        texture.Load(Path("c.jpg").c_str(), nullptr);
        texture.Load(Path("missing.jpg").c_str(), nullptr);
    }
    EXPECT_EQ(TextureNamesInUse(), before + 1) << "each reload deletes the name it held";
    GLuint name = texture.GetGlName();
    texture.Delete();
    EXPECT_EQ(texture.GetGlName(), 0u);
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_EQ(TextureNamesInUse(), before);
    texture.Delete();
    EXPECT_EQ(TextureNamesInUse(), before);
}

TEST_F(Textures, ColourAndGreyFilesUploadBottomRowFirst)
{
    ASSERT_TRUE(WriteJpeg(Path("c.jpg"), TwoBands(16, 16, kRed, kBlue), 16, 16, 3));
    std::vector<uint8_t> grey(16 * 8, 220);
    grey.resize(16 * 16, 30); // top half light, bottom half dark
    ASSERT_TRUE(WriteJpeg(Path("g.jpg"), grey, 16, 16, 1));

    Texture colour;
    ASSERT_TRUE(colour.Load(Path("c.jpg").c_str(), nullptr));
    colour.Bind();
    Level rgb = ReadLevel(0, GL_RGB, 3);
    ASSERT_EQ(rgb.width, 16);
    EXPECT_EQ(rgb.format, 3);
    // t = 0 (first row) is the bottom of the picture: blue. The top row is red.
    EXPECT_NEAR(rgb.pixels[2], 255, 6);
    EXPECT_NEAR(rgb.pixels[0], 0, 6);
    EXPECT_NEAR(rgb.pixels[15 * 16 * 3], 255, 6);
    EXPECT_NEAR(rgb.pixels[15 * 16 * 3 + 2], 0, 6);
    EXPECT_EQ(ReadLevel(4, GL_RGB, 3).width, 1) << "full mipmap chain";

    Texture luminance;
    ASSERT_TRUE(luminance.Load(Path("g.jpg").c_str(), nullptr));
    luminance.Bind();
    Level one = ReadLevel(0, GL_LUMINANCE, 1);
    EXPECT_EQ(one.format, 1) << "one component";
    EXPECT_NEAR(one.pixels[0], 30, 4);
    EXPECT_NEAR(one.pixels[15 * 16], 220, 4);
}

TEST_F(Textures, OddWidthRowsUploadWithoutSkew)
{
    // 250 x 64 RGB (750-byte rows): red for x < 125, blue after. With 4-byte row alignment every row would
    // start two bytes later than the last, turning the colours as the rows go up.
    const int w = 250, h = 64;
    std::vector<uint8_t> pixels(w * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            pixels[(y * w + x) * 3 + 0] = x < 125 ? 255 : 0;
            pixels[(y * w + x) * 3 + 2] = x < 125 ? 0 : 255;
        }
    ASSERT_TRUE(WriteJpeg(Path("wide.jpg"), pixels, w, h, 3));
    Texture texture;
    ASSERT_TRUE(texture.Load(Path("wide.jpg").c_str(), nullptr));
    texture.Bind();
    Level level = ReadLevel(0, GL_RGB, 3);
    ASSERT_EQ(level.width, 256) << "stretched to a power of two by the mipmap builder";
    // The builder's stretch leaves the top row of a stretched level black (GLU's scaler), so it is left out.
    for (int y = 0; y < level.height - 1; ++y) {
        const uint8_t* row = &level.pixels[static_cast<size_t>(y) * level.width * 3];
        const uint8_t* left = row + (level.width / 4) * 3;
        const uint8_t* right = row + (3 * level.width / 4) * 3;
        ASSERT_NEAR(left[0], 255, 16) << "row " << y;
        ASSERT_NEAR(left[1], 0, 16) << "row " << y;
        ASSERT_NEAR(right[2], 255, 16) << "row " << y;
        ASSERT_NEAR(right[0], 0, 16) << "row " << y;
    }

    // 2 x 8 RGB needs no stretch and has 6-byte rows: every row, exactly where it belongs.
    std::vector<uint8_t> narrow(2 * 8 * 3, 0);
    for (int y = 0; y < 8; ++y) {
        narrow[(y * 2) * 3 + 0] = 255;     // left column red
        narrow[(y * 2 + 1) * 3 + 2] = 255; // right column blue
        narrow[(y * 2) * 3 + 1] = narrow[(y * 2 + 1) * 3 + 1] = static_cast<uint8_t>(y * 30);
    }
    ASSERT_TRUE(WriteJpeg(Path("narrow.jpg"), narrow, 2, 8, 3));
    ASSERT_TRUE(texture.Load(Path("narrow.jpg").c_str(), nullptr));
    Level small = ReadLevel(0, GL_RGB, 3);
    ASSERT_EQ(small.width, 2);
    ASSERT_EQ(small.height, 8);
    for (int t = 0; t < 8; ++t) {
        const uint8_t* row = &small.pixels[t * 6];
        int green = (7 - t) * 30; // t = 0 is the picture's bottom row
        EXPECT_NEAR(row[0], 255, 24) << "row " << t;
        EXPECT_NEAR(row[1], green, 24) << "row " << t;
        EXPECT_NEAR(row[5], 255, 24) << "row " << t;
        EXPECT_NEAR(row[4], green, 24) << "row " << t;
        EXPECT_NEAR(row[3], 0, 24) << "row " << t;
    }
}

TEST_F(Textures, AlphaFileBecomesTheAlphaChannel)
{
    ASSERT_TRUE(WriteJpeg(Path("c.jpg"), TwoBands(16, 16, kRed, kBlue), 16, 16, 3));
    // Alpha: 0 on the left half, 255 on the right half, as a colour file (read as grey).
    std::vector<uint8_t> alpha(16 * 16 * 3);
    for (int i = 0; i < 16 * 16; ++i)
        for (int c = 0; c < 3; ++c)
            alpha[i * 3 + c] = (i % 16) < 8 ? 0 : 255;
    ASSERT_TRUE(WriteJpeg(Path("a.jpg"), alpha, 16, 16, 3));

    Texture texture;
    ASSERT_TRUE(texture.Load(Path("c.jpg").c_str(), Path("a.jpg").c_str()));
    texture.Bind();
    Level rgba = ReadLevel(0, GL_RGBA, 4);
    ASSERT_EQ(rgba.width, 16);
    EXPECT_EQ(rgba.format, 4);
    auto at = [&](int x, int y, int c) { return rgba.pixels[(y * 16 + x) * 4 + c]; };
    EXPECT_NEAR(at(2, 1, 3), 0, 6);
    EXPECT_NEAR(at(13, 1, 3), 255, 6);
    EXPECT_NEAR(at(13, 1, 2), 255, 6); // bottom: blue
    EXPECT_NEAR(at(2, 14, 0), 255, 6); // top: red
    EXPECT_NEAR(at(2, 14, 3), 0, 6);
    EXPECT_NEAR(at(13, 14, 3), 255, 6);

    // A grey colour file spreads its level over R, G and B.
    std::vector<uint8_t> grey(16 * 16, 180);
    ASSERT_TRUE(WriteJpeg(Path("g.jpg"), grey, 16, 16, 1));
    ASSERT_TRUE(texture.Load(Path("g.jpg").c_str(), Path("a.jpg").c_str()));
    Level spread = ReadLevel(0, GL_RGBA, 4);
    EXPECT_NEAR(spread.pixels[(5 * 16 + 12) * 4 + 0], 180, 4);
    EXPECT_NEAR(spread.pixels[(5 * 16 + 12) * 4 + 1], 180, 4);
    EXPECT_NEAR(spread.pixels[(5 * 16 + 12) * 4 + 2], 180, 4);
    EXPECT_NEAR(spread.pixels[(5 * 16 + 12) * 4 + 3], 255, 6);
}

TEST_F(Textures, AlphaFileOfAnotherSizeOrUnreadableGivesTheFallback)
{
    ASSERT_TRUE(WriteJpeg(Path("c.jpg"), TwoBands(16, 16, kRed, kBlue), 16, 16, 3));
    const int sizes[][2] = {{17, 16}, {15, 16}, {16, 17}, {16, 15}};
    for (const auto& size : sizes) {
        std::string name = Path(("a" + std::to_string(size[0]) + "x" + std::to_string(size[1]) + ".jpg").c_str());
        ASSERT_TRUE(WriteJpeg(name, std::vector<uint8_t>(size[0] * size[1], 128), size[0], size[1], 1));
        Texture texture;
        EXPECT_FALSE(texture.Load(Path("c.jpg").c_str(), name.c_str())) << name;
        ExpectCheckerboard(texture);
    }
    Texture texture;
    EXPECT_FALSE(texture.Load(Path("c.jpg").c_str(), Path("missing.jpg").c_str()));
    ExpectCheckerboard(texture);
    EXPECT_FALSE(texture.Load(Path("missing.jpg").c_str(), Path("c.jpg").c_str()));
    ExpectCheckerboard(texture);
}

TEST_F(Textures, SceneTexturesHoldNamesUntilTheWindowCloses)
{
    // InitScene loaded all seven (pictures or fallbacks); closing the window hands every name back.
    Texture* all[] = {&texStar, &texFire, &texStelle, &texStelle2, &texSun, &texEnv, &texFont};
    for (Texture* texture : all)
        EXPECT_NE(texture->GetGlName(), 0u);
    CloseTestWindow();
    for (Texture* texture : all)
        EXPECT_EQ(texture->GetGlName(), 0u);
    ASSERT_TRUE(OpenTestWindow());
    for (Texture* texture : all)
        EXPECT_NE(texture->GetGlName(), 0u);
}
