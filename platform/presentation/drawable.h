// The window a picture is shown in, as the presentation sees it (the window stand-ins' records build on it),
// its drawable's size and the 4:3 fit within it.
#pragma once

// SDL's window; <SDL.h> stays out of this header, which the window stand-ins include before their win32.h.
struct SDL_Window;

struct PictureWindow {
    SDL_Window* sdl = nullptr;
    bool fullscreen = false;  // shown borderless over the whole screen, picture kept at 4:3
    int askedWidth = 0;  // the client size the program asked for: its classic picture's size in a window
    int askedHeight = 0;
};

// The window's drawable in pixels: on a scaled (HiDPI) display more than its size in window units.
void DrawableSize(const PictureWindow* window, int* width, int* height);
// The largest 4:3 rectangle centred in width x height.
void Fit4By3(int width, int height, int* left, int* bottom, int* fitWidth, int* fitHeight);
