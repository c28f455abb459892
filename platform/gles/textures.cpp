// 2D textures and texture coordinate generation: names and uploads go to ES, the binding and the modes stay
// with the layer, which draws with them.
#include "platform/gles/state.h"
#include "platform/gles/entry_points.h"

#include <cstddef>
#include <vector>

namespace layer {

namespace {

int Channels(GLenum format)
{
    switch (format) {
    case GL_ALPHA:
    case GL_LUMINANCE: return 1;
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_RGB: return 3;
    case GL_RGBA: return 4;
    default: return 0;
    }
}

// GL 1.1 names an internal format by its count of components as well.
GLenum Unsized(GLint internalFormat)
{
    switch (internalFormat) {
    case GL_ALPHA:
    case GL_ALPHA8: return GL_ALPHA;
    case 1:
    case GL_LUMINANCE:
    case GL_LUMINANCE8: return GL_LUMINANCE;
    case 2:
    case GL_LUMINANCE_ALPHA:
    case GL_LUMINANCE8_ALPHA8: return GL_LUMINANCE_ALPHA;
    case 3:
    case GL_RGB:
    case GL_RGB8: return GL_RGB;
    case 4:
    case GL_RGBA:
    case GL_RGBA8: return GL_RGBA;
    default: return 0;
    }
}

// ES samples an alpha texture black, which GL_MODULATE would multiply the colour by; GL 1.1 keeps the
// colour. It is stored white, with its alpha.
GLenum Uploaded(GLenum stored) { return stored == GL_ALPHA ? GL_LUMINANCE_ALPHA : stored; }

}  // namespace

void glGenTextures(GLsizei n, GLuint* textures)
{
    if (!RefusedInside())
        Current().es.GenTextures(n, textures);
}

void glDeleteTextures(GLsizei n, const GLuint* textures)
{
    if (RefusedInside())
        return;
    LayerContext& c = Current();
    Flush();
    for (GLsizei i = 0; i < n; ++i)
        if (textures[i] == c.state.texture2dBinding)
            c.state.texture2dBinding = 0;
    c.es.DeleteTextures(n, textures);
}

void glBindTexture(GLenum target, GLuint texture)
{
    LayerContext& c = Current();
    if (c.compiling) {
        c.compiling->ops.push_back({Op::BindTexture, texture});
        return;
    }
    if (c.inside)
        return Fail(GL_INVALID_OPERATION);
    if (target != GL_TEXTURE_2D)
        return Fail(GL_INVALID_ENUM);
    if (texture == c.state.texture2dBinding)
        return;
    Flush();
    c.state.texture2dBinding = texture;
    c.es.BindTexture(GL_TEXTURE_2D, texture);
}

GLboolean glIsTexture(GLuint texture) { return RefusedInside() ? GL_FALSE : Current().es.IsTexture(texture); }

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels)
{
    if (RefusedInside(true))
        return;
    if (target != GL_TEXTURE_2D || !Channels(format) || type != GL_UNSIGNED_BYTE)
        return Fail(GL_INVALID_ENUM);
    const GLenum stored = Unsized(internalFormat);
    if (!stored)
        return Fail(GL_INVALID_VALUE);
    if (border != 0)
        return Fail(GL_INVALID_VALUE);  // ES has no borders; the program draws none
    LayerContext& c = Current();
    Flush();
    const GLenum uploaded = Uploaded(stored);
    if (uploaded == format || !pixels) {
        c.es.TexImage2D(target, level, static_cast<GLint>(uploaded), width, height, 0, uploaded, type, pixels);
        return;
    }
    // ES stores what it is given: other components are made here, as GL 1.1 would make them, through RGBA.
    GLint alignment = 4;
    c.es.GetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    const int from = Channels(format), to = Channels(uploaded);
    const size_t row = (static_cast<size_t>(width) * from + alignment - 1) / alignment * alignment;
    std::vector<GLubyte> converted(static_cast<size_t>(width) * height * to);
    const auto* source = static_cast<const GLubyte*>(pixels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const GLubyte* p = source + y * row + x * from;
            GLubyte* q = &converted[(static_cast<size_t>(y) * width + x) * to];
            GLubyte rgba[4] = {p[0], p[0], p[0], 255};  // luminance as red, green and blue
            if (format == GL_ALPHA)
                rgba[0] = rgba[1] = rgba[2] = 0, rgba[3] = p[0];
            else if (format == GL_LUMINANCE_ALPHA)
                rgba[3] = p[1];
            else if (from >= 3)
                rgba[1] = p[1], rgba[2] = p[2], rgba[3] = from == 4 ? p[3] : GLubyte(255);
            // GL 1.1 takes red as luminance.
            if (uploaded == GL_LUMINANCE)
                q[0] = rgba[0];
            else if (uploaded == GL_LUMINANCE_ALPHA)
                q[0] = stored == GL_ALPHA ? GLubyte(255) : rgba[0], q[1] = rgba[3];
            else
                for (int k = 0; k < to; ++k)
                    q[k] = rgba[k];
        }
    c.es.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    c.es.TexImage2D(target, level, static_cast<GLint>(uploaded), width, height, 0, uploaded, type, converted.data());
    c.es.PixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

void glTexParameterf(GLenum target, GLenum name, GLfloat value)
{
    if (!RefusedInside(true))
        Current().es.TexParameterf(target, name, value);
}

void glTexParameteri(GLenum target, GLenum name, GLint value)
{
    if (!RefusedInside(true))
        Current().es.TexParameteri(target, name, value);
}

void glTexGeni(GLenum coord, GLenum name, GLint value)
{
    if (RefusedInside(true))
        return;
    if ((coord != GL_S && coord != GL_T) || name != GL_TEXTURE_GEN_MODE)
        return Fail(GL_INVALID_ENUM);
    if (value != GL_OBJECT_LINEAR && value != GL_EYE_LINEAR && value != GL_SPHERE_MAP)
        return Fail(GL_INVALID_ENUM);
    LayerContext& c = Current();
    GLenum& mode = coord == GL_S ? c.state.genModeS : c.state.genModeT;
    if (mode != static_cast<GLenum>(value))
        Flush();
    mode = static_cast<GLenum>(value);
}

}  // namespace layer
