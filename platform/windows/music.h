// The tracker-music library the demo plays its module with: the calls it makes, with the library's names.
// Implemented in platform/ over libopenmpt, mixed with the effect voice on one audio device.
#pragma once

struct FMUSIC_MODULE;

signed char FSOUND_Init(int mixRate, int maxSoftwareChannels, unsigned int flags);
void FSOUND_Close();
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
signed char FMUSIC_FreeSong(FMUSIC_MODULE* module);
signed char FMUSIC_PlaySong(FMUSIC_MODULE* module);
signed char FMUSIC_StopSong(FMUSIC_MODULE* module);
signed char FMUSIC_SetOrder(FMUSIC_MODULE* module, int order);
