// The desktop's SDL windows: one made for each window the demo opens, destroyed with it.
#include "platform/windows/sdl_windows.h"

void BeforeSdlVideo() {}

SDL_Window* OpenSdlWindow(const char* title, int left, int top, int width, int height, Uint32 flags, bool)
{
    return SDL_CreateWindow(title, left, top, width, height, flags);
}

void CloseSdlWindow(SDL_Window* window) { SDL_DestroyWindow(window); }
