// The header of the 44100 Hz 16-bit stereo WAV files the capture tool writes its sound into.
#pragma once

#include <cstdint>
#include <cstdio>

// The most stereo 16-bit sample frames a WAV header can count: its sizes are 32-bit byte counts.
constexpr uint32_t kWavMaxSampleFrames = (UINT32_MAX - 36) / 4;

// Writes the 44-byte header for `frames` stereo sample frames at the file's current position. False when
// it could not be written, or `frames` is past what the header can count.
bool WriteWavHeader(FILE* file, uint32_t frames);
