// What the platform stand-ins share among themselves: the window and context records behind the handles,
// the message queue, and the harness's bookkeeping (forced failures, call counts).
#pragma once

#include "platform/harness.h"
#include "platform/win32.h"

#include <SDL.h>

struct HDC__ {
    HWND__* window;
    int pixelFormat;
};

struct HWND__ {
    SDL_Window* sdl;
    WNDPROC proc;
    DWORD style;
    DWORD exStyle;
    bool fullscreen;  // shown borderless over the whole screen, picture kept at 4:3
    HDC__ dc;  // every demo window owns its device context
};

struct HGLRC__ {
    SDL_GLContext context;
    HWND__* window;
    bool native = false;  // the picture is drawn at the size it is shown, in every window
    unsigned framebuffer = 0;  // off-screen target the demo draws into; 0: the window's own buffer
    unsigned colourBuffer = 0;
    unsigned depthBuffer = 0;
    int samples = 0;  // of the off-screen target; when above 0 it is resolved into the buffer below
    unsigned resolveFramebuffer = 0;
    unsigned resolveBuffer = 0;
    int pictureWidth = 0;  // the off-screen target's size
    int pictureHeight = 0;
};

// Counts the call and tells whether the harness wants this operation to fail now.
bool PlatformCallFails(const char* operation);
void CountPlatformCall(const char* operation);
const Harness* CurrentHarness();
// The harness's reply to the next Yes/No box.
int NextHarnessAnswer();
// The answer given in advance to the next Yes/No box (platform/startup.cpp), 0 when none; taken once.
int TakePresetAnswer();

// SDL subsystems, started on first use.
bool EnsureVideo();
bool EnsureAudio();

// Posted messages, delivered one per PeekMessageA.
void PostPlatformMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND CurrentWindow();

// The display mode the program asked for (platform/win_ui.cpp): a full-screen window draws its picture at
// this size.
void FullscreenPictureSize(int* width, int* height);

// Full-screen target of the current context (platform/wgl.cpp).
void BindDrawTarget(HGLRC context);
HGLRC CurrentContext();
// The size of the picture the window's current context draws at the size shown; false when it draws at the
// size the demo asked for.
bool NativePictureSize(HWND window, int* width, int* height);
// The window's drawable changed size: a native picture follows it. False when nothing follows.
bool ResizeNativePicture(HWND window, int* width, int* height);
// Binds the finished picture (multisampling resolved) as the read framebuffer; false without an off-screen
// target. BindDrawTarget returns to drawing.
bool BindPictureForReading(HGLRC context);
// The largest 4:3 rectangle centred in width x height.
void Fit4By3(int width, int height, int* left, int* bottom, int* fitWidth, int* fitHeight);

// The audio mixer (platform/sound.cpp).
void MixAudio(int16_t* out, int frames);
