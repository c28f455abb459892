// The window and device-context records behind the handles, and what the window stand-ins offer the rest of
// the platform layer: the video subsystem, the message queue and the display mode asked for.
#pragma once

#include "platform/windows/seam.h"
#include "platform/windows/win32.h"

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
    int askedWidth = 0;  // the client size the program asked for: its classic picture's size in a window
    int askedHeight = 0;
};

// SDL's video subsystem, started on first use; false (said on stderr) where there is no display.
bool EnsureVideo();

// Posted messages, delivered one per PeekMessageA.
void PostPlatformMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND CurrentWindow();

// The display mode the program asked for: a full-screen window draws its classic picture at this size.
void FullscreenPictureSize(int* width, int* height);
