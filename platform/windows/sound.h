// What the sound services offer the rest of the platform layer.
#pragma once

#include <cstdint>

// SDL's audio subsystem, started on first use.
bool EnsureAudio();

// Mixes `frames` stereo sample frames of music and effect into out.
void MixAudio(int16_t* out, int frames);
