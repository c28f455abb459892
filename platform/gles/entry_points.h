// The layer's own definitions of the GL 1.1 calls the program makes (calls.h), in namespace layer.
#pragma once

#include "platform/gles/calls.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace layer {
#define KORVALE_DECLARE(ret, name, params, args) ret name params;
KORVALE_GL_CALLS(KORVALE_DECLARE)
#undef KORVALE_DECLARE
}  // namespace layer
