// The desktop's pacer device: SDL's clock, sleep, swap interval and swap, and the sound device's clock.
#include "platform/presentation/pacer_target.h"

#include "platform/presentation/pacer.h"

#include <SDL.h>

namespace {

void SdlSleep(double seconds)
{
    if (seconds > 0)
        SDL_Delay(static_cast<Uint32>(seconds * 1000.0));
}

bool SdlSwapInterval(int interval) { return SDL_GL_SetSwapInterval(interval) == 0; }

void SdlSwap() { SDL_GL_SwapWindow(SDL_GL_GetCurrentWindow()); }

const PacerDevice sdlDevice{SdlSeconds, SdlSleep, SdlSwapInterval, SdlSwap, TargetSoundTaken, nullptr};

}  // namespace

const PacerDevice* TargetPacerDevice() { return &sdlDevice; }

void TargetSleep(const PacerDevice& device, double seconds) { device.sleep(seconds); }

void TargetSwap(const PacerDevice& device) { device.swap(); }

void TargetPass(const PacerDevice& device)
{
    if (device.pass)
        device.pass();
}

void TargetFrameEnded(long) {}
