// The 2D overlays: the fading music notice and the credits scroller.
#pragma once

extern const char* creditLines[72];
extern float creditY[72];
extern float creditStep;

void InitCredits();
void DrawMusicNotice(int state);
void DrawCredits();
