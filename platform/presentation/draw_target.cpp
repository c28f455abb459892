// Framebuffer objects for the picture: found by the GL's version or extensions, loaded under the names that
// version or extension gives them (the EXT calls take the same arguments and constants as the core ones).
#include "platform/presentation/draw_target.h"

#include "platform/gles/layer.h"
#include "platform/gles/loader.h"

#include <SDL.h>

#include <GL/glext.h>

#include <cstdio>
#include <cstring>

namespace {

PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
PFNGLBINDFRAMEBUFFERPROC bindFramebufferCall;
PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC renderbufferStorageMultisample;
PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;
PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;

// Every bind goes through here, so that the GL layer hears of each framebuffer drawn into.
void Bind(GLenum which, unsigned framebuffer)
{
    bindFramebufferCall(which, framebuffer);
    if (which != GL_READ_FRAMEBUFFER)
        LayerFramebufferBound();
}

// Storage for one renderbuffer; false when the GL refused it (too large, out of memory).
bool Store(unsigned buffer, int samples, GLenum format, int width, int height)
{
    bindRenderbuffer(GL_RENDERBUFFER, buffer);
    if (samples > 0)
        renderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
    else
        renderbufferStorage(GL_RENDERBUFFER, format, width, height);
    return glGetError() == GL_NO_ERROR;
}

}  // namespace

GlVersion CurrentGlVersion()
{
    GlVersion version;
    const char* text = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!text)
        return version;
    const char esPrefix[] = "OpenGL ES ";
    version.es = !strncmp(text, esPrefix, sizeof esPrefix - 1);
    if (version.es)
        text += sizeof esPrefix - 1;
    if (sscanf(text, "%d.%d", &version.major, &version.minor) != 2)
        version.major = version.minor = 0;
    return version;
}

bool LoadFramebufferCalls(char* why, int whySize)
{
    const GlVersion version = CurrentGlVersion();
    const char* suffix = nullptr;
    bool multisample = true;
    // ES 3.0 has them in core as GL 3.0 does, multisampled renderbuffers and blits included.
    if (version.AtLeast(3, 0) || (!version.es && SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object"))) {
        suffix = "";
    } else if (!version.es && SDL_GL_ExtensionSupported("GL_EXT_framebuffer_object") &&
               SDL_GL_ExtensionSupported("GL_EXT_framebuffer_blit")) {
        suffix = "EXT";
        multisample = SDL_GL_ExtensionSupported("GL_EXT_framebuffer_multisample");
    } else {
        snprintf(why, static_cast<size_t>(whySize), "%s %d.%d offers no framebuffer objects",
                 version.es ? "OpenGL ES" : "GL", version.major, version.minor);
        return false;
    }
    bool loaded = LoadGlEntryPoint(genFramebuffers, "glGenFramebuffers", suffix) &&
                  LoadGlEntryPoint(deleteFramebuffers, "glDeleteFramebuffers", suffix) &&
                  LoadGlEntryPoint(bindFramebufferCall, "glBindFramebuffer", suffix) &&
                  LoadGlEntryPoint(genRenderbuffers, "glGenRenderbuffers", suffix) &&
                  LoadGlEntryPoint(deleteRenderbuffers, "glDeleteRenderbuffers", suffix) &&
                  LoadGlEntryPoint(bindRenderbuffer, "glBindRenderbuffer", suffix) &&
                  LoadGlEntryPoint(renderbufferStorage, "glRenderbufferStorage", suffix) &&
                  LoadGlEntryPoint(framebufferRenderbuffer, "glFramebufferRenderbuffer", suffix) &&
                  LoadGlEntryPoint(blitFramebuffer, "glBlitFramebuffer", suffix) &&
                  LoadGlEntryPoint(checkFramebufferStatus, "glCheckFramebufferStatus", suffix);
    renderbufferStorageMultisample = nullptr;
    if (multisample)
        LoadGlEntryPoint(renderbufferStorageMultisample, "glRenderbufferStorageMultisample", suffix);
    if (!loaded)
        snprintf(why, static_cast<size_t>(whySize), "%s %d.%d names framebuffer objects but lacks their calls",
                 version.es ? "OpenGL ES" : "GL", version.major, version.minor);
    return loaded;
}

int MostSamples()
{
    if (!renderbufferStorageMultisample)
        return 0;
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    return most > 1 ? most : 0;
}

GLenum MakeDrawTarget(DrawTarget& target, int width, int height, int samples)
{
    FlushLayer();
    target = DrawTarget{};
    target.width = width;
    target.height = height;
    target.samples = samples;
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width < 1 || height < 1 || width > largest || height > largest)
        return GL_FRAMEBUFFER_UNSUPPORTED;
    while (glGetError() != GL_NO_ERROR) {
    }
    genFramebuffers(1, &target.framebuffer);
    genRenderbuffers(1, &target.colourBuffer);
    genRenderbuffers(1, &target.depthBuffer);
    bool stored = Store(target.colourBuffer, samples, GL_RGBA8, width, height) &&
                  Store(target.depthBuffer, samples, GL_DEPTH_COMPONENT16, width, height);
    GLenum status = GL_FRAMEBUFFER_COMPLETE;
    if (stored && samples > 0) {
        genFramebuffers(1, &target.resolveFramebuffer);
        genRenderbuffers(1, &target.resolveBuffer);
        stored = Store(target.resolveBuffer, 0, GL_RGBA8, width, height);
        Bind(GL_FRAMEBUFFER, target.resolveFramebuffer);
        framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, target.resolveBuffer);
        status = checkFramebufferStatus(GL_FRAMEBUFFER);
    }
    bindRenderbuffer(GL_RENDERBUFFER, 0);
    Bind(GL_FRAMEBUFFER, target.framebuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, target.colourBuffer);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, target.depthBuffer);
    if (status == GL_FRAMEBUFFER_COMPLETE)
        status = checkFramebufferStatus(GL_FRAMEBUFFER);
    if (!stored && status == GL_FRAMEBUFFER_COMPLETE)
        status = GL_FRAMEBUFFER_UNSUPPORTED;
    Bind(GL_FRAMEBUFFER, 0);
    if (status != GL_FRAMEBUFFER_COMPLETE)
        DeleteDrawTarget(target);
    return status;
}

void DeleteDrawTarget(DrawTarget& target)
{
    FlushLayer();
    if (target.framebuffer) {
        Bind(GL_FRAMEBUFFER, 0);
        deleteFramebuffers(1, &target.framebuffer);
        deleteRenderbuffers(1, &target.colourBuffer);
        deleteRenderbuffers(1, &target.depthBuffer);
    }
    if (target.resolveFramebuffer) {
        deleteFramebuffers(1, &target.resolveFramebuffer);
        deleteRenderbuffers(1, &target.resolveBuffer);
    }
    target = DrawTarget{};
}

// The GL layer draws what it holds into the framebuffer it was meant for before another is bound or read.
void BindFramebuffer(GLenum which, unsigned framebuffer)
{
    FlushLayer();
    Bind(which, framebuffer);
}

void BindTargetForReading(const DrawTarget& target)
{
    FlushLayer();
    Bind(GL_READ_FRAMEBUFFER, target.framebuffer);
    if (!target.resolveFramebuffer)
        return;
    Bind(GL_DRAW_FRAMEBUFFER, target.resolveFramebuffer);
    blitFramebuffer(0, 0, target.width, target.height, 0, 0, target.width, target.height, GL_COLOR_BUFFER_BIT,
                    GL_NEAREST);
    Bind(GL_READ_FRAMEBUFFER, target.resolveFramebuffer);
}

void CopyFramebuffer(int width, int height, int left, int bottom, int toWidth, int toHeight, GLenum filter)
{
    blitFramebuffer(0, 0, width, height, left, bottom, left + toWidth, bottom + toHeight, GL_COLOR_BUFFER_BIT,
                    filter);
}
