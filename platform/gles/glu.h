// The GLU calls the demo makes, for where no system GLU exists: quadrics (sphere, cylinder), the perspective
// matrix and 2-D mipmaps, emitting the same GL as Mesa's libGLU so the pictures do not change.
//
// They reach GL only through these public GL 1.1 names, so they draw through whichever GL is in use:
//   glBegin, glEnd, glNormal3f, glTexCoord2f, glVertex3f   (quadrics)
//   glMultMatrixd                                          (perspective)
//   glGetIntegerv, glPixelStorei, glTexImage2D             (mipmaps)
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>

GLUquadric* LayerNewQuadric();
// Accepts null.
void LayerDeleteQuadric(GLUquadric* quadric);
void LayerQuadricTexture(GLUquadric* quadric, GLboolean textureCoords);
// Every style is recorded; only GLU_FILL draws.
void LayerQuadricDrawStyle(GLUquadric* quadric, GLenum drawStyle);
// GLU_SMOOTH (the default), GLU_FLAT or GLU_NONE.
void LayerQuadricNormals(GLUquadric* quadric, GLenum normals);
void LayerSphere(GLUquadric* quadric, GLdouble radius, GLint slices, GLint stacks);
void LayerCylinder(GLUquadric* quadric, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks);
void LayerPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
// GL_UNSIGNED_BYTE data in GL_RGB, GL_RGBA, GL_LUMINANCE, GL_LUMINANCE_ALPHA or GL_ALPHA, read with the caller's
// unpack state. Returns 0 or a GLU error code.
GLint LayerBuild2DMipmaps(GLenum target, GLint components, GLsizei width, GLsizei height, GLenum format, GLenum type,
                          const void* data);
