// The GL context records behind HGLRC: each with the off-screen target its picture is drawn into.
#pragma once

#include "platform/windows/win_ui.h"

struct HGLRC__ {
    SDL_GLContext context;
    HWND__* window;
    unsigned long long generation = 0;  // never reused, unlike the record's address: 1 for the first context
    bool native = false;  // the picture is drawn at the size it is shown, in every window
    unsigned framebuffer = 0;  // off-screen target the demo draws into; 0: the window's own buffer
    unsigned colourBuffer = 0;
    unsigned depthBuffer = 0;
    int samples = 0;  // of the off-screen target; when above 0 it is resolved into the buffer below
    unsigned resolveFramebuffer = 0;
    unsigned resolveBuffer = 0;
    int pictureWidth = 0;  // the off-screen target's size
    int pictureHeight = 0;
    void* frameBefore = nullptr;  // the fence (GLsync) of the last frame drawn and not shown
};

HGLRC CurrentContext();
