// The ways a picture reaches the window, each refused in turn through the harness (on opening and on a
// resize): the demo plays on and says which way it took. And the resolution a start-up trial chooses.
#include "tests/support.h"

#include "app/shell.h"
#include "platform/gles/layer.h"
#include "platform/harness/harness.h"
#include "platform/windows/contexts.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace {

// Correlation of a frame twice the golden's size, each 2 x 2 block taken as one pixel, with the golden.
double CorrelationWithGolden(const std::vector<uint8_t>& big, const std::vector<uint8_t>& golden)
{
    std::vector<double> a, b(golden.begin(), golden.end());
    a.reserve(golden.size());
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int d = 0; d < 4; ++d)
                    sum += big[((static_cast<size_t>(2 * y + d / 2) * 1280) + 2 * x + d % 2) * 3 + c];
                a.push_back(sum / 4);
            }
    return Correlation(a, b);
}

struct Step {
    const char* name;
    const char* options;  // the refusals, the size and the answer (full screen unless "no")
    const char* says;  // the line of the last step down
    int lines;  // lines on stderr that start "korvale: "
};

void PrintTo(const Step& step, std::ostream* out) { *out << step.name; }

class PictureStep : public ::testing::TestWithParam<Step> {};

}  // namespace

TEST_P(PictureStep, TheDemoPlaysOnAndSaysWhichWayItTook)
{
    const Step& step = GetParam();
    const std::string dir = TempDir("step");
    std::string err;
    ASSERT_EQ(RunCapture(std::string("--until 301 --frames 300 --out '") + dir + "' --state '" + dir + "/s.jsonl' " +
                             step.options,
                         &err),
              0)
        << err;
    EXPECT_EQ(Count(err, step.says), 1) << err;
    EXPECT_EQ(Count(err, "korvale: "), step.lines) << err;
    EXPECT_EQ(ReadLines(dir + "/s.jsonl").size(), 301u);
    std::vector<uint8_t> frame, golden;
    int width = 0, height = 0, goldenWidth = 0, goldenHeight = 0;
    ASSERT_TRUE(ReadPng(dir + "/frame-00300.png", frame, width, height));
    if (width == 640) {
        EXPECT_TRUE(MatchesGolden("opening-300", frame, width, height));
        return;
    }
    ASSERT_EQ(width, 1280);
    ASSERT_EQ(height, 960);
    ASSERT_TRUE(ReadPng(std::string(KORVALE_SOURCE_DIR) + "/tests/golden/opening-300.png", golden, goldenWidth,
                        goldenHeight));
    const double correlation = CorrelationWithGolden(frame, golden);
    EXPECT_GT(correlation, 0.7) << step.name;
    printf("%s: frame 300 at 1280 x 960 correlates %.3f with the golden\n", step.name, correlation);
}

INSTANTIATE_TEST_SUITE_P(
    RefusedTargets, PictureStep,
    ::testing::Values(
        Step{"Multisampled", "--size 1280x960 --fail MultisampledTarget",
             "korvale: the GL refuses the multisampled picture at 1280 x 960 (0x8cdd); drawing it single-sampled", 1},
        Step{"SingleSampled", "--size 1280x960 --fail MultisampledTarget --fail SingleSampledTarget",
             "korvale: the GL refuses the single-sampled picture at 1280 x 960 (0x8cdd); drawing the classic picture",
             2},
        Step{"NativeToWindow",
             "--size 1280x960 --fail MultisampledTarget --fail SingleSampledTarget --fail ClassicTarget",
             "korvale: the GL refuses the classic picture at 640 x 480 (0x8cdd); drawing straight into the window", 3},
        Step{"Classic", "--answer no --fail ClassicTarget",
             "korvale: the GL refuses the classic picture at 640 x 480 (0x8cdd); drawing straight into the window", 1},
        Step{"NoFramebufferObjects", "--answer no --fail FramebufferObjects",
             "korvale: the framebuffer objects are taken away; drawing straight into the window", 1}),
    [](const ::testing::TestParamInfo<Step>& info) { return std::string(info.param.name); });

TEST(PictureStep, AResizedNativePictureStepsDownWhereTheGlRefusesItsNewSize)
{
    Harness harness;
    harness.answers = {IDNO};
    harness.width = 1000;
    harness.height = 500;
    // The first multisampled target is made; the one the first resize asks for is refused, and so is the
    // single-sampled one the second resize asks for.
    harness.failures = {"MultisampledTarget@2", "SingleSampledTarget@2"};
    InstallHarness(harness);
    ASSERT_TRUE(OpenDemoWindow(windowTitle, 640, 480, 32, false));
    auto deliver = [] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    };
    auto viewport = [] {
        GLint box[4];
        glGetIntegerv(GL_VIEWPORT, box);
        return std::make_pair(box[2], box[3]);
    };
    deliver();
    EXPECT_EQ(viewport(), std::make_pair(666, 500));

    ::testing::internal::CaptureStderr();
    HarnessResizeWindow(800, 800);
    deliver();
    EXPECT_EQ(viewport(), std::make_pair(800, 600));
    HarnessResizeWindow(1200, 700);
    deliver();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(Count(err, "korvale: the GL refuses the multisampled picture at 800 x 600 (0x8cdd); drawing it "
                         "single-sampled"),
              1)
        << err;
    EXPECT_EQ(Count(err, "korvale: the GL refuses the single-sampled picture at 933 x 700 (0x8cdd); drawing the "
                         "classic picture"),
              1)
        << err;
    // The demo heard the classic size, and the window shows that picture at 4:3 with its bars.
    EXPECT_EQ(viewport(), std::make_pair(640, 480));
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    int width = 0, height = 0;
    const std::vector<uint8_t> shown = ReadFrameRgb(width, height);
    ASSERT_EQ(width, 1200);
    ASSERT_EQ(height, 700);
    EXPECT_EQ(shown[(300 * 1200 + 10) * 3], 0);  // bar
    EXPECT_EQ(shown[(300 * 1200 + 600) * 3], 255);  // picture
    CloseTestWindow();
}

// The program on its own (no harness) decides its resolution by a trial and says so; --resolution decides
// without one.
TEST(PictureStep, TheProgramSaysWhichResolutionItChoseAndWhy)
{
    const std::string dir = TempDir("korvale");
    auto run = [&](const std::string& options) {
        const std::string command = "cd '" + std::string(KORVALE_BINARY_DIR) +
                                    "' && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy timeout 6 '" +
                                    KORVALE_PROGRAM + "' --window " + options + " > /dev/null 2> '" + dir + "/err'";
        std::system(command.c_str());
        std::ifstream in(dir + "/err");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string chosen = run("");
    EXPECT_EQ(Count(chosen, "korvale: resolution "), 1) << chosen;
    EXPECT_EQ(Count(chosen, ": a trial frame at "), 1) << chosen;
    EXPECT_EQ(Count(chosen, " ms that 60 frames a second leave it (native would draw "), 1) << chosen;
    const std::string asked = run("--resolution classic");
    EXPECT_EQ(Count(asked, "korvale: resolution classic (drawn at the size asked for, scaled), as asked"), 1) << asked;
    EXPECT_EQ(Count(asked, "trial"), 0) << asked;
    printf("%s", chosen.c_str());
}

// The platform's own GL work on an OpenGL ES 3 context: the ES version read, the picture's target made
// (multisampled where the harness has a size), fenced frames, and the picture read back at once and one
// frame late, as RGB, though ES reads only RGBA.
TEST(PictureStep, OnAnEsContextTheTargetFencesAndReadBackWork)
{
    auto PixelsOf = [](const std::vector<uint8_t>& rgb, const uint8_t* colour) {
        int n = 0;
        for (size_t i = 0; i + 2 < rgb.size(); i += 3)
            n += rgb[i] == colour[0] && rgb[i + 1] == colour[1] && rgb[i + 2] == colour[2];
        return n;
    };
    ChooseGlApi(GlApi::Es);
    for (const int width : {0, 800}) {
        Harness harness;
        harness.width = width;
        harness.height = width * 3 / 4;
        harness.presents = false;  // as a recording runs: the frames are fenced, not shown
        InstallHarness(harness);
        ASSERT_TRUE(OpenDemoWindow("es", 640, 480, 32, false)) << width;
        const HGLRC context = CurrentContext();
        ASSERT_NE(context, nullptr);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(glGetString(GL_VERSION))).rfind("OpenGL ES 3", 0), 0u);
        EXPECT_NE(context->layer, nullptr);
        EXPECT_EQ(context->way, width ? PictureWay::Multisampled : PictureWay::Classic) << width;
        std::vector<uint8_t> rgb;
        int w = 0, h = 0;
        // Two frames of their own colours: a frame read one frame late must be the one before.
        const uint8_t colours[2][3] = {{51, 102, 153}, {204, 0, 255}};
        FrameRead read[2];
        std::vector<uint8_t> late;
        for (int frame = 0; frame < 2; ++frame) {
            glClearColor(colours[frame][0] / 255.0f, colours[frame][1] / 255.0f, colours[frame][2] / 255.0f, 1);
            glClear(GL_COLOR_BUFFER_BIT);
            read[frame] = HarnessReadFrameLater(late, w, h);
            EXPECT_TRUE(SwapBuffers(&context->Window()->dc));
        }
        // Core fences on ES: each frame waits on the one before, not on glFinish.
        EXPECT_NE(context->frameBefore, nullptr);
        // With a size the harness reads at once; without one, the first frame comes a frame late.
        EXPECT_EQ(read[0], width ? FrameRead::Picture : FrameRead::NotYet);
        ASSERT_EQ(read[1], FrameRead::Picture);
        const uint8_t* lateColour = colours[width ? 1 : 0];
        ASSERT_EQ(late.size(), static_cast<size_t>(w) * h * 3);
        EXPECT_EQ(w, width ? 800 : 640);
        EXPECT_EQ(PixelsOf(late, lateColour), w * h);
        ASSERT_TRUE(HarnessReadFrame(rgb, w, h));
        EXPECT_EQ(PixelsOf(rgb, colours[1]), w * h);
        CloseDemoWindow();
        RemoveHarness();
    }
    ChooseGlApi(GlApi::Classic);
}
