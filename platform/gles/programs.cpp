// The ES programs that do GL 1.1's per-vertex work (modelview, lighting with GL_LIGHT0 at its defaults,
// texture coordinate generation) and its texturing, in four variants: smooth or flat, lines or wide lines.
#include "platform/gles/state.h"
#include "platform/seam/seam.h"

#include <cstdio>
#include <string>

namespace layer {

namespace {

const char* const kVertexShader = R"(
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aObject;
layout(location = 2) in vec3 aNormal;
layout(location = 3) in vec4 aColour;
layout(location = 4) in vec2 aTexture;
#ifdef WIDE
layout(location = 5) in vec3 bPosition;
layout(location = 6) in vec3 bObject;
layout(location = 7) in vec3 bNormal;
layout(location = 8) in vec4 bColour;
layout(location = 9) in vec2 bTexture;
layout(location = 10) in vec2 aCorner;  // x: 0 at the first end, 1 at the second; y: the side, -1 or 1
uniform vec2 uViewport;
uniform float uLineWidth;
uniform bool uMultisampled;
#endif
uniform mat4 uProjection;
uniform mat4 uModelView;
uniform mat3 uNormalMatrix;
uniform bool uLighting;
uniform bool uLight0;
uniform bool uColourMaterial;
uniform ivec2 uTexGen;  // per coordinate: 0 given, 1 object linear, 2 sphere map, 3 eye linear
FLAT out vec4 vColour;
out vec2 vTexture;

// The default light model's ambient, and GL_LIGHT0 at its defaults: white, from (0, 0, 1) in eye space.
vec4 Lit(vec4 colour, vec3 normal)
{
    vec4 ambient = uColourMaterial ? colour : vec4(0.2, 0.2, 0.2, 1.0);
    vec4 diffuse = uColourMaterial ? colour : vec4(0.8, 0.8, 0.8, 1.0);
    vec3 lit = 0.2 * ambient.rgb;
    if (uLight0)
        lit += max(normal.z, 0.0) * diffuse.rgb;
    return vec4(lit, diffuse.a);
}

float Generated(int mode, float given, float object, float eye, float sphere)
{
    return mode == 1 ? object : mode == 2 ? sphere : mode == 3 ? eye : given;
}

void Process(vec3 position, vec3 object, vec3 normal, vec4 colour, vec2 texture, out vec4 clip,
             out vec4 shade, out vec2 coordinates)
{
    vec4 eye = uModelView * vec4(position, 1.0);
    vec3 n = uNormalMatrix * normal;
    shade = clamp(uLighting ? Lit(colour, n) : colour, 0.0, 1.0);
    coordinates = texture;
    if (uTexGen != ivec2(0)) {
        vec3 u = normalize(eye.xyz);
        vec3 r = u - 2.0 * n * dot(n, u);
        float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
        vec2 sphere = r.xy / m + 0.5;
        coordinates = vec2(Generated(uTexGen.x, texture.x, object.x, eye.x, sphere.x),
                           Generated(uTexGen.y, texture.y, object.y, eye.y, sphere.y));
    }
    clip = uProjection * eye;
}

void main()
{
    vec4 clip;
    Process(aPosition, aObject, aNormal, aColour, aTexture, clip, vColour, vTexture);
#ifdef WIDE
    // GL widens an aliased line along its minor axis, with no caps at its ends; multisampled, it draws the
    // rectangle of the line's width around it.
    vec4 clipB, colourB;
    vec2 textureB;
    Process(bPosition, bObject, bNormal, bColour, bTexture, clipB, colourB, textureB);
    vec2 a = clip.xy / clip.w * uViewport, b = clipB.xy / clipB.w * uViewport;
    vec2 d = abs(b - a);
    vec2 across = d.x >= d.y ? vec2(0.0, 1.0) : vec2(1.0, 0.0);
    if (uMultisampled && b != a)
        across = normalize(vec2(a.y - b.y, b.x - a.x));
    vec2 offset = across * aCorner.y * uLineWidth / uViewport;
    bool atB = aCorner.x > 0.5;
#ifdef FLATSHADE
    vColour = colourB;
#else
    vColour = atB ? colourB : vColour;
#endif
    vTexture = atB ? textureB : vTexture;
    clip = atB ? clipB : clip;
    clip.xy += offset * clip.w;
#endif
    gl_Position = clip;
}
)";

const char* const kFragmentShader = R"(
precision highp float;
FLAT in vec4 vColour;
in vec2 vTexture;
uniform bool uTexturing;
uniform sampler2D uTexture;
out vec4 fragColour;

void main()
{
    // GL_MODULATE: a luminance or RGB texture leaves the alpha as the colour has it.
    fragColour = uTexturing ? vColour * texture(uTexture, vTexture) : vColour;
}
)";

// The shader, or 0 (and the driver's log on stderr) where it does not compile.
GLuint Compile(const EsCalls& es, GLenum type, const std::string& source)
{
    const GLuint shader = es.CreateShader(type);
    const char* text = source.c_str();
    es.ShaderSource(shader, 1, &text, nullptr);
    es.CompileShader(shader);
    GLint compiled = 0;
    es.GetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled)
        return shader;
    char log[1024] = "";
    es.GetShaderInfoLog(shader, sizeof log, nullptr, log);
    fprintf(stderr, "korvale: the GL layer's shader does not compile: %s\n", log);
    es.DeleteShader(shader);
    return 0;
}

// False (and the driver's log on stderr) where the program does not build; a harness can make it fail, as a
// driver that refuses the shaders would.
bool Link(const EsCalls& es, bool flat, bool wide, Program& p)
{
    std::string header = "#version 300 es\n";
    header += flat ? "#define FLAT flat\n#define FLATSHADE\n" : "#define FLAT\n";
    if (wide)
        header += "#define WIDE\n";
    const std::string refused = PlatformCallFails("LayerProgram") ? "not a statement\n" : "";
    const GLuint vertex = Compile(es, GL_VERTEX_SHADER, header + kVertexShader);
    const GLuint fragment = Compile(es, GL_FRAGMENT_SHADER, header + kFragmentShader + refused);
    if (!vertex || !fragment) {
        es.DeleteShader(vertex);
        es.DeleteShader(fragment);
        return false;
    }
    p.name = es.CreateProgram();
    es.AttachShader(p.name, vertex);
    es.AttachShader(p.name, fragment);
    es.LinkProgram(p.name);
    es.DeleteShader(vertex);
    es.DeleteShader(fragment);
    GLint linked = 0;
    es.GetProgramiv(p.name, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[1024] = "";
        es.GetProgramInfoLog(p.name, sizeof log, nullptr, log);
        fprintf(stderr, "korvale: the GL layer's program does not link: %s\n", log);
        return false;
    }
    p.projection = es.GetUniformLocation(p.name, "uProjection");
    p.modelView = es.GetUniformLocation(p.name, "uModelView");
    p.normalMatrix = es.GetUniformLocation(p.name, "uNormalMatrix");
    p.lighting = es.GetUniformLocation(p.name, "uLighting");
    p.light0 = es.GetUniformLocation(p.name, "uLight0");
    p.colourMaterial = es.GetUniformLocation(p.name, "uColourMaterial");
    p.texGen = es.GetUniformLocation(p.name, "uTexGen");
    p.texturing = es.GetUniformLocation(p.name, "uTexturing");
    p.viewport = es.GetUniformLocation(p.name, "uViewport");
    p.lineWidth = es.GetUniformLocation(p.name, "uLineWidth");
    p.multisampled = es.GetUniformLocation(p.name, "uMultisampled");
    p.sampler = es.GetUniformLocation(p.name, "uTexture");
    es.UseProgram(p.name);
    es.Uniform1i(p.sampler, 0);
    return true;
}

}  // namespace

bool BuildPrograms(LayerContext& c)
{
    for (int i = 0; i < 4; ++i)
        if (!Link(c.es, i & 1, i & 2, c.programs[i]))
            return false;
    return true;
}

}  // namespace layer
