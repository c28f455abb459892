// The GL 1.1 and GLU calls by name: each goes to the system's GL (found behind this program's own definitions)
// or, once the layer is chosen, to the layer over OpenGL ES 3.
#include "platform/gles/calls.h"
#include "platform/gles/glu.h"
#include "platform/gles/layer.h"
#include "platform/gles/surface.h"

#ifndef __EMSCRIPTEN__
#include <dlfcn.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace {

struct Calls {
#define KORVALE_MEMBER(ret, name, params, args) ret(*name) params;
#define KORVALE_GLU_MEMBER(ret, name, layerName, params, args) ret(*name) params;
    KORVALE_GL_CALLS(KORVALE_MEMBER)
    KORVALE_GLU_CALLS(KORVALE_GLU_MEMBER)
#undef KORVALE_MEMBER
#undef KORVALE_GLU_MEMBER
};

#ifndef __EMSCRIPTEN__
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

#endif

const Calls layerCalls = {
#define KORVALE_LAYER(ret, name, params, args) layer::name,
#define KORVALE_GLU_LAYER(ret, name, layerName, params, args) layerName,
    KORVALE_GL_CALLS(KORVALE_LAYER) KORVALE_GLU_CALLS(KORVALE_GLU_LAYER)
#undef KORVALE_LAYER
#undef KORVALE_GLU_LAYER
};

#ifdef __EMSCRIPTEN__
// The browser has no GL but the layer's; with no context current a call does nothing, as GL's would.
template <typename Result> Result Nothing()
{
    if constexpr (!std::is_void_v<Result>)
        return Result{};
}
#define KORVALE_CALL(ret, name, args)                                                                           \
    if (!LayerInUse())                                                                                       \
        return Nothing<ret>();                                                                               \
    return layerCalls.name args;
#define KORVALE_GLU_CALL KORVALE_CALL
#else
// With no layer context current, calls reach the system's GL, which ignores them as it does without a context.
#define KORVALE_CALL(ret, name, args) return (LayerInUse() ? layerCalls : System()).name args;
// GLU's objects outlive contexts: they belong to the GLU of the GL chosen, context or none.
#define KORVALE_GLU_CALL(ret, name, args) return (ChosenGlApi() == GlApi::Es ? layerCalls : System()).name args;
#endif

}  // namespace

extern "C" {
#define KORVALE_FORWARD(ret, name, params, args) ret name params { KORVALE_CALL(ret, name, args) }
#define KORVALE_GLU_FORWARD(ret, name, layerName, params, args) ret name params { KORVALE_GLU_CALL(ret, name, args) }
KORVALE_GL_CALLS(KORVALE_FORWARD)
KORVALE_GLU_CALLS(KORVALE_GLU_FORWARD)
#undef KORVALE_FORWARD
#undef KORVALE_GLU_FORWARD
}
