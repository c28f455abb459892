// Every GL 1.1 and GLU call the program makes, with the fonts' outline lists and GLU's own drawing: the whole
// surface the layer over OpenGL ES 3 covers, and nothing more. Each entry is a call by name (return type,
// name, parameters, arguments); dispatch.cpp sends it to the system's GL or to the layer.
//
// Covered, with GL 1.1's meaning:
// - immediate mode: glBegin/glEnd with GL_LINES, GL_LINE_STRIP, GL_LINE_LOOP, GL_TRIANGLES, GL_TRIANGLE_STRIP,
//   GL_TRIANGLE_FAN, GL_QUADS, GL_QUAD_STRIP, GL_POLYGON; glVertex2i/2f/3f, glColor3f/4f/4ub, glTexCoord2f,
//   glNormal3f (GL_POINTS is not: the program draws none);
// - the modelview and projection stacks (32 deep each), glOrtho, glTranslatef/d, glRotatef, glScalef,
//   glMultMatrixd;
// - display lists with GL_COMPILE: inside one, the calls above and glEnable/glDisable, glBindTexture,
//   glCallList(s) (GL_BYTE, GL_UNSIGNED_BYTE, GL_UNSIGNED_INT names) and glListBase are recorded; other state
//   changes raise GL_INVALID_OPERATION there, queries and object calls (glGenLists, glIsList and glDeleteLists
//   among them) run at once as in GL. Called between glBegin and glEnd, a list gives its current values and
//   vertices (those given outside a glBegin .. glEnd of its own) to the primitive and calls its lists; the rest
//   of it raises GL_INVALID_OPERATION, as each call would there, its own primitives included (GL would add
//   their vertices too). Lists that a list calls between its own glBegin and glEnd add no vertices there;
// - 2D textures: glTexImage2D with GL_ALPHA, GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB, GL_RGBA (or 1 to 4
//   components) of GL_UNSIGNED_BYTE, glTexParameterf/i, always GL_MODULATE;
// - glTexGeni with GL_SPHERE_MAP and GL_OBJECT_LINEAR (the default planes) for S and T;
// - GL_LIGHTING with GL_LIGHT0 at its defaults, the default light model and material, GL_COLOR_MATERIAL
//   (ambient and diffuse); normals are not rescaled, as GL_NORMALIZE is off;
// - glShadeModel (GL_FLAT takes the provoking vertex's colour), glBlendFunc, glDepthFunc, GL_CULL_FACE,
//   GL_DEPTH_TEST, GL_BLEND, GL_SCISSOR_TEST, glClear, glClearColor, glClearDepth, glViewport, glHint (a no-op);
// - glLineWidth: wider than one pixel, lines are drawn as quads widened along their minor axis, as GL 1.1
//   draws aliased wide lines, whatever width the ES driver allows;
// - glPushAttrib/glPopAttrib with the groups of that state; glGetError, glGetIntegerv/glGetFloatv/glIsEnabled
//   for the layer's own state (others go to ES), glGetString, glReadPixels, glReadBuffer, glPixelStorei,
//   glFinish, glFlush;
// - GLU: gluNewQuadric, gluDeleteQuadric, gluQuadricTexture, gluQuadricDrawStyle, gluQuadricNormals,
//   gluSphere, gluCylinder, gluPerspective, gluBuild2DMipmaps (our own, in glu.cpp).
#pragma once

#define KORVALE_GL_CALLS(X)                                                                                     \
    X(void, glBegin, (GLenum mode), (mode))                                                                  \
    X(void, glEnd, (void), ())                                                                               \
    X(void, glVertex2i, (GLint x, GLint y), (x, y))                                                          \
    X(void, glVertex2f, (GLfloat x, GLfloat y), (x, y))                                                      \
    X(void, glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                                        \
    X(void, glColor3f, (GLfloat r, GLfloat g, GLfloat b), (r, g, b))                                         \
    X(void, glColor4f, (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a))                           \
    X(void, glColor4ub, (GLubyte r, GLubyte g, GLubyte b, GLubyte a), (r, g, b, a))                          \
    X(void, glTexCoord2f, (GLfloat s, GLfloat t), (s, t))                                                    \
    X(void, glNormal3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                                        \
    X(void, glMatrixMode, (GLenum mode), (mode))                                                             \
    X(void, glLoadIdentity, (void), ())                                                                      \
    X(void, glPushMatrix, (void), ())                                                                        \
    X(void, glPopMatrix, (void), ())                                                                         \
    X(void, glTranslatef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                                      \
    X(void, glTranslated, (GLdouble x, GLdouble y, GLdouble z), (x, y, z))                                   \
    X(void, glRotatef, (GLfloat angle, GLfloat x, GLfloat y, GLfloat z), (angle, x, y, z))                   \
    X(void, glScalef, (GLfloat x, GLfloat y, GLfloat z), (x, y, z))                                          \
    X(void, glMultMatrixd, (const GLdouble* m), (m))                                                         \
    X(void, glOrtho, (GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f),               \
      (l, r, b, t, n, f))                                                                                    \
    X(GLuint, glGenLists, (GLsizei range), (range))                                                          \
    X(void, glNewList, (GLuint list, GLenum mode), (list, mode))                                             \
    X(void, glEndList, (void), ())                                                                           \
    X(void, glCallList, (GLuint list), (list))                                                               \
    X(void, glCallLists, (GLsizei n, GLenum type, const GLvoid* lists), (n, type, lists))                    \
    X(void, glListBase, (GLuint base), (base))                                                               \
    X(void, glDeleteLists, (GLuint list, GLsizei range), (list, range))                                      \
    X(GLboolean, glIsList, (GLuint list), (list))                                                            \
    X(void, glEnable, (GLenum cap), (cap))                                                                   \
    X(void, glDisable, (GLenum cap), (cap))                                                                  \
    X(GLboolean, glIsEnabled, (GLenum cap), (cap))                                                           \
    X(void, glShadeModel, (GLenum mode), (mode))                                                             \
    X(void, glBlendFunc, (GLenum source, GLenum destination), (source, destination))                         \
    X(void, glDepthFunc, (GLenum func), (func))                                                              \
    X(void, glClear, (GLbitfield mask), (mask))                                                              \
    X(void, glClearColor, (GLclampf r, GLclampf g, GLclampf b, GLclampf a), (r, g, b, a))                    \
    X(void, glClearDepth, (GLclampd depth), (depth))                                                         \
    X(void, glHint, (GLenum target, GLenum mode), (target, mode))                                            \
    X(void, glViewport, (GLint x, GLint y, GLsizei width, GLsizei height), (x, y, width, height))            \
    X(void, glLineWidth, (GLfloat width), (width))                                                           \
    X(void, glPushAttrib, (GLbitfield mask), (mask))                                                         \
    X(void, glPopAttrib, (void), ())                                                                         \
    X(GLenum, glGetError, (void), ())                                                                        \
    X(void, glGetIntegerv, (GLenum name, GLint* values), (name, values))                                     \
    X(void, glGetFloatv, (GLenum name, GLfloat* values), (name, values))                                     \
    X(const GLubyte*, glGetString, (GLenum name), (name))                                                    \
    X(void, glFinish, (void), ())                                                                            \
    X(void, glFlush, (void), ())                                                                             \
    X(void, glReadPixels,                                                                                    \
      (GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels),         \
      (x, y, width, height, format, type, pixels))                                                           \
    X(void, glReadBuffer, (GLenum mode), (mode))                                                             \
    X(void, glPixelStorei, (GLenum name, GLint value), (name, value))                                        \
    X(void, glGenTextures, (GLsizei n, GLuint* textures), (n, textures))                                     \
    X(void, glDeleteTextures, (GLsizei n, const GLuint* textures), (n, textures))                            \
    X(void, glBindTexture, (GLenum target, GLuint texture), (target, texture))                               \
    X(GLboolean, glIsTexture, (GLuint texture), (texture))                                                   \
    X(void, glTexImage2D,                                                                                    \
      (GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,         \
       GLenum format, GLenum type, const GLvoid* pixels),                                                    \
      (target, level, internalFormat, width, height, border, format, type, pixels))                          \
    X(void, glTexParameterf, (GLenum target, GLenum name, GLfloat value), (target, name, value))             \
    X(void, glTexParameteri, (GLenum target, GLenum name, GLint value), (target, name, value))               \
    X(void, glTexGeni, (GLenum coord, GLenum name, GLint value), (coord, name, value))

// GLU: the layer's own (glu.cpp), under its own names.
#define KORVALE_GLU_CALLS(X)                                                                                    \
    X(GLUquadric*, gluNewQuadric, LayerNewQuadric, (void), ())                                               \
    X(void, gluDeleteQuadric, LayerDeleteQuadric, (GLUquadric * quadric), (quadric))                         \
    X(void, gluQuadricTexture, LayerQuadricTexture, (GLUquadric * quadric, GLboolean on), (quadric, on))     \
    X(void, gluQuadricDrawStyle, LayerQuadricDrawStyle, (GLUquadric * quadric, GLenum style),                \
      (quadric, style))                                                                                      \
    X(void, gluQuadricNormals, LayerQuadricNormals, (GLUquadric * quadric, GLenum normals), (quadric, normals)) \
    X(void, gluSphere, LayerSphere, (GLUquadric * quadric, GLdouble radius, GLint slices, GLint stacks),      \
      (quadric, radius, slices, stacks))                                                                     \
    X(void, gluCylinder, LayerCylinder,                                                                      \
      (GLUquadric * quadric, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks),      \
      (quadric, base, top, height, slices, stacks))                                                          \
    X(void, gluPerspective, LayerPerspective, (GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar), \
      (fovy, aspect, zNear, zFar))                                                                           \
    X(GLint, gluBuild2DMipmaps, LayerBuild2DMipmaps,                                                         \
      (GLenum target, GLint components, GLsizei width, GLsizei height, GLenum format, GLenum type,           \
       const void* data),                                                                                    \
      (target, components, width, height, format, type, data))
