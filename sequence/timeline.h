// The per-frame scene function and the timeline counters that carry the demo from the opening words
// through the planet and the collapse into the nova phase.
#pragma once

extern int demoFrame;
extern int musicNoticeFrame;
extern bool sceneSwitch;
extern int switchCooldown;
extern int spinAngle;
extern float phaseAngle;
extern int planetFrame;
extern int lastBangRays;
extern int flashFrame;
extern float planetYaw;

// One frame of the demo; `musicState` picks the notice shown (0 off, 1 or 2 the song).
bool RenderFrame(int musicState);
void DrawCollapseFlash();

// What the keys of the frame loop change: space swaps planet and nova once the nova has settled; a music
// key shows its notice once the opening is over.
void ToggleScene();
void ShowMusicNotice();
