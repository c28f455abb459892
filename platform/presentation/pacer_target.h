// What each target gives the pacer: its own device and the waits through it. The desktop's are SDL's
// (pacer_desktop.cpp); a page's are in platform/web/pacer_page.cpp, where Asyncify must reach every wait by a
// direct call.
#pragma once

struct PacerDevice;

// The device the pacer uses unless given another.
const PacerDevice* TargetPacerDevice();
// The pacer's waits, through `device` where the target may call it indirectly.
void TargetSleep(const PacerDevice& device, double seconds);
void TargetSwap(const PacerDevice& device);
void TargetPass(const PacerDevice& device);
// A frame ended, `frames` of them since the schedule began: for whoever watches the target.
void TargetFrameEnded(long frames);

// SDL's counter in seconds, which the sound services' clock reads too.
double SdlSeconds();
// The sound given to PacerHearSound; false while there is none.
bool TargetSoundTaken(double* seconds, double* at);
