// Reads WAV files with SDL's loader and converts them with SDL's converter to 16-bit stereo.
#include "platform/wav.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

std::vector<int16_t> DecodeWav(const char* fileName, int rate)
{
    std::vector<int16_t> samples;
    SDL_AudioSpec wav;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(fileName, &wav, &buffer, &length))
        return samples;
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, AUDIO_S16SYS, 2, rate) >= 0) {
        std::vector<Uint8> work(static_cast<size_t>(length) * std::max(cvt.len_mult, 1));
        std::memcpy(work.data(), buffer, length);
        cvt.buf = work.data();
        cvt.len = static_cast<int>(length);
        if (!cvt.needed || SDL_ConvertAudio(&cvt) == 0) {
            size_t bytes = cvt.needed ? static_cast<size_t>(cvt.len_cvt) : length;
            samples.resize(bytes / 2);
            std::memcpy(samples.data(), work.data(), samples.size() * 2);
        }
    }
    SDL_FreeWAV(buffer);
    return samples;
}
