// What the sound services offer the rest of the platform layer.
#pragma once

#include <cstdint>

// SDL's audio subsystem, started on first use.
bool EnsureAudio();

// The sound the open device has taken so far, in seconds, and when it took the last of it (SDL's performance
// counter, in seconds); false without a device.
bool SoundDeviceTaken(double* seconds, double* at);

// Mixes `frames` stereo sample frames of music and effect into out.
void MixAudio(int16_t* out, int frames);
