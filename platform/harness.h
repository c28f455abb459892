// The seam through which tests and korvale-capture drive the platform layer headless: scripted answers and
// keys, forced failures of named operations, frame read-back and the mixed audio pulled without a device.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Harness {
    // Replies to the Yes/No message boxes in turn (IDYES or IDNO), the last one repeated; OK boxes are
    // answered with IDOK.
    std::vector<int> answers{IDYES};
    // Operations made to fail, by platform name ("SetPixelFormat"), or "NAME@N" for the N-th call only.
    std::vector<std::string> failures;
    // PeekMessageA found the queue empty: the frame loop is about to draw. Keys posted here are returned
    // by the same PeekMessageA call.
    std::function<void()> onIdle;
    // SwapBuffers is about to present the back buffer (still readable with HarnessReadFrame).
    std::function<void()> onPresent;
    // The current context is about to be let go: the last frame drawn, never presented, is still readable.
    std::function<void()> onRelease;
    // Every message box, after it has been answered.
    std::function<void(const char* caption, const char* text, UINT type, int result)> onMessageBox;
    // Every PlaySoundA call with a file name.
    std::function<void(const char* fileName)> onSound;
};

void InstallHarness(const Harness& harness);
void RemoveHarness();
bool HarnessInstalled();

// Queue a message for the demo window as the window system would post it.
void HarnessPostKey(int virtualKey, bool down);
void HarnessPostMessage(UINT message, WPARAM wParam, LPARAM lParam);

// Read the current back buffer as RGB rows, top row first. False without a current context.
bool HarnessReadFrame(std::vector<uint8_t>& rgb, int& width, int& height);

// Mix `frames` stereo sample frames (44100 Hz, 16-bit) of music and effect into out (2 * frames values).
// Under the harness nothing plays on its own: the mixer advances only when pulled.
void HarnessMixAudio(int16_t* out, int frames);

// Whether `operation` ("SetPixelFormat", or "NAME@N" with N >= 1) names one the harness can make fail.
bool HarnessCanFail(const std::string& operation);

// How often a platform operation has been called since the harness was installed.
int HarnessCallCount(const char* operation);
