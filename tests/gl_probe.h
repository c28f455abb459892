// Small read-outs of GL state for tests that draw into the test window: the current colour and alpha as bytes, the
// bound texture, the model-view translation, and the colours of everything a drawing call emits (through feedback mode).
#pragma once

#include <GL/gl.h>

#include <array>
#include <cmath>
#include <functional>
#include <set>
#include <vector>

using Rgba = std::array<int, 4>;

inline Rgba CurrentColourBytes()
{
    float c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    return {static_cast<int>(std::lround(c[0] * 255)), static_cast<int>(std::lround(c[1] * 255)),
            static_cast<int>(std::lround(c[2] * 255)), static_cast<int>(std::lround(c[3] * 255))};
}

inline int CurrentAlphaByte() { return CurrentColourBytes()[3]; }

inline GLuint BoundTexture()
{
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    return static_cast<GLuint>(bound);
}

// The GL name a texture object binds, found by binding it; the previous binding is put back.
template <typename TextureObject> GLuint NameOf(TextureObject& texture)
{
    GLuint previous = BoundTexture();
    texture.Bind();
    GLuint name = BoundTexture();
    glBindTexture(GL_TEXTURE_2D, previous);
    return name;
}

inline std::array<float, 3> ModelViewTranslation()
{
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    return {m[12], m[13], m[14]};
}

struct FeedbackVertex {
    float x, y, z;  // window coordinates
    Rgba colour;
    float s, t;
};

// Runs `draw` in feedback mode and returns each primitive that reached the screen as its vertices.
inline std::vector<std::vector<FeedbackVertex>> FeedbackPrimitives(const std::function<void()>& draw)
{
    static std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    int count = glRenderMode(GL_RENDER);
    std::vector<std::vector<FeedbackVertex>> primitives;
    auto vertex = [&](int& i) {
        // x, y, z, then r, g, b, a, then s, t, r, q
        const GLfloat* v = &buffer[i];
        auto byte = [](float c) { return static_cast<int>(std::lround(c * 255)); };
        i += 11;
        return FeedbackVertex{v[0], v[1], v[2], {byte(v[3]), byte(v[4]), byte(v[5]), byte(v[6])}, v[7] / v[10],
                              v[8] / v[10]};
    };
    for (int i = 0; i < count;) {
        int token = static_cast<int>(buffer[i++]);
        int n = 0;
        switch (token) {
        case GL_POINT_TOKEN:
        case GL_BITMAP_TOKEN:
        case GL_DRAW_PIXEL_TOKEN:
        case GL_COPY_PIXEL_TOKEN:
            n = 1;
            break;
        case GL_LINE_TOKEN:
        case GL_LINE_RESET_TOKEN:
            n = 2;
            break;
        case GL_POLYGON_TOKEN:
            n = static_cast<int>(buffer[i++]);
            break;
        case GL_PASS_THROUGH_TOKEN:
            ++i;
            continue;
        default:
            return primitives; // unknown token: stop rather than misread
        }
        std::vector<FeedbackVertex> primitive;
        for (int k = 0; k < n; ++k) {
            primitive.push_back(vertex(i));
        }
        primitives.push_back(primitive);
    }
    return primitives;
}

// The distinct vertex colours of everything `draw` put on the screen.
inline std::set<Rgba> FeedbackColours(const std::function<void()>& draw)
{
    std::set<Rgba> colours;
    for (const auto& primitive : FeedbackPrimitives(draw)) {
        for (const FeedbackVertex& v : primitive) {
            colours.insert(v.colour);
        }
    }
    return colours;
}
