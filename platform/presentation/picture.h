// The picture a context draws into and how it reaches the window: the way chosen on its first activation
// (stepping down where the GL refuses one), its size, and the 4:3 copy with black bars into the drawable.
#pragma once

#include "platform/presentation/draw_target.h"
#include "platform/presentation/drawable.h"

struct LayerContext;

// The ways a picture reaches its window, best first: a way the GL refuses steps down to the next.
enum class PictureWay {
    Multisampled,  // drawn at the size shown (native), multisampled, then copied into the window
    SingleSampled,  // the same without multisampling
    Classic,  // drawn at the size the program asked for, then scaled into the window at 4:3
    Window,  // drawn straight into the window's own buffer, at its size: only where there is no target
};

// A GL context's picture, on which the WGL stand-ins' context record builds.
struct ContextPicture {
    PictureWindow* window = nullptr;  // the window the context draws for
    bool prepared = false;  // its picture's way was chosen, on its first activation
    PictureWay way = PictureWay::Window;
    DrawTarget target;  // what the demo draws into; empty on the Window way
    DrawTarget shown;  // the picture as the window shows it, made only when the harness reads it
    DrawTarget dropTarget;  // one pixel: a dropped picture is drawn here, made on the first drop
    bool dropping = false;  // this frame's picture is dropped
    long droppedInRow = 0;  // under a harness that forces dropped pictures: since the last drawn one
    bool centred = false;  // on the Window way: this frame's picture was moved to the drawable's centre
    LayerContext* layer = nullptr;  // the GL 1.1 layer's state, on ES only
};

// Chooses, on a context's first activation, the way its picture is drawn (native or classic, see
// resolution.h) and makes its target, stepping down a way, with one line on stderr, wherever the GL refuses
// one: the last way is the window itself, so this never fails.
void PrepareContextPicture(ContextPicture* context);
// Binds the context's off-screen target for drawing (nothing on the Window way).
void BindDrawTarget(ContextPicture* context);
// The picture of the context now current, null when none: the WGL stand-ins set it as they make one current.
ContextPicture* CurrentPicture();
void SetCurrentPicture(ContextPicture* picture);

// Copies the current context's picture into the window's drawable, 4:3 with black bars.
void ShowPicture(const PictureWindow* window);
// Drops the picture of the context's next frame, or draws it again: a dropped picture is drawn into a
// one-pixel target, where the GL has next to nothing to do while every call of the frame still runs as
// always. The Window way has no target to put aside and draws every picture.
void DropNextPicture(ContextPicture* context, bool drop);
// The context's native picture dropped most of its pictures for a while: where the trial chose it, the
// classic picture is drawn from now on (said on stderr). True, with its new size, when the demo must hear of it.
bool StepDownFromNative(ContextPicture* context, int* width, int* height);

// The display mode the program asked for: a full-screen window draws its classic picture at this size
// (640 x 480 until asked).
void SetFullscreenPictureSize(int width, int height);

// The size the window's current context draws its picture at (its target's, or the drawable's on the Window
// way); false, leaving the sizes alone, when no context of this window is current.
bool PictureSize(const PictureWindow* window, int* width, int* height);
// The window's drawable changed size: a native target follows it (stepping down if the GL refuses the new
// size). True, with the size the demo now draws at, when the demo must hear of it.
bool ResizePicture(const PictureWindow* window, int* width, int* height);

// Binds for reading the picture as drawn (multisampling resolved) and gives its size.
void BindPictureForReading(ContextPicture* context, int* width, int* height);
// Binds for reading the picture as the window shows it, at the drawable's size with its black bars, and
// gives that size; false where the GL cannot make the copy. BindDrawTarget returns to drawing after either.
bool BindShownPictureForReading(ContextPicture* context, int* width, int* height);
