// Where the window stand-ins get their SDL windows: the desktop makes one for each window
// (sdl_windows_desktop.cpp); a page lends its one canvas window to each (platform/web/sdl_windows_page.cpp).
#pragma once

#include <SDL.h>

// Before SDL's video subsystem starts.
void BeforeSdlVideo();
// A window as SDL_CreateWindow makes it; `fullscreenDesktop`: shown over the whole screen. Null where SDL fails.
SDL_Window* OpenSdlWindow(const char* title, int left, int top, int width, int height, Uint32 flags,
                          bool fullscreenDesktop);
// The demo's window is gone.
void CloseSdlWindow(SDL_Window* window);
