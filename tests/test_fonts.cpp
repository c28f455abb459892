// The two fonts in a real GL context: outline glyphs as extruded lines on the em square with their
// advances, the substitute face, font resources and their release, the bitmap font's squares, cells and
// the state Print2DText leaves, and golden pictures of both fonts.
#include "app/init_scene.h"
#include "resources/quadric.h"
#include "app/shell.h"
#include "platform/windows/gdi_fonts.h"
#include "resources/fonts.h"
#include "resources/texture.h"
#include "tests/gl_probe.h"
#include "tests/support.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

const char kDejaVuDir[] = "/usr/share/fonts/truetype/dejavu";

uint32_t Get32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// A font collection holding the given TrueType files one after another, each table directory moved to
// point at its own copy.
std::vector<uint8_t> MakeCollection(const std::vector<std::vector<uint8_t>>& fonts)
{
    std::vector<uint8_t> out(12 + 4 * fonts.size(), 0);
    std::memcpy(out.data(), "ttcf", 4);
    Put32(out, 4, 0x00010000);
    Put32(out, 8, static_cast<uint32_t>(fonts.size()));
    for (size_t f = 0; f < fonts.size(); ++f) {
        while (out.size() % 4)
            out.push_back(0);
        uint32_t base = static_cast<uint32_t>(out.size());
        Put32(out, 12 + 4 * f, base);
        std::vector<uint8_t> font = fonts[f];
        int tables = font[4] << 8 | font[5];
        for (int t = 0; t < tables; ++t)
            Put32(font, 12 + 16 * t + 8, Get32(font, 12 + 16 * t + 8) + base);
        out.insert(out.end(), font.begin(), font.end());
    }
    return out;
}

// Runs the test in a fresh folder (no Korvale.ttf, no data/) with fontconfig limited to the DejaVu
// faces, so that the substitute face is the same on every machine with fonts-dejavu-core.
class InEmptyFolder {
public:
    InEmptyFolder()
    {
        folder = TempDir("cwd");
        std::filesystem::create_directories(folder + "/cache");
        std::ofstream conf(folder + "/fonts.conf");
        conf << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
             << "  <dir>" << kDejaVuDir << "</dir>\n  <cachedir>" << folder << "/cache</cachedir>\n"
             << "  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n</fontconfig>\n";
        conf.close();
        setenv("FONTCONFIG_FILE", (folder + "/fonts.conf").c_str(), 1);
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }
    ~InEmptyFolder() { std::filesystem::current_path(previous); }
    std::string folder;

private:
    std::filesystem::path previous;
};

// Lines and polygons that `draw` sends to the screen, under an orthographic view of -1..1 in every axis
// on the 640 x 480 viewport: window x = (x + 1) * 320, y = (y + 1) * 240, depth = (1 - z) / 2.
std::vector<std::vector<FeedbackVertex>> UnitCubeFeedback(const std::function<void()>& draw)
{
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return FeedbackPrimitives(draw);
}

void OutlineScene(const char* text)
{
    glViewport(0, 0, 640, 480);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 640.0 / 480.0, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Turned about the word's middle, so that the extrusion shows on both sides.
    glTranslatef(0.0f, 0.0f, -7.0f);
    glRotatef(-25.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(15.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(-2.7f, -0.35f, 0.0f);
    glColor3f(1.0f, 0.85f, 0.3f);
    Print3DText(text);
}

void BitmapScene()
{
    glViewport(0, 0, 640, 480);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glEnable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    Print2DText(2, 2, "MUSIC IS OFF");
    char row[17];
    for (int band = 0; band < 6; ++band) {
        for (int i = 0; i < 16; ++i)
            row[i] = static_cast<char>(32 + band * 16 + i);
        row[16] = '\0';
        Print2DText(200, 400 - 40 * band, row);
    }
}

float ModelViewX()
{
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return m[12];
}

} // namespace

TEST(OutlineFont, GlyphsAreExtrudedLinesOnTheEmSquare)
{
    ASSERT_TRUE(OpenTestWindow());
    for (int code = 0; code < 90; ++code)
        EXPECT_TRUE(glIsList(outlineFontBase + code)) << code;
    // "I" from the front: lines only, at depth 0.5 (z = 0) and 0.55 (z = -0.1), joined front to back.
    auto primitives = UnitCubeFeedback([] { Print3DText("I"); });
    ASSERT_FALSE(primitives.empty());
    int joins = 0;
    float low = 1e9f, high = -1e9f;
    for (const auto& p : primitives) {
        ASSERT_EQ(p.size(), 2u) << "only line segments";
        for (const FeedbackVertex& v : p) {
            EXPECT_TRUE(std::abs(v.z - 0.5f) < 1e-4f || std::abs(v.z - 0.55f) < 1e-4f) << v.z;
            low = std::min(low, v.y);
            high = std::max(high, v.y);
        }
        joins += std::abs(p[0].z - p[1].z) > 0.01f ? 1 : 0;
    }
    EXPECT_GE(joins, 4);
    // A capital's height in em units: around 0.7 for any sans-serif face.
    float capital = (high - low) / 240.0f;
    EXPECT_GT(capital, 0.6f);
    EXPECT_LT(capital, 0.8f);
    EXPECT_NEAR(low, 240.0f, 240.0f * 0.02f) << "the glyph stands on the baseline";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    CloseTestWindow();
}

TEST(OutlineFont, EachGlyphAdvancesByItsWidthAndPrintKeepsTheListBase)
{
    ASSERT_TRUE(OpenTestWindow());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glListBase(777);
    Print3DText("KORVALE");
    float sum = 0.0f;
    for (const char* c = "KORVALE"; *c; ++c) {
        float advance = glyphMetrics[static_cast<int>(*c)].gmfCellIncX;
        EXPECT_GT(advance, 0.4f) << *c;
        EXPECT_LT(advance, 1.2f) << *c;
        sum += advance;
    }
    EXPECT_NEAR(ModelViewX(), sum, 1e-4f);
    GLint base = 0;
    glGetIntegerv(GL_LIST_BASE, &base);
    EXPECT_EQ(base, 777);
    // Metrics: 'W' is wider than 'I', both boxes within one em; record 89 is never filled.
    EXPECT_GT(glyphMetrics['W'].gmfBlackBoxX, glyphMetrics['I'].gmfBlackBoxX);
    EXPECT_LT(glyphMetrics['W'].gmfBlackBoxX, 1.2f);
    EXPECT_EQ(glyphMetrics[89].gmfCellIncX, 0.0f);
    EXPECT_EQ(glyphMetrics[89].gmfBlackBoxX, 0.0f);

    // Null, empty, a control code without a glyph and the empty last list.
    glLoadIdentity();
    EXPECT_TRUE(UnitCubeFeedback([] { Print3DText(nullptr); }).empty());
    EXPECT_EQ(ModelViewX(), 0.0f);
    EXPECT_TRUE(UnitCubeFeedback([] { Print3DText(""); }).empty());
    EXPECT_EQ(ModelViewX(), 0.0f);
    EXPECT_TRUE(UnitCubeFeedback([] { Print3DText("\x01"); }).empty());
    EXPECT_GT(ModelViewX(), 0.0f) << "a code without a glyph still advances";
    EXPECT_NEAR(ModelViewX(), glyphMetrics[1].gmfCellIncX, 1e-5f);
    EXPECT_TRUE(UnitCubeFeedback([] { Print3DText("Y"); }).empty()); // code 89
    EXPECT_EQ(ModelViewX(), 0.0f);
    CloseTestWindow();
}

TEST(Fonts, CharactersOutsideAFontsRangeDrawNothing)
{
    // The outline lists hold codes 0 to 89 and the bitmap lists 32 to 127, side by side: a character
    // outside a font's range must not reach into the other font's lists.
    ASSERT_TRUE(OpenTestWindow());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    for (const char* outside : {"d", "z", "\x7F", "\xC8", "\xFF"}) {
        EXPECT_TRUE(UnitCubeFeedback([&] { Print3DText(outside); }).empty()) << int(uint8_t(outside[0]));
        EXPECT_EQ(ModelViewX(), 0.0f);
    }
    // Mixed in, they leave the word as it is.
    auto word = UnitCubeFeedback([] { Print3DText("AVA"); });
    ASSERT_FALSE(word.empty());
    auto mixed = UnitCubeFeedback([] { Print3DText("AdVzA\xE9"); });
    ASSERT_EQ(mixed.size(), word.size());
    for (size_t p = 0; p < word.size(); ++p) {
        ASSERT_EQ(mixed[p].size(), word[p].size());
        for (size_t v = 0; v < word[p].size(); ++v) {
            EXPECT_EQ(mixed[p][v].x, word[p][v].x);
            EXPECT_EQ(mixed[p][v].y, word[p][v].y);
        }
    }

    glViewport(0, 0, 640, 480);
    for (const char* outside : {"\x01", "\x1F", "\x80", "\xE9", "\xFF"})
        EXPECT_TRUE(FeedbackPrimitives([&] { Print2DText(0, 0, outside); }).empty()) << int(uint8_t(outside[0]));
    EXPECT_EQ(FeedbackPrimitives([] { Print2DText(0, 0, "M\x05U\xC1"); }).size(),
              FeedbackPrimitives([] { Print2DText(0, 0, "MU"); }).size());
    CloseTestWindow();
}

TEST(OutlineFont, AddedFaceIsUsedAndReleasedWithTheWindow)
{
    ASSERT_TRUE(std::filesystem::exists("Korvale.ttf")) << "the build puts the font beside data/";
    ASSERT_TRUE(OpenTestWindow());
    EXPECT_TRUE(fontResourceAdded);
    EXPECT_EQ(GdiAddedFontFileCount(), 1);
    GdiOutlineFace face = GdiLastOutlineFace();
    EXPECT_TRUE(face.added);
    EXPECT_EQ(face.family, "Korvale");
    EXPECT_EQ(face.weight, 900);
    EXPECT_FALSE(face.emboldened) << "the face is heavy already";
    CloseTestWindow();
    EXPECT_FALSE(fontResourceAdded);
    EXPECT_EQ(GdiAddedFontFileCount(), 0);
    EXPECT_EQ(GdiSelectionCount(), 0);
}

TEST(OutlineFont, MissingFontFileGivesTheEmboldenedSubstitute)
{
    InEmptyFolder folder;
    ASSERT_TRUE(OpenTestWindow());
    EXPECT_FALSE(fontResourceAdded);
    EXPECT_EQ(GdiAddedFontFileCount(), 0);
    GdiOutlineFace face = GdiLastOutlineFace();
    EXPECT_FALSE(face.added);
    EXPECT_EQ(face.family, "DejaVu Sans");
    EXPECT_EQ(face.style, "Bold");
    EXPECT_TRUE(face.emboldened) << "900 asked of a 700 face";
    EXPECT_GT(glyphMetrics['K'].gmfCellIncX, 0.4f);
    OutlineScene("KORVALE");
    int w = 0, h = 0;
    std::vector<uint8_t> rgb = ReadFrameRgb(w, h);
    EXPECT_TRUE(MatchesGolden("outline_korvale_substitute", rgb, w, h));
    CloseTestWindow();
}

TEST(OutlineFont, FontFileOfAnotherFamilyIsAddedButNotUsed)
{
    InEmptyFolder folder;
    std::filesystem::copy_file(std::string(kDejaVuDir) + "/DejaVuSerif.ttf", "Korvale.ttf");
    ASSERT_TRUE(OpenTestWindow());
    EXPECT_TRUE(fontResourceAdded);
    EXPECT_FALSE(GdiLastOutlineFace().added);
    EXPECT_EQ(GdiLastOutlineFace().family, "DejaVu Sans");
    CloseTestWindow();
    EXPECT_FALSE(fontResourceAdded);
    EXPECT_EQ(GdiAddedFontFileCount(), 0);
}

TEST(OutlineFont, FileOfTwoFontsIsNotCountedAsAddedNorRemoved)
{
    InEmptyFolder folder;
    std::vector<uint8_t> collection = MakeCollection({ReadBytes(std::string(kDejaVuDir) + "/DejaVuSans.ttf"),
                                                      ReadBytes(std::string(kDejaVuDir) + "/DejaVuSans-Bold.ttf")});
    ASSERT_TRUE(WriteFileBytes("Korvale.ttf", collection));
    EXPECT_EQ(AddFontResourceA("Korvale.ttf"), 2);
    EXPECT_TRUE(RemoveFontResourceA("Korvale.ttf"));
    EXPECT_FALSE(RemoveFontResourceA("Korvale.ttf")) << "removed once only";
    EXPECT_EQ(AddFontResourceA("missing.ttf"), 0);
    EXPECT_EQ(AddFontResourceA("fonts.conf"), 0) << "not a font";

    ASSERT_TRUE(OpenTestWindow());
    EXPECT_FALSE(fontResourceAdded);
    EXPECT_EQ(GdiAddedFontFileCount(), 1);
    CloseTestWindow();
    // As the demo would: a file it did not count as added stays added.
    EXPECT_EQ(GdiAddedFontFileCount(), 1);
}

TEST(Fonts, ReopeningTheWindowKeepsOneOfEverything)
{
    ASSERT_TRUE(OpenTestWindow());
    for (int i = 0; i < 40; ++i) {
        CloseDemoWindow();
        ASSERT_TRUE(OpenDemoWindow(windowTitle, 640, 480, 32, i % 2 == 0));
        ASSERT_EQ(GdiAddedFontFileCount(), 1);
        ASSERT_EQ(GdiFontObjectCount(), 1) << "identical descriptions share one font object";
        ASSERT_EQ(GdiSelectionCount(), 1);
        ASSERT_TRUE(fontResourceAdded);
    }
    CloseTestWindow();
    EXPECT_FALSE(fontResourceAdded);
    EXPECT_EQ(GdiAddedFontFileCount(), 0);
    EXPECT_EQ(GdiSelectionCount(), 0);
    EXPECT_EQ(quadric, nullptr);
    for (Texture* texture : {&texStar, &texFire, &texStelle, &texStelle2, &texSun, &texEnv, &texFont})
        EXPECT_EQ(texture->GetGlName(), 0u);
}

TEST(BitmapFont, GlyphSquaresStep14UnitsFromTheirLowerLeftCorner)
{
    ASSERT_TRUE(OpenTestWindow());
    glViewport(0, 0, 640, 480);
    auto primitives = FeedbackPrimitives([] { Print2DText(2, 2, "MUSIC IS OFF"); });
    // Each square comes as polygons; gather the corners per glyph by their left edge.
    std::vector<float> lefts;
    for (const auto& p : primitives) {
        float left = 1e9f, bottom = 1e9f, right = -1e9f, top = -1e9f;
        for (const FeedbackVertex& v : p) {
            left = std::min(left, v.x);
            right = std::max(right, v.x);
            bottom = std::min(bottom, v.y);
            top = std::max(top, v.y);
        }
        EXPECT_NEAR(bottom, 2.0f, 1e-3f);
        EXPECT_NEAR(top, 18.0f, 1e-3f);
        EXPECT_NEAR(right - left, 16.0f, 1e-3f) << "a triangle of a 16-unit square spans it";
        if (std::none_of(lefts.begin(), lefts.end(), [&](float l) { return std::abs(l - left) < 0.5f; }))
            lefts.push_back(left);
    }
    ASSERT_EQ(lefts.size(), 12u) << "blanks are drawn too";
    std::sort(lefts.begin(), lefts.end());
    for (int i = 0; i < 12; ++i)
        EXPECT_NEAR(lefts[i], 2.0f + 14.0f * i, 1e-3f);

    // The overlay is 640 x 480 whatever the viewport: a glyph at (624, 464) reaches its top-right corner.
    glViewport(0, 0, 320, 240);
    auto corner = FeedbackPrimitives([] { Print2DText(624, 464, "A"); });
    ASSERT_FALSE(corner.empty());
    float right = 0, top = 0;
    for (const auto& p : corner)
        for (const FeedbackVertex& v : p) {
            right = std::max(right, v.x);
            top = std::max(top, v.y);
        }
    EXPECT_NEAR(right, 320.0f, 1e-3f);
    EXPECT_NEAR(top, 240.0f, 1e-3f);
    CloseTestWindow();
}

TEST(BitmapFont, CellsComeFromTheTopSixBandsThroughTheRepeatWrap)
{
    ASSERT_TRUE(OpenTestWindow());
    glViewport(0, 0, 640, 480);
    struct Cell {
        const char* text;
        float s0, t0;
    } cells[] = {{" ", 0.0f, 1.875f}, {"0", 0.0f, 1.75f}, {"A", 1 / 16.0f, 1.625f}, {"\x7f", 15 / 16.0f, 1.25f}};
    for (const Cell& cell : cells) {
        auto primitives = FeedbackPrimitives([&] { Print2DText(0, 0, cell.text); });
        ASSERT_FALSE(primitives.empty());
        for (const auto& p : primitives)
            for (const FeedbackVertex& v : p) {
                // Lower-left corner of the square carries (s0, t0); the square spans 1/16 by 1/8 of t's 2.
                EXPECT_NEAR(v.s, cell.s0 + (v.x / 16.0f) * 0.0625f, 1e-5f) << int(cell.text[0]);
                EXPECT_NEAR(v.t, cell.t0 + (v.y / 16.0f) * 0.125f, 1e-5f) << int(cell.text[0]);
            }
    }
    CloseTestWindow();
}

TEST(BitmapFont, PrintLeavesDepthTestOnFontBoundAndMatricesAsTheyWere)
{
    ASSERT_TRUE(OpenTestWindow());
    for (const char* text : {"", "MUSIC IS OFF"}) {
        glDisable(GL_DEPTH_TEST);
        texStar.Bind();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 4.0 / 3.0, 0.1, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslatef(1.0f, 2.0f, -3.0f);
        glMatrixMode(GL_TEXTURE); // whatever mode the caller left
        float projection[16], modelview[16];
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);

        Print2DText(10, 10, text);

        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_EQ(BoundTexture(), NameOf(texFont));
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
        float after[16];
        glGetFloatv(GL_PROJECTION_MATRIX, after);
        EXPECT_TRUE(std::equal(after, after + 16, projection));
        glGetFloatv(GL_MODELVIEW_MATRIX, after);
        EXPECT_TRUE(std::equal(after, after + 16, modelview));
        GLint base = 0;
        glGetIntegerv(GL_LIST_BASE, &base);
        EXPECT_EQ(static_cast<GLuint>(base), bitmapFontBase - 32);
        GLint depth = 0;
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 1);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 1);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    CloseTestWindow();
}

TEST(FontGolden, OutlineWordWithTheFontFile)
{
    ASSERT_TRUE(OpenTestWindow());
    ASSERT_TRUE(GdiLastOutlineFace().added) << "needs Korvale.ttf in the build folder";
    OutlineScene("KORVALE");
    int w = 0, h = 0;
    std::vector<uint8_t> rgb = ReadFrameRgb(w, h);
    EXPECT_TRUE(MatchesGolden("outline_korvale", rgb, w, h));
    CloseTestWindow();
}

TEST(FontGolden, BitmapTextWithTheFontPicture)
{
    ASSERT_TRUE(std::filesystem::exists("data/font.jpg"));
    ASSERT_TRUE(OpenTestWindow());
    BitmapScene();
    int w = 0, h = 0;
    std::vector<uint8_t> rgb = ReadFrameRgb(w, h);
    EXPECT_TRUE(MatchesGolden("bitmap_text", rgb, w, h));
    CloseTestWindow();
}

TEST(FontGolden, BitmapTextWithoutTheFontPictureShowsTheCheckerboard)
{
    InEmptyFolder folder;
    ASSERT_TRUE(OpenTestWindow());
    BitmapScene();
    int w = 0, h = 0;
    std::vector<uint8_t> rgb = ReadFrameRgb(w, h);
    EXPECT_TRUE(MatchesGolden("bitmap_text_checkerboard", rgb, w, h));
    CloseTestWindow();
}
