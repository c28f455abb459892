// The picture drawn at the size it is shown: a double-size capture that reduces to the 640 x 480 golden with
// the same line weight and the same state, and a wide window whose overlay keeps its shape.
#include "tests/support.h"

#include "app/shell.h"
#include "platform/harness/harness.h"
#include "resources/fonts.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

double Mean(const std::vector<double>& values)
{
    double total = 0;
    for (double v : values)
        total += v;
    return total / values.size();
}

// Correlation of two pictures of the same size, their channels as one series.
double Correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    const double meanA = Mean(a), meanB = Mean(b);
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - meanA) * (b[i] - meanB);
        aa += (a[i] - meanA) * (a[i] - meanA);
        bb += (b[i] - meanB) * (b[i] - meanB);
    }
    return ab / std::sqrt(aa * bb);
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// The lit pixels' bounding box, within columns [from, to).
Box LitBox(const std::vector<uint8_t>& rgb, int width, int height, int from, int to)
{
    Box box;
    for (int y = 0; y < height; ++y)
        for (int x = from; x < to; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            if (p[0] + p[1] + p[2] > 3 * 64) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
        }
    return box;
}

// One overlay line in the current window, on black, read back.
std::vector<uint8_t> DrawOverlay(int& width, int& height)
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4ub(255, 255, 255, 255);
    Print2DText(100, 200, "THE KORVALE TEAM");
    return ReadFrameRgb(width, height);
}

}  // namespace

TEST(PictureSize, DoubleSizeCaptureReducesToTheGoldenWithItsLineWeightAndState)
{
    const std::string dir = TempDir("frames");
    ASSERT_EQ(RunCapture("--until 301 --state '" + dir + "/classic.jsonl'"), 0);
    ASSERT_EQ(RunCapture("--until 301 --size 1280x960 --frames 300 --out '" + dir + "' --state '" + dir +
                         "/double.jsonl'"),
              0);
    const std::vector<std::string> classic = ReadLines(dir + "/classic.jsonl");
    ASSERT_EQ(classic.size(), 301u);
    EXPECT_EQ(ReadLines(dir + "/double.jsonl"), classic);

    std::vector<uint8_t> big, golden;
    int width = 0, height = 0, goldenWidth = 0, goldenHeight = 0;
    ASSERT_TRUE(ReadPng(dir + "/frame-00300.png", big, width, height));
    ASSERT_EQ(width, 1280);
    ASSERT_EQ(height, 960);
    ASSERT_TRUE(ReadPng(std::string(KORVALE_SOURCE_DIR) + "/tests/golden/opening-300.png", golden, goldenWidth,
                        goldenHeight));
    // Each 2 x 2 block of the large frame becomes one pixel.
    std::vector<double> reduced(golden.size()), expected(golden.begin(), golden.end());
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += big[((static_cast<size_t>(2 * y + dy) * 1280) + 2 * x + dx) * 3 + c];
                reduced[(static_cast<size_t>(y) * 640 + x) * 3 + c] = sum / 4;
            }
    // Frame 300 is outline text: lines half as thick would halve its brightness.
    const double ratio = Mean(reduced) / Mean(expected);
    EXPECT_NEAR(ratio, 1.0, 0.1);
    EXPECT_GT(Correlation(reduced, expected), 0.7);
    printf("reduced 1280 x 960 frame 300: brightness %.3f of the golden's, correlation %.3f\n", ratio,
           Correlation(reduced, expected));
}

TEST(PictureSize, AWideWindowShowsTheOverlayCentredAndUnstretched)
{
    ASSERT_TRUE(OpenTestWindow());
    int width = 0, height = 0;
    const std::vector<uint8_t> classic = DrawOverlay(width, height);
    ASSERT_EQ(width, 640);
    const Box small = LitBox(classic, width, height, 0, width);
    ASSERT_GT(small.right, small.left);
    CloseTestWindow();

    // The window resized to 1000 x 500 by its user: the demo hears of it through WM_SIZE.
    Harness harness;
    harness.width = 1000;
    harness.height = 500;
    InstallHarness(harness);
    ASSERT_TRUE(OpenDemoWindow(windowTitle, 640, 480, 32, false));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 666);  // the largest 4:3 picture in the window
    EXPECT_EQ(viewport[3], 500);
    const std::vector<uint8_t> wide = DrawOverlay(width, height);
    ASSERT_EQ(width, 1000);
    ASSERT_EQ(height, 500);
    // Black bars left and right of the centred picture, columns 0-166 and 833-999.
    EXPECT_EQ(LitBox(wide, width, height, 0, 167).right, -1);
    EXPECT_EQ(LitBox(wide, width, height, 833, 1000).right, -1);
    const Box large = LitBox(wide, width, height, 167, 833);
    // Grown by 500 / 480 both ways (a stretched overlay would grow 1000 / 640 across); the glyphs are only
    // a few pixels high, so their height is checked to a pixel.
    const double scale = 500.0 / 480.0;
    EXPECT_NEAR(double(large.right - large.left) / (small.right - small.left), scale, 0.03);
    EXPECT_NEAR(large.bottom - large.top, (small.bottom - small.top) * scale, 1.5);
    EXPECT_NEAR(large.left, 167 + small.left * scale, 3);
    EXPECT_NEAR(large.top, small.top * scale, 3);
    CloseTestWindow();
}

TEST(PictureSize, CommandLinesRefuseAResolutionOrSizeTheyCannotUse)
{
    std::string err;
    EXPECT_EQ(RunCapture("--size 1280", &err), 2);
    EXPECT_NE(err.find("--size takes"), std::string::npos) << err;
    EXPECT_EQ(RunCapture("--size 1001x500 --video x.mp4", &err), 2);
    EXPECT_NE(err.find("even"), std::string::npos) << err;
    const std::string korvale = std::string("'") + KORVALE_PROGRAM + "' --resolution sharp 2> '" +
                                TempDir("korvale") + "/err' >/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(korvale.c_str())), 2);
}
