// Display lists: compiled once into a vertex buffer and the state changes between its draws, called by name or
// through the list base, lists calling lists.
#include "platform/gles/layer.h"
#include "platform/gles/state.h"
#include "platform/gles/entry_points.h"

#include <algorithm>

namespace layer {

namespace {

// GL 1.1 lets a list call lists to this depth, and no deeper.
constexpr int kMostNesting = 64;

void Execute(GLuint name);

// What a list called between glBegin and glEnd may do there, as GL 1.1 lets the calls themselves: set the
// current values, give vertices, call lists.
bool TakenInside(Op op)
{
    return op == Op::Colour || op == Op::Normal || op == Op::TexCoord || op == Op::Vertex || op == Op::CallList ||
           op == Op::CallListOffset;
}

void Run(const List& list)
{
    LayerContext& c = Current();
    Attributes& s = c.state;
    for (const ListOp& op : list.ops) {
        const float* v = op.values;
        if (c.inside && !TakenInside(op.op)) {
            Fail(GL_INVALID_OPERATION);
            continue;
        }
        switch (op.op) {
        case Op::Draw:
            if (!PrimitivesSkipped())
                DrawList(list, op);
            break;
        case Op::Translate: MultiplyCurrent(Translation(v[0], v[1], v[2])); break;
        case Op::Rotate: MultiplyCurrent(Rotation(v[0], v[1], v[2], v[3])); break;
        case Op::Scale: MultiplyCurrent(Scaling(v[0], v[1], v[2])); break;
        case Op::Colour: std::copy(v, v + 4, s.colour); break;
        case Op::Normal: std::copy(v, v + 3, s.normal); break;
        case Op::TexCoord: std::copy(v, v + 2, s.texture); break;
        case Op::Vertex: glVertex3f(v[0], v[1], v[2]); break;
        case Op::Enable: SetCapability(op.name, true); break;
        case Op::Disable: SetCapability(op.name, false); break;
        case Op::BindTexture: glBindTexture(GL_TEXTURE_2D, op.name); break;
        case Op::CallList: Execute(op.name); break;
        case Op::CallListOffset: Execute(s.listBase + op.name); break;
        case Op::ListBase: s.listBase = op.name; break;
        case Op::PushMatrix: glPushMatrix(); break;
        case Op::PopMatrix: glPopMatrix(); break;
        case Op::MatrixMode: glMatrixMode(static_cast<GLenum>(v[0])); break;
        case Op::LoadIdentity: glLoadIdentity(); break;
        }
    }
}

void Execute(GLuint name)
{
    LayerContext& c = Current();
    const auto found = c.lists.find(name);
    if (found == c.lists.end() || c.callDepth == kMostNesting)
        return;  // a name that is no list does nothing
    ++c.callDepth;
    Run(found->second);
    --c.callDepth;
}

}  // namespace

GLuint glGenLists(GLsizei range)
{
    LayerContext& c = Current();
    if (RefusedInside())
        return 0;
    if (range < 0)
        return Fail(GL_INVALID_VALUE), 0;
    if (range == 0)
        return 0;
    const GLuint first = c.nextListName;
    c.nextListName += static_cast<GLuint>(range);
    // Reserved names are lists that draw nothing until they are compiled.
    for (GLuint name = first; name < c.nextListName; ++name)
        c.lists[name];
    return first;
}

void glNewList(GLuint name, GLenum mode)
{
    LayerContext& c = Current();
    if (name == 0)
        return Fail(GL_INVALID_VALUE);
    if (mode != GL_COMPILE)
        return Fail(GL_INVALID_ENUM);  // the program never executes while it compiles
    if (c.compiling || RefusedInside())
        return Fail(GL_INVALID_OPERATION);
    Flush();
    // A list replaces its old self only when it is ended; it is compiled aside.
    c.compiledList = List{};
    c.compiling = &c.compiledList;
    c.compilingName = name;
    c.compiledVertices.clear();
    c.compiledCurrent = c.state;
    c.compiledColour = c.compiledNormal = c.compiledTexture = false;
}

void glEndList()
{
    LayerContext& c = Current();
    if (!c.compiling || RefusedInside())
        return Fail(GL_INVALID_OPERATION);
    List& list = c.lists[c.compilingName];
    // A buffer's name can come back for another: the attributes are pointed again after any deletion.
    if (list.buffer) {
        c.es.DeleteBuffers(1, &list.buffer);
        c.pointing = Pointing{};
    }
    list = std::move(*c.compiling);
    list.ops.shrink_to_fit();
    if (!c.compiledVertices.empty()) {
        c.es.GenBuffers(1, &list.buffer);
        c.es.BindBuffer(GL_ARRAY_BUFFER, list.buffer);
        c.es.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(c.compiledVertices.size() * sizeof(Vertex)),
                        c.compiledVertices.data(), GL_STATIC_DRAW);
    }
    c.compiling = nullptr;
    c.compilingName = 0;
}

void glCallList(GLuint name)
{
    LayerContext& c = Current();
    if (c.compiling) {
        c.compiling->ops.push_back({Op::CallList, name});
        return;
    }
    Execute(name);
}

void glCallLists(GLsizei n, GLenum type, const GLvoid* names)
{
    LayerContext& c = Current();
    if (n < 0)
        return Fail(GL_INVALID_VALUE);
    if (type != GL_BYTE && type != GL_UNSIGNED_BYTE && type != GL_UNSIGNED_INT)
        return Fail(GL_INVALID_ENUM);  // the types the program passes
    for (GLsizei i = 0; i < n; ++i) {
        // A negative offset wraps, as GL adds it to the base as an unsigned name.
        const GLuint offset = type == GL_BYTE            ? static_cast<GLuint>(static_cast<const GLbyte*>(names)[i])
                              : type == GL_UNSIGNED_BYTE ? static_cast<const GLubyte*>(names)[i]
                                                         : static_cast<const GLuint*>(names)[i];
        if (c.compiling)
            c.compiling->ops.push_back({Op::CallListOffset, offset});
        else
            Execute(c.state.listBase + offset);
    }
}

void glListBase(GLuint base)
{
    LayerContext& c = Current();
    if (c.compiling)
        c.compiling->ops.push_back({Op::ListBase, base});
    else if (!RefusedInside())
        c.state.listBase = base;
}

void glDeleteLists(GLuint first, GLsizei range)
{
    LayerContext& c = Current();
    if (range < 0)
        return Fail(GL_INVALID_VALUE);
    if (RefusedInside())
        return;
    for (GLuint name = first; name < first + static_cast<GLuint>(range); ++name) {
        const auto found = c.lists.find(name);
        if (found == c.lists.end())
            continue;
        if (found->second.buffer) {
            c.es.DeleteBuffers(1, &found->second.buffer);
            c.pointing = Pointing{};
        }
        c.lists.erase(found);
    }
}

GLboolean glIsList(GLuint name)
{
    LayerContext& c = Current();
    if (RefusedInside())
        return GL_FALSE;
    return c.lists.count(name) ? GL_TRUE : GL_FALSE;
}

}  // namespace layer
