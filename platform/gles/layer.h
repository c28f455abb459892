// Which GL the program draws with: the system's OpenGL (classic) or OpenGL ES 3 through our fixed-function
// layer, and the layer's hooks into the life of a WGL context.
#pragma once

enum class GlApi {
    Classic,  // the system's OpenGL 1.1 and GLU, called as they are
    Es,  // OpenGL ES 3.0 under our own GL 1.1 and GLU
};

// Before the first window: the context kind SDL is asked for follows it.
void ChooseGlApi(GlApi api);
GlApi ChosenGlApi();
// False where the program is built without the layer (Windows): ChooseGlApi(GlApi::Es) is then refused.
bool GlLayerBuilt();
// False in the browser, where there is no GL but ES: ChooseGlApi(GlApi::Classic) is then refused.
bool ClassicGlBuilt();

// One layer state per GL context, made with it. Its GL objects die with the context, so dropping it makes no
// GL call.
struct LayerContext;
LayerContext* MakeLayerContext();
// After the context was made current: the layer's state is built on first use (its programs and buffers).
// False, with no layer context current, where that could not be done (an ES call missing, a program the driver
// does not build): the context is not to be used.
bool UseLayerContext(LayerContext* context);
void DropLayerContext(LayerContext* context);
// True while a layer context is current: GL calls then go to the layer.
bool LayerInUse();
// Draws what the layer holds back, before the platform copies or reads the picture behind its back.
void FlushLayer();
// The platform bound another framebuffer to draw into: what the layer learnt of the one before is stale.
void LayerFramebufferBound();
// While set, the picture being drawn is dropped: its immediate-mode primitives are left out at once (not
// while a display list is compiled), while every other call (colours, matrices, state, lists) runs as ever.
// Where the program's GL names are not its own (Windows) this does nothing.
void SkipPrimitives(bool skip);
// Whether primitives are left out now: the layer leaves out its lists' draws too.
bool PrimitivesSkipped();
