// What the sound services offer the rest of the platform layer.
#pragma once

#include <cstdint>

// SDL's audio subsystem, started on first use.
bool EnsureAudio();

// The sound the open device has taken so far, in seconds, and when it took the last of it (SDL's performance
// counter, in seconds); false without a device. In a page: the sound the browser plays now, and when that last
// moved on.
bool SoundDeviceTaken(double* seconds, double* at);

// The frame now being run is due when the device has taken `seconds` of sound (SoundDeviceTaken's scale;
// negative where that is not known). The sounds it starts are placed there, a fixed two chunks later, rather
// than wherever the mixer happens to be: their spacing is then the frames', however the device takes its
// chunks and however late a frame runs. A frame later than the lead finds its place mixed already: its sound
// joins as far in as it would have played by then.
void SoundFrameDue(double seconds);

// Mixes `frames` stereo sample frames of music and effect into out.
void MixAudio(int16_t* out, int frames);
