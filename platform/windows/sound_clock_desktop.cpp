// The desktop's sound clock: what SDL's device took, counted by the audio callback.
#include "platform/windows/sound_clock.h"

#include <SDL.h>

int SoundDeviceChunk() { return 1024; }

void SoundClockOpened() {}

void SoundChunkMixed(long) {}

bool SoundClockTaken(long frames, uint64_t takenAt, double* seconds, double* at)
{
    if (!takenAt)
        return false;
    *seconds = static_cast<double>(frames) / kSoundRate;
    *at = static_cast<double>(takenAt) / static_cast<double>(SDL_GetPerformanceFrequency());
    return true;
}
