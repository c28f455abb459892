// The desktop's wait for an unshown frame: by a fence on the frame before, or by glFinish.
#include "platform/windows/unshown_frames.h"

#include "platform/gles/loader.h"
#include "platform/presentation/draw_target.h"
#include "platform/windows/contexts.h"

#include <GL/glext.h>

namespace {

// A picture that is not shown is never waited for: nothing holds the program back from the driver, and a
// software renderer queues the frames it has yet to draw, with all their memory, without end. As a swap
// would, each frame waits here until the one before it is drawn, so one frame is drawn while the next is
// built.
void AwaitFrameBefore(HGLRC context)
{
    // Core since GL 3.2 and ES 3.0; an ES context names no ARB extension.
    static const GlVersion version = CurrentGlVersion();
    static const bool fences =
        version.es ? version.AtLeast(3, 0) : version.AtLeast(3, 2) || SDL_GL_ExtensionSupported("GL_ARB_sync");
    static PFNGLFENCESYNCPROC fenceSync = nullptr;
    static PFNGLCLIENTWAITSYNCPROC clientWaitSync = nullptr;
    static PFNGLDELETESYNCPROC deleteSync = nullptr;
    static const bool found = LoadGlEntryPoint(fenceSync, "glFenceSync") &&
                              LoadGlEntryPoint(clientWaitSync, "glClientWaitSync") &&
                              LoadGlEntryPoint(deleteSync, "glDeleteSync");
    if (!fences || !found) {
        glFinish();
        return;
    }
    GLsync frame = fenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    if (context->frameBefore) {
        clientWaitSync(static_cast<GLsync>(context->frameBefore), GL_SYNC_FLUSH_COMMANDS_BIT, GL_TIMEOUT_IGNORED);
        deleteSync(static_cast<GLsync>(context->frameBefore));
    }
    context->frameBefore = frame;
}

}  // namespace

void AwaitUnshownFrame(HGLRC context, bool eachFrame)
{
    if (eachFrame)
        glFinish();
    else
        AwaitFrameBefore(context);
}
