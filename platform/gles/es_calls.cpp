// Finds the OpenGL ES 3.0 calls through SDL, which asks the context's own driver.
#include "platform/gles/es_calls.h"
#include "platform/seam/seam.h"

#include <SDL.h>

#include <cstdio>

namespace layer {

bool LoadEsCalls(EsCalls& calls)
{
    bool all = true;
#define KORVALE_ES_LOAD(ret, name, params)                                                                      \
    calls.name = PlatformCallFails("EsEntryPoint")                                                           \
                     ? nullptr                                                                               \
                     : reinterpret_cast<ret(*) params>(SDL_GL_GetProcAddress("gl" #name));                   \
    if (!calls.name) {                                                                                       \
        fprintf(stderr, "korvale: the OpenGL ES driver lacks gl%s\n", #name);                                 \
        all = false;                                                                                         \
    }
    KORVALE_ES_CALLS(KORVALE_ES_LOAD)
#undef KORVALE_ES_LOAD
    return all;
}

}  // namespace layer
