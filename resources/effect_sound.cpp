// PlayEffect over the platform's PlaySoundA: asynchronous, from a file, no default beep.
#include "resources/effect_sound.h"

#include "platform/windows/win32.h"

void PlayEffect(const char* fileName) { PlaySoundA(fileName, nullptr, SND_FILENAME | SND_NODEFAULT | SND_ASYNC); }
