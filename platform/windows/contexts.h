// The GL context records behind HGLRC: each with the way its picture reaches the window and the off-screen
// target it is drawn into.
#pragma once

#include "platform/gles/layer.h"
#include "platform/windows/draw_target.h"
#include "platform/windows/win_ui.h"

// The ways a picture reaches its window, best first: a way the GL refuses steps down to the next.
enum class PictureWay {
    Multisampled,  // drawn at the size shown (native), multisampled, then copied into the window
    SingleSampled,  // the same without multisampling
    Classic,  // drawn at the size the program asked for, then scaled into the window at 4:3
    Window,  // drawn straight into the window's own buffer, at its size: only where there is no target
};

struct HGLRC__ {
    SDL_GLContext context;
    HWND__* window;
    unsigned long long generation = 0;  // never reused, unlike the record's address: 1 for the first context
    bool prepared = false;  // its picture's way was chosen, on its first activation
    PictureWay way = PictureWay::Window;
    DrawTarget target;  // what the demo draws into; empty on the Window way
    DrawTarget shown;  // the picture as the window shows it, made only when the harness reads it
    DrawTarget dropTarget;  // one pixel: a dropped picture is drawn here, made on the first drop
    bool dropping = false;  // this frame's picture is dropped
    long droppedInRow = 0;  // under a harness that forces dropped pictures: since the last drawn one
    bool centred = false;  // on the Window way: this frame's picture was moved to the drawable's centre
    void* frameBefore = nullptr;  // the fence (GLsync) of the last frame drawn and not shown
    LayerContext* layer = nullptr;  // the GL 1.1 layer's state, on ES only
};

HGLRC CurrentContext();
