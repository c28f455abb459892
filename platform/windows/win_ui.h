// The window and device-context records behind the handles, and what the window stand-ins offer the rest of
// the platform layer: the video subsystem, the message queue and the display mode asked for.
#pragma once

#include "platform/presentation/drawable.h"
#include "platform/seam/seam.h"
#include "platform/windows/win32.h"

#include <SDL.h>

struct HDC__ {
    HWND__* window;
    int pixelFormat;
};

// Its SDL window, full-screen flag and asked size are what the presentation sees of it.
struct HWND__ : PictureWindow {
    WNDPROC proc;
    DWORD style;
    DWORD exStyle;
    HDC__ dc;  // every demo window owns its device context
};

// SDL's video subsystem, started on first use; false (said on stderr) where there is no display.
bool EnsureVideo();

// Posted messages, delivered one per PeekMessageA.
void PostPlatformMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HWND CurrentWindow();
