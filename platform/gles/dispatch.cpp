// The GL 1.1 and GLU calls by name: each goes to the system's GL (found behind this program's own definitions)
// or, once the layer is chosen, to the layer over OpenGL ES 3.
#include "platform/gles/calls.h"
#include "platform/gles/glu.h"
#include "platform/gles/layer.h"
#include "platform/gles/entry_points.h"

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

template <typename Result> Result Nothing()
{
    if constexpr (!std::is_void_v<Result>)
        return Result{};
}

// A dropped picture's primitives are left out between glBegin and glEnd; the attributes set there (colour,
// normal, texture coordinate) still reach the GL, as they stay current after glEnd.
struct Skipping {
    bool on = false;  // the picture is dropped
    bool inside = false;  // between a left-out glBegin and its glEnd
    bool compiling = false;  // a display list records the calls: nothing is left out of it
};
Skipping skipping;

enum class Role { Other, Begin, End, Vertex, NewList, EndList };

constexpr bool Same(const char* a, const char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

constexpr Role RoleOf(const char* name)
{
    if (Same(name, "glBegin"))
        return Role::Begin;
    if (Same(name, "glEnd"))
        return Role::End;
    if (Same(name, "glVertex2i") || Same(name, "glVertex2f") || Same(name, "glVertex3f"))
        return Role::Vertex;
    if (Same(name, "glNewList"))
        return Role::NewList;
    if (Same(name, "glEndList"))
        return Role::EndList;
    return Role::Other;
}

// Whether a call is left out of a dropped picture; only a handful of names ever look.
template <Role role> bool LeftOut()
{
    if constexpr (role == Role::Begin) {
        skipping.inside = skipping.on && !skipping.compiling;
        return skipping.inside;
    } else if constexpr (role == Role::End) {
        const bool inside = skipping.inside;
        skipping.inside = false;
        return inside;
    } else if constexpr (role == Role::Vertex) {
        return skipping.inside;
    } else if constexpr (role == Role::NewList) {
        skipping.compiling = true;
    } else if constexpr (role == Role::EndList) {
        skipping.compiling = false;
    }
    return false;
}

#ifdef __EMSCRIPTEN__
// The browser has no GL but the layer's; with no context current a call does nothing, as GL's would.
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

void SkipPrimitives(bool skip) { skipping.on = skip; }

bool PrimitivesSkipped() { return skipping.on; }

extern "C" {
#define KORVALE_FORWARD(ret, name, params, args)                                                               \
    ret name params                                                                                          \
    {                                                                                                        \
        if (LeftOut<RoleOf(#name)>())                                                                        \
            return Nothing<ret>();                                                                           \
        KORVALE_CALL(ret, name, args)                                                                        \
    }
#define KORVALE_GLU_FORWARD(ret, name, layerName, params, args) ret name params { KORVALE_GLU_CALL(ret, name, args) }
KORVALE_GL_CALLS(KORVALE_FORWARD)
KORVALE_GLU_CALLS(KORVALE_GLU_FORWARD)
#undef KORVALE_FORWARD
#undef KORVALE_GLU_FORWARD
}
