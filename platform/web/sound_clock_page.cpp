// A page's sound clock: the AudioContext's, learnt from SDL's handler as each chunk is mixed.
#include "platform/windows/sound_clock.h"

#include <SDL.h>

#include <emscripten.h>

namespace {

// SDL's handler is wrapped to learn when each chunk will play.
EM_JS(void, KeepPlaybackTimes, (), {
    const audio = Module['SDL2'] && Module['SDL2'].audio;
    if (!audio || !audio.scriptProcessorNode)
        return;
    const handler = audio.scriptProcessorNode.onaudioprocess;
    Module.korvaleLateChunks = 0;
    audio.scriptProcessorNode.onaudioprocess = event => {
        Module.korvalePlaybackTime = event.playbackTime;
        // Mixed after it was due to play: the browser played silence (an underrun).
        if (Module['SDL2'].audioContext.currentTime > event.playbackTime)
            ++Module.korvaleLateChunks;
        handler(event);
    };
});
EM_JS(double, ChunkPlaybackTime, (), { return Module.korvalePlaybackTime === undefined ? -1 : Module.korvalePlaybackTime; });
EM_JS(double, AudioContextTime, (), {
    const sdl = Module['SDL2'];
    return sdl && sdl.audioContext && sdl.audioContext.state === 'running' ? sdl.audioContext.currentTime : -1;
});
double playbackOffset = 0;  // the AudioContext's time at which the mixer's sample 0 plays
bool playbackKnown = false;
double lastContextTime = -1;
Uint64 contextTimeMovedAt = 0;

}  // namespace

// A page mixes on its main thread, which a long frame holds up: a device buffer of 186 ms outlasts a frame of
// 100 ms.
int SoundDeviceChunk() { return 8192; }

void SoundClockOpened()
{
    playbackKnown = false;
    KeepPlaybackTimes();
}

void SoundChunkMixed(long first)
{
    if (const double plays = ChunkPlaybackTime(); plays >= 0) {
        playbackOffset = plays - static_cast<double>(first) / kSoundRate;
        playbackKnown = true;
    }
}

bool SoundClockTaken(long, uint64_t, double* seconds, double* at)
{
    // The sound being played now, in the mixer's samples: it stands still while the browser suspends it.
    const double time = AudioContextTime();
    if (!playbackKnown || time < 0)
        return false;
    if (time != lastContextTime) {
        lastContextTime = time;
        contextTimeMovedAt = SDL_GetPerformanceCounter();
    }
    *seconds = lastContextTime - playbackOffset;
    *at = static_cast<double>(contextTimeMovedAt) / static_cast<double>(SDL_GetPerformanceFrequency());
    return true;
}
