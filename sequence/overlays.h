// The 2D overlays: the fading music notice and the credits scroller.
#pragma once

#include "core/constants.h"

extern const char* creditLines[kCreditLines];
extern float creditY[kCreditLines];
extern float creditStep;

void InitCredits();
void DrawMusicNotice(int state);
void DrawCredits();
