// The frame pacer: an absolute schedule of 60 pictures a second, vsync where it keeps that schedule, sleeping
// to just before each deadline and waiting out the rest; stalls are made up, or the schedule restarts.
#include "platform/windows/pacer.h"

#include <SDL.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <initializer_list>

namespace {

constexpr double kFrame = 1.0 / 60.0;
// Sleeping wakes up to about a millisecond late on a busy desktop: the last stretch is waited out.
constexpr double kSpinMargin = 0.002;
// Behind by more than this, vsync is set aside until the schedule is met again: a display refreshing at
// 60 Hz (or less) could never make up lost pictures.
constexpr double kBehind = 0.5 * kFrame;
// A stall longer than this (the window dragged or hidden, the machine suspended) is not made up; a shorter
// one (a driver or a browser compiling a shader on first use, a busy moment) is.
constexpr double kRestartAfter = 0.5;

#ifndef __EMSCRIPTEN__
double SdlNow()
{
    return static_cast<double>(SDL_GetPerformanceCounter()) / static_cast<double>(SDL_GetPerformanceFrequency());
}

void SdlSleep(double seconds)
{
    if (seconds > 0)
        SDL_Delay(static_cast<Uint32>(seconds * 1000.0));
}

bool SdlSwapInterval(int interval) { return SDL_GL_SetSwapInterval(interval) == 0; }

void SdlSwap() { SDL_GL_SwapWindow(SDL_GL_GetCurrentWindow()); }
#endif

#ifdef __EMSCRIPTEN__
// In a page the browser shows the canvas once the program gives control back, at its display's next
// refresh: a picture is presented by waiting for that animation frame, its vsync, and sleeping gives
// control back too. Without vsync (catching up) control goes back only for a moment, so that pictures come
// faster than the animation frames a busy browser hands out, and its sound and events still run.
EM_ASYNC_JS(void, WaitForAnimationFrame, (), { await new Promise(resolve => requestAnimationFrame(resolve)); });

bool pageVsync = true;

double PageNow() { return emscripten_get_now() / 1000.0; }

void PageSleep(double seconds)
{
    if (seconds > 0)
        emscripten_sleep(static_cast<unsigned>(seconds * 1000.0));
}

bool PageSwapInterval(int interval)
{
    if (interval != 0 && interval != 1)
        return false;
    pageVsync = interval == 1;
    return true;
}

void PageSwap()
{
    if (pageVsync)
        WaitForAnimationFrame();
    else
        emscripten_sleep(0);
}

const PacerDevice sdlDevice{PageNow, PageSleep, PageSwapInterval, PageSwap};
#else
const PacerDevice sdlDevice{SdlNow, SdlSleep, SdlSwapInterval, SdlSwap};
#endif

struct Pacer {
    const PacerDevice* device = &sdlDevice;
    bool started = false;
    double start = 0;  // when picture 0 of the schedule was due
    long scheduled = 0;  // pictures presented since then
    double first = 0;  // the first picture of the run
    int vsyncInterval = 0;  // what the driver took when vsync was asked for; 0: it has none
    int interval = -2;  // the interval in force now
    bool catchingUp = false;
    PacerStatistics figures;
};

Pacer pacer;

void SetInterval(int interval)
{
    if (interval != pacer.interval && pacer.device->setSwapInterval(interval))
        pacer.interval = interval;
}

void Start(double now)
{
    pacer.started = true;
    pacer.start = now;
    pacer.scheduled = 0;
    pacer.catchingUp = false;
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

}  // namespace

void PacerUse(const PacerDevice* device)
{
    pacer = Pacer{};
    pacer.device = device ? device : &sdlDevice;
}

void PacerContextChanged()
{
    if (!pacer.started)
        return;  // the first picture asks for vsync
    const int wanted = pacer.catchingUp || !pacer.vsyncInterval ? 0 : pacer.vsyncInterval;
    pacer.interval = -2;
    SetInterval(wanted);
}

void PacerPresent()
{
    const PacerDevice& device = *pacer.device;
    double now = device.now();
    if (!pacer.started) {
        Start(now);
        pacer.figures.frames = 0;
        pacer.first = now;
    }
    double due = pacer.start + static_cast<double>(pacer.scheduled) * kFrame;
    double lag = now - due;
    if (lag > kRestartAfter) {
        ++pacer.figures.restarts;
        pacer.start = now;
        pacer.scheduled = 0;
        due = now;
        lag = 0;
    }
    if (lag > pacer.figures.worstLag)
        pacer.figures.worstLag = lag;
    if (lag > kBehind) {
        // A picture lost (not just one late for its refresh) starts a catch-up.
        if (!pacer.catchingUp && lag > kFrame)
            ++pacer.figures.catchUps;
        pacer.catchingUp = true;
        SetInterval(0);
    } else if (lag < 0) {
        if (-lag > kSpinMargin)
            device.sleep(-lag - kSpinMargin);
        while (device.now() < due) {
        }
        // Early again: the schedule is met, vsync can hold the pictures to it.
        if (pacer.catchingUp && pacer.vsyncInterval)
            SetInterval(pacer.vsyncInterval);
        pacer.catchingUp = false;
    }
    device.swap();
    ++pacer.scheduled;
    ++pacer.figures.frames;
    pacer.figures.seconds = device.now() - pacer.first;
}

PacerStatistics PacerFigures() { return pacer.figures; }
