// WGL stand-ins over SDL2's GL contexts: pixel format, context creation and activation, and presenting,
// with the picture drawn off screen (at the size shown, or at the display mode asked for) and shown at 4:3.
#include "platform/internal.h"

#include "platform/startup.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

HGLRC current = nullptr;
// Every context made and not yet deleted, as the window system keeps them: a failed deletion leaves one.
std::vector<std::unique_ptr<HGLRC__>> contexts;
Uint64 lastPresent = 0;
PictureResolution resolution = PictureResolution::Auto;
bool resolutionReported = false;

PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC renderbufferStorageMultisample;
PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;

template <typename Call>
void Load(Call& call, const char* name)
{
    call = reinterpret_cast<Call>(SDL_GL_GetProcAddress(name));
}

bool LoadFramebufferCalls()
{
    Load(genFramebuffers, "glGenFramebuffers");
    Load(deleteFramebuffers, "glDeleteFramebuffers");
    Load(bindFramebuffer, "glBindFramebuffer");
    Load(genRenderbuffers, "glGenRenderbuffers");
    Load(deleteRenderbuffers, "glDeleteRenderbuffers");
    Load(bindRenderbuffer, "glBindRenderbuffer");
    Load(renderbufferStorage, "glRenderbufferStorage");
    Load(renderbufferStorageMultisample, "glRenderbufferStorageMultisample");
    Load(framebufferRenderbuffer, "glFramebufferRenderbuffer");
    Load(blitFramebuffer, "glBlitFramebuffer");
    Load(checkFramebufferStatus, "glCheckFramebufferStatus");
    return genFramebuffers && deleteFramebuffers && bindFramebuffer && genRenderbuffers && deleteRenderbuffers &&
           bindRenderbuffer && renderbufferStorage && renderbufferStorageMultisample && framebufferRenderbuffer &&
           blitFramebuffer && checkFramebufferStatus;
}

void DeleteDrawTarget(HGLRC context)
{
    bindFramebuffer(GL_FRAMEBUFFER, 0);
    deleteFramebuffers(1, &context->framebuffer);
    deleteRenderbuffers(1, &context->colourBuffer);
    deleteRenderbuffers(1, &context->depthBuffer);
    if (context->resolveFramebuffer) {
        deleteFramebuffers(1, &context->resolveFramebuffer);
        deleteRenderbuffers(1, &context->resolveBuffer);
    }
    context->framebuffer = context->colourBuffer = context->depthBuffer = 0;
    context->resolveFramebuffer = context->resolveBuffer = 0;
}

// Storage for the target's buffers at the context's picture size (binding makes a new name an object).
void SizeDrawTarget(HGLRC context)
{
    const int width = context->pictureWidth, height = context->pictureHeight;
    bindRenderbuffer(GL_RENDERBUFFER, context->colourBuffer);
    renderbufferStorageMultisample(GL_RENDERBUFFER, context->samples, GL_RGBA8, width, height);
    bindRenderbuffer(GL_RENDERBUFFER, context->depthBuffer);
    renderbufferStorageMultisample(GL_RENDERBUFFER, context->samples, GL_DEPTH_COMPONENT16, width, height);
    if (context->resolveBuffer) {
        bindRenderbuffer(GL_RENDERBUFFER, context->resolveBuffer);
        renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    }
    bindRenderbuffer(GL_RENDERBUFFER, 0);
}

// Lines keep their 640 x 480 weight in a larger picture; the demo itself never sets a width.
void WidenLines(HGLRC context)
{
    GLfloat range[2] = {1.0f, 1.0f};
    glGetFloatv(GL_ALIASED_LINE_WIDTH_RANGE, range);
    const GLfloat width = static_cast<GLfloat>(context->pictureHeight) / 480.0f;
    glLineWidth(width < range[0] ? range[0] : width > range[1] ? range[1] : width);
}

// Whether a new context draws its picture at the size shown: as the harness or --resolution asks, else on
// a hardware renderer only (a software one keeps the 640 x 480 it can draw at 60 frames a second).
bool DrawsNatively()
{
    if (const Harness* harness = CurrentHarness())
        return harness->width > 0;
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (!renderer)
        renderer = "an unknown renderer";
    bool native = resolution == PictureResolution::Native;
    if (resolution == PictureResolution::Auto)
        native = !strstr(renderer, "llvmpipe") && !strstr(renderer, "softpipe");
    if (!resolutionReported)
        fprintf(stderr, "korvale: resolution %s on %s\n",
                native ? "native (drawn at the size shown, multisampled)" : "classic (640 x 480, stretched)", renderer);
    resolutionReported = true;
    return native;
}

// The picture the demo draws into: at the display mode asked for while full screen (classic), or at the
// largest 4:3 rectangle of the drawable, multisampled (native). Made once per context, on its first
// activation. False when the GL cannot make it complete.
bool CreateDrawTarget(HGLRC context)
{
    if (!LoadFramebufferCalls()) {
        fprintf(stderr, "korvale: the GL offers no off-screen target for the picture\n");
        return false;
    }
    if (context->native) {
        int width = 0, height = 0, left = 0, bottom = 0;
        SDL_GL_GetDrawableSize(context->window->sdl, &width, &height);
        Fit4By3(width, height, &left, &bottom, &context->pictureWidth, &context->pictureHeight);
        GLint most = 0;
        glGetIntegerv(GL_MAX_SAMPLES, &most);
        context->samples = most < 4 ? (most > 1 ? most : 0) : 4;
    } else {
        FullscreenPictureSize(&context->pictureWidth, &context->pictureHeight);
        context->samples = 0;
    }
    genFramebuffers(1, &context->framebuffer);
    genRenderbuffers(1, &context->colourBuffer);
    genRenderbuffers(1, &context->depthBuffer);
    if (context->samples) {
        genFramebuffers(1, &context->resolveFramebuffer);
        genRenderbuffers(1, &context->resolveBuffer);
    }
    SizeDrawTarget(context);
    GLenum status = GL_FRAMEBUFFER_COMPLETE;
    if (context->samples) {
        bindFramebuffer(GL_FRAMEBUFFER, context->resolveFramebuffer);
        framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, context->resolveBuffer);
        status = checkFramebufferStatus(GL_FRAMEBUFFER);
    }
    bindFramebuffer(GL_FRAMEBUFFER, context->framebuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, context->colourBuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, context->depthBuffer);
    if (status == GL_FRAMEBUFFER_COMPLETE)
        status = checkFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        fprintf(stderr, "korvale: the off-screen target for the picture is incomplete (0x%x)\n", status);
        DeleteDrawTarget(context);
        return false;
    }
    if (context->native)
        WidenLines(context);
    return true;
}

}  // namespace

HGLRC CurrentContext() { return current; }

void ChoosePictureResolution(PictureResolution choice) { resolution = choice; }

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
    auto made = std::make_unique<HGLRC__>();
    made->context = context;
    made->window = dc->window;
    contexts.push_back(std::move(made));
    return contexts.back().get();
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
    // A window without its picture cannot show the demo: the activation fails.
    if (!context->framebuffer)
        context->native = DrawsNatively();
    if ((context->native || context->window->fullscreen) && !context->framebuffer && !CreateDrawTarget(context)) {
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
    for (auto it = contexts.begin(); it != contexts.end(); ++it)
        if (it->get() == context) {
            contexts.erase(it);
            break;
        }
    return TRUE;
}

void BindDrawTarget(HGLRC context)
{
    if (context && context->framebuffer)
        bindFramebuffer(GL_FRAMEBUFFER, context->framebuffer);
}

void Fit4By3(int width, int height, int* left, int* bottom, int* fitWidth, int* fitHeight)
{
    *fitWidth = width;
    *fitHeight = height;
    if (width * 3 > height * 4)
        *fitWidth = height * 4 / 3;
    else
        *fitHeight = width * 3 / 4;
    *left = (width - *fitWidth) / 2;
    *bottom = (height - *fitHeight) / 2;
}

bool NativePictureSize(HWND window, int* width, int* height)
{
    if (!current || current->window != window || !current->native)
        return false;
    *width = current->pictureWidth;
    *height = current->pictureHeight;
    return true;
}

bool ResizeNativePicture(HWND window, int* width, int* height)
{
    if (!current || current->window != window || !current->native || !current->framebuffer)
        return false;
    int shownWidth = 0, shownHeight = 0, left = 0, bottom = 0, newWidth = 0, newHeight = 0;
    SDL_GL_GetDrawableSize(window->sdl, &shownWidth, &shownHeight);
    Fit4By3(shownWidth, shownHeight, &left, &bottom, &newWidth, &newHeight);
    if (newWidth > 0 && newHeight > 0 && (newWidth != current->pictureWidth || newHeight != current->pictureHeight)) {
        current->pictureWidth = newWidth;
        current->pictureHeight = newHeight;
        SizeDrawTarget(current);
        WidenLines(current);
    }
    return NativePictureSize(window, width, height);
}

bool BindPictureForReading(HGLRC context)
{
    if (!context || !context->framebuffer)
        return false;
    bindFramebuffer(GL_READ_FRAMEBUFFER, context->framebuffer);
    if (context->resolveFramebuffer) {
        bindFramebuffer(GL_DRAW_FRAMEBUFFER, context->resolveFramebuffer);
        blitFramebuffer(0, 0, context->pictureWidth, context->pictureHeight, 0, 0, context->pictureWidth,
                        context->pictureHeight, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        bindFramebuffer(GL_READ_FRAMEBUFFER, context->resolveFramebuffer);
    }
    return true;
}

namespace {

// Shows the current context's picture in its window: letterboxed from the off-screen target, or swapped.
void ShowPicture(HDC dc)
{
    SDL_Window* window = dc->window->sdl;
    if (BindPictureForReading(current)) {
        int width = 0, height = 0, left = 0, bottom = 0, shownWidth = 0, shownHeight = 0;
        SDL_GL_GetDrawableSize(window, &width, &height);
        // Largest 4:3 rectangle centred in the window; the rest stays black.
        Fit4By3(width, height, &left, &bottom, &shownWidth, &shownHeight);
        bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
        glDisable(GL_SCISSOR_TEST);
        GLfloat clear[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(clear[0], clear[1], clear[2], clear[3]);
        // A native picture has the shown size already: the blit copies it pixel for pixel.
        blitFramebuffer(0, 0, current->pictureWidth, current->pictureHeight, left, bottom, left + shownWidth,
                        bottom + shownHeight, GL_COLOR_BUFFER_BIT, GL_LINEAR);
        if (scissor)
            glEnable(GL_SCISSOR_TEST);
        SDL_GL_SwapWindow(window);
        bindFramebuffer(GL_FRAMEBUFFER, current->framebuffer);
    } else {
        SDL_GL_SwapWindow(window);
    }
}

}  // namespace

BOOL WINAPI SwapBuffers(HDC dc)
{
    if (!dc || !current || current->window != dc->window)
        return FALSE;
    const Harness* harness = CurrentHarness();
    if (harness && harness->onPresent)
        harness->onPresent();

    // A recording harness reads the picture from its off-screen target (Harness::presents).
    if (!harness || harness->presents || !current->framebuffer)
        ShowPicture(dc);

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
