// The choice between the system's GL and the layer over OpenGL ES 3; where the layer is not built (the Windows
// program, whose GL comes through opengl32's own names), the classic GL is the only one.
#include "platform/gles/layer.h"

namespace {

#ifdef __EMSCRIPTEN__
GlApi chosen = GlApi::Es;  // a browser's WebGL 2 is OpenGL ES 3
#else
GlApi chosen = GlApi::Classic;
#endif

}  // namespace

void ChooseGlApi(GlApi api) { chosen = api; }

#ifdef __EMSCRIPTEN__
bool ClassicGlBuilt() { return false; }
#else
bool ClassicGlBuilt() { return true; }
#endif
GlApi ChosenGlApi() { return chosen; }

#ifdef KORVALE_NO_GL_LAYER
bool GlLayerBuilt() { return false; }
LayerContext* MakeLayerContext() { return nullptr; }
bool UseLayerContext(LayerContext*) { return true; }
void DropLayerContext(LayerContext*) {}
bool LayerInUse() { return false; }
void FlushLayer() {}
void LayerFramebufferBound() {}
void SkipPrimitives(bool) {}
bool PrimitivesSkipped() { return false; }
#else
bool GlLayerBuilt() { return true; }
#endif
