// The explosion sounds: every bang of the demo goes to the one effect voice.
#pragma once

// Starts an effect sound, cutting off the one before it; a missing file stays silent.
void PlayEffect(const char* fileName);
