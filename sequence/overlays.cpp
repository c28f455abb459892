// PLACEHOLDER until the overlays land.
#include "sequence/overlays.h"
#include "sequence/timeline.h"
const char* creditLines[72];
float creditY[72];
float creditStep = 1.0f;
void InitCredits() {}
void DrawMusicNotice(int) { ++musicNoticeFrame; }
void DrawCredits() {}
