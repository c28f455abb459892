// The application shell: entry point and frame loop, the demo window with its GL context, and the state
// they share (keys, activity, display mode, music).
#pragma once

#include "platform/windows/music.h"
#include "platform/windows/win32.h"

extern bool keys[256];
extern bool active;
extern bool fullscreen;
extern bool soundOk;
extern bool songLoaded;
extern FMUSIC_MODULE* song;
extern int musicState;

extern HINSTANCE moduleHandle;
extern HWND windowHandle;
extern HDC deviceContext;
extern HGLRC renderContext;

extern const char windowTitle[];

bool OpenDemoWindow(const char* title, int width, int height, int bits, bool fullscreenRequested);
void CloseDemoWindow();
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ResizeViewport(int width, int height);
