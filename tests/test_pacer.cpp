// The frame pacer on a simulated clock and display: demo time must follow wall time at 60 pictures a second on
// any refresh rate, vsync on or off, make up short stalls and start again after long ones.
#include "platform/windows/pacer.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A display refreshing at `refresh` Hz; a swap with vsync returns at the next refresh. Sleeping wakes late, as
// a desktop's timer does, and reading the clock takes a little time.
struct Display {
    double time = 1000.0;
    double refresh = 60.0;
    bool hasVsync = true;  // the driver takes a swap interval of 1
    bool hasAdaptive = false;  // and of -1
    int interval = 0;
    double lastRefresh = 0;  // when the last picture was shown
};

Display display;

double Now()
{
    display.time += 1e-6;
    return display.time;
}

void Sleep(double seconds)
{
    // Whole milliseconds, up to 0.9 ms late.
    display.time += std::floor(seconds * 1000.0) / 1000.0 + 0.0009;
}

bool SwapInterval(int interval)
{
    if ((interval == 1 && !display.hasVsync) || (interval == -1 && !display.hasAdaptive))
        return false;
    display.interval = interval;
    return true;
}

void Swap()
{
    if (display.interval == 0)
        return;
    const double period = 1.0 / display.refresh;
    // Adaptive vsync shows a picture late for its refresh at once.
    if (display.interval == -1 && display.time - display.lastRefresh > period) {
        display.lastRefresh = display.time;
        return;
    }
    display.time = std::ceil(display.time / period) * period;
    display.lastRefresh = display.time;
}

const PacerDevice simulated{Now, Sleep, SwapInterval, Swap};

// Presents `frames` pictures, each drawn in `drawing` seconds, with an extra `stall` before picture `stallAt`;
// returns the seconds from the first picture to the last. The figures stay readable until the next run.
double PresentPictures(int frames, double drawing, int stallAt = -1, double stall = 0)
{
    PacerUse(&simulated);
    double first = 0;
    for (int i = 0; i < frames; ++i) {
        display.time += drawing + (i == stallAt ? stall : 0);
        PacerPresent();
        if (i == 0)
            first = display.time;
    }
    return display.time - first;
}

constexpr double kFrame = 1.0 / 60.0;
constexpr int kFrames = 8500;  // the demo's length to the end of the credits

}  // namespace

TEST(Pacer, DemoTimeFollowsWallTimeOnEveryDisplay)
{
    struct Case {
        double refresh;
        bool vsync, adaptive;
    };
    const Case cases[] = {{50, true, false},  {60, true, false},  {75, true, false},  {120, true, false},
                          {144, true, false}, {165, true, false}, {240, true, false}, {144, true, true},
                          {50, true, true},   {59.94, true, false}, {60, false, false}};
    for (const Case& c : cases) {
        display = Display{};
        display.refresh = c.refresh;
        display.hasVsync = c.vsync;
        display.hasAdaptive = c.adaptive;
        const double elapsed = PresentPictures(kFrames, 0.003);
        // Picture n is shown at n/60 s, within one frame.
        EXPECT_NEAR(elapsed, (kFrames - 1) * kFrame, kFrame)
            << c.refresh << " Hz, vsync " << c.vsync << ", adaptive " << c.adaptive;
        const PacerStatistics figures = PacerFigures();
        EXPECT_EQ(figures.frames, kFrames);
        EXPECT_EQ(figures.restarts, 0) << c.refresh << " Hz";
    }
}

TEST(Pacer, ShortStallIsMadeUpLongOneStartsAgain)
{
    for (bool vsync : {true, false}) {
        display = Display{};
        display.hasVsync = vsync;
        // 100 ms lost at picture 1000: the pictures after it come without waiting until the schedule is met.
        double elapsed = PresentPictures(kFrames, 0.003, 1000, 0.1);
        EXPECT_NEAR(elapsed, (kFrames - 1) * kFrame, kFrame) << "vsync " << vsync;
        PacerStatistics figures = PacerFigures();
        EXPECT_EQ(figures.catchUps, 1);
        EXPECT_EQ(figures.restarts, 0);
        // The stall and a drawing, less what was left of the frame before it.
        EXPECT_GT(figures.worstLag, 0.1 - kFrame);
        EXPECT_LT(figures.worstLag, 0.1 + 0.003 + 0.001);

        // 5 s lost (the machine suspended): nothing is rushed; the schedule goes on from then.
        display = Display{};
        display.hasVsync = vsync;
        elapsed = PresentPictures(kFrames, 0.003, 1000, 5.0);
        EXPECT_NEAR(elapsed, (kFrames - 1) * kFrame + 5.0, kFrame) << "vsync " << vsync;
        figures = PacerFigures();
        EXPECT_EQ(figures.restarts, 1);
        EXPECT_EQ(figures.catchUps, 0);
    }
}

TEST(Pacer, SlowMachineRunsAsFastAsItCan)
{
    display = Display{};
    // 25 ms a picture: 40 a second, never slowed further by waiting.
    const double elapsed = PresentPictures(600, 0.025);
    EXPECT_NEAR(elapsed, 599 * 0.025, 0.05);
    EXPECT_EQ(display.interval, 0);  // vsync set aside: it would hold every late picture to a refresh
}
