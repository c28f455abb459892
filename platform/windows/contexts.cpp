// WGL stand-ins over SDL2's GL contexts: pixel format, context creation, activation and deletion, and
// presenting the finished picture.
#include "platform/windows/contexts.h"

#include "platform/presentation/pacer.h"
#include "platform/presentation/picture.h"
#include "platform/windows/sound.h"
#include "platform/windows/unshown_frames.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <memory>
#include <vector>

namespace {

unsigned long long contextsMade = 0;
// Every context made and not yet deleted, as the window system keeps them: a failed deletion leaves one.
std::vector<std::unique_ptr<HGLRC__>> contexts;

}  // namespace

// The current context is the presentation's current picture: one record of which is current, not two.
HGLRC CurrentContext() { return static_cast<HGLRC>(CurrentPicture()); }

int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request)
{
    if (PlatformCallFails("ChoosePixelFormat") || !dc || !request)
        return 0;
    if (request->nSize != sizeof(PIXELFORMATDESCRIPTOR) || !(request->dwFlags & PFD_SUPPORT_OPENGL))
        return 0;
    return 1;  // the one format offered: RGBA 8-8-8, double buffered, 16-bit depth
}

BOOL WINAPI SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*)
{
    if (PlatformCallFails("SetPixelFormat") || !dc || format != 1 || dc->pixelFormat != 0)
        return FALSE;
    dc->pixelFormat = format;
    return TRUE;
}

HGLRC WINAPI wglCreateContext(HDC dc)
{
    if (PlatformCallFails("wglCreateContext") || !dc || !dc->pixelFormat)
        return nullptr;
    SDL_GLContext context = SDL_GL_CreateContext(dc->window->sdl);
    if (!context)
        return nullptr;
    // A new context is not current until asked for.
    SDL_GL_MakeCurrent(dc->window->sdl, nullptr);
    if (const HGLRC current = CurrentContext())
        SDL_GL_MakeCurrent(current->window->sdl, current->context);
    auto made = std::make_unique<HGLRC__>();
    made->context = context;
    made->window = dc->window;
    made->generation = ++contextsMade;
    if (ChosenGlApi() == GlApi::Es)
        made->layer = MakeLayerContext();
    contexts.push_back(std::move(made));
    return contexts.back().get();
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context)
{
    const HGLRC current = CurrentContext();
    if (const Harness* harness = CurrentHarness(); harness && harness->onRelease && !context && current)
        harness->onRelease();
    if (PlatformCallFails("wglMakeCurrent"))
        return FALSE;
    if (!context) {
        if (current)
            SDL_GL_MakeCurrent(current->window->sdl, nullptr);
        SetCurrentPicture(nullptr);
        UseLayerContext(nullptr);
        return TRUE;
    }
    if (!dc || dc->window != context->window)
        return FALSE;
    if (SDL_GL_MakeCurrent(dc->window->sdl, context->context) != 0)
        return FALSE;
    // Before the picture's first GL calls, which on ES go through the layer. A layer that cannot be set up
    // leaves no context current, as a failed activation does on Windows.
    if (context->layer && !UseLayerContext(context->layer)) {
        SDL_GL_MakeCurrent(dc->window->sdl, nullptr);
        SetCurrentPicture(nullptr);
        return FALSE;
    }
    PrepareContextPicture(context);
    SetCurrentPicture(context);
    BindDrawTarget(context);
    if (CurrentHarness())
        SDL_GL_SetSwapInterval(0);
    else
        PacerContextChanged();
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC context)
{
    if (PlatformCallFails("wglDeleteContext") || !context)
        return FALSE;
    if (context == CurrentContext())
        SetCurrentPicture(nullptr);
    // The off-screen target's objects die with the context, and so do the layer's.
    SDL_GL_DeleteContext(context->context);
    if (context->layer)
        DropLayerContext(context->layer);
    for (auto it = contexts.begin(); it != contexts.end(); ++it)
        if (it->get() == context) {
            contexts.erase(it);
            break;
        }
    return TRUE;
}

BOOL WINAPI SwapBuffers(HDC dc)
{
    const HGLRC current = CurrentContext();
    if (!dc || !current || current->window != dc->window)
        return FALSE;
    // A harness can have the GL refuse a call of the picture, as a fault of the program's drawing would.
    if (PlatformCallFails("GlError"))
        glEnable(GL_NONE);
    // The picture is finished: what the GL layer still holds is drawn before anything reads or shows it.
    FlushLayer();
    const bool drawn = !current->dropping;
    const Harness* harness = CurrentHarness();
    if (harness && harness->onPresent)
        harness->onPresent();
    if (!harness || harness->pacer) {
        if (drawn)
            ShowPicture(dc->window);
        DropNextPicture(current, !PacerEndFrame(drawn));
        SoundFrameDue(PacerNextFrameDue());
        // The demo hears of the classic picture's size, as of a resize.
        int width = 0, height = 0;
        if (PacerMostlyDropping() && StepDownFromNative(current, &width, &height))
            PostPlatformMessage(current->Window(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
        return TRUE;
    }
    // Unless it paces them, a harness decides which pictures are dropped; it never waits for a schedule.
    const bool dropNext = drawn ? harness->droppedRun > 0 : ++current->droppedInRow < harness->droppedRun;
    if (drawn)
        current->droppedInRow = 0;
    // A recording harness reads the picture from its off-screen target (Harness::presents); headless runs go
    // as fast as they can.
    if (!harness->presents && current->target.framebuffer) {
        AwaitUnshownFrame(current, harness->waitsForEachFrame);
    } else if (drawn) {
        ShowPicture(dc->window);
        SDL_GL_SwapWindow(dc->window->sdl);
    }
    DropNextPicture(current, dropNext);
    return TRUE;
}
