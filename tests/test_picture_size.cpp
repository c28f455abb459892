// The picture drawn at the size it is shown: a double-size capture that reduces to the 640 x 480 golden with
// the same line weight and the same state, a wide window whose overlay keeps its shape, classic and straight
// pictures at 4:3 in wide and tall windows, and a scaled (HiDPI) display's drawable.
#include "tests/support.h"

#include "app/shell.h"
#include "platform/harness/harness.h"
#include "platform/presentation/pacer.h"
#include "platform/presentation/resolution.h"
#include "resources/fonts.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// The lit pixels' bounding box (brighter than `level` on average), within columns [from, to).
Box LitBox(const std::vector<uint8_t>& rgb, int width, int height, int from, int to, int level = 64)
{
    Box box;
    for (int y = 0; y < height; ++y)
        for (int x = from; x < to; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            if (p[0] + p[1] + p[2] > 3 * level) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
        }
    return box;
}

// One overlay line in the current window, on black or on a grey that marks where the picture lies, read back.
std::vector<uint8_t> DrawOverlay(int& width, int& height, float grey = 0)
{
    glClearColor(grey, grey, grey, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor4ub(255, 255, 255, 255);
    Print2DText(100, 200, "THE KORVALE TEAM");
    return ReadFrameRgb(width, height);
}

// Opens the demo window (windowed, unless asked) under `harness` and delivers the messages its opening posted.
void OpenWindowUnder(Harness harness, bool fullscreen = false)
{
    harness.answers = {fullscreen ? IDYES : IDNO};
    InstallHarness(harness);
    ASSERT_TRUE(OpenDemoWindow(windowTitle, 640, 480, 32, fullscreen));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
}

GLint ViewportWidth()
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    return viewport[2];
}

// Whether every pixel of the rectangle is black.
bool Black(const std::vector<uint8_t>& rgb, int width, int left, int top, int right, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            for (int c = 0; c < 3; ++c)
                if (rgb[(static_cast<size_t>(y) * width + x) * 3 + c] != 0)
                    return false;
    return true;
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

// Where the overlay line lies in the plain 640 x 480 test window, drawn and read back there.
static void OverlayIn640By480(Box* small)
{
    ASSERT_TRUE(OpenTestWindow());
    int width = 0, height = 0;
    const std::vector<uint8_t> classic = DrawOverlay(width, height);
    ASSERT_EQ(width, 640);
    *small = LitBox(classic, width, height, 0, width);
    ASSERT_GT(small->right, small->left);
    CloseTestWindow();
}

TEST(PictureSize, AWideWindowShowsTheOverlayCentredAndUnstretched)
{
    Box small;
    ASSERT_NO_FATAL_FAILURE(OverlayIn640By480(&small));
    int width = 0, height = 0;

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

// Classic, and straight into the window (a GL without framebuffer objects), which draws the 4:3 picture at the
// window's bottom left and moves it to the centre. The straight picture is shown on a full screen of that size:
// the offscreen driver's window surface never follows a resize.
TEST(PictureSize, AClassicOrStraightPictureKeeps4By3WithBlackBarsInAWideAndATallWindow)
{
    Box small;
    ASSERT_NO_FATAL_FAILURE(OverlayIn640By480(&small));
    int width = 0, height = 0;

    ChoosePictureResolution(PictureResolution::Classic);
    struct Window {
        int width, height;  // the window the user made
        int left, top, pictureWidth, pictureHeight;  // where the 4:3 picture lies in it
    };
    for (const bool straight : {false, true})
        for (const Window& w : {Window{1000, 500, 167, 0, 666, 500}, Window{400, 800, 0, 250, 400, 300}}) {
            const std::string which = (straight ? "straight " : "classic ") + std::to_string(w.width);
            Harness harness;
            harness.width = w.width;
            harness.height = w.height;
            if (straight)
                harness.failures = {"FramebufferObjects"};
            OpenWindowUnder(harness, straight);
            // A classic picture never hears of the window's size; a straight one is drawn at the 4:3 fit.
            EXPECT_EQ(ViewportWidth(), straight ? w.pictureWidth : 640) << which;
            const std::vector<uint8_t> shown = DrawOverlay(width, height, 0.2f);
            ASSERT_EQ(width, w.width);
            ASSERT_EQ(height, w.height);
            const int right = w.left + w.pictureWidth, bottom = w.top + w.pictureHeight;
            EXPECT_TRUE(Black(shown, width, 0, 0, w.left, height)) << which;
            EXPECT_TRUE(Black(shown, width, right, 0, width, height)) << which;
            EXPECT_TRUE(Black(shown, width, 0, 0, width, w.top)) << which;
            EXPECT_TRUE(Black(shown, width, 0, bottom, width, height)) << which;
            // The picture fills its rectangle: its corners are grey, not black.
            for (int corner = 0; corner < 4; ++corner) {
                const int x = corner % 2 ? right - 1 : w.left, y = corner / 2 ? bottom - 1 : w.top;
                EXPECT_GT(shown[(static_cast<size_t>(y) * width + x) * 3], 40) << which << " corner " << corner;
            }
            // The overlay scaled alike both ways, in place; scaling smooths its edges, so only pixels more than
            // half lit count.
            const Box large = LitBox(shown, width, height, w.left, right, 160);
            const double scale = w.pictureWidth / 640.0;
            EXPECT_NEAR(double(large.right - large.left) / (small.right - small.left), scale, 0.05) << which;
            EXPECT_NEAR(large.bottom - large.top, (small.bottom - small.top) * scale, 1.5) << which;
            EXPECT_NEAR(large.left, w.left + small.left * scale, 3) << which;
            EXPECT_NEAR(large.top, w.top + small.top * scale, 3) << which;
            CloseTestWindow();
        }
    ChoosePictureResolution(PictureResolution::Auto);
}

TEST(PictureSize, AScaledDisplaysDrawableGetsThePictureAtItsOwnSize)
{
    // A 640 x 480 window on a display of two pixels a unit: its drawable is 1280 x 960.
    Harness harness;
    harness.width = 640;
    harness.height = 480;
    harness.drawableScale = 2;
    OpenWindowUnder(harness);
    EXPECT_EQ(ViewportWidth(), 1280);
    GLfloat lineWidth = 0;
    glGetFloatv(GL_LINE_WIDTH, &lineWidth);
    EXPECT_EQ(lineWidth, 2.0f);
    int width = 0, height = 0;
    const std::vector<uint8_t> native = DrawOverlay(width, height, 0.2f);
    ASSERT_EQ(width, 1280);
    ASSERT_EQ(height, 960);
    const Box nativeBox = LitBox(native, width, height, 0, width);
    CloseTestWindow();

    // Classic on the same display: still the 640 x 480 viewport, the picture scaled to the whole drawable.
    ChoosePictureResolution(PictureResolution::Classic);
    OpenWindowUnder(harness);
    EXPECT_EQ(ViewportWidth(), 640);
    const std::vector<uint8_t> classic = DrawOverlay(width, height, 0.2f);
    ChoosePictureResolution(PictureResolution::Auto);
    ASSERT_EQ(width, 1280);
    ASSERT_EQ(height, 960);
    EXPECT_GT(classic[0], 40);  // no bars
    EXPECT_GT(classic[classic.size() - 3], 40);
    const Box classicBox = LitBox(classic, width, height, 0, width);
    CloseTestWindow();
    // Both show the line at the same place and size; only the native one was drawn at 1280 x 960.
    EXPECT_NEAR(nativeBox.left, classicBox.left, 3);
    EXPECT_NEAR(nativeBox.right, classicBox.right, 3);
    EXPECT_NEAR(nativeBox.top, classicBox.top, 3);
    EXPECT_NEAR(nativeBox.bottom, classicBox.bottom, 3);
}

namespace {

// A GL that takes 50 ms for each picture it draws, on a clock of its own: reading it takes a microsecond.
double slowTime = 0;
double SlowNow() { return slowTime += 1e-6; }
void SlowSleep(double seconds) { slowTime += seconds; }
bool SlowSwapInterval(int interval) { return interval == 0; }
void SlowSwap() {}
const PacerDevice slowGl{SlowNow, SlowSleep, SlowSwapInterval, SlowSwap, nullptr, nullptr};

// Runs `frames` frames of a 1024 x 768 window on the slow GL: the viewport the demo draws each one with.
std::vector<int> RunOnTheSlowGl(int frames, std::string* said, PacerStatistics* figures)
{
    Harness harness;
    harness.width = 1024;
    harness.height = 768;
    harness.pacer = &slowGl;
    ::testing::internal::CaptureStderr();
    OpenWindowUnder(harness);
    std::vector<int> viewports;
    for (int frame = 0; frame < frames; ++frame) {
        viewports.push_back(ViewportWidth());
        glClear(GL_COLOR_BUFFER_BIT);
        slowTime += HarnessPictureDropped() ? 0.001 : 0.05;
        EXPECT_TRUE(SwapBuffers(deviceContext));
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
    *said = ::testing::internal::GetCapturedStderr();
    *figures = PacerFigures();
    CloseTestWindow();
    return viewports;
}

}  // namespace

TEST(PictureSize, ANativePictureThatDropsMostOfItsPicturesStepsDownToClassicOnceUnlessAsked)
{
    std::string said;
    PacerStatistics figures;
    const std::vector<int> viewports = RunOnTheSlowGl(600, &said, &figures);
    EXPECT_EQ(viewports.front(), 1024);
    EXPECT_EQ(viewports.back(), 640);
    // Once, after the first two seconds (40 pictures drawn and 80 dropped at most), and for good.
    const auto down = std::find(viewports.begin(), viewports.end(), 640);
    EXPECT_LE(down - viewports.begin(), 125);
    EXPECT_TRUE(std::all_of(down, viewports.end(), [](int width) { return width == 640; }));
    const std::string message = "the native picture at 1024 x 768 dropped more than half its pictures for 2 s";
    ASSERT_NE(said.find(message), std::string::npos) << said;
    EXPECT_EQ(said.find(message, said.find(message) + 1), std::string::npos) << said;
    EXPECT_EQ(figures.frames, 600);
    EXPECT_GT(figures.dropped, figures.drawn);

    // Native asked for stands, however slow.
    ChoosePictureResolution(PictureResolution::Native);
    const std::vector<int> asked = RunOnTheSlowGl(300, &said, &figures);
    ChoosePictureResolution(PictureResolution::Auto);
    EXPECT_TRUE(std::all_of(asked.begin(), asked.end(), [](int width) { return width == 1024; }));
    EXPECT_EQ(said.find("dropped more than half"), std::string::npos) << said;
}
