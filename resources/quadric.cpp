// The shared quadric's life: made with the GL context's resources, deleted with them.
#include "resources/quadric.h"

GLUquadricObj* quadric = nullptr;

void CreateQuadric()
{
    quadric = gluNewQuadric();
    gluQuadricTexture(quadric, GL_TRUE);
    gluQuadricDrawStyle(quadric, GLU_FILL);
}

void DeleteQuadric()
{
    if (quadric) {
        gluDeleteQuadric(quadric);
        quadric = nullptr;
    }
}
