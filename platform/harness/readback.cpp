// Frame read-back for recording: two pixel-buffer objects in turn, so that a frame's copy is handed over one
// frame later and the drawing does not wait for the copy it has just asked for.
#include "platform/harness/harness.h"

#include "platform/gles/loader.h"
#include "platform/harness/pixel_rows.h"
#include "platform/windows/contexts.h"
#include "platform/presentation/picture.h"

#include <GL/gl.h>
#include <GL/glext.h>

namespace {

struct Readback {
    // The buffers belong to the context of this generation: a later context can be given a deleted one's
    // address, never its generation.
    unsigned long long generation = 0;
    GLuint buffers[2] = {0, 0};
    int width[2] = {0, 0}, height[2] = {0, 0};
    bool pending[2] = {false, false};
    int next = 0;  // the buffer the next frame is read into
    PFNGLGENBUFFERSPROC gen = nullptr;
    PFNGLBINDBUFFERPROC bind = nullptr;
    PFNGLBUFFERDATAPROC data = nullptr;
    PFNGLMAPBUFFERRANGEPROC mapRange = nullptr;  // GL 3.0 and ES 3.0, which has no glMapBuffer
    PFNGLMAPBUFFERPROC map = nullptr;  // older desktop GL
    PFNGLUNMAPBUFFERPROC unmap = nullptr;
};

Readback readback;

bool Prepare(HGLRC context)
{
    if (readback.generation == context->generation)
        return readback.buffers[0] != 0;
    // A new context (F1 reopened the window): the old buffers went with the old one.
    readback = Readback{};
    readback.generation = context->generation;
    LoadGlEntryPoint(readback.gen, "glGenBuffers");
    LoadGlEntryPoint(readback.bind, "glBindBuffer");
    LoadGlEntryPoint(readback.data, "glBufferData");
    LoadGlEntryPoint(readback.unmap, "glUnmapBuffer");
    // Chosen by version, not by lookup: some systems answer any name.
    const GlVersion version = CurrentGlVersion();
    if (version.AtLeast(3, 0) || (!version.es && SDL_GL_ExtensionSupported("GL_ARB_map_buffer_range")))
        LoadGlEntryPoint(readback.mapRange, "glMapBufferRange");
    else if (!version.es)
        LoadGlEntryPoint(readback.map, "glMapBuffer");
    if (!readback.gen || !readback.bind || !readback.data || !(readback.mapRange || readback.map) || !readback.unmap)
        return false;
    readback.gen(2, readback.buffers);
    return readback.buffers[0] != 0;
}

// Copies buffer `index` into rgb, top row first, and frees it for the next frame.
FrameRead Collect(int index, std::vector<uint8_t>& rgb, int& width, int& height)
{
    if (!readback.pending[index])
        return FrameRead::NotYet;
    readback.pending[index] = false;
    width = readback.width[index];
    height = readback.height[index];
    readback.bind(GL_PIXEL_PACK_BUFFER, readback.buffers[index]);
    const GLsizeiptr size = static_cast<GLsizeiptr>(width) * height * ReadChannels();
    const auto* rows = static_cast<const uint8_t*>(
        readback.mapRange ? readback.mapRange(GL_PIXEL_PACK_BUFFER, 0, size, GL_MAP_READ_BIT)
                          : readback.map(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY));
    if (rows) {
        CopyRowsTopFirst(rows, width, height, rgb);
        readback.unmap(GL_PIXEL_PACK_BUFFER);
    }
    readback.bind(GL_PIXEL_PACK_BUFFER, 0);
    return rows ? FrameRead::Picture : FrameRead::Failed;
}

}  // namespace

FrameRead HarnessReadFrameLater(std::vector<uint8_t>& rgb, int& width, int& height)
{
    HGLRC context = CurrentContext();
    // A harness with a size reads the picture as its window shows it, as HarnessReadFrame does: at once. So
    // does a page: WebGL maps no buffer for reading.
#ifdef __EMSCRIPTEN__
    const bool atOnce = context != nullptr;
#else
    const bool atOnce = context && CurrentHarness() && CurrentHarness()->width > 0;
#endif
    if (atOnce)
        return HarnessReadFrame(rgb, width, height) ? FrameRead::Picture : FrameRead::Failed;
    if (!context || !Prepare(context))
        return FrameRead::Failed;
    const int index = readback.next;
    int w = 0, h = 0;
    BindPictureForReading(context, &w, &h);
    readback.bind(GL_PIXEL_PACK_BUFFER, readback.buffers[index]);
    if (w != readback.width[index] || h != readback.height[index])
        readback.data(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(w) * h * ReadChannels(), nullptr, GL_STREAM_READ);
    readback.width[index] = w;
    readback.height[index] = h;
    const bool read = ReadPicture(w, h, nullptr);
    readback.bind(GL_PIXEL_PACK_BUFFER, 0);
    BindDrawTarget(context);
    if (!read)
        return FrameRead::Failed;
    readback.pending[index] = true;
    readback.next = 1 - index;
    return Collect(1 - index, rgb, width, height);
}

FrameRead HarnessReadLastFrame(std::vector<uint8_t>& rgb, int& width, int& height)
{
    // A harness with a size read every picture at once: nothing is left to collect.
    HGLRC context = CurrentContext();
    if (!context || (CurrentHarness() && CurrentHarness()->width > 0) || readback.generation != context->generation)
        return FrameRead::NotYet;
    return Collect(1 - readback.next, rgb, width, height);
}
