// Reads WAV files with SDL's loader and converts them with SDL's converter to 16-bit stereo.
#include "platform/media/wav.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The demo's sounds are seconds long at common rates. A header far outside that is damaged or hostile, and
// converting it could ask for gigabytes.
constexpr int kMinRate = 4000;
constexpr int kMaxRate = 192000;
constexpr int kMaxChannels = 8;
constexpr uint64_t kMaxBytes = 64ull << 20;

// The whole file, when it is a RIFF/WAVE file of at most kMaxBytes whose every chunk fits inside it: SDL's
// loader allocates what a chunk's header claims before it reads.
bool ReadWavFile(const char* fileName, std::vector<uint8_t>& bytes)
{
    FILE* file = fopen(fileName, "rb");
    if (!file)
        return false;
    long size = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        size = ftell(file);
    if (size < 12 || static_cast<uint64_t>(size) > kMaxBytes || fseek(file, 0, SEEK_SET) != 0) {
        fclose(file);
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    bytes.resize(fread(bytes.data(), 1, bytes.size(), file));
    fclose(file);
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t length = bytes[at + 4] | bytes[at + 5] << 8 | bytes[at + 6] << 16 |
                                static_cast<uint32_t>(bytes[at + 7]) << 24;
        if (length > bytes.size() - at - 8)
            return false;
        at += 8 + static_cast<size_t>(length) + (length & 1);
    }
    return true;
}

}  // namespace

std::vector<int16_t> DecodeWav(const char* fileName, int rate)
{
    std::vector<int16_t> samples;
    std::vector<uint8_t> bytes;
    if (!ReadWavFile(fileName, bytes))
        return samples;
    SDL_AudioSpec wav;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1, &wav, &buffer, &length))
        return samples;
    if (wav.format == AUDIO_S16SYS && wav.freq == rate && (wav.channels == 1 || wav.channels == 2)) {
        // Taken sample for sample: SDL's converter goes through floats scaled by 32767/32768 and rounds them on
        // x86 but truncates them in its plain C, so the same file would mix a little differently in each build.
        const size_t count = length / 2;
        samples.resize(wav.channels == 1 ? 2 * count : count & ~size_t{1});
        const int16_t* in = reinterpret_cast<const int16_t*>(buffer);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = in[wav.channels == 1 ? i / 2 : i];
        SDL_FreeWAV(buffer);
        return samples;
    }
    SDL_AudioCVT cvt;
    const bool plausible = wav.freq >= kMinRate && wav.freq <= kMaxRate && wav.channels >= 1 &&
                           wav.channels <= kMaxChannels && length > 0 && length <= kMaxBytes;
    if (plausible && SDL_BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, AUDIO_S16SYS, 2, rate) >= 0 &&
        static_cast<uint64_t>(length) * static_cast<uint64_t>(std::max(cvt.len_mult, 1)) <= kMaxBytes) {
        std::vector<Uint8> work(static_cast<size_t>(length) * std::max(cvt.len_mult, 1));
        std::memcpy(work.data(), buffer, length);
        cvt.buf = work.data();
        cvt.len = static_cast<int>(length);
        if (!cvt.needed || SDL_ConvertAudio(&cvt) == 0) {
            size_t bytes = cvt.needed ? static_cast<size_t>(cvt.len_cvt) : length;
            samples.resize(bytes / 2);
            if (!samples.empty())
                std::memcpy(samples.data(), work.data(), samples.size() * 2);
        }
    }
    SDL_FreeWAV(buffer);
    return samples;
}
