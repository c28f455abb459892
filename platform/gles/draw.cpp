// Drawing through ES: the batch of immediate-mode primitives in one stream buffer, a list's vertices from its
// own buffer, the uniforms that carry the fixed-function state, and the context's ES objects.
#include "platform/gles/state.h"

#include <cstddef>
#include <cstring>

namespace layer {

bool BuildPrograms(LayerContext& c);

namespace {

constexpr int kStreamBatches = 4;  // the stream buffer holds this many full batches before it starts over
constexpr GLsizei kStride = sizeof(Vertex);

const float kIdentity3[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

struct Attribute {
    GLint size;
    size_t offset;
};
const Attribute kAttributes[5] = {
    {3, offsetof(Vertex, position)}, {3, offsetof(Vertex, object)}, {3, offsetof(Vertex, normal)},
    {4, offsetof(Vertex, colour)}, {2, offsetof(Vertex, texture)},
};
enum { kColour = 3, kNormal = 2, kTexture = 4, kCorner = 10 };

int GenerationMode(bool on, GLenum mode)
{
    if (!on)
        return 0;
    return mode == GL_OBJECT_LINEAR ? 1 : mode == GL_SPHERE_MAP ? 2 : 3;
}

bool Wide(Shape shape) { return shape == Shape::Lines && Current().state.lineWidth > 1.0f; }

// Chooses the program for the state and shape, and gives it what changed of the state.
void Use(Shape shape, const Matrix& modelView, const float* normalMatrix)
{
    LayerContext& c = Current();
    const Attributes& s = c.state;
    const bool wide = Wide(shape);
    Program& p = c.programs[(s.shadeModel == GL_FLAT ? 1 : 0) + (wide ? 2 : 0)];
    const EsCalls& es = c.es;
    if (c.inUse != &p)
        es.UseProgram(p.name);
    c.inUse = &p;
    UniformValues v;
    v.projection = TopProjection();
    v.modelView = modelView;
    std::memcpy(v.normalMatrix, normalMatrix, sizeof v.normalMatrix);
    v.lighting = s.lighting;
    v.light0 = s.light0;
    v.colourMaterial = s.colourMaterial;
    v.texGen[0] = GenerationMode(s.genS, s.genModeS);
    v.texGen[1] = GenerationMode(s.genT, s.genModeT);
    v.texturing = s.texture2d && s.texture2dBinding != 0;
    v.viewport[0] = static_cast<float>(s.viewport[2]);
    v.viewport[1] = static_cast<float>(s.viewport[3]);
    v.lineWidth = s.lineWidth;
    v.multisampled = 0;
    if (wide) {
        if (c.sampleBuffers < 0)
            es.GetIntegerv(GL_SAMPLE_BUFFERS, &c.sampleBuffers);
        v.multisampled = c.sampleBuffers > 0;
    }
    const UniformValues& was = p.given;
    const bool all = !p.givenAny;
    auto changed = [&](const auto& now, const auto& before) { return all || std::memcmp(&now, &before, sizeof now); };
    if (changed(v.projection, was.projection))
        es.UniformMatrix4fv(p.projection, 1, GL_FALSE, v.projection.data());
    if (changed(v.modelView, was.modelView))
        es.UniformMatrix4fv(p.modelView, 1, GL_FALSE, v.modelView.data());
    if (changed(v.normalMatrix, was.normalMatrix))
        es.UniformMatrix3fv(p.normalMatrix, 1, GL_FALSE, v.normalMatrix);
    if (changed(v.lighting, was.lighting))
        es.Uniform1i(p.lighting, v.lighting);
    if (changed(v.light0, was.light0))
        es.Uniform1i(p.light0, v.light0);
    if (changed(v.colourMaterial, was.colourMaterial))
        es.Uniform1i(p.colourMaterial, v.colourMaterial);
    if (changed(v.texGen, was.texGen))
        es.Uniform2i(p.texGen, v.texGen[0], v.texGen[1]);
    if (changed(v.texturing, was.texturing))
        es.Uniform1i(p.texturing, v.texturing);
    if (wide) {
        if (changed(v.viewport, was.viewport))
            es.Uniform2f(p.viewport, v.viewport[0], v.viewport[1]);
        if (changed(v.lineWidth, was.lineWidth))
            es.Uniform1f(p.lineWidth, v.lineWidth);
        if (changed(v.multisampled, was.multisampled))
            es.Uniform1i(p.multisampled, v.multisampled);
    }
    p.given = v;
    p.givenAny = true;
}

// Points the attributes at `buffer` from byte `offset`: one vertex each, or for wide lines a line's two ends
// per instance.
void Point(GLuint buffer, size_t offset, bool wide)
{
    LayerContext& c = Current();
    Pointing& now = c.pointing;
    if (!now.constants && now.buffer == buffer && now.offset == offset && now.wide == wide)
        return;
    now = Pointing{buffer, offset, wide, false};
    const EsCalls& es = c.es;
    es.BindVertexArray(wide ? c.wideVertexArray : c.vertexArray);
    es.BindBuffer(GL_ARRAY_BUFFER, buffer);
    for (GLuint i = 0; i < 5; ++i) {
        const auto* at = reinterpret_cast<const void*>(offset + kAttributes[i].offset);
        es.VertexAttribPointer(i, kAttributes[i].size, GL_FLOAT, GL_FALSE, wide ? 2 * kStride : kStride, at);
        es.EnableVertexAttribArray(i);
        if (wide) {
            const auto* atB = reinterpret_cast<const void*>(offset + kStride + kAttributes[i].offset);
            es.VertexAttribPointer(i + 5, kAttributes[i].size, GL_FLOAT, GL_FALSE, 2 * kStride, atB);
            es.EnableVertexAttribArray(i + 5);
        }
    }
}

// Draws `count` vertices pointed at from `first`.
void Draw(Shape shape, int first, int count)
{
    const EsCalls& es = Current().es;
    if (Wide(shape))
        es.DrawArraysInstanced(GL_TRIANGLES, 0, 6, count / 2);
    else
        es.DrawArrays(shape == Shape::Lines ? GL_LINES : GL_TRIANGLES, first, count);
}

// A value the list does not set: every vertex takes the current one.
void Constant(GLuint location, int size, const float* value, bool wide)
{
    Current().pointing.constants = true;
    const EsCalls& es = Current().es;
    for (GLuint at : {location, location + 5}) {
        es.DisableVertexAttribArray(at);
        if (size == 4)
            es.VertexAttrib4f(at, value[0], value[1], value[2], value[3]);
        else if (size == 3)
            es.VertexAttrib3f(at, value[0], value[1], value[2]);
        else
            es.VertexAttrib2f(at, value[0], value[1]);
        if (!wide)
            break;
    }
}

void Add(Shape shape, const Vertex* vertices, int n)
{
    LayerContext& c = Current();
    if (c.compiling) {
        std::vector<ListOp>& ops = c.compiling->ops;
        const int at = static_cast<int>(c.compiledVertices.size());
        c.compiledVertices.insert(c.compiledVertices.end(), vertices, vertices + n);
        const GLenum name = shape == Shape::Lines ? GL_LINES : GL_TRIANGLES;
        ListOp* last = ops.empty() ? nullptr : &ops.back();
        if (last && last->op == Op::Draw && last->name == name && last->first + last->count == at &&
            last->ownColour == c.compiledColour && last->ownNormal == c.compiledNormal &&
            last->ownTexture == c.compiledTexture) {
            last->count += n;
            return;
        }
        ListOp draw{Op::Draw, name};
        draw.first = at;
        draw.count = n;
        draw.ownColour = c.compiledColour;
        draw.ownNormal = c.compiledNormal;
        draw.ownTexture = c.compiledTexture;
        ops.push_back(draw);
        return;
    }
    if (c.batchShape != shape || static_cast<int>(c.batch.size()) + n > kBatchVertices)
        Flush();
    c.batchShape = shape;
    c.batch.insert(c.batch.end(), vertices, vertices + n);
}

}  // namespace

void EmitTriangle(const Vertex& a, const Vertex& b, const Vertex& c)
{
    const Vertex triangle[3] = {a, b, c};
    Add(Shape::Triangles, triangle, 3);
}

void EmitLine(const Vertex& a, const Vertex& b)
{
    const Vertex line[2] = {a, b};
    Add(Shape::Lines, line, 2);
}

void Flush()
{
    LayerContext& c = Current();
    const int n = static_cast<int>(c.batch.size());
    if (n == 0)
        return;
    const EsCalls& es = c.es;
    // Each batch goes where no draw still waiting reads, so writing it need not wait for the GL; a full buffer
    // starts over in new storage, the GL keeping the old for the draws that read it.
    const GLuint stream = c.streamBuffer;
    es.BindBuffer(GL_ARRAY_BUFFER, stream);
    if (c.streamOffset + n > kStreamBatches * kBatchVertices) {
        c.streamOffset = 0;
        es.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(kStreamBatches) * kBatchVertices * kStride, nullptr,
                      GL_DYNAMIC_DRAW);
    }
    const GLintptr at = static_cast<GLintptr>(c.streamOffset) * kStride;
    const GLsizeiptr size = static_cast<GLsizeiptr>(n) * kStride;
#ifdef __EMSCRIPTEN__
    es.BufferSubData(GL_ARRAY_BUFFER, at, size, c.batch.data());
#else
    void* mapped = es.MapBufferRange(GL_ARRAY_BUFFER, at, size,
                                     GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    if (mapped) {
        std::memcpy(mapped, c.batch.data(), static_cast<size_t>(size));
        es.UnmapBuffer(GL_ARRAY_BUFFER);
    } else {
        es.BufferSubData(GL_ARRAY_BUFFER, at, size, c.batch.data());
    }
#endif
    // The batch is in eye space already.
    Use(c.batchShape, kIdentity, kIdentity3);
    const bool wide = Wide(c.batchShape);
    Point(stream, wide ? static_cast<size_t>(c.streamOffset) * kStride : 0, wide);
    Draw(c.batchShape, c.streamOffset, n);
    c.streamOffset += n;
    c.batch.clear();
}

void DrawList(const List& list, const ListOp& draw)
{
    Flush();
    LayerContext& c = Current();
    const Shape shape = draw.name == GL_LINES ? Shape::Lines : Shape::Triangles;
    const bool wide = Wide(shape);
    Use(shape, TopModelView(), NormalMatrix());
    Point(list.buffer, wide ? static_cast<size_t>(draw.first) * kStride : 0, wide);
    const Attributes& s = c.state;
    if (!draw.ownColour)
        Constant(kColour, 4, s.colour, wide);
    if (!draw.ownNormal)
        Constant(kNormal, 3, s.normal, wide);
    if (!draw.ownTexture)
        Constant(kTexture, 2, s.texture, wide);
    Draw(shape, draw.first, draw.count);
}

bool BuildContext(LayerContext& c)
{
    c.built = true;
    if (!LoadEsCalls(c.es))
        return false;
    const EsCalls& es = c.es;
    ResetMatrices(c);
    if (!BuildPrograms(c))
        return false;
    c.batch.reserve(kBatchVertices);
    es.GenBuffers(1, &c.streamBuffer);
    es.BindBuffer(GL_ARRAY_BUFFER, c.streamBuffer);
    es.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(kStreamBatches) * kBatchVertices * kStride, nullptr,
                  GL_DYNAMIC_DRAW);
    es.GenVertexArrays(1, &c.vertexArray);
    es.GenVertexArrays(1, &c.wideVertexArray);
    // Each instance of a wide line is two triangles between its ends.
    const float corners[12] = {0, -1, 1, -1, 1, 1, 0, -1, 1, 1, 0, 1};
    es.GenBuffers(1, &c.cornerBuffer);
    es.BindBuffer(GL_ARRAY_BUFFER, c.cornerBuffer);
    es.BufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    es.BindVertexArray(c.wideVertexArray);
    es.VertexAttribPointer(kCorner, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    es.EnableVertexAttribArray(kCorner);
    for (GLuint i = 0; i < 10; ++i)
        es.VertexAttribDivisor(i, 1);
    es.BindVertexArray(0);
    es.GetIntegerv(GL_VIEWPORT, c.state.viewport);
    ApplyEsState();
    return true;
}

}  // namespace layer
