// The OpenGL ES 3.0 calls the layer draws with, found for each context by name (this program's own gl* names
// are the GL 1.1 ones it covers).
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#define KORVALE_ES_CALLS(X)                                                                                     \
    X(void, AttachShader, (GLuint program, GLuint shader))                                                   \
    X(void, BindBuffer, (GLenum target, GLuint buffer))                                                      \
    X(void, BindTexture, (GLenum target, GLuint texture))                                                    \
    X(void, BindVertexArray, (GLuint array))                                                                 \
    X(void, BlendFunc, (GLenum source, GLenum destination))                                                  \
    X(void, BufferData, (GLenum target, GLsizeiptr size, const void* data, GLenum usage))                    \
    X(void, BufferSubData, (GLenum target, GLintptr offset, GLsizeiptr size, const void* data))              \
    X(void, Clear, (GLbitfield mask))                                                                        \
    X(void, ClearColor, (GLfloat r, GLfloat g, GLfloat b, GLfloat a))                                        \
    X(void, ClearDepthf, (GLfloat depth))                                                                    \
    X(void, CompileShader, (GLuint shader))                                                                  \
    X(GLuint, CreateProgram, (void))                                                                         \
    X(GLuint, CreateShader, (GLenum type))                                                                   \
    X(void, DeleteBuffers, (GLsizei n, const GLuint* buffers))                                               \
    X(void, DeleteShader, (GLuint shader))                                                                   \
    X(void, DeleteTextures, (GLsizei n, const GLuint* textures))                                             \
    X(void, DepthFunc, (GLenum func))                                                                        \
    X(void, Disable, (GLenum cap))                                                                           \
    X(void, DisableVertexAttribArray, (GLuint index))                                                        \
    X(void, DrawArrays, (GLenum mode, GLint first, GLsizei count))                                           \
    X(void, DrawArraysInstanced, (GLenum mode, GLint first, GLsizei count, GLsizei instances))               \
    X(void, Enable, (GLenum cap))                                                                            \
    X(void, EnableVertexAttribArray, (GLuint index))                                                         \
    X(void, Finish, (void))                                                                                  \
    X(void, Flush, (void))                                                                                   \
    X(void, GenBuffers, (GLsizei n, GLuint* buffers))                                                        \
    X(void, GenTextures, (GLsizei n, GLuint* textures))                                                      \
    X(void, GenVertexArrays, (GLsizei n, GLuint* arrays))                                                    \
    X(GLenum, GetError, (void))                                                                              \
    X(void, GetFloatv, (GLenum name, GLfloat* values))                                                       \
    X(void, GetIntegerv, (GLenum name, GLint* values))                                                       \
    X(void, GetProgramInfoLog, (GLuint program, GLsizei size, GLsizei* length, GLchar* log))                 \
    X(void, GetProgramiv, (GLuint program, GLenum name, GLint* value))                                       \
    X(void, GetShaderInfoLog, (GLuint shader, GLsizei size, GLsizei* length, GLchar* log))                   \
    X(void, GetShaderiv, (GLuint shader, GLenum name, GLint* value))                                         \
    X(const GLubyte*, GetString, (GLenum name))                                                              \
    X(GLint, GetUniformLocation, (GLuint program, const GLchar* name))                                       \
    X(GLboolean, IsEnabled, (GLenum cap))                                                                    \
    X(GLboolean, IsTexture, (GLuint texture))                                                                \
    X(void, LineWidth, (GLfloat width))                                                                      \
    X(void, LinkProgram, (GLuint program))                                                                   \
    X(void, PixelStorei, (GLenum name, GLint value))                                                         \
    X(void, ReadBuffer, (GLenum mode))                                                                       \
    X(void, ReadPixels, (GLint x, GLint y, GLsizei w, GLsizei h, GLenum format, GLenum type, void* pixels))  \
    X(void, ShaderSource, (GLuint shader, GLsizei count, const GLchar* const* source, const GLint* length))   \
    X(void, TexImage2D, (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,     \
                         GLint border, GLenum format, GLenum type, const void* pixels))                      \
    X(void, TexParameterf, (GLenum target, GLenum name, GLfloat value))                                      \
    X(void, TexParameteri, (GLenum target, GLenum name, GLint value))                                        \
    X(void, Uniform1f, (GLint location, GLfloat value))                                                      \
    X(void, Uniform1i, (GLint location, GLint value))                                                        \
    X(void, Uniform2f, (GLint location, GLfloat x, GLfloat y))                                               \
    X(void, Uniform2i, (GLint location, GLint x, GLint y))                                                   \
    X(void, UniformMatrix3fv, (GLint location, GLsizei count, GLboolean transpose, const GLfloat* value))    \
    X(void, UniformMatrix4fv, (GLint location, GLsizei count, GLboolean transpose, const GLfloat* value))    \
    X(void, UseProgram, (GLuint program))                                                                    \
    X(void, VertexAttrib2f, (GLuint index, GLfloat x, GLfloat y))                                            \
    X(void, VertexAttrib3f, (GLuint index, GLfloat x, GLfloat y, GLfloat z))                                 \
    X(void, VertexAttrib4f, (GLuint index, GLfloat x, GLfloat y, GLfloat z, GLfloat w))                      \
    X(void, VertexAttribDivisor, (GLuint index, GLuint divisor))                                             \
    X(void, VertexAttribPointer,                                                                             \
      (GLuint index, GLint size, GLenum type, GLboolean normalized, GLsizei stride, const void* pointer))    \
    X(void, Viewport, (GLint x, GLint y, GLsizei width, GLsizei height))                                     \
    KORVALE_ES_MAPPING(X)

// WebGL maps no buffer: a page streams its vertices with glBufferSubData and asks for no mapping calls, which
// only an emulation costing every draw a check would give it.
#ifdef __EMSCRIPTEN__
#define KORVALE_ES_MAPPING(X)
#else
#define KORVALE_ES_MAPPING(X)                                                                                   \
    X(void*, MapBufferRange, (GLenum target, GLintptr offset, GLsizeiptr length, GLbitfield access))         \
    X(GLboolean, UnmapBuffer, (GLenum target))
#endif

namespace layer {

struct EsCalls {
#define KORVALE_ES_MEMBER(ret, name, params) ret(*name) params = nullptr;
    KORVALE_ES_CALLS(KORVALE_ES_MEMBER)
#undef KORVALE_ES_MEMBER
};

// Finds every call for the current context; false (and says which on stderr) when one is missing. A harness
// can make each lookup fail ("EsEntryPoint", or "EsEntryPoint@N" for the N-th).
bool LoadEsCalls(EsCalls& calls);

}  // namespace layer
