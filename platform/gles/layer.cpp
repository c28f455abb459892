// The layer's per-context records and the GL 1.1 state calls: capabilities, blending, depth, clears,
// viewport, line width, attribute stack, queries.
#include "platform/gles/layer.h"

#include "platform/gles/state.h"
#include "platform/gles/entry_points.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

LayerContext* current = nullptr;

}  // namespace

LayerContext* MakeLayerContext() { return new LayerContext; }

bool UseLayerContext(LayerContext* context)
{
    current = context;
    if (context && !context->built)
        context->usable = layer::BuildContext(*context);
    if (context && !context->usable)
        current = nullptr;
    if (current)
        current->sampleBuffers = -1;  // another context's framebuffer may be bound now
    return current == context;
}

void DropLayerContext(LayerContext* context)
{
    if (current == context)
        current = nullptr;
    delete context;
}

bool LayerInUse() { return current != nullptr; }

void FlushLayer()
{
    if (current)
        layer::Flush();
}

void LayerFramebufferBound()
{
    if (current)
        current->sampleBuffers = -1;
}

namespace layer {

LayerContext& Current() { return *current; }

void Fail(GLenum error)
{
    if (current->error == GL_NO_ERROR)
        current->error = error;
}

bool RefusedInside(bool recorded)
{
    if (!current->inside && !(recorded && current->compiling))
        return false;
    Fail(GL_INVALID_OPERATION);
    return true;
}

namespace {

// The layer's own capabilities, or null for those ES keeps.
bool* OwnCapability(Attributes& state, GLenum cap)
{
    switch (cap) {
    case GL_TEXTURE_2D: return &state.texture2d;
    case GL_TEXTURE_GEN_S: return &state.genS;
    case GL_TEXTURE_GEN_T: return &state.genT;
    case GL_LIGHTING: return &state.lighting;
    case GL_LIGHT0: return &state.light0;
    case GL_COLOR_MATERIAL: return &state.colourMaterial;
    case GL_BLEND: return &state.blend;
    case GL_DEPTH_TEST: return &state.depthTest;
    case GL_CULL_FACE: return &state.cullFace;
    case GL_SCISSOR_TEST: return &state.scissor;
    default: return nullptr;
    }
}

bool EsCapability(GLenum cap) { return cap == GL_BLEND || cap == GL_DEPTH_TEST || cap == GL_CULL_FACE || cap == GL_SCISSOR_TEST; }

bool Outside() { return !RefusedInside(); }

bool Settable() { return !RefusedInside(true); }

}  // namespace

void ApplyEsState()
{
    const Attributes& s = current->state;
    const EsCalls& es = current->es;
    for (GLenum cap : {GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_SCISSOR_TEST})
        (*OwnCapability(current->state, cap) ? es.Enable : es.Disable)(cap);
    es.BlendFunc(s.blendSource, s.blendDestination);
    es.DepthFunc(s.depthFunc);
    es.ClearColor(s.clearColour[0], s.clearColour[1], s.clearColour[2], s.clearColour[3]);
    es.ClearDepthf(s.clearDepth);
    if (s.viewport[2] > 0 && s.viewport[3] > 0)
        es.Viewport(s.viewport[0], s.viewport[1], s.viewport[2], s.viewport[3]);
    es.BindTexture(GL_TEXTURE_2D, s.texture2dBinding);
}

void SetCapability(GLenum cap, bool on)
{
    bool* own = OwnCapability(current->state, cap);
    if (!own) {
        Fail(GL_INVALID_ENUM);
        return;
    }
    if (*own == on)
        return;
    Flush();
    *own = on;
    if (EsCapability(cap))
        (on ? current->es.Enable : current->es.Disable)(cap);
}

}  // namespace layer

namespace layer {

void glEnable(GLenum cap)
{
    if (current->compiling) {
        current->compiling->ops.push_back({Op::Enable, cap});
        return;
    }
    if (Outside())
        SetCapability(cap, true);
}

void glDisable(GLenum cap)
{
    if (current->compiling) {
        current->compiling->ops.push_back({Op::Disable, cap});
        return;
    }
    if (Outside())
        SetCapability(cap, false);
}

GLboolean glIsEnabled(GLenum cap)
{
    if (!Outside())
        return GL_FALSE;
    if (bool* own = OwnCapability(current->state, cap))
        return *own ? GL_TRUE : GL_FALSE;
    return current->es.IsEnabled(cap);
}

void glShadeModel(GLenum mode)
{
    if (!Settable())
        return;
    if (mode != GL_FLAT && mode != GL_SMOOTH)
        return Fail(GL_INVALID_ENUM);
    if (mode != current->state.shadeModel)
        Flush();
    current->state.shadeModel = mode;
}

void glBlendFunc(GLenum source, GLenum destination)
{
    if (!Settable())
        return;
    Attributes& s = current->state;
    if (s.blendSource == source && s.blendDestination == destination)
        return;
    Flush();
    s.blendSource = source;
    s.blendDestination = destination;
    current->es.BlendFunc(source, destination);
}

void glDepthFunc(GLenum func)
{
    if (!Settable() || func == current->state.depthFunc)
        return;
    Flush();
    current->state.depthFunc = func;
    current->es.DepthFunc(func);
}

void glClear(GLbitfield mask)
{
    if (!Settable())
        return;
    Flush();
    current->es.Clear(mask);
}

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a)
{
    if (!Settable())
        return;
    const float colour[4] = {std::clamp(r, 0.0f, 1.0f), std::clamp(g, 0.0f, 1.0f), std::clamp(b, 0.0f, 1.0f),
                             std::clamp(a, 0.0f, 1.0f)};
    std::memcpy(current->state.clearColour, colour, sizeof colour);
    current->es.ClearColor(colour[0], colour[1], colour[2], colour[3]);
}

void glClearDepth(GLclampd depth)
{
    if (!Settable())
        return;
    current->state.clearDepth = static_cast<float>(std::clamp(depth, 0.0, 1.0));
    current->es.ClearDepthf(current->state.clearDepth);
}

void glHint(GLenum, GLenum)
{
    // Perspective-correct interpolation is what ES always does; there are no smooth lines to hint at.
    Settable();
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    if (!Settable())
        return;
    if (width < 0 || height < 0)
        return Fail(GL_INVALID_VALUE);
    Flush();
    const int viewport[4] = {x, y, width, height};
    std::memcpy(current->state.viewport, viewport, sizeof viewport);
    current->es.Viewport(x, y, width, height);
}

void glLineWidth(GLfloat width)
{
    if (!Settable())
        return;
    if (width <= 0)
        return Fail(GL_INVALID_VALUE);
    if (width != current->state.lineWidth)
        Flush();
    current->state.lineWidth = width;
}

void glPushAttrib(GLbitfield mask)
{
    if (!Settable())
        return;
    LayerContext& c = *current;
    if (c.attributeDepth == kAttributeDepth)
        return Fail(GL_STACK_OVERFLOW);
    c.savedAttributes[c.attributeDepth] = c.state;
    c.savedMasks[c.attributeDepth] = mask;
    ++c.attributeDepth;
}

void glPopAttrib()
{
    if (!Settable())
        return;
    LayerContext& c = *current;
    if (c.attributeDepth == 0)
        return Fail(GL_STACK_UNDERFLOW);
    Flush();
    --c.attributeDepth;
    const Attributes& saved = c.savedAttributes[c.attributeDepth];
    const GLbitfield mask = c.savedMasks[c.attributeDepth];
    Attributes& s = c.state;
    const bool enables = mask & GL_ENABLE_BIT;
    if (mask & GL_CURRENT_BIT) {
        std::memcpy(s.colour, saved.colour, sizeof s.colour);
        std::memcpy(s.normal, saved.normal, sizeof s.normal);
        std::memcpy(s.texture, saved.texture, sizeof s.texture);
    }
    if (enables || (mask & GL_TEXTURE_BIT)) {
        s.texture2d = saved.texture2d;
        s.genS = saved.genS;
        s.genT = saved.genT;
    }
    if (mask & GL_TEXTURE_BIT) {
        s.genModeS = saved.genModeS;
        s.genModeT = saved.genModeT;
        s.texture2dBinding = saved.texture2dBinding;
    }
    if (enables || (mask & GL_LIGHTING_BIT)) {
        s.lighting = saved.lighting;
        s.light0 = saved.light0;
        s.colourMaterial = saved.colourMaterial;
    }
    if (mask & GL_LIGHTING_BIT)
        s.shadeModel = saved.shadeModel;
    if (enables || (mask & GL_COLOR_BUFFER_BIT))
        s.blend = saved.blend;
    if (mask & GL_COLOR_BUFFER_BIT) {
        s.blendSource = saved.blendSource;
        s.blendDestination = saved.blendDestination;
        std::memcpy(s.clearColour, saved.clearColour, sizeof s.clearColour);
    }
    if (enables || (mask & GL_DEPTH_BUFFER_BIT))
        s.depthTest = saved.depthTest;
    if (mask & GL_DEPTH_BUFFER_BIT) {
        s.depthFunc = saved.depthFunc;
        s.clearDepth = saved.clearDepth;
    }
    if (enables || (mask & GL_POLYGON_BIT))
        s.cullFace = saved.cullFace;
    if (enables || (mask & GL_SCISSOR_BIT))
        s.scissor = saved.scissor;
    if (mask & GL_LINE_BIT)
        s.lineWidth = saved.lineWidth;
    if (mask & GL_LIST_BIT)
        s.listBase = saved.listBase;
    if (mask & GL_VIEWPORT_BIT)
        std::memcpy(s.viewport, saved.viewport, sizeof s.viewport);
    ApplyEsState();
}

GLenum glGetError()
{
    if (current->error != GL_NO_ERROR) {
        const GLenum error = current->error;
        current->error = GL_NO_ERROR;
        return error;
    }
    return current->es.GetError();
}

namespace {

// The layer's answer to a query, as floats; false for names ES answers.
bool OwnValues(GLenum name, float* values)
{
    const LayerContext& c = *current;
    const Attributes& s = c.state;
    auto copy = [&](const float* from, int n) { std::copy(from, from + n, values); };
    switch (name) {
    case GL_CURRENT_COLOR: copy(s.colour, 4); return true;
    case GL_CURRENT_NORMAL: copy(s.normal, 3); return true;
    case GL_CURRENT_TEXTURE_COORDS: values[0] = s.texture[0], values[1] = s.texture[1], values[2] = 0, values[3] = 1; return true;
    case GL_MODELVIEW_MATRIX: copy(TopModelView().data(), 16); return true;
    case GL_PROJECTION_MATRIX: copy(TopProjection().data(), 16); return true;
    case GL_MATRIX_MODE: values[0] = static_cast<float>(c.matrixMode); return true;
    case GL_MODELVIEW_STACK_DEPTH: values[0] = static_cast<float>(c.modelViewDepth); return true;
    case GL_PROJECTION_STACK_DEPTH: values[0] = static_cast<float>(c.projectionDepth); return true;
    case GL_MAX_MODELVIEW_STACK_DEPTH:
    case GL_MAX_PROJECTION_STACK_DEPTH: values[0] = kStackDepth; return true;
    case GL_ATTRIB_STACK_DEPTH: values[0] = static_cast<float>(c.attributeDepth); return true;
    case GL_MAX_ATTRIB_STACK_DEPTH: values[0] = kAttributeDepth; return true;
    case GL_SHADE_MODEL: values[0] = static_cast<float>(s.shadeModel); return true;
    case GL_LINE_WIDTH: values[0] = s.lineWidth; return true;
    // Any width is drawn, as quads where ES would not.
    case GL_ALIASED_LINE_WIDTH_RANGE: values[0] = 1, values[1] = 256; return true;
    case GL_LIST_BASE: values[0] = static_cast<float>(s.listBase); return true;
    case GL_LIST_INDEX: values[0] = static_cast<float>(c.compilingName); return true;
    case GL_TEXTURE_BINDING_2D: values[0] = static_cast<float>(s.texture2dBinding); return true;
    case GL_BLEND_SRC: values[0] = static_cast<float>(s.blendSource); return true;
    case GL_BLEND_DST: values[0] = static_cast<float>(s.blendDestination); return true;
    case GL_DEPTH_FUNC: values[0] = static_cast<float>(s.depthFunc); return true;
    case GL_COLOR_CLEAR_VALUE: copy(s.clearColour, 4); return true;
    case GL_DEPTH_CLEAR_VALUE: values[0] = s.clearDepth; return true;
    case GL_VIEWPORT:
        for (int i = 0; i < 4; ++i)
            values[i] = static_cast<float>(s.viewport[i]);
        return true;
    default: return false;
    }
}

int Count(GLenum name)
{
    switch (name) {
    case GL_MODELVIEW_MATRIX:
    case GL_PROJECTION_MATRIX: return 16;
    case GL_CURRENT_COLOR:
    case GL_CURRENT_TEXTURE_COORDS:
    case GL_COLOR_CLEAR_VALUE:
    case GL_VIEWPORT: return 4;
    case GL_CURRENT_NORMAL: return 3;
    case GL_ALIASED_LINE_WIDTH_RANGE: return 2;
    default: return 1;
    }
}

}  // namespace

void glGetFloatv(GLenum name, GLfloat* values)
{
    if (Outside() && !OwnValues(name, values))
        current->es.GetFloatv(name, values);
}

void glGetIntegerv(GLenum name, GLint* values)
{
    if (!Outside())
        return;
    float own[16];
    if (!OwnValues(name, own))
        return current->es.GetIntegerv(name, values);
    const bool colour = name == GL_CURRENT_COLOR || name == GL_COLOR_CLEAR_VALUE;
    for (int i = 0; i < Count(name); ++i)
        // Colours as integers span the whole range, as GL gives them.
        values[i] = colour ? static_cast<GLint>(own[i] * 2147483647.0) : static_cast<GLint>(std::lround(own[i]));
}

const GLubyte* glGetString(GLenum name) { return Outside() ? current->es.GetString(name) : nullptr; }

void glFinish()
{
    if (!Outside())
        return;
    Flush();
    current->es.Finish();
}

void glFlush()
{
    if (!Outside())
        return;
    Flush();
    current->es.Flush();
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels)
{
    if (!Outside())
        return;
    Flush();
    current->es.ReadPixels(x, y, width, height, format, type, pixels);
}

void glReadBuffer(GLenum mode)
{
    if (Outside())
        current->es.ReadBuffer(mode);
}

void glPixelStorei(GLenum name, GLint value)
{
    if (Outside())
        current->es.PixelStorei(name, value);
}

}  // namespace layer
