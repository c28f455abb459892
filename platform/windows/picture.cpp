// The picture the demo draws: its off-screen target (sized at the display mode asked for, or at the size
// shown), the line widening that keeps a larger picture's weight, the resolution choice, and showing it at 4:3.
#include "platform/windows/picture.h"

#include "platform/windows/contexts.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>

namespace {

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

void ChoosePictureResolution(PictureResolution choice) { resolution = choice; }

bool PrepareContextPicture(HGLRC context)
{
    if (!context->framebuffer)
        context->native = DrawsNatively();
    return !(context->native || context->window->fullscreen) || context->framebuffer || CreateDrawTarget(context);
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
    HGLRC current = CurrentContext();
    if (!current || current->window != window || !current->native)
        return false;
    *width = current->pictureWidth;
    *height = current->pictureHeight;
    return true;
}

bool ResizeNativePicture(HWND window, int* width, int* height)
{
    HGLRC current = CurrentContext();
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

void ShowPicture(HDC dc)
{
    HGLRC current = CurrentContext();
    if (!current || !BindPictureForReading(current))
        return;  // drawn straight into the window's back buffer
    int width = 0, height = 0, left = 0, bottom = 0, shownWidth = 0, shownHeight = 0;
    SDL_GL_GetDrawableSize(dc->window->sdl, &width, &height);
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
    bindFramebuffer(GL_FRAMEBUFFER, current->framebuffer);
}

