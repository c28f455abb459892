// The WAV reader behind PlaySoundA: a file decoded by SDL and converted to the mixer's format.
#pragma once

#include <cstdint>
#include <vector>

// 16-bit stereo samples at `rate` Hz; empty when the file cannot be read or converted.
std::vector<int16_t> DecodeWav(const char* fileName, int rate);
