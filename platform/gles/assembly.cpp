// glBegin .. glEnd: vertices with their current colour, normal and texture coordinate, assembled into
// independent triangles and lines whose last vertex is GL 1.1's provoking vertex, so that ES's flat shading
// (which takes the last) gives the colour GL 1.1 gives.
#include "platform/gles/state.h"
#include "platform/gles/entry_points.h"

#include <cstring>

namespace layer {

namespace {

bool Primitive(GLenum mode)
{
    switch (mode) {
    case GL_LINES:
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
    case GL_TRIANGLES:
    case GL_TRIANGLE_STRIP:
    case GL_TRIANGLE_FAN:
    case GL_QUADS:
    case GL_QUAD_STRIP:
    case GL_POLYGON: return true;
    default: return false;
    }
}

// The vertex at (x, y, z) with the current values: through the modelview when drawn now, as given when
// compiled into a list.
Vertex Make(float x, float y, float z)
{
    LayerContext& c = Current();
    Vertex v;
    v.object[0] = x, v.object[1] = y, v.object[2] = z;
    if (c.compiling) {
        const Attributes& given = c.compiledCurrent;
        std::memcpy(v.position, v.object, sizeof v.position);
        std::memcpy(v.normal, given.normal, sizeof v.normal);
        std::memcpy(v.colour, given.colour, sizeof v.colour);
        std::memcpy(v.texture, given.texture, sizeof v.texture);
        return v;
    }
    const Attributes& s = c.state;
    const float* m = TopModelView().data();
    for (int row = 0; row < 3; ++row)
        v.position[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    const float* n = NormalMatrix();
    for (int row = 0; row < 3; ++row)
        v.normal[row] = n[row] * s.normal[0] + n[3 + row] * s.normal[1] + n[6 + row] * s.normal[2];
    std::memcpy(v.colour, s.colour, sizeof v.colour);
    std::memcpy(v.texture, s.texture, sizeof v.texture);
    return v;
}

void Vertex3(float x, float y, float z)
{
    LayerContext& c = Current();
    if (!c.inside) {
        // GL 1.1 leaves a vertex outside glBegin .. glEnd undefined, and it draws nothing; a list keeps it for
        // a call between them.
        if (c.compiling) {
            ListOp given{Op::Vertex};
            given.values[0] = x, given.values[1] = y, given.values[2] = z;
            c.compiling->ops.push_back(given);
        }
        return;
    }
    const Vertex v = Make(x, y, z);
    const int n = c.count++;
    Vertex* last = c.held;  // the three vertices before this one, oldest first
    if (n == 0)
        c.first = v;
    switch (c.mode) {
    case GL_TRIANGLES:
        if (n % 3 == 2)
            EmitTriangle(last[1], last[2], v);
        break;
    case GL_TRIANGLE_STRIP:
        if (n >= 2)
            (n % 2 == 0) ? EmitTriangle(last[1], last[2], v) : EmitTriangle(last[2], last[1], v);
        break;
    case GL_TRIANGLE_FAN:
        if (n >= 2)
            EmitTriangle(c.first, last[2], v);
        break;
    case GL_POLYGON:
        if (n >= 2)
            EmitTriangle(last[2], v, c.first);  // the first vertex provokes a polygon's colour
        break;
    case GL_QUADS:
        if (n % 4 == 3) {
            EmitTriangle(last[0], last[1], v);
            EmitTriangle(last[1], last[2], v);
        }
        break;
    case GL_QUAD_STRIP:
        if (n >= 3 && n % 2 == 1) {
            EmitTriangle(last[2], last[0], v);
            EmitTriangle(last[0], last[1], v);
        }
        break;
    case GL_LINES:
        if (n % 2 == 1)
            EmitLine(last[2], v);
        break;
    default:  // line strips and loops
        if (n >= 1)
            EmitLine(last[2], v);
        break;
    }
    last[0] = last[1];
    last[1] = last[2];
    last[2] = v;
}

}  // namespace

void glBegin(GLenum mode)
{
    LayerContext& c = Current();
    if (c.inside)
        return Fail(GL_INVALID_OPERATION);
    if (!Primitive(mode))
        return Fail(GL_INVALID_ENUM);
    c.inside = true;
    c.mode = mode;
    c.count = 0;
}

void glEnd()
{
    LayerContext& c = Current();
    if (!c.inside)
        return Fail(GL_INVALID_OPERATION);
    if (c.mode == GL_LINE_LOOP && c.count >= 2)
        EmitLine(c.held[2], c.first);
    c.inside = false;
}

void glVertex2i(GLint x, GLint y) { Vertex3(static_cast<float>(x), static_cast<float>(y), 0); }
void glVertex2f(GLfloat x, GLfloat y) { Vertex3(x, y, 0); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { Vertex3(x, y, z); }

namespace {

// The current values, or inside a list being compiled its own (GL_COMPILE leaves the current ones alone).
Attributes& Given(Op op, const float* values, int n)
{
    LayerContext& c = Current();
    if (!c.compiling)
        return c.state;
    ListOp recorded{op};
    std::memcpy(recorded.values, values, sizeof(float) * n);
    c.compiling->ops.push_back(recorded);
    (op == Op::Colour ? c.compiledColour : op == Op::Normal ? c.compiledNormal : c.compiledTexture) = true;
    return c.compiledCurrent;
}

}  // namespace

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    const float colour[4] = {r, g, b, a};
    std::memcpy(Given(Op::Colour, colour, 4).colour, colour, sizeof colour);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) { glColor4f(r, g, b, 1.0f); }

void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a)
{
    glColor4f(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}

void glTexCoord2f(GLfloat s, GLfloat t)
{
    const float texture[2] = {s, t};
    std::memcpy(Given(Op::TexCoord, texture, 2).texture, texture, sizeof texture);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z)
{
    const float normal[3] = {x, y, z};
    std::memcpy(Given(Op::Normal, normal, 3).normal, normal, sizeof normal);
}

}  // namespace layer
