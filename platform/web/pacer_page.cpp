// A page's pacer device: frames presented at the browser's animation frames, control given back to it while
// catching up, and the frame count told to whoever watches the page.
#include "platform/presentation/pacer_target.h"

#include "platform/presentation/pacer.h"

#include <emscripten.h>

namespace {

// In a page the browser shows the canvas once the program gives control back, at its display's next
// refresh: a picture is presented by waiting for that animation frame, its vsync. Catching up, control goes
// back only for a moment (a message posted to itself, which browsers do not clamp as they clamp nested
// timeouts), so that a busy browser's sound and events still run.
EM_ASYNC_JS(void, WaitForAnimationFrame, (), { await new Promise(resolve => requestAnimationFrame(resolve)); });
EM_ASYNC_JS(void, YieldToBrowser, (), {
    if (!Module.korvaleYield) {
        const channel = new MessageChannel();
        const waiting = [];
        channel.port1.onmessage = () => waiting.shift()();
        Module.korvaleYield = () => new Promise(resolve => { waiting.push(resolve); channel.port2.postMessage(0); });
    }
    await Module.korvaleYield();
});
bool pageVsync = true;

void PageSleep(double seconds)
{
    if (seconds > 0)
        emscripten_sleep(static_cast<unsigned>(seconds * 1000.0));
}

bool PageSwapInterval(int interval)
{
    if (interval != 0 && interval != 1)
        return false;
    pageVsync = interval == 1;
    return true;
}

void PageSwap()
{
    if (pageVsync)
        WaitForAnimationFrame();
    else
        YieldToBrowser();
}

const PacerDevice pageDevice{SdlSeconds, PageSleep, PageSwapInterval, PageSwap, TargetSoundTaken, YieldToBrowser};

}  // namespace

const PacerDevice* TargetPacerDevice() { return &pageDevice; }

// The page's waits are called directly, never through the device: Asyncify follows only direct calls.
void TargetSleep(const PacerDevice&, double seconds) { PageSleep(seconds); }

void TargetSwap(const PacerDevice&) { PageSwap(); }

void TargetPass(const PacerDevice&) { YieldToBrowser(); }

// For whoever watches the page (its look script): the demo's frame, which shown pictures no longer count.
void TargetFrameEnded(long frames) { EM_ASM({ Module.korvaleFrames = $0; }, frames); }
