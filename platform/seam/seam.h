// The seam between the platform's stand-ins and the test harness: what an installed harness asks of them
// (answers, forced failures, hooks), and the record of the calls it counts. Without a harness it is inert.
// The lowest room but the media readers: the GL layer, the presentation and the Windows-style stand-ins all
// ask it, and it knows none of them (the answers are the Windows box replies by their values).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct PacerDevice;

// IDYES, as platform/windows/win32.h has it (win_ui.cpp checks that they agree).
inline constexpr int kHarnessYes = 6;

struct Harness {
    // Replies to the Yes/No message boxes in turn (IDYES or IDNO), the last one repeated; OK boxes are
    // answered with IDOK.
    std::vector<int> answers{kHarnessYes};
    // Operations made to fail, by platform name ("SetPixelFormat"), or "NAME@N" for the N-th call only.
    std::vector<std::string> failures;
    // The size the picture is shown at (the screen when full screen, the client area a window is resized to),
    // drawn at that size as on a hardware renderer and read back with black bars; 0: the demo's 640 x 480
    // drawn as on a software renderer.
    int width = 0;
    int height = 0;
    // Pixels per window unit of the window's drawable, as on a scaled (HiDPI) display, which the offscreen
    // driver never has.
    int drawableScale = 1;
    // PeekMessageA found the queue empty: the frame loop is about to draw. Keys posted here are returned
    // by the same PeekMessageA call.
    std::function<void()> onIdle;
    // SwapBuffers is about to present the back buffer (still readable with HarnessReadFrame).
    std::function<void()> onPresent;
    // The current context is about to be let go: the last frame drawn, never presented, is still readable.
    std::function<void()> onRelease;
    // Every message box, after it has been answered.
    std::function<void(const char* caption, const char* text, unsigned type, int result)> onMessageBox;
    // Every PlaySoundA call with a file name.
    std::function<void(const char* fileName)> onSound;
    // SwapBuffers shows the picture in the (hidden) window. Recording reads the picture itself and turns this
    // off: copying every frame into a window nobody sees took longer than drawing many of them.
    bool presents = true;
    // Without presenting, each frame waits for the one before it to be drawn, so one is drawn while the next
    // is built. A recording that reads no picture waits for each frame itself instead: slower, but the driver
    // then holds no more than when the program plays.
    bool waitsForEachFrame = false;
    // After each picture drawn, the pictures of this many frames are dropped as the program drops them when
    // behind the sound: the frames run, their pictures are neither drawn nor shown (nor read).
    int droppedRun = 0;
    // Sound plays through a real SDL audio device (SDL_AUDIODRIVER picks it, "dummy" by default) instead of
    // being pulled with HarnessMixAudio.
    bool audioDevice = false;
    // Frames are paced as the program paces them, by this device (a simulated clock and display) instead of as
    // fast as they can be drawn: the pacer drops pictures, and the harness's size stands for a native picture
    // the resolution trial chose, which steps down to classic where it drops most of them.
    const PacerDevice* pacer = nullptr;
};

// Every operation a harness can make fail, by the name the stand-ins pass to PlatformCallFails. Besides the
// Windows calls: the GL's framebuffer objects (as if it had none) and the picture's off-screen targets, one
// name a way, each refused as an incomplete target (made on a context's first activation and again on each
// resize of a native picture); with the GL layer, each lookup of an ES call (EsEntryPoint) and each of the
// layer's programs (LayerProgram, given a shader the driver does not compile), both on a context's first
// activation; and GlError, a GL call refused as each picture is finished (at SwapBuffers).
inline constexpr const char* kFailableOperations[] = {
    "ChangeDisplaySettingsA", "ChoosePixelFormat", "ClassicTarget", "CreateWindowExA", "DestroyWindow",
    "EsEntryPoint", "FMUSIC_LoadSong", "FSOUND_Init", "FramebufferObjects", "GetDC", "GlError", "LayerProgram",
    "MultisampledTarget", "RegisterClassA", "ReleaseDC", "SetPixelFormat", "SingleSampledTarget",
    "UnregisterClassA", "glReadPixels", "wglCreateContext", "wglDeleteContext", "wglMakeCurrent"};

// The installed harness, null in the shipped program.
const Harness* CurrentHarness();
// Installs the harness the stand-ins answer to, clearing the call records; null removes it, keeping them.
void SetCurrentHarness(const Harness* harness);
// Counts the call and tells whether the harness wants this operation to fail now; false without a harness.
bool PlatformCallFails(const char* operation);
// Counts a call for inspection only (never in a frame's path).
void CountPlatformCall(const char* operation);
// The harness's reply to the next Yes/No box.
int NextHarnessAnswer();

struct PlatformCallRecord {
    int count = 0;
    std::chrono::steady_clock::time_point first;  // for the start-up figures
};
// The calls counted since the harness was installed; null when the operation has not been called.
const PlatformCallRecord* FindPlatformCall(const char* operation);
