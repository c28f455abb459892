// The choice between the system's GL and the layer over OpenGL ES 3, and the layer's per-context records.
#include "platform/gles/layer.h"

namespace {

GlApi chosen = GlApi::Classic;

}  // namespace

void ChooseGlApi(GlApi api) { chosen = api; }
GlApi ChosenGlApi() { return chosen; }

// The drawing calls are not in place yet: until they are, only the system's GL is offered.
bool GlLayerBuilt() { return false; }

struct LayerContext {};
LayerContext* MakeLayerContext() { return new LayerContext; }
void UseLayerContext(LayerContext*) {}
void DropLayerContext(LayerContext* context) { delete context; }
