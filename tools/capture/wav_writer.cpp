// Canonical PCM WAV headers, little-endian as the format wants it.
#include "tools/capture/wav_writer.h"

void WriteWavHeader(FILE* file, uint32_t frames)
{
    auto u32 = [&](uint32_t v) { fwrite(&v, 4, 1, file); };
    auto u16 = [&](uint16_t v) { fwrite(&v, 2, 1, file); };
    const uint32_t bytes = frames * 4;
    fwrite("RIFF", 1, 4, file);
    u32(36 + bytes);
    fwrite("WAVEfmt ", 1, 8, file);
    u32(16);
    u16(1);
    u16(2);
    u32(44100);
    u32(44100 * 4);
    u16(4);
    u16(16);
    fwrite("data", 1, 4, file);
    u32(bytes);
}
