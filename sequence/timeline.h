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

bool RenderFrame();
void DrawCollapseFlash();

// Starts an effect sound on the one effect voice, as every bang of the demo does.
void PlayEffect(const char* fileName);
