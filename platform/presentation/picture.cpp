// The picture the demo draws: its way (native, classic or straight into the window) and the steps down
// between them, its off-screen target, the line widening that keeps a larger picture's weight, and showing
// it at 4:3 in the window's drawable.
#include "platform/presentation/picture.h"

#include "platform/gles/layer.h"
#include "platform/presentation/resolution.h"
#include "platform/seam/seam.h"

#include <GL/glext.h>

#include <cstdio>

namespace {

struct Way {
    const char* operation;  // the harness fails the way by this name
    const char* name;
    const char* next;  // what the program does when the GL refuses it
};

const Way ways[] = {
    {"MultisampledTarget", "multisampled picture", "drawing it single-sampled"},
    {"SingleSampledTarget", "single-sampled picture", "drawing the classic picture"},
    {"ClassicTarget", "classic picture", "drawing straight into the window"},
};

ContextPicture* current = nullptr;
int fullscreenWidth = 640;  // the display mode last asked for
int fullscreenHeight = 480;

PictureWay Next(PictureWay way) { return static_cast<PictureWay>(static_cast<int>(way) + 1); }

// The size the picture of `way` is drawn at in `window`.
void WaySize(const PictureWindow* window, PictureWay way, int* width, int* height)
{
    int drawableWidth = 0, drawableHeight = 0, left = 0, bottom = 0;
    DrawableSize(window, &drawableWidth, &drawableHeight);
    if (way == PictureWay::Multisampled || way == PictureWay::SingleSampled) {
        Fit4By3(drawableWidth, drawableHeight, &left, &bottom, width, height);
    } else if (way == PictureWay::Classic && window->fullscreen) {
        *width = fullscreenWidth;
        *height = fullscreenHeight;
    } else if (way == PictureWay::Classic) {
        *width = window->askedWidth;
        *height = window->askedHeight;
    } else {
        Fit4By3(drawableWidth, drawableHeight, &left, &bottom, width, height);
    }
}

// The size the context draws its picture at: its target's, or the drawable's 4:3 fit on the Window way.
void ContextPictureSize(ContextPicture* context, int* width, int* height)
{
    if (context->target.framebuffer) {
        *width = context->target.width;
        *height = context->target.height;
    } else {
        WaySize(context->window, PictureWay::Window, width, height);
    }
}

// Lines keep the weight they have at the size the program asked for; the demo itself never sets a width.
void WidenLines(ContextPicture* context)
{
    int width = 0, height = 0;
    const int asked = context->window->askedHeight;
    ContextPictureSize(context, &width, &height);
    if (asked <= 0 || height <= 0)
        return;
    GLfloat range[2] = {1.0f, 1.0f};
    glGetFloatv(GL_ALIASED_LINE_WIDTH_RANGE, range);
    const GLfloat lineWidth = static_cast<GLfloat>(height) / static_cast<GLfloat>(asked);
    glLineWidth(lineWidth < range[0] ? range[0] : lineWidth > range[1] ? range[1] : lineWidth);
}

// Makes the context's target for `way`, stepping down a way at a time while the GL refuses it (or the
// harness makes it refuse), each step said on stderr. The Window way needs nothing and cannot fail.
void MakeTarget(ContextPicture* context, PictureWay way)
{
    if (context->target.framebuffer)
        DeleteDrawTarget(context->target);
    for (; way != PictureWay::Window; way = Next(way)) {
        const Way& about = ways[static_cast<int>(way)];
        int width = 0, height = 0;
        WaySize(context->window, way, &width, &height);
        int samples = 0;
        if (way == PictureWay::Multisampled)
            samples = MostSamples() < 4 ? MostSamples() : 4;
        const GLenum status = PlatformCallFails(about.operation) ? GL_FRAMEBUFFER_UNSUPPORTED
                                                                  : MakeDrawTarget(context->target, width, height,
                                                                                   samples);
        if (status == GL_FRAMEBUFFER_COMPLETE)
            break;
        fprintf(stderr, "korvale: the GL refuses the %s at %d x %d (0x%x); %s\n", about.name, width, height, status,
                about.next);
    }
    context->way = way;
    WidenLines(context);
}

// Copies the context's finished picture into `framebuffer` (0: the window's) of width x height: the largest
// 4:3 rectangle centred, the rest black.
void Present(ContextPicture* context, unsigned framebuffer, int width, int height)
{
    int left = 0, bottom = 0, shownWidth = 0, shownHeight = 0;
    Fit4By3(width, height, &left, &bottom, &shownWidth, &shownHeight);
    BindTargetForReading(context->target);
    BindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
    // A native picture has the shown size already: the copy is pixel for pixel.
    CopyFramebuffer(context->target.width, context->target.height, left, bottom, shownWidth, shownHeight,
                    GL_LINEAR);
    if (scissor)
        glEnable(GL_SCISSOR_TEST);
}

// The Window way has the demo draw its 4:3 picture at the drawable's bottom left: it is moved to the centre,
// within the back buffer, and the bars are made black. GL 1.1 has the calls; an ES context never takes this
// way outside the harness, and keeps the picture where it was drawn.
void CentreWindowPicture(ContextPicture* context)
{
    context->centred = true;
#ifndef __EMSCRIPTEN__
    int width = 0, height = 0, left = 0, bottom = 0, fitWidth = 0, fitHeight = 0;
    DrawableSize(context->window, &width, &height);
    Fit4By3(width, height, &left, &bottom, &fitWidth, &fitHeight);
    if ((left == 0 && bottom == 0) || context->layer)
        return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glViewport(0, 0, width, height);
    // Copied pixels pass through the fragment stages like drawn ones.
    for (GLenum stage : {GL_TEXTURE_2D, GL_BLEND, GL_DEPTH_TEST, GL_ALPHA_TEST, GL_FOG, GL_STENCIL_TEST,
                         GL_SCISSOR_TEST, GL_COLOR_LOGIC_OP})
        glDisable(stage);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPixelZoom(1, 1);
    glReadBuffer(GL_BACK);
    glDrawBuffer(GL_BACK);
    // Not on the pixel's corner: one on the drawable's edge can fall a hair outside through the matrices, and a
    // raster position outside copies nothing.
    glRasterPos2f(static_cast<GLfloat>(left) + 0.375f, static_cast<GLfloat>(bottom) + 0.375f);
    glCopyPixels(0, 0, fitWidth, fitHeight, GL_COLOR);
    glClearColor(0, 0, 0, 1);
    glEnable(GL_SCISSOR_TEST);
    if (left > 0) {
        glScissor(0, 0, left, height);
        glClear(GL_COLOR_BUFFER_BIT);
        glScissor(left + fitWidth, 0, width - left - fitWidth, height);
    } else {
        glScissor(0, 0, width, bottom);
        glClear(GL_COLOR_BUFFER_BIT);
        glScissor(0, bottom + fitHeight, width, height - bottom - fitHeight);
    }
    glClear(GL_COLOR_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
#endif
}

}  // namespace

void PrepareContextPicture(ContextPicture* context)
{
    if (context->prepared)
        return;
    context->prepared = true;
    char why[96] = "";
    if (PlatformCallFails("FramebufferObjects"))
        snprintf(why, sizeof why, "the framebuffer objects are taken away");
    if (why[0] || !LoadFramebufferCalls(why, sizeof why)) {
        fprintf(stderr, "korvale: %s; drawing straight into the window\n", why);
        context->way = PictureWay::Window;
        WidenLines(context);
        return;
    }
    const bool native = DrawsNatively(context->window);
    MakeTarget(context, !native ? PictureWay::Classic
                                : MostSamples() ? PictureWay::Multisampled
                                                : PictureWay::SingleSampled);
}

void BindDrawTarget(ContextPicture* context)
{
    SkipPrimitives(context && context->dropping);
    if (context && context->dropping)
        BindFramebuffer(GL_FRAMEBUFFER, context->dropTarget.framebuffer);
    else if (context && context->target.framebuffer)
        BindFramebuffer(GL_FRAMEBUFFER, context->target.framebuffer);
}

void DropNextPicture(ContextPicture* context, bool drop)
{
    if (drop && !context->target.framebuffer)
        drop = false;
    if (drop && !context->dropTarget.framebuffer &&
        MakeDrawTarget(context->dropTarget, 1, 1, 0) != GL_FRAMEBUFFER_COMPLETE)
        drop = false;
    // Bound either way: making the target left the window's framebuffer bound.
    context->dropping = drop;
    BindDrawTarget(context);
}

bool StepDownFromNative(ContextPicture* context, int* width, int* height)
{
    if ((context->way != PictureWay::Multisampled && context->way != PictureWay::SingleSampled) || !ForgoNative())
        return false;
    fprintf(stderr, "korvale: the native picture at %d x %d dropped more than half its pictures for 2 s; drawing the "
                    "classic picture instead\n", context->target.width, context->target.height);
    MakeTarget(context, PictureWay::Classic);
    BindDrawTarget(context);
    ContextPictureSize(context, width, height);
    return true;
}

void SetFullscreenPictureSize(int width, int height)
{
    fullscreenWidth = width;
    fullscreenHeight = height;
}

ContextPicture* CurrentPicture() { return current; }

void SetCurrentPicture(ContextPicture* picture) { current = picture; }

bool PictureSize(const PictureWindow* window, int* width, int* height)
{
    if (!current || current->window != window)
        return false;
    ContextPictureSize(current, width, height);
    return true;
}

bool ResizePicture(const PictureWindow* window, int* width, int* height)
{
    // Before its context: a window's size is all there is to tell.
    if (!current || current->window != window)
        return !window->fullscreen;
    switch (current->way) {
    case PictureWay::Classic:
        return false;  // the same picture, scaled into the new drawable
    case PictureWay::Window:
        WidenLines(current);
        return PictureSize(window, width, height);
    default:
        break;
    }
    int newWidth = 0, newHeight = 0;
    WaySize(window, current->way, &newWidth, &newHeight);
    if (newWidth > 0 && newHeight > 0 &&
        (newWidth != current->target.width || newHeight != current->target.height)) {
        MakeTarget(current, current->way);
        BindDrawTarget(current);
    }
    return PictureSize(window, width, height);
}

void BindPictureForReading(ContextPicture* context, int* width, int* height)
{
    ContextPictureSize(context, width, height);
    if (context->target.framebuffer)
        BindTargetForReading(context->target);
    else
        glReadBuffer(GL_BACK);
}

bool BindShownPictureForReading(ContextPicture* context, int* width, int* height)
{
    DrawableSize(context->window, width, height);
    if (!context->target.framebuffer) {
        if (!context->centred)
            CentreWindowPicture(context);
        glReadBuffer(GL_BACK);
        return true;
    }
    if (context->target.width == *width && context->target.height == *height) {
        BindPictureForReading(context, width, height);
        return true;
    }
    DrawTarget& shown = context->shown;
    if (shown.width != *width || shown.height != *height) {
        if (shown.framebuffer)
            DeleteDrawTarget(shown);
        if (MakeDrawTarget(shown, *width, *height, 0) != GL_FRAMEBUFFER_COMPLETE)
            return false;
    }
    Present(context, shown.framebuffer, *width, *height);
    BindFramebuffer(GL_READ_FRAMEBUFFER, shown.framebuffer);
    return true;
}

void ShowPicture(const PictureWindow* window)
{
    if (!current)
        return;
    if (!current->target.framebuffer) {
        if (!current->centred)
            CentreWindowPicture(current);
        current->centred = false;  // the next frame is drawn at the bottom left again
        return;
    }
    int width = 0, height = 0;
    DrawableSize(window, &width, &height);
    Present(current, 0, width, height);
    BindFramebuffer(GL_FRAMEBUFFER, current->target.framebuffer);
}
