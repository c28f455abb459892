// The GL 1.1 and GLU calls by name: each goes to the system's GL (found behind this program's own definitions)
// or, once the layer is chosen, to the layer over OpenGL ES 3.
#include "platform/gles/calls.h"
#include "platform/gles/glu.h"
#include "platform/gles/layer.h"
#include "platform/gles/surface.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace {

struct Calls {
#define KORVALE_MEMBER(ret, name, params, args) ret(*name) params;
#define KORVALE_GLU_MEMBER(ret, name, layerName, params, args) ret(*name) params;
    KORVALE_GL_CALLS(KORVALE_MEMBER)
    KORVALE_GLU_CALLS(KORVALE_GLU_MEMBER)
#undef KORVALE_MEMBER
#undef KORVALE_GLU_MEMBER
};

template <typename Call> void Find(Call& call, const char* name)
{
    // This program defines the name itself: the system's definition is the next one the loader finds.
    call = reinterpret_cast<Call>(dlsym(RTLD_NEXT, name));
    if (!call) {
        fprintf(stderr, "korvale: the system's GL lacks %s\n", name);
        abort();
    }
}

const Calls& System()
{
    static const Calls calls = [] {
        Calls found{};
#define KORVALE_FIND(ret, name, params, args) Find(found.name, #name);
#define KORVALE_GLU_FIND(ret, name, layerName, params, args) Find(found.name, #name);
        KORVALE_GL_CALLS(KORVALE_FIND)
        KORVALE_GLU_CALLS(KORVALE_GLU_FIND)
#undef KORVALE_FIND
#undef KORVALE_GLU_FIND
        return found;
    }();
    return calls;
}

const Calls layerCalls = {
#define KORVALE_LAYER(ret, name, params, args) layer::name,
#define KORVALE_GLU_LAYER(ret, name, layerName, params, args) layerName,
    KORVALE_GL_CALLS(KORVALE_LAYER) KORVALE_GLU_CALLS(KORVALE_GLU_LAYER)
#undef KORVALE_LAYER
#undef KORVALE_GLU_LAYER
};

// With no layer context current, calls reach the system's GL, which ignores them as it does without a context.
inline const Calls& Active() { return LayerInUse() ? layerCalls : System(); }

}  // namespace

extern "C" {
#define KORVALE_FORWARD(ret, name, params, args) ret name params { return Active().name args; }
#define KORVALE_GLU_FORWARD(ret, name, layerName, params, args) ret name params { return Active().name args; }
KORVALE_GL_CALLS(KORVALE_FORWARD)
KORVALE_GLU_CALLS(KORVALE_GLU_FORWARD)
#undef KORVALE_FORWARD
#undef KORVALE_GLU_FORWARD
}
