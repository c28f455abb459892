// Off-screen draw targets over the GL's framebuffer objects: whether the current GL has them at all, and
// making, binding, resolving and copying them.
#pragma once

#include <GL/gl.h>

struct DrawTarget {
    unsigned framebuffer = 0;  // 0: no target
    unsigned colourBuffer = 0;
    unsigned depthBuffer = 0;
    unsigned resolveFramebuffer = 0;  // a multisampled target is resolved into this one to be read
    unsigned resolveBuffer = 0;
    int width = 0;
    int height = 0;
    int samples = 0;
};

// The current context's GL version, from its version string: "4.5 (Compatibility Profile) Mesa ..." on the
// desktop, "OpenGL ES 3.2 Mesa ..." on ES. 0.0 where it cannot be read.
struct GlVersion {
    int major = 0;
    int minor = 0;
    bool es = false;
    bool AtLeast(int wantMajor, int wantMinor) const
    {
        return major > wantMajor || (major == wantMajor && minor >= wantMinor);
    }
};
GlVersion CurrentGlVersion();

// Whether the current context has framebuffer objects and blits (GL 3.0 or ES 3.0, or the ARB extension, or
// the EXT object and blit extensions), found from its version and extensions, never from its function lookup (which
// answers any name on some systems). Loads the calls; a false answer names what is missing in `why`.
bool LoadFramebufferCalls(char* why, int whySize);
// The most samples a multisampled target may have; 0 where the GL makes none.
int MostSamples();

// Makes `target` at width x height with `samples` (0: single-sampled) and returns the GL's verdict,
// GL_FRAMEBUFFER_COMPLETE or the reason; an incomplete target is deleted again. Leaves the default
// framebuffer bound.
GLenum MakeDrawTarget(DrawTarget& target, int width, int height, int samples);
void DeleteDrawTarget(DrawTarget& target);

// Binds `framebuffer` (0: the window's own) for drawing and reading, or for one of them.
void BindFramebuffer(GLenum which, unsigned framebuffer);
// Binds the finished picture for reading, a multisampled one resolved first.
void BindTargetForReading(const DrawTarget& target);
// Copies the bound read framebuffer's rectangle into the bound draw framebuffer's, scaled.
void CopyFramebuffer(int width, int height, int left, int bottom, int toWidth, int toHeight, GLenum filter);
