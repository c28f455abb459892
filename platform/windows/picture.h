// The picture a context draws into and how it reaches the window: the off-screen target, its size (native or
// classic), and the 4:3 fit with black bars.
#pragma once

#include "platform/windows/win32.h"

// How large the picture is drawn: at the size it is shown (native), at the demo's 640 x 480 stretched
// (classic), or chosen for the renderer (auto).
enum class PictureResolution { Auto, Native, Classic };
void ChoosePictureResolution(PictureResolution choice);

// Gives a context just made current the picture it draws into, once; false when it cannot have one.
bool PrepareContextPicture(HGLRC context);
// Binds the context's off-screen target for drawing (nothing without one).
void BindDrawTarget(HGLRC context);
// Binds the finished picture (multisampling resolved) as the read framebuffer; false without an off-screen
// target. BindDrawTarget returns to drawing.
bool BindPictureForReading(HGLRC context);
// Copies the current context's picture into its window's back buffer, 4:3 with black bars.
void ShowPicture(HDC dc);

// The size of the picture the window's current context draws at the size shown; false when it draws at the
// size the demo asked for.
bool NativePictureSize(HWND window, int* width, int* height);
// The window's drawable changed size: a native picture follows it. False when nothing follows.
bool ResizeNativePicture(HWND window, int* width, int* height);
// The largest 4:3 rectangle centred in width x height.
void Fit4By3(int width, int height, int* left, int* bottom, int* fitWidth, int* fitHeight);
