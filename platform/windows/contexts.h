// The GL context records behind HGLRC: each with the way its picture reaches the window and the off-screen
// target it is drawn into.
#pragma once

#include "platform/gles/layer.h"
#include "platform/presentation/picture.h"
#include "platform/windows/win_ui.h"

// Its picture (way, targets, window, layer) is the presentation's part of the record.
struct HGLRC__ : ContextPicture {
    SDL_GLContext context;
    unsigned long long generation = 0;  // never reused, unlike the record's address: 1 for the first context
    void* frameBefore = nullptr;  // the fence (GLsync) of the last frame drawn and not shown
    // The window it was made for, as the window stand-ins know it.
    HWND__* Window() const { return static_cast<HWND__*>(window); }
};

HGLRC CurrentContext();
