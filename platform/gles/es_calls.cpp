// Finds the OpenGL ES 3.0 calls of the current context, each of which a harness can make missing.
#include "platform/gles/es_calls.h"

#include "platform/gles/loader.h"
#include "platform/seam/seam.h"

#include <cstdio>

namespace layer {

bool LoadEsCalls(EsCalls& calls)
{
    bool all = true;
#define KORVALE_ES_LOAD(ret, name, params)                                                                      \
    if (PlatformCallFails("EsEntryPoint"))                                                                   \
        calls.name = nullptr;                                                                                \
    else                                                                                                     \
        LoadGlEntryPoint(calls.name, "gl" #name);                                                            \
    if (!calls.name) {                                                                                       \
        fprintf(stderr, "korvale: the OpenGL ES driver lacks gl%s\n", #name);                                 \
        all = false;                                                                                         \
    }
    KORVALE_ES_CALLS(KORVALE_ES_LOAD)
#undef KORVALE_ES_LOAD
    return all;
}

}  // namespace layer
