// Start-up split at the platform calls that begin each stage: the window (where the GL driver is loaded) up
// to the context, the context with the textures and fonts up to the sound, the music up to the first frame.
#include "tools/capture/startup_figures.h"

#include "platform/harness/harness.h"

#include <chrono>
#include <cstdio>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point started, firstFrame, firstPresent;
bool frameBegun = false, presented = false;
long faultsAtStart = 0, faultsAtPresent = 0;

// Pages first touched by the process (minor faults); -1 where the system does not count them.
long PageFaults()
{
#ifdef _WIN32
    return -1;
#else
    rusage usage{};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_minflt + usage.ru_majflt : -1;
#endif
}

double Milliseconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

}  // namespace

void StartupBegins()
{
    faultsAtStart = PageFaults();
    started = Clock::now();
}

void StartupFirstFrameBegins()
{
    if (frameBegun)
        return;
    frameBegun = true;
    firstFrame = Clock::now();
}

void StartupFirstPresent()
{
    if (presented)
        return;
    presented = true;
    // A software renderer draws only when flushed: the picture counts once it is drawn.
    HarnessFinishDrawing();
    firstPresent = Clock::now();
    faultsAtPresent = PageFaults();
}

void PrintStartup()
{
    if (!presented) {
        printf("startup to first presented frame: none presented (the run ended before its first picture)\n");
        return;
    }
    printf("startup to first presented frame: %.1f ms", Milliseconds(started, firstPresent));
    if (faultsAtStart >= 0 && faultsAtPresent >= 0)
        printf(", %ld pages first touched", faultsAtPresent - faultsAtStart);
    printf("\n");
    Clock::time_point context, sound;
    // A run that never reached one of these calls has no split to give.
    if (!HarnessFirstCall("wglCreateContext", context) || !HarnessFirstCall("FSOUND_Init", sound) ||
        !frameBegun || !(started <= context && context <= sound && sound <= firstFrame))
        return;
    printf("startup  window and GL driver %.1f ms  context, textures and fonts %.1f ms  sound and music %.1f ms"
           "  first frame %.1f ms\n",
           Milliseconds(started, context), Milliseconds(context, sound), Milliseconds(sound, firstFrame),
           Milliseconds(firstFrame, firstPresent));
}
