// The frame pacer. Frame n is due n/60 s after the first by the clock of the sound the viewer hears: the
// sample frames the sound device has taken, which advance with what it plays, whatever the wall clock says
// (a sound card's crystal drifts from the system's by a fraction of a percent, and a device that stops stops
// the music with it). The device reports in chunks, so the clock runs on the wall clock, slewed towards the
// sound's over a second; a jump (the device starting, or starting again after standing still) is taken up at
// once, making nothing up. While the sound stands still, and where there is none, the wall clock leads.
// Pictures are presented on that schedule, vsync where it keeps it; a frame more than one behind has its
// picture dropped (the frame itself still runs), so demo time never falls behind the music.
#include "platform/presentation/pacer.h"
#include "platform/presentation/pacer_target.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr double kFrame = 1.0 / 60.0;
// Sleeping wakes up to about a millisecond late on a busy desktop: the last stretch is waited out.
constexpr double kSpinMargin = 0.002;
// A dropped picture is never held back longer than this: the viewer sees the demo move.
constexpr double kShowEvery = 0.1;
// The sound device taking nothing for this long stands still (a suspended device, a suspended tab).
constexpr double kStandStill = 0.25;
// A gap this large between the sound's clock and the pacer's is a jump, taken up at once; smaller ones
// (chunked reports, drift) are slewed away over kSlew.
constexpr double kJump = 0.1;
constexpr double kSlew = 0.5;
// With every picture drawn, a stall longer than this is not made up: the schedule starts again.
constexpr double kRestartAfter = 0.5;
// The stretch over which dropping most pictures counts against the picture's resolution.
constexpr double kDropWindow = 2.0;

// The clock frames are due by: wall time plus an offset slewed towards the sound's.
struct Clock {
    bool started = false;
    double offset = 0;  // added to the wall clock
    double soundShift = 0;  // added to the sound's seconds: the jumps taken up
    double lastWall = 0;
    double last = 0;  // the last reading, which the next never goes below
    bool bySound = false;
};

struct Pacer {
    const PacerDevice* device = TargetPacerDevice();
    bool everyPicture = false;
    bool started = false;
    double start = 0;  // when frame 0 of the schedule was due
    long scheduled = 0;  // frames ended since then
    double first = 0;  // the first frame of the run, wall time
    double firstClock = 0;  // and by the clock
    double frameStart = 0;  // when the frame being ended began, wall time
    double drawCost = 0;  // the last drawn picture's frame, wall seconds
    double lastShown = 0;  // when the last picture was presented, wall time
    int vsyncInterval = 0;  // what the driver took when vsync was asked for; 0: it has none
    int interval = -2;  // the interval in force now
    bool behind = false;  // a whole frame behind: vsync set aside (pictures dropped or, drawing every one, rushed)
    double windowStart = 0;  // the stretch of kDropWindow being counted, wall time
    long windowDrawn = 0;
    long windowDropped = 0;
    bool mostlyDropping = false;  // the last stretch dropped more than half its pictures, not yet told
    Clock clock;
    PacerStatistics figures;
};

Pacer pacer;
bool (*heardSound)(double* seconds, double* at) = nullptr;

double Now() { return pacer.device->now(); }

void DeviceSleep(double seconds) { TargetSleep(*pacer.device, seconds); }
void DeviceSwap() { TargetSwap(*pacer.device); }
void DevicePass() { TargetPass(*pacer.device); }

double ClockNow()
{
    Clock& clock = pacer.clock;
    const double wall = Now();
    if (!clock.started) {
        clock = Clock{};
        clock.started = true;
        clock.offset = -wall;
        clock.lastWall = wall;
    }
    double seconds = 0, at = 0;
    const bool sound = pacer.device->soundTaken && pacer.device->soundTaken(&seconds, &at) && wall - at <= kStandStill;
    if (sound) {
        const double error = seconds + (wall - at) + clock.soundShift - (wall + clock.offset);
        if (!clock.bySound || std::fabs(error) > kJump)
            clock.soundShift -= error;
        else
            clock.offset += error * std::min(1.0, (wall - clock.lastWall) / kSlew);
    } else if (clock.bySound) {
        // The sound stands still: the wall leads from here, without making up the time it stood.
        clock.offset = clock.last + std::min(wall - clock.lastWall, kStandStill) - wall;
    }
    double value = wall + clock.offset;
    clock.bySound = sound;
    clock.lastWall = wall;
    if (value < clock.last) {
        clock.offset += clock.last - value;
        value = clock.last;
    }
    clock.last = value;
    return value;
}

void SetInterval(int interval)
{
    if (interval != pacer.interval && pacer.device->setSwapInterval(interval)) {
        if (pacer.interval != -2)
            ++pacer.figures.intervalChanges;
        pacer.interval = interval;
    }
}

void Start(double now)
{
    pacer.started = true;
    pacer.start = now;
    pacer.scheduled = 0;
    pacer.behind = false;
    // Adaptive vsync shows a late picture at once instead of a refresh later; plain vsync where it is missing.
    pacer.interval = -2;
    pacer.vsyncInterval = 0;
    for (int interval : {-1, 1})
        if (pacer.device->setSwapInterval(interval)) {
            pacer.vsyncInterval = pacer.interval = interval;
            break;
        }
    if (!pacer.vsyncInterval)
        SetInterval(0);
}

// Waits, sleeping then spinning, until the clock reaches `due`: by the wall, which the clock follows within
// its slew, so that waiting never asks the sound device (behind its lock) over and over.
void WaitUntil(double due, double now)
{
    const PacerDevice& device = *pacer.device;
    const double wait = due - now;
    const double until = device.now() + wait;
    if (wait > kSpinMargin)
        DeviceSleep(wait - kSpinMargin);
    while (device.now() < until) {
    }
}

// When frame `frame` of the schedule is due, by the clock.
double DueAt(long frame) { return pacer.start + static_cast<double>(frame) * kFrame; }

// The frames fell a whole frame behind: counted once until they are early again.
void FallBehind()
{
    if (!pacer.behind)
        ++pacer.figures.catchUps;
    pacer.behind = true;
}

// Presents the drawn picture of the frame due at `due`, `lag` behind it.
void Present(double due, double lag)
{
    if (lag > kFrame) {
        // A whole frame late: vsync could only make it later.
        FallBehind();
        SetInterval(0);
    } else if (lag < 0) {
        WaitUntil(due, due + lag);
        // Early again: the schedule is met, vsync can hold the pictures to it.
        if (pacer.behind && pacer.vsyncInterval)
            SetInterval(pacer.vsyncInterval);
        pacer.behind = false;
    }
    DeviceSwap();
    pacer.lastShown = Now();
    ++pacer.figures.drawn;
}

}  // namespace

void PacerUse(const PacerDevice* device)
{
    const bool every = pacer.everyPicture;
    pacer = Pacer{};
    pacer.device = device ? device : TargetPacerDevice();
    pacer.everyPicture = every;
}

void PacerDrawEveryPicture(bool every) { pacer.everyPicture = every; }

void PacerContextChanged()
{
    if (!pacer.started)
        return;  // the first picture asks for vsync
    const int wanted = pacer.behind || !pacer.vsyncInterval ? 0 : pacer.vsyncInterval;
    pacer.interval = -2;
    SetInterval(wanted);
}

bool PacerEndFrame(bool drawn)
{
    double now = ClockNow();
    if (!pacer.started) {
        Start(now);
        pacer.figures = PacerStatistics{};
        pacer.first = pacer.frameStart = pacer.lastShown = pacer.windowStart = Now();
        pacer.firstClock = now;
    }
    double due = DueAt(pacer.scheduled);
    double lag = now - due;
    if (pacer.everyPicture && lag > kRestartAfter) {
        ++pacer.figures.restarts;
        pacer.start = now;
        pacer.scheduled = 0;
        due = now;
        lag = 0;
    }
    pacer.figures.worstLag = std::max(pacer.figures.worstLag, lag);
    pacer.figures.endLag = lag;
    // With every picture drawn, the platform never drops one.
    if (drawn) {
        const double began = pacer.frameStart;
        Present(due, lag);
        pacer.drawCost = Now() - began;
    } else {
        ++pacer.figures.dropped;
        DevicePass();
    }
    ++pacer.scheduled;
    ++pacer.figures.frames;
    const double wall = Now();
    ++(drawn ? pacer.windowDrawn : pacer.windowDropped);
    if (wall - pacer.windowStart >= kDropWindow) {
        pacer.mostlyDropping = pacer.windowDropped > pacer.windowDrawn;
        pacer.windowStart = wall;
        pacer.windowDrawn = pacer.windowDropped = 0;
    }
    pacer.frameStart = wall;
    pacer.figures.seconds = wall - pacer.first;
    pacer.figures.clockSeconds = pacer.clock.last - pacer.firstClock;
    pacer.figures.byTheSound = pacer.clock.bySound;
    TargetFrameEnded(pacer.figures.frames);
    if (pacer.everyPicture)
        return true;
    // Due by the time this frame's picture would be drawn, the next frame is more than one behind: its picture
    // is dropped, unless the viewer would otherwise wait too long for one.
    const bool behind = ClockNow() - DueAt(pacer.scheduled) >= kFrame;
    if (behind)
        FallBehind();
    // A picture slower than half that still leaves the other half to catch up in.
    return !behind || wall - pacer.lastShown + std::min(pacer.drawCost, kShowEvery / 2) >= kShowEvery;
}

PacerStatistics PacerFigures() { return pacer.figures; }

double SdlSeconds()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

void PacerHearSound(bool (*soundTaken)(double* seconds, double* at)) { heardSound = soundTaken; }

bool TargetSoundTaken(double* seconds, double* at) { return heardSound && heardSound(seconds, at); }

double PacerNextFrameDue()
{
    if (!pacer.started || !pacer.clock.bySound)
        return -1;
    return DueAt(pacer.scheduled) - pacer.clock.soundShift;
}

bool PacerMostlyDropping()
{
    const bool told = pacer.mostlyDropping;
    pacer.mostlyDropping = false;
    return told;
}
