// The header of the 44100 Hz 16-bit stereo WAV files the capture tool writes its sound into.
#pragma once

#include <cstdint>
#include <cstdio>

// Writes the 44-byte header for `frames` stereo sample frames at the file's current position.
void WriteWavHeader(FILE* file, uint32_t frames);
