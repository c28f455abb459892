// The frame pacer on a simulated clock, sound device, display and GL: demo time must follow the sound at 60
// frames a second on any refresh rate and any GL speed, dropping pictures rather than frames, keep vsync while
// on time, make up stalls while the sound plays and nothing while it stands still.
#include "platform/presentation/pacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kFrame = 1.0 / 60.0;
constexpr int kFrames = 8500;  // the demo's length to the end of the credits

// A display refreshing at `refresh` Hz; a swap with vsync returns at the next refresh. Sleeping wakes late, as
// a desktop's timer does, and reading the clock takes a little time.
struct Display {
    double time = 1000.0;
    double refresh = 60.0;
    bool hasVsync = true;  // the driver takes a swap interval of 1
    bool hasAdaptive = false;  // and of -1
    int interval = 0;
    double lastRefresh = 0;  // when the last picture was shown
    double lastSwap = 0;  // when the last swap returned
    double longestGap = 0;  // between two pictures shown
};

// A sound device taking 1024 sample frames at a time, its crystal `rate` times the wall clock's speed, each
// chunk reported up to 5 ms late; it stands still from `stopFrom` to `stopUntil` (wall times).
struct Sound {
    bool playing = false;
    double rate = 1.0;
    double begin = 999.0;
    double stopFrom = 1e9, stopUntil = 1e9;
    double Played(double wall) const
    {
        double active = wall - begin;
        if (wall > stopFrom)
            active -= std::min(wall, stopUntil) - stopFrom;
        return rate * active;
    }
    double WallAt(double played) const
    {
        double wall = begin + played / rate;
        if (wall > stopFrom)
            wall += stopUntil - stopFrom;
        return wall;
    }
};

Display display;
Sound sound;

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
    const double period = 1.0 / display.refresh;
    // Adaptive vsync shows a picture late for its refresh at once.
    if (display.interval == 1 || (display.interval == -1 && display.time - display.lastRefresh <= period)) {
        display.time = std::ceil(display.time / period) * period;
        display.lastRefresh = display.time;
    } else if (display.interval == -1) {
        display.lastRefresh = display.time;
    }
    if (display.lastSwap > 0)
        display.longestGap = std::max(display.longestGap, display.time - display.lastSwap);
    display.lastSwap = display.time;
}

bool SoundTaken(double* seconds, double* at)
{
    if (!sound.playing || display.time < sound.begin)
        return false;
    constexpr double chunk = 1024.0 / 44100.0;
    const double k = std::floor(sound.Played(display.time) / chunk);
    *seconds = k * chunk;
    // Reported late by a repeating 0 to 5 ms, as an audio thread is woken.
    *at = std::min(sound.WallAt(k * chunk) + 0.001 * std::fmod(k * 7.0, 6.0), display.time);
    return true;
}

const PacerDevice simulated{Now, Sleep, SwapInterval, Swap, SoundTaken, nullptr};

struct Paced {
    double elapsed = 0;  // from the first frame's end to the last one's start
    double worstStart = 0;  // the largest distance between a drawn frame's start and its due sound time, after 1 s
    double caughtUpAt = -1;  // wall seconds after the stall until frames start on time again
    int mostlyDropping = 0;  // two-second stretches that dropped more than half their pictures
};

// Runs `frames` frames, a drawn picture costing `drawing` seconds and a dropped one `dropping`, with an extra
// `stall` before frame `stallAt`. The figures stay readable until the next run.
Paced RunFrames(int frames, double drawing, double dropping = 0.001, int stallAt = -1, double stall = 0)
{
    PacerUse(&simulated);
    Paced run;
    bool draw = true;
    double first = 0, firstSound = 0, stallEnd = 0;
    for (int i = 0; i < frames; ++i) {
        run.elapsed = display.time - first;
        if (i > 0) {
            // The sound heard at frame i's start, against frame i's due time.
            const double heard = sound.playing ? sound.Played(display.time) - firstSound : display.time - first;
            const double off = heard - i * kFrame;
            if (heard > 1.0 && draw)
                run.worstStart = std::max(run.worstStart, std::fabs(off));
            if (i > stallAt && stallAt >= 0 && run.caughtUpAt < 0 && off < kFrame)
                run.caughtUpAt = display.time - stallEnd;
        }
        display.time += (draw ? drawing : dropping) + (i == stallAt ? stall : 0);
        if (i == stallAt)
            stallEnd = display.time;
        // The schedule starts when the first frame ends, before its picture is shown.
        if (i == 0) {
            first = display.time;
            firstSound = sound.Played(first);
        }
        draw = PacerEndFrame(draw);
        run.mostlyDropping += PacerMostlyDropping();
    }
    return run;
}

void Reset()
{
    display = Display{};
    sound = Sound{};
    PacerDrawEveryPicture(false);
}

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
        Reset();
        display.refresh = c.refresh;
        display.hasVsync = c.vsync;
        display.hasAdaptive = c.adaptive;
        const Paced run = RunFrames(kFrames, 0.003);
        // Frame n ends at n/60 s, within one frame.
        EXPECT_NEAR(run.elapsed, (kFrames - 1.5) * kFrame, kFrame)
            << c.refresh << " Hz, vsync " << c.vsync << ", adaptive " << c.adaptive;
        const PacerStatistics figures = PacerFigures();
        EXPECT_EQ(figures.frames, kFrames);
        // A display slower than 60 Hz cannot show every picture; any other shows them all.
        if (c.refresh >= 60) {
            EXPECT_EQ(figures.dropped, 0) << c.refresh << " Hz";
        }
        EXPECT_FALSE(figures.byTheSound);
    }
}

TEST(Pacer, FramesKeepToTheSoundWhereTheGlIsSlowDroppingPictures)
{
    for (double pictures : {20.0, 30.0, 45.0})
        for (double rate : {0.995, 1.005}) {
            Reset();
            sound.playing = true;
            sound.rate = rate;
            const Paced run = RunFrames(kFrames, 1.0 / pictures);
            const PacerStatistics figures = PacerFigures();
            // Each frame starts within a frame of where the sound is, after the first second.
            EXPECT_LT(run.worstStart, kFrame + 0.005) << pictures << " pictures a second, sound " << rate;
            // The last frame, whatever came before it, starts within a picture's drawing of its due time.
            EXPECT_NEAR(run.elapsed, (kFrames - 1.5) * kFrame / rate, 1 / pictures + kFrame) << pictures << ", " << rate;
            EXPECT_EQ(figures.frames, kFrames);
            EXPECT_EQ(figures.drawn + figures.dropped, kFrames);
            // Nearly as many pictures as the GL can draw in that time, and one at least every 100 ms.
            EXPECT_GT(figures.drawn, 0.85 * pictures * run.elapsed) << pictures << ", " << rate;
            EXPECT_LT(display.longestGap, 0.1 + 0.005) << pictures << ", " << rate;
            EXPECT_TRUE(figures.byTheSound);
            EXPECT_EQ(figures.restarts, 0);
            // Dropping two pictures in three tells the picture to step down; one in four does not.
            if (pictures == 20.0) {
                EXPECT_GT(run.mostlyDropping, 60);
            } else if (pictures == 45.0) {
                EXPECT_EQ(run.mostlyDropping, 0);
            }
        }
}

TEST(Pacer, AGlSlowerThanAPictureEvery100MsStillKeepsToTheSound)
{
    // 170 ms a picture (a software GL on a busy machine): half of each stretch still goes to catching up.
    Reset();
    sound.playing = true;
    const Paced run = RunFrames(3000, 0.17);
    EXPECT_LT(run.worstStart, kFrame + 0.005);
    EXPECT_GT(PacerFigures().drawn, 0.5 * run.elapsed / 0.17);
}

TEST(Pacer, AFastGlKeepsToADriftingSoundWithoutDroppingPictures)
{
    for (double rate : {0.995, 1.005}) {
        Reset();
        sound.playing = true;
        sound.rate = rate;
        const Paced run = RunFrames(kFrames, 0.004);
        EXPECT_LT(run.worstStart, kFrame + 0.005) << rate;
        // A sound slower than the wall's 60 Hz display is followed; a faster one cannot all be shown.
        if (rate < 1) {
            EXPECT_EQ(PacerFigures().dropped, 0);
        } else {
            EXPECT_LT(PacerFigures().dropped, 60);
        }
    }
}

TEST(Pacer, AStallWhileTheSoundPlaysIsMadeUpAndNothingForASoundThatStoodStill)
{
    for (bool vsync : {true, false}) {
        Reset();
        display.hasVsync = vsync;
        sound.playing = true;
        // 3 s lost at frame 1000 (a window dragged): made up by dropped pictures within half a second.
        Paced run = RunFrames(3000, 0.008, 0.002, 1000, 3.0);
        EXPECT_GE(run.caughtUpAt, 0) << "vsync " << vsync;
        EXPECT_LT(run.caughtUpAt, 0.5) << "vsync " << vsync;
        EXPECT_NEAR(run.elapsed, 2998.5 * kFrame, 2 * kFrame);
        EXPECT_GT(PacerFigures().dropped, 150);
        EXPECT_EQ(PacerFigures().catchUps, 1);

        // The sound device stands still for 3 s (suspended) while the frames go on: nothing is rushed then or
        // after; the frames follow the wall meanwhile.
        Reset();
        display.hasVsync = vsync;
        sound.playing = true;
        sound.stopFrom = 1010.0;
        sound.stopUntil = 1013.0;
        run = RunFrames(3000, 0.008);
        EXPECT_EQ(PacerFigures().dropped, 0) << "vsync " << vsync;
        EXPECT_EQ(PacerFigures().catchUps, 0) << "vsync " << vsync;
        EXPECT_NEAR(run.elapsed, 2998.5 * kFrame, 0.3) << "vsync " << vsync;
    }
}

TEST(Pacer, VsyncStaysOnWhileFramesAreOnTimeAtEveryRefreshPhase)
{
    // A 59.94 Hz display, 12 ms pictures: the refresh falls at every phase of the schedule in turn.
    int worst = 0;
    for (int phase = 0; phase < 32; ++phase) {
        Reset();
        display.refresh = 59.94;
        display.time += phase / 32.0 / 59.94;
        RunFrames(3000, 0.012);
        worst = std::max(worst, PacerFigures().intervalChanges);
    }
    EXPECT_LE(worst, 8);
}

TEST(Pacer, EveryPictureDrawnRunsAsFastAsItCanAndRestartsAfterALongStall)
{
    Reset();
    PacerDrawEveryPicture(true);
    sound.playing = true;
    // 25 ms a picture: 40 a second, every one drawn, never slowed further by waiting.
    Paced run = RunFrames(600, 0.025);
    EXPECT_NEAR(run.elapsed, 598 * 0.025, 0.05);
    EXPECT_EQ(PacerFigures().dropped, 0);
    EXPECT_EQ(display.interval, 0);  // vsync set aside: it would hold every late picture to a refresh

    // 5 s lost: not rushed, the schedule goes on from then.
    Reset();
    PacerDrawEveryPicture(true);
    run = RunFrames(kFrames, 0.003, 0.001, 1000, 5.0);
    EXPECT_NEAR(run.elapsed, (kFrames - 1.5) * kFrame + 5.0, kFrame);
    EXPECT_EQ(PacerFigures().restarts, 1);
    PacerDrawEveryPicture(false);
}
