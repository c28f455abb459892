// How SwapBuffers waits for a frame a recording draws and never shows: on the desktop (unshown_frames_desktop.cpp)
// each frame waits for the one before it; a page (platform/web/unshown_frames_page.cpp) gives the browser control
// now and then instead.
#pragma once

#include "platform/windows/win32.h"

// The current context's frame is finished and will not be shown; `eachFrame`: wait for it to be drawn.
void AwaitUnshownFrame(HGLRC context, bool eachFrame);
