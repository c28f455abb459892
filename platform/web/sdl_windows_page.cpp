// A page's SDL window: its canvas, kept for the page's life and lent to each window the demo opens.
#include "platform/windows/sdl_windows.h"

namespace {

// SDL's full-screen change calls back into the window that asked for it once the browser has left full screen,
// which F1 does after the demo has closed that window: a window of its own each time was read after it was freed.
SDL_Window* pageWindow = nullptr;

}  // namespace

void BeforeSdlVideo()
{
    // The page yields only where the program says (its pacer): SDL's own yield in a swap would come through an
    // indirect call, which the page's Asyncify does not follow.
    SDL_SetHint(SDL_HINT_EMSCRIPTEN_ASYNCIFY, "0");
}

SDL_Window* OpenSdlWindow(const char* title, int left, int top, int width, int height, Uint32 flags,
                          bool fullscreenDesktop)
{
    // Resizable from the start: a window that began full screen follows the page's size once it leaves it.
    flags |= SDL_WINDOW_RESIZABLE;
    if (pageWindow)
        SDL_SetWindowFullscreen(pageWindow, fullscreenDesktop ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    else
        pageWindow = SDL_CreateWindow(title, left, top, width, height, flags);
    return pageWindow;
}

void CloseSdlWindow(SDL_Window*) {}
