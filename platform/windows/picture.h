// The picture a context draws into and how it reaches the window: the way chosen on its first activation
// (stepping down where the GL refuses one), its size, and the 4:3 copy with black bars into the drawable.
#pragma once

#include "platform/windows/win32.h"

// Chooses, on a context's first activation, the way its picture is drawn (native or classic, see
// resolution.h) and makes its target, stepping down a way, with one line on stderr, wherever the GL refuses
// one: the last way is the window itself, so this never fails.
void PrepareContextPicture(HGLRC context);
// Binds the context's off-screen target for drawing (nothing on the Window way).
void BindDrawTarget(HGLRC context);
// Copies the current context's picture into its window's drawable, 4:3 with black bars.
void ShowPicture(HDC dc);
// Drops the picture of the context's next frame, or draws it again: a dropped picture is drawn into a
// one-pixel target, where the GL has next to nothing to do while every call of the frame still runs as
// always. The Window way has no target to put aside and draws every picture.
void DropNextPicture(HGLRC context, bool drop);
// The context's native picture dropped most of its pictures for a while: where the trial chose it, the
// classic picture is drawn from now on (said on stderr) and the demo hears of its new size.
void StepDownFromNative(HGLRC context);

// The window's drawable in pixels: on a scaled (HiDPI) display more than its size in window units.
void DrawableSize(HWND window, int* width, int* height);
// The size the window's current context draws its picture at (its target's, or the drawable's on the Window
// way); false, leaving the sizes alone, when no context of this window is current.
bool PictureSize(HWND window, int* width, int* height);
// The window's drawable changed size: a native target follows it (stepping down if the GL refuses the new
// size). True, with the size the demo now draws at, when the demo must hear of it.
bool ResizePicture(HWND window, int* width, int* height);
// The largest 4:3 rectangle centred in width x height.
void Fit4By3(int width, int height, int* left, int* bottom, int* fitWidth, int* fitHeight);

// Binds for reading the picture as drawn (multisampling resolved) and gives its size.
void BindPictureForReading(HGLRC context, int* width, int* height);
// Binds for reading the picture as the window shows it, at the drawable's size with its black bars, and
// gives that size; false where the GL cannot make the copy. BindDrawTarget returns to drawing after either.
bool BindShownPictureForReading(HGLRC context, int* width, int* height);
