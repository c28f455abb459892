// WGL stand-ins over SDL2's GL contexts: pixel format, context creation and activation, and presenting,
// with the full-screen picture drawn off screen at the display mode asked for and shown letterboxed at 4:3.
#include "platform/internal.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>

namespace {

HGLRC current = nullptr;
Uint64 lastPresent = 0;

PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;

bool LoadFramebufferCalls()
{
    genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(SDL_GL_GetProcAddress("glGenFramebuffers"));
    deleteFramebuffers = reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(SDL_GL_GetProcAddress("glDeleteFramebuffers"));
    bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glBindFramebuffer"));
    genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(SDL_GL_GetProcAddress("glGenRenderbuffers"));
    deleteRenderbuffers =
        reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(SDL_GL_GetProcAddress("glDeleteRenderbuffers"));
    bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(SDL_GL_GetProcAddress("glBindRenderbuffer"));
    renderbufferStorage =
        reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(SDL_GL_GetProcAddress("glRenderbufferStorage"));
    framebufferRenderbuffer =
        reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(SDL_GL_GetProcAddress("glFramebufferRenderbuffer"));
    blitFramebuffer = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(SDL_GL_GetProcAddress("glBlitFramebuffer"));
    checkFramebufferStatus =
        reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(SDL_GL_GetProcAddress("glCheckFramebufferStatus"));
    return genFramebuffers && deleteFramebuffers && bindFramebuffer && genRenderbuffers && deleteRenderbuffers &&
           bindRenderbuffer && renderbufferStorage && framebufferRenderbuffer && blitFramebuffer &&
           checkFramebufferStatus;
}

void DeleteDrawTarget(HGLRC context)
{
    bindFramebuffer(GL_FRAMEBUFFER, 0);
    deleteFramebuffers(1, &context->framebuffer);
    deleteRenderbuffers(1, &context->colourBuffer);
    deleteRenderbuffers(1, &context->depthBuffer);
    context->framebuffer = context->colourBuffer = context->depthBuffer = 0;
}

// The picture a full-screen window draws into, at the display mode asked for; made once per context, on its
// first activation. False when the GL cannot make it complete.
bool CreateDrawTarget(HGLRC context)
{
    if (!LoadFramebufferCalls()) {
        fprintf(stderr, "korvale: the GL offers no off-screen target for the full-screen picture\n");
        return false;
    }
    FullscreenPictureSize(&context->pictureWidth, &context->pictureHeight);
    genFramebuffers(1, &context->framebuffer);
    genRenderbuffers(1, &context->colourBuffer);
    genRenderbuffers(1, &context->depthBuffer);
    bindFramebuffer(GL_FRAMEBUFFER, context->framebuffer);
    bindRenderbuffer(GL_RENDERBUFFER, context->colourBuffer);
    renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, context->pictureWidth, context->pictureHeight);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, context->colourBuffer);
    bindRenderbuffer(GL_RENDERBUFFER, context->depthBuffer);
    renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, context->pictureWidth, context->pictureHeight);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, context->depthBuffer);
    bindRenderbuffer(GL_RENDERBUFFER, 0);
    GLenum status = checkFramebufferStatus(GL_FRAMEBUFFER);
    if (status == GL_FRAMEBUFFER_COMPLETE)
        return true;
    fprintf(stderr, "korvale: the off-screen target for the full-screen picture is incomplete (0x%x)\n", status);
    DeleteDrawTarget(context);
    return false;
}

}  // namespace

HGLRC CurrentContext() { return current; }

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
    if (current)
        SDL_GL_MakeCurrent(current->window->sdl, current->context);
    return new HGLRC__{context, dc->window, 0, 0, 0, 0, 0};
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context)
{
    if (const Harness* harness = CurrentHarness(); harness && harness->onRelease && !context && current)
        harness->onRelease();
    if (PlatformCallFails("wglMakeCurrent"))
        return FALSE;
    if (!context) {
        if (current)
            SDL_GL_MakeCurrent(current->window->sdl, nullptr);
        current = nullptr;
        return TRUE;
    }
    if (!dc || dc->window != context->window)
        return FALSE;
    if (SDL_GL_MakeCurrent(dc->window->sdl, context->context) != 0)
        return FALSE;
    // A full-screen window without its picture cannot show the demo: the activation fails.
    if (context->window->fullscreen && !context->framebuffer && !CreateDrawTarget(context)) {
        SDL_GL_MakeCurrent(dc->window->sdl, nullptr);
        if (current)
            SDL_GL_MakeCurrent(current->window->sdl, current->context);
        return FALSE;
    }
    current = context;
    BindDrawTarget(context);
    SDL_GL_SetSwapInterval(CurrentHarness() ? 0 : 1);
    return TRUE;
}

BOOL WINAPI wglDeleteContext(HGLRC context)
{
    if (PlatformCallFails("wglDeleteContext") || !context)
        return FALSE;
    if (context == current)
        current = nullptr;
    // The off-screen target's objects die with the context.
    SDL_GL_DeleteContext(context->context);
    delete context;
    return TRUE;
}

void BindDrawTarget(HGLRC context)
{
    if (context && context->framebuffer)
        bindFramebuffer(GL_FRAMEBUFFER, context->framebuffer);
}

BOOL WINAPI SwapBuffers(HDC dc)
{
    if (!dc || !current || current->window != dc->window)
        return FALSE;
    const Harness* harness = CurrentHarness();
    if (harness && harness->onPresent)
        harness->onPresent();

    SDL_Window* window = dc->window->sdl;
    if (current->framebuffer) {
        int width = 0, height = 0;
        SDL_GL_GetDrawableSize(window, &width, &height);
        // Largest 4:3 rectangle centred on the screen; the rest stays black.
        int shownWidth = width, shownHeight = height;
        if (width * 3 > height * 4)
            shownWidth = height * 4 / 3;
        else
            shownHeight = width * 3 / 4;
        int left = (width - shownWidth) / 2, bottom = (height - shownHeight) / 2;
        bindFramebuffer(GL_READ_FRAMEBUFFER, current->framebuffer);
        bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
        glDisable(GL_SCISSOR_TEST);
        GLfloat clear[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(clear[0], clear[1], clear[2], clear[3]);
        blitFramebuffer(0, 0, current->pictureWidth, current->pictureHeight, left, bottom, left + shownWidth,
                        bottom + shownHeight, GL_COLOR_BUFFER_BIT, GL_LINEAR);
        if (scissor)
            glEnable(GL_SCISSOR_TEST);
        SDL_GL_SwapWindow(window);
        bindFramebuffer(GL_FRAMEBUFFER, current->framebuffer);
    } else {
        SDL_GL_SwapWindow(window);
    }

    // Never more than 60 pictures a second on a real display; headless runs go as fast as they can.
    if (!harness) {
        const Uint64 frequency = SDL_GetPerformanceFrequency();
        const Uint64 frameTicks = frequency / 60;
        Uint64 now = SDL_GetPerformanceCounter();
        if (lastPresent && now - lastPresent < frameTicks) {
            SDL_Delay(static_cast<Uint32>((frameTicks - (now - lastPresent)) * 1000 / frequency));
            now = SDL_GetPerformanceCounter();
        }
        lastPresent = now;
    }
    return TRUE;
}
