// The layer's record of one GL context: the fixed-function state GL 1.1 keeps, the matrix and attribute
// stacks, the batch being assembled, the display lists, and the ES objects that draw them.
#pragma once

#include "platform/gles/es_calls.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <array>
#include <cstddef>
#include <unordered_map>
#include <vector>

namespace layer {

using Matrix = std::array<float, 16>;  // column by column, as GL keeps it
inline constexpr Matrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// One vertex as the ES programs read it.
struct Vertex {
    float position[3];  // eye space in a batch (already through the modelview), object space in a list
    float object[3];  // object space, for GL_OBJECT_LINEAR
    float normal[3];  // eye space in a batch, object space in a list
    float colour[4];
    float texture[2];
};

enum class Shape { Triangles, Lines };

// The state glPushAttrib can save, with the group each part belongs to.
struct Attributes {
    // GL_CURRENT_BIT
    float colour[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texture[2] = {0, 0};
    // GL_ENABLE_BIT, with the groups of each capability
    bool texture2d = false, genS = false, genT = false;  // GL_TEXTURE_BIT
    bool lighting = false, light0 = false, colourMaterial = false;  // GL_LIGHTING_BIT
    bool blend = false;  // GL_COLOR_BUFFER_BIT
    bool depthTest = false;  // GL_DEPTH_BUFFER_BIT
    bool cullFace = false;  // GL_POLYGON_BIT
    bool scissor = false;  // GL_SCISSOR_BIT
    // GL_TEXTURE_BIT
    GLenum genModeS = GL_EYE_LINEAR, genModeT = GL_EYE_LINEAR;
    GLuint texture2dBinding = 0;
    // GL_LIGHTING_BIT
    GLenum shadeModel = GL_SMOOTH;
    // GL_COLOR_BUFFER_BIT
    GLenum blendSource = GL_ONE, blendDestination = GL_ZERO;
    float clearColour[4] = {0, 0, 0, 0};
    // GL_DEPTH_BUFFER_BIT
    GLenum depthFunc = GL_LESS;
    float clearDepth = 1;
    // GL_LINE_BIT
    float lineWidth = 1;
    // GL_LIST_BIT
    GLuint listBase = 0;
    // GL_VIEWPORT_BIT
    int viewport[4] = {0, 0, 0, 0};
};

// What a list does when called: its draws and its state changes, in order.
enum class Op : unsigned char {
    Draw, Translate, Rotate, Scale, Colour, Normal, TexCoord, Vertex, Enable, Disable, BindTexture, CallList,
    CallListOffset, ListBase, PushMatrix, PopMatrix, MatrixMode, LoadIdentity,
};

struct ListOp {
    Op op;
    GLenum name = 0;  // capability, texture, list, matrix mode; the shape of a draw
    float values[4] = {0, 0, 0, 0};
    int first = 0, count = 0;  // a draw's vertices in the list's buffer
    bool ownColour = false, ownNormal = false, ownTexture = false;  // set inside the list, else the current
};

struct List {
    std::vector<ListOp> ops;
    GLuint buffer = 0;  // its vertices, uploaded when it is ended
};

constexpr int kStackDepth = 32;
constexpr int kAttributeDepth = 16;
constexpr int kBatchVertices = 3 * 8192;  // a multiple of 2 and 3: whole triangles and lines always fit

// The fixed-function state a program draws with, as its uniforms hold it.
struct UniformValues {
    Matrix projection, modelView;
    float normalMatrix[9];
    int lighting, light0, colourMaterial, texGen[2], texturing, multisampled;
    float viewport[2], lineWidth;
};

// Where a program's uniforms are, and what they were last given.
struct Program {
    GLuint name = 0;
    GLint projection, modelView, normalMatrix, lighting, light0, colourMaterial, texGen, texturing, viewport,
        lineWidth, multisampled, sampler;
    UniformValues given;
    bool givenAny = false;
};

// Where the attributes point: set again only when that changes.
struct Pointing {
    GLuint buffer = 0;
    size_t offset = 0;
    bool wide = false;
    bool constants = false;  // a list's draw took some values as constants
};

}  // namespace layer

struct LayerContext {
    bool built = false;  // its ES objects exist (made on first use, with the context current)
    bool usable = false;  // they were all made: every ES call found, every program built
    // GL_SAMPLE_BUFFERS of the framebuffer drawn into, asked once after each bind (-1: not yet): a query is a
    // round trip to the GPU process in a browser, and wide lines need it on every draw.
    GLint sampleBuffers = -1;
    layer::EsCalls es;
    GLenum error = GL_NO_ERROR;  // the first the layer found since glGetError last asked

    layer::Attributes state;
    layer::Attributes savedAttributes[layer::kAttributeDepth];
    GLbitfield savedMasks[layer::kAttributeDepth];
    int attributeDepth = 0;

    GLenum matrixMode = GL_MODELVIEW;
    layer::Matrix modelView[layer::kStackDepth];
    layer::Matrix projection[layer::kStackDepth];
    int modelViewDepth = 1, projectionDepth = 1;
    float normalMatrix[9];  // the inverse transpose of the modelview's upper 3 x 3
    bool normalMatrixStale = true;

    // glBegin .. glEnd: the primitive being assembled into triangles or lines
    bool inside = false;
    GLenum mode = 0;
    int count = 0;  // vertices given since glBegin
    layer::Vertex first, held[3];

    // the vertices waiting to be drawn in one call, all of one shape and one state
    layer::Shape batchShape = layer::Shape::Triangles;
    std::vector<layer::Vertex> batch;
    int streamOffset = 0;  // in vertices, in the stream buffer

    // display lists
    std::unordered_map<GLuint, layer::List> lists;
    GLuint nextListName = 1;
    layer::List compiledList;
    layer::List* compiling = nullptr;  // the list being compiled, or null
    GLuint compilingName = 0;
    std::vector<layer::Vertex> compiledVertices;
    layer::Attributes compiledCurrent;  // the current values as the list being compiled sets them
    bool compiledColour = false, compiledNormal = false, compiledTexture = false;
    int callDepth = 0;

    // ES objects
    layer::Program programs[4];  // smooth, flat, smooth wide lines, flat wide lines
    GLuint vertexArray = 0, wideVertexArray = 0, streamBuffer = 0, cornerBuffer = 0;
    const layer::Program* inUse = nullptr;
    layer::Pointing pointing;
};

namespace layer {

LayerContext& Current();
// Records the first error since glGetError last asked, as GL does.
void Fail(GLenum error);
// True, with GL_INVALID_OPERATION, for a call GL 1.1 refuses between glBegin and glEnd, or, for a state change
// GL 1.1 would record (`recorded`), also while a list is compiled: the layer records none of those.
bool RefusedInside(bool recorded = false);
const Matrix& TopModelView();
const Matrix& TopProjection();
const float* NormalMatrix();

// Draws what the batch holds and empties it: before any change of the state the batch is drawn with.
void Flush();
// Adds a finished primitive to the batch, or to the list being compiled.
void EmitTriangle(const Vertex& a, const Vertex& b, const Vertex& c);
void EmitLine(const Vertex& a, const Vertex& b);
// Draws vertices of a list's buffer with the current modelview, taking what the list did not set from the
// current values.
void DrawList(const List& list, const ListOp& draw);
// Makes the programs and buffers of the current context: on its first use. False when an ES call is missing or
// a program does not build.
bool BuildContext(LayerContext& context);
// Brings ES's own state in line with the layer's (after glPopAttrib and on first use).
void ApplyEsState();

void MultiplyCurrent(const Matrix& by);
void ResetMatrices(LayerContext& context);
// Sets a capability as glEnable and glDisable do, outside a list.
void SetCapability(GLenum cap, bool on);
Matrix Translation(float x, float y, float z);
Matrix Rotation(float angle, float x, float y, float z);
Matrix Scaling(float x, float y, float z);

}  // namespace layer
