// Canonical PCM WAV headers, little-endian as the format wants it.
#include "tools/capture/wav_writer.h"

#include "core/constants.h"

bool WriteWavHeader(FILE* file, uint32_t frames)
{
    if (frames > kWavMaxSampleFrames)
        return false;
    bool ok = true;
    auto bytes = [&](const void* data, size_t size) { ok = ok && fwrite(data, size, 1, file) == 1; };
    auto u32 = [&](uint32_t v) { bytes(&v, 4); };
    auto u16 = [&](uint16_t v) { bytes(&v, 2); };
    const uint32_t size = frames * 4;
    bytes("RIFF", 4);
    u32(36 + size);
    bytes("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(kSoundRate);
    u32(kSoundRate * 4);
    u16(4);
    u16(16);
    bytes("data", 4);
    u32(size);
    return ok;
}
