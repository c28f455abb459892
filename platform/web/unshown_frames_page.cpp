// A page's wait for an unshown frame: none, but the browser gets control back now and then.
#include "platform/windows/unshown_frames.h"

#include <emscripten.h>

void AwaitUnshownFrame(HGLRC, bool)
{
    // A page that never gives control back freezes: a recording run lets the browser breathe now and then.
    static unsigned frames = 0;
    if (++frames % 30 == 0)
        emscripten_sleep(0);
}
