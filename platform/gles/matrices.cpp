// The modelview and projection stacks and the calls that change them, recorded into a list while one is
// compiled.
#include "platform/gles/state.h"
#include "platform/gles/entry_points.h"

#include <cmath>

namespace layer {

namespace {

Matrix Multiply(const Matrix& a, const Matrix& b)
{
    Matrix product{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[k * 4 + row] * b[column * 4 + k];
            product[column * 4 + row] = sum;
        }
    return product;
}

Matrix& Top()
{
    LayerContext& c = Current();
    return c.matrixMode == GL_MODELVIEW ? c.modelView[c.modelViewDepth - 1] : c.projection[c.projectionDepth - 1];
}

// The projection is drawn with, the modelview is not: a batch holds vertices already through the modelview.
void Changing()
{
    LayerContext& c = Current();
    if (c.matrixMode == GL_PROJECTION)
        Flush();
    else
        c.normalMatrixStale = true;
}

bool Recorded(Op op, float x = 0, float y = 0, float z = 0, float w = 0)
{
    LayerContext& c = Current();
    if (!c.compiling)
        return false;
    ListOp recorded{op};
    recorded.values[0] = x, recorded.values[1] = y, recorded.values[2] = z, recorded.values[3] = w;
    c.compiling->ops.push_back(recorded);
    return true;
}

}  // namespace

const Matrix& TopModelView() { return Current().modelView[Current().modelViewDepth - 1]; }
const Matrix& TopProjection() { return Current().projection[Current().projectionDepth - 1]; }

const float* NormalMatrix()
{
    LayerContext& c = Current();
    if (c.normalMatrixStale) {
        const Matrix& m = TopModelView();
        // The cofactors of the upper 3 x 3 over its determinant: its inverse, transposed.
        const float a = m[0], b = m[4], d = m[1], e = m[5], g = m[2], h = m[6], cc = m[8], f = m[9], i = m[10];
        const float cof[9] = {e * i - f * h, -(d * i - f * g), d * h - e * g,
                              -(b * i - cc * h), a * i - cc * g, -(a * h - b * g),
                              b * f - cc * e, -(a * f - cc * d), a * e - b * d};
        const float det = a * cof[0] + b * cof[1] + cc * cof[2];
        const float scale = det != 0 ? 1.0f / det : 0.0f;
        // Column by column: column j of the result is row j of the cofactor matrix.
        for (int column = 0; column < 3; ++column)
            for (int row = 0; row < 3; ++row)
                c.normalMatrix[column * 3 + row] = cof[row * 3 + column] * scale;
        c.normalMatrixStale = false;
    }
    return c.normalMatrix;
}

Matrix Translation(float x, float y, float z)
{
    Matrix m = kIdentity;
    m[12] = x, m[13] = y, m[14] = z;
    return m;
}

Matrix Scaling(float x, float y, float z)
{
    Matrix m = kIdentity;
    m[0] = x, m[5] = y, m[10] = z;
    return m;
}

Matrix Rotation(float angle, float x, float y, float z)
{
    const float s = static_cast<float>(std::sin(angle * M_PI / 180.0));
    const float c = static_cast<float>(std::cos(angle * M_PI / 180.0));
    Matrix m = kIdentity;
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0)
        return m;
    x /= length, y /= length, z /= length;
    const float one = 1 - c;
    m[0] = x * x * one + c, m[4] = x * y * one - z * s, m[8] = x * z * one + y * s;
    m[1] = y * x * one + z * s, m[5] = y * y * one + c, m[9] = y * z * one - x * s;
    m[2] = x * z * one - y * s, m[6] = y * z * one + x * s, m[10] = z * z * one + c;
    return m;
}

void MultiplyCurrent(const Matrix& by)
{
    Changing();
    Matrix& top = Top();
    top = Multiply(top, by);
}

void glMatrixMode(GLenum mode)
{
    if (Recorded(Op::MatrixMode, static_cast<float>(mode)) || RefusedInside())
        return;
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION)
        return Fail(GL_INVALID_ENUM);
    Current().matrixMode = mode;
}

void glLoadIdentity()
{
    if (Recorded(Op::LoadIdentity) || RefusedInside())
        return;
    Changing();
    Top() = kIdentity;
}

void glPushMatrix()
{
    if (Recorded(Op::PushMatrix) || RefusedInside())
        return;
    LayerContext& c = Current();
    int& depth = c.matrixMode == GL_MODELVIEW ? c.modelViewDepth : c.projectionDepth;
    Matrix* stack = c.matrixMode == GL_MODELVIEW ? c.modelView : c.projection;
    if (depth == kStackDepth)
        return Fail(GL_STACK_OVERFLOW);
    stack[depth] = stack[depth - 1];
    ++depth;
}

void glPopMatrix()
{
    if (Recorded(Op::PopMatrix) || RefusedInside())
        return;
    LayerContext& c = Current();
    int& depth = c.matrixMode == GL_MODELVIEW ? c.modelViewDepth : c.projectionDepth;
    if (depth == 1)
        return Fail(GL_STACK_UNDERFLOW);
    Changing();
    --depth;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    if (!Recorded(Op::Translate, x, y, z) && !RefusedInside())
        MultiplyCurrent(Translation(x, y, z));
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z)
{
    glTranslatef(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    if (!Recorded(Op::Rotate, angle, x, y, z) && !RefusedInside())
        MultiplyCurrent(Rotation(angle, x, y, z));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    if (!Recorded(Op::Scale, x, y, z) && !RefusedInside())
        MultiplyCurrent(Scaling(x, y, z));
}

void glMultMatrixd(const GLdouble* m)
{
    if (Current().compiling)
        return Fail(GL_INVALID_OPERATION);  // not recorded: the program compiles none into a list
    if (RefusedInside())
        return;
    Matrix by;
    for (int i = 0; i < 16; ++i)
        by[i] = static_cast<float>(m[i]);
    MultiplyCurrent(by);
}

void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    if (Current().compiling)
        return Fail(GL_INVALID_OPERATION);
    if (RefusedInside())
        return;
    if (l == r || b == t || n == f)
        return Fail(GL_INVALID_VALUE);
    Matrix m = kIdentity;
    m[0] = static_cast<float>(2 / (r - l));
    m[5] = static_cast<float>(2 / (t - b));
    m[10] = static_cast<float>(-2 / (f - n));
    m[12] = static_cast<float>(-(r + l) / (r - l));
    m[13] = static_cast<float>(-(t + b) / (t - b));
    m[14] = static_cast<float>(-(f + n) / (f - n));
    MultiplyCurrent(m);
}

void ResetMatrices(LayerContext& c)
{
    c.modelView[0] = c.projection[0] = kIdentity;
    c.modelViewDepth = c.projectionDepth = 1;
    c.normalMatrixStale = true;
}

}  // namespace layer
