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
    unsigned framebuffer;  // off-screen target while full screen, 0 otherwise
    unsigned colourBuffer;
    unsigned depthBuffer;
    int pictureWidth;  // the off-screen target's size
    int pictureHeight;
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

// The audio mixer (platform/sound.cpp).
void MixAudio(int16_t* out, int frames);
