// The choice between the system's GL and the layer over OpenGL ES 3; where the layer is not built (the Windows
// program, whose GL comes through opengl32's own names), the classic GL is the only one.
#include "platform/gles/layer.h"

namespace {

GlApi chosen = GlApi::Classic;

}  // namespace

void ChooseGlApi(GlApi api) { chosen = api; }
GlApi ChosenGlApi() { return chosen; }

#ifdef KORVALE_NO_GL_LAYER
bool GlLayerBuilt() { return false; }
LayerContext* MakeLayerContext() { return nullptr; }
void UseLayerContext(LayerContext*) {}
void DropLayerContext(LayerContext*) {}
bool LayerInUse() { return false; }
void FlushLayer() {}
#else
bool GlLayerBuilt() { return true; }
#endif
