// The sound device's clock: the desktop counts the sample frames SDL's device has taken
// (sound_clock_desktop.cpp); a page asks its AudioContext when each chunk plays (platform/web/sound_clock_page.cpp).
#pragma once

#include <cstdint>

inline constexpr int kSoundRate = 44100;

// Sample frames the device is asked to take at a time.
int SoundDeviceChunk();
// The device has just opened: its first chunk is the mixer's sample 0.
void SoundClockOpened();
// The audio callback has mixed the chunk that begins at the mixer's sample frame `first`.
void SoundChunkMixed(long first);
// The sound the open device has taken so far, in seconds, and when it took the last of it (SDL's counter, in
// seconds), given the sample frames mixed for it and when the device took them (0: not yet); false where
// that is not known.
bool SoundClockTaken(long frames, uint64_t takenAt, double* seconds, double* at);
