// The harness through which tests and korvale-capture drive the platform layer headless: scripted answers and
// keys, forced failures of named operations, frame read-back and the mixed audio pulled without a device.
#pragma once

#include "platform/seam/seam.h"
#include "platform/windows/win32.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>


void InstallHarness(const Harness& harness);
void RemoveHarness();
bool HarnessInstalled();

// Queue a message for the demo window as the window system would post it.
void HarnessPostKey(int virtualKey, bool down);
void HarnessPostMessage(UINT message, WPARAM wParam, LPARAM lParam);

// Resize the demo window's client area as its user would; the window system's size event follows.
void HarnessResizeWindow(int width, int height);

// Read the current picture as RGB rows, top row first. False without a current context or when the GL reports
// an error for the read ("glReadPixels" among the harness's failures), one it had before included. Under a
// harness with a size, the picture comes back as the window shows it: at the drawable's size, 4:3 with black
// bars.
bool HarnessReadFrame(std::vector<uint8_t>& rgb, int& width, int& height);

// What a read-back one frame late gave: the picture, none yet (nothing was started before), or a failure.
enum class FrameRead { Picture, NotYet, Failed };
// For recording every frame: starts reading the current back buffer and returns (as HarnessReadFrame does)
// the frame started by the call before. HarnessReadLastFrame returns the last one started, while its context
// is still current.
FrameRead HarnessReadFrameLater(std::vector<uint8_t>& rgb, int& width, int& height);
FrameRead HarnessReadLastFrame(std::vector<uint8_t>& rgb, int& width, int& height);

// Waits until the GL has drawn everything asked of it (a software renderer draws only when flushed), so a
// frame's time counts its drawing.
void HarnessFinishDrawing();

// Whether the current frame's picture is dropped (Harness::droppedRun): drawn nowhere the harness can read.
bool HarnessPictureDropped();
// Drops the picture of the frame about to start, or draws it: a run that reads only some pictures need not
// draw the others (under an emulated CPU, most of its time). Called between frames; before there is a context,
// nothing to drop.
void HarnessDropPicture(bool drop);

// Mix `frames` stereo sample frames (44100 Hz, 16-bit) of music and effect into out (2 * frames values).
// Under the harness nothing plays on its own: the mixer advances only when pulled.
void HarnessMixAudio(int16_t* out, int frames);

// Whether the sound services hold an open audio device now.
bool HarnessAudioDeviceOpen();
// Sample frames the open device's audio thread has mixed so far (0 without a device).
long HarnessAudioDeviceFrames();

// Whether `operation` ("SetPixelFormat", or "NAME@N" with N >= 1) names one the harness can make fail.
bool HarnessCanFail(const std::string& operation);

// How often a platform operation has been called since the harness was installed.
int HarnessCallCount(const char* operation);
// When a platform operation was first called since the harness was installed; false if it has not been.
bool HarnessFirstCall(const char* operation, std::chrono::steady_clock::time_point& when);
