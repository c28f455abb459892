// Our GLU: quadrics, perspective and mipmaps that emit what Mesa's libGLU emits. Its arithmetic keeps the reference's
// types step by step (angles rounded to float before their sine is taken in double, float products, double sums),
// because the vertices, normals and texels must come out bit for bit the same.
#include "platform/gles/glu.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

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
// the -z pole first. Without texture the two pole bands are fans instead: with texture the apex needs a coordinate
// per slice.
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
    GLdouble m[16] = {};  // column-major
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(zFar + zNear) / deltaZ;
    m[11] = -1;
    m[14] = -2 * zNear * zFar / deltaZ;
    glMultMatrixd(m);
}

namespace {

// Mesa's nearest power of two: the one at or below, unless the two highest bits are both set (then the one above).
int NearestPower(int value)
{
    int power = 1;
    while (value != 1) {
        if (value == 3) {
            return power * 4;
        }
        value >>= 1;
        power *= 2;
    }
    return power;
}

int Log2(int powerOfTwo)
{
    int log = 0;
    while (powerOfTwo > 1) {
        powerOfTwo >>= 1;
        ++log;
    }
    return log;
}

// A source image of n bytes a pixel, rows `stride` bytes apart, `bytes` of it readable.
struct Source {
    const uint8_t* data;
    size_t bytes;
    int width, height, stride, n;
    // Past the image reads nothing: the reference reads there only with a weight of zero.
    float At(long offset) const { return offset < static_cast<long>(bytes) ? data[offset] : 0; }
};

// One level down: 2 x 2 averaged with rounding, but a single row or column in pairs, truncating.
void Halve(const Source& in, uint8_t* out)
{
    const int n = in.n;
    if (in.width == 1 || in.height == 1) {
        const int step = in.width == 1 ? in.stride : n;
        for (int p = 0; p < std::max(in.width, in.height) / 2; ++p) {
            for (int k = 0; k < n; ++k) {
                *out++ = static_cast<uint8_t>((in.data[2 * p * step + k] + in.data[(2 * p + 1) * step + k]) / 2);
            }
        }
        return;
    }
    for (int y = 0; y < in.height / 2; ++y) {
        for (int x = 0; x < in.width / 2; ++x) {
            const uint8_t* t = in.data + 2 * y * in.stride + 2 * x * n;
            for (int k = 0; k < n; ++k) {
                *out++ = static_cast<uint8_t>((t[k] + t[k + n] + t[k + in.stride] + t[k + in.stride + n] + 2) / 4);
            }
        }
    }
}

// Mesa's box filter to another size, in float as it has it: each output pixel sums the input pixels its box covers,
// the edge ones weighted by the part covered, and truncates the mean. Where a box spans more than two rows the
// reference's pointers to its left and right columns drift by one pixel's bytes per inner row; that is kept, as the
// texels must match.
void Scale(const Source& in, uint8_t* out, int widthOut, int heightOut)
{
    if (in.width == widthOut * 2 && in.height == heightOut * 2) {
        Halve(in, out);
        return;
    }
    const int n = in.n;
    const long ysize = in.stride;
    const float convy = static_cast<float>(in.height) / heightOut;
    const float convx = static_cast<float>(in.width) / widthOut;
    const int convyInt = static_cast<int>(std::floor(convy));
    const float convyFrac = convy - convyInt;
    const int convxInt = static_cast<int>(std::floor(convx));
    const float convxFrac = convx - convxInt;
    const float area = convx * convy;

    int lowyInt = 0, highyInt = convyInt;
    float lowyFrac = 0, highyFrac = convyFrac;
    for (int i = 0; i < heightOut; ++i) {
        highyInt = std::min(highyInt, in.height - 1);
        int lowxInt = 0, highxInt = convxInt;
        float lowxFrac = 0, highxFrac = convxFrac;
        for (int j = 0; j < widthOut; ++j) {
            const long x0 = static_cast<long>(lowxInt) * n;
            const long top = x0 + lowyInt * ysize;
            for (int k = 0; k < n; ++k) {
                float total = 0;
                // A run of pixels along a row: the first and last in part, those between whole.
                auto run = [&](long start, float weight) {
                    total += in.At(start + k) * (weight * (1 - lowxFrac));
                    for (int l = lowxInt + 1; l < highxInt; ++l) {
                        total += in.At(start + (l - lowxInt) * n + k) * weight;
                    }
                    total += in.At(start + (highxInt - lowxInt) * n + k) * (weight * highxFrac);
                };
                if (highyInt > lowyInt && highxInt > lowxInt) {
                    run(top, 1 - lowyFrac);
                    run(x0 + highyInt * ysize, highyFrac);
                    const long right = static_cast<long>(highxInt) * n + lowyInt * ysize;
                    for (int m = lowyInt + 1; m < highyInt; ++m) {
                        const long down = (m - lowyInt) * ysize + (m - lowyInt - 1) * n + k;
                        total += in.At(top + down) * (1 - lowxFrac) + in.At(right + down) * highxFrac;
                    }
                } else if (highyInt > lowyInt) {
                    const float xWeight = highxFrac - lowxFrac;
                    total += in.At(top + k) * ((1 - lowyFrac) * xWeight);
                    long row = top + k;
                    for (int m = lowyInt + 1; m < highyInt; ++m) {
                        row += ysize;
                        total += in.At(row) * xWeight;
                    }
                    total += in.At(row + ysize) * (xWeight * highyFrac);
                } else if (highxInt > lowxInt) {
                    run(top, highyFrac - lowyFrac);
                } else {
                    total += in.At(top + k) * ((highyFrac - lowyFrac) * (highxFrac - lowxFrac));
                }
                // The pixels wholly inside.
                for (int m = lowyInt + 1; m < highyInt; ++m) {
                    for (int l = lowxInt + 1; l < highxInt; ++l) {
                        total += in.At(x0 + (l - lowxInt) * n + m * ysize + k);
                    }
                }
                out[(static_cast<long>(i) * widthOut + j) * n + k] =
                    static_cast<uint8_t>(static_cast<int>(total / area));
            }
            lowxInt = highxInt;
            lowxFrac = highxFrac;
            highxInt += convxInt;
            highxFrac += convxFrac;
            if (highxFrac > 1) {
                highxFrac -= 1;
                ++highxInt;
            }
        }
        lowyInt = highyInt;
        lowyFrac = highyFrac;
        highyInt += convyInt;
        highyFrac += convyFrac;
        if (highyFrac > 1) {
            highyFrac -= 1;
            ++highyInt;
        }
    }
}

int BytesPerPixel(GLenum format)
{
    switch (format) {
    case GL_RGBA:
        return 4;
    case GL_RGB:
        return 3;
    case GL_LUMINANCE_ALPHA:
        return 2;
    case GL_LUMINANCE:
    case GL_ALPHA:
        return 1;
    default:
        return 0;  // not one we make mipmaps of
    }
}

}  // namespace

GLint LayerBuild2DMipmaps(GLenum target, GLint components, GLsizei width, GLsizei height, GLenum format, GLenum type,
                          const void* data)
{
    const int n = BytesPerPixel(format);
    if (n == 0 || type != GL_UNSIGNED_BYTE) {
        return GLU_INVALID_ENUM;
    }
    if (width < 1 || height < 1) {
        return GLU_INVALID_VALUE;
    }
    // Mesa asks a proxy texture whether the sizes fit and halves both sides together until they do.
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    int w = NearestPower(width), h = NearestPower(height);
    while ((w > maxSize || h > maxSize) && (w > 1 || h > 1)) {
        w = std::max(w / 2, 1);
        h = std::max(h / 2, 1);
    }

    // The caller's data is read with the caller's unpack state.
    GLint alignment = 4, rowLength = 0, skipRows = 0, skipPixels = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glGetIntegerv(GL_UNPACK_SKIP_ROWS, &skipRows);
    glGetIntegerv(GL_UNPACK_SKIP_PIXELS, &skipPixels);
    int stride = (rowLength > 0 ? rowLength : width) * n;
    if (alignment > 0 && stride % alignment != 0) {
        stride += alignment - stride % alignment;
    }
    const uint8_t* first = static_cast<const uint8_t*>(data) + static_cast<size_t>(skipRows) * stride +
                           static_cast<size_t>(skipPixels) * n;
    const size_t bytes = static_cast<size_t>(height - 1) * stride + static_cast<size_t>(width) * n;
    const Source user{first, bytes, width, height, stride, n};

    std::vector<uint8_t> level(static_cast<size_t>(w) * h * n), next;
    if (width == w && height == h) {
        for (int y = 0; y < h; ++y) {
            std::copy_n(user.data + static_cast<size_t>(y) * stride, static_cast<size_t>(w) * n,
                        level.data() + static_cast<size_t>(y) * w * n);
        }
    } else {
        Scale(user, level.data(), w, h);
    }

    // Our levels are packed tight; they go up with that packing and the caller's is put back after. (Mesa's GLU
    // sends the first level it makes itself under the caller's alignment unpadded, which skews images whose rows
    // are then not a multiple of it, one or two pixels wide: there we differ, and are right.)
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(target, 0, components, w, h, 0, format, type, level.data());
    const int levels = std::max(Log2(w), Log2(h));
    for (int l = 1; l <= levels; ++l) {
        next.resize(static_cast<size_t>(std::max(w / 2, 1)) * std::max(h / 2, 1) * n);
        Halve(Source{level.data(), level.size(), w, h, w * n, n}, next.data());
        level.swap(next);
        w = std::max(w / 2, 1);
        h = std::max(h / 2, 1);
        glTexImage2D(target, l, components, w, h, 0, format, type, level.data());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, skipRows);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, skipPixels);
    return 0;
}
