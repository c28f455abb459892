// Our GLU: quadrics, perspective and mipmaps that emit what Mesa's libGLU emits. Its arithmetic keeps the reference's
// types step by step (angles rounded to float before their sine is taken in double, float products, double sums),
// because the vertices, normals and texels must come out bit for bit the same.
#include "platform/gles/glu.h"

#include <algorithm>
#include <cmath>

struct GLUquadric {
    GLenum normals = GLU_SMOOTH;
    GLboolean textureCoords = GL_FALSE;
    GLenum drawStyle = GLU_FILL;
};

namespace {

constexpr double kPi = 3.14159265358979323846;
// Mesa caches at most this many angles: more slices or stacks than that are cut down to it.
constexpr int kCache = 240;

// The sine of an angle already rounded to float, taken in double and rounded again: never sinf.
float Sin(float angle) { return static_cast<float>(std::sin(static_cast<double>(angle))); }
float Cos(float angle) { return static_cast<float>(std::cos(static_cast<double>(angle))); }

}  // namespace

GLUquadric* LayerNewQuadric() { return new GLUquadric; }
void LayerDeleteQuadric(GLUquadric* quadric) { delete quadric; }
void LayerQuadricTexture(GLUquadric* quadric, GLboolean textureCoords) { quadric->textureCoords = textureCoords; }

void LayerQuadricDrawStyle(GLUquadric* quadric, GLenum drawStyle)
{
    if (drawStyle == GLU_POINT || drawStyle == GLU_LINE || drawStyle == GLU_FILL || drawStyle == GLU_SILHOUETTE) {
        quadric->drawStyle = drawStyle;
    }
}

void LayerQuadricNormals(GLUquadric* quadric, GLenum normals)
{
    if (normals == GLU_SMOOTH || normals == GLU_FLAT || normals == GLU_NONE) {
        quadric->normals = normals;
    }
}

// Stacks run from the +z pole (j = 0) to the -z pole; each band is one quad strip, at every slice its ring nearer
// the -z pole first. Without texture the two pole bands are fans instead: with texture the apex needs a coordinate per slice.
void LayerSphere(GLUquadric* quadric, GLdouble radius, GLint slices, GLint stacks)
{
    slices = std::min(slices, kCache - 1);
    stacks = std::min(stacks, kCache - 1);
    if (slices < 2 || stacks < 1 || radius < 0.0 || quadric->drawStyle != GLU_FILL) {
        return;
    }
    // Around the axis: at each slice, and half a slice back for flat normals.
    float sinA[kCache], cosA[kCache], sinFlatA[kCache], cosFlatA[kCache];
    // Down from the pole: the unit direction, the ring's radius and height, and half a stack back for flat normals.
    float sinB[kCache], cosB[kCache], ringR[kCache], ringZ[kCache], sinFlatB[kCache], cosFlatB[kCache];
    for (int i = 0; i < slices; ++i) {
        float angle = static_cast<float>(2 * kPi * i / slices);
        sinA[i] = Sin(angle);
        cosA[i] = Cos(angle);
        angle = static_cast<float>(2 * kPi * (i - 0.5) / slices);
        sinFlatA[i] = Sin(angle);
        cosFlatA[i] = Cos(angle);
    }
    sinA[slices] = sinA[0];
    cosA[slices] = cosA[0];
    sinFlatA[slices] = sinFlatA[0];
    cosFlatA[slices] = cosFlatA[0];
    for (int j = 0; j <= stacks; ++j) {
        float angle = static_cast<float>(kPi * j / stacks);
        sinB[j] = Sin(angle);
        cosB[j] = Cos(angle);
        ringR[j] = static_cast<float>(radius * std::sin(static_cast<double>(angle)));
        ringZ[j] = static_cast<float>(radius * std::cos(static_cast<double>(angle)));
        angle = static_cast<float>(kPi * (j - 0.5) / stacks);
        sinFlatB[j] = Sin(angle);
        cosFlatB[j] = Cos(angle);
    }
    // The poles meet in a point.
    ringR[0] = 0;
    ringR[stacks] = 0;

    const GLenum normals = quadric->normals;
    int first = 0;
    int last = stacks;
    if (!quadric->textureCoords) {
        first = 1;
        last = stacks - 1;
        // The +z cap, wound from the last slice back to the first. Flat normals leave the apex with whatever
        // normal is current, as the reference does.
        float s = normals == GLU_FLAT ? sinFlatB[1] : sinB[1];
        float c = normals == GLU_FLAT ? cosFlatB[1] : cosB[1];
        if (normals == GLU_SMOOTH) {
            glNormal3f(sinA[0] * sinB[0], cosA[0] * sinB[0], cosB[0]);
        }
        glBegin(GL_TRIANGLE_FAN);
        glVertex3f(0.0f, 0.0f, static_cast<float>(radius));
        for (int i = slices; i >= 0; --i) {
            if (normals == GLU_SMOOTH) {
                glNormal3f(sinA[i] * s, cosA[i] * s, c);
            } else if (normals == GLU_FLAT && i != slices) {
                glNormal3f(sinFlatA[i + 1] * s, cosFlatA[i + 1] * s, c);
            }
            glVertex3f(ringR[1] * sinA[i], ringR[1] * cosA[i], ringZ[1]);
        }
        glEnd();
        // The -z cap. The reference takes the apex normal's slice entry at index `stacks`; past the last slice
        // it reads unset memory, where the entry's weight, the sine of pi, is all but zero anyway.
        s = normals == GLU_FLAT ? sinFlatB[stacks] : sinB[stacks - 1];
        c = normals == GLU_FLAT ? cosFlatB[stacks] : cosB[stacks - 1];
        if (normals == GLU_SMOOTH) {
            int k = std::min(stacks, slices);
            glNormal3f(sinA[k] * sinB[stacks], cosA[k] * sinB[stacks], cosB[stacks]);
        }
        glBegin(GL_TRIANGLE_FAN);
        glVertex3f(0.0f, 0.0f, static_cast<float>(-radius));
        for (int i = 0; i <= slices; ++i) {
            if (normals == GLU_SMOOTH) {
                glNormal3f(sinA[i] * s, cosA[i] * s, c);
            } else if (normals == GLU_FLAT) {
                glNormal3f(sinFlatA[i] * s, cosFlatA[i] * s, c);
            }
            glVertex3f(ringR[stacks - 1] * sinA[i], ringR[stacks - 1] * cosA[i], ringZ[stacks - 1]);
        }
        glEnd();
    }
    for (int j = first; j < last; ++j) {
        const float sHigh = sinB[j + 1], cHigh = cosB[j + 1];
        const float sLow = normals == GLU_FLAT ? sinFlatB[j + 1] : sinB[j];
        const float cLow = normals == GLU_FLAT ? cosFlatB[j + 1] : cosB[j];
        const float tHigh = 1 - static_cast<float>(j + 1) / stacks;
        const float tLow = 1 - static_cast<float>(j) / stacks;
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= slices; ++i) {
            const float s = 1 - static_cast<float>(i) / slices;
            if (normals == GLU_SMOOTH) {
                glNormal3f(sinA[i] * sHigh, cosA[i] * sHigh, cHigh);
            }
            if (quadric->textureCoords) {
                glTexCoord2f(s, tHigh);
            }
            glVertex3f(ringR[j + 1] * sinA[i], ringR[j + 1] * cosA[i], ringZ[j + 1]);
            if (normals == GLU_SMOOTH) {
                glNormal3f(sinA[i] * sLow, cosA[i] * sLow, cLow);
            } else if (normals == GLU_FLAT) {
                glNormal3f(sinFlatA[i] * sLow, cosFlatA[i] * sLow, cLow);
            }
            if (quadric->textureCoords) {
                glTexCoord2f(s, tLow);
            }
            glVertex3f(ringR[j] * sinA[i], ringR[j] * cosA[i], ringZ[j]);
        }
        glEnd();
    }
}

// Along +z from the base ring; each stack is one quad strip, its lower ring first at every slice. A cone keeps its
// strips too: the apex needs a normal per slice.
void LayerCylinder(GLUquadric* quadric, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks)
{
    slices = std::min(slices, kCache - 1);
    if (slices < 2 || stacks < 1 || base < 0.0 || top < 0.0 || height < 0.0) {
        return;
    }
    const float deltaRadius = static_cast<float>(base - top);
    const float length = static_cast<float>(std::sqrt(deltaRadius * deltaRadius + height * height));
    if (length == 0.0f || quadric->drawStyle != GLU_FILL) {
        return;
    }
    const float zNormal = deltaRadius / length;
    const float xyRatio = static_cast<float>(height / length);  // times a double sine: the product is double
    float sinS[kCache], cosS[kCache], sinN[kCache], cosN[kCache], sinFlat[kCache], cosFlat[kCache];
    for (int i = 0; i < slices; ++i) {
        float angle = static_cast<float>(2 * kPi * i / slices);
        sinS[i] = Sin(angle);
        cosS[i] = Cos(angle);
        sinN[i] = static_cast<float>(xyRatio * std::sin(static_cast<double>(angle)));
        cosN[i] = static_cast<float>(xyRatio * std::cos(static_cast<double>(angle)));
        angle = static_cast<float>(2 * kPi * (i - 0.5) / slices);
        sinFlat[i] = static_cast<float>(xyRatio * std::sin(static_cast<double>(angle)));
        cosFlat[i] = static_cast<float>(xyRatio * std::cos(static_cast<double>(angle)));
    }
    sinS[slices] = sinS[0];
    cosS[slices] = cosS[0];
    sinN[slices] = sinN[0];
    cosN[slices] = cosN[0];
    sinFlat[slices] = sinFlat[0];
    cosFlat[slices] = cosFlat[0];

    for (int j = 0; j < stacks; ++j) {
        const float zLow = static_cast<float>(j * height / stacks);
        const float zHigh = static_cast<float>((j + 1) * height / stacks);
        const float rLow = static_cast<float>(base - deltaRadius * (static_cast<float>(j) / stacks));
        const float rHigh = static_cast<float>(base - deltaRadius * (static_cast<float>(j + 1) / stacks));
        const float tLow = static_cast<float>(j) / stacks;
        const float tHigh = static_cast<float>(j + 1) / stacks;
        glBegin(GL_QUAD_STRIP);
        for (int i = 0; i <= slices; ++i) {
            if (quadric->normals == GLU_SMOOTH) {
                glNormal3f(sinN[i], cosN[i], zNormal);
            } else if (quadric->normals == GLU_FLAT) {
                glNormal3f(sinFlat[i], cosFlat[i], zNormal);
            }
            const float s = 1 - static_cast<float>(i) / slices;
            if (quadric->textureCoords) {
                glTexCoord2f(s, tLow);
            }
            glVertex3f(rLow * sinS[i], rLow * cosS[i], zLow);
            if (quadric->textureCoords) {
                glTexCoord2f(s, tHigh);
            }
            glVertex3f(rHigh * sinS[i], rHigh * cosS[i], zHigh);
        }
        glEnd();
    }
}

void LayerPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    const double radians = fovy / 2 * kPi / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) {
        return;
    }
    const double cotangent = std::cos(radians) / sine;
    // Column-major.
    const GLdouble m[16] = {cotangent / aspect, 0, 0, 0, 0, cotangent, 0, 0, 0, 0, -(zFar + zNear) / deltaZ, -1,
                            0, 0, -2 * zNear * zFar / deltaZ, 0};
    glMultMatrixd(m);
}

