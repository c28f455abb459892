// The one GLU quadric the planet's spheres and spikes are drawn with, made anew in every GL context.
#pragma once

#include <GL/glu.h>

extern GLUquadricObj* quadric;

// A textured, filled quadric for the current context, and its release.
void CreateQuadric();
void DeleteQuadric();
