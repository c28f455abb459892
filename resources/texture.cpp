// The seven GL textures of the demo: names with their fixed wrap and filter parameters, full mipmap chains
// from JPEG files (optionally with a grey file as alpha), and the checkerboard for files that fail.
#include "resources/texture.h"

#include "resources/image.h"

#include <GL/gl.h>
#include <GL/glu.h>

Texture texStar;
Texture texFire;
Texture texStelle;
Texture texStelle2;
Texture texSun;
Texture texEnv;
Texture texFont;

namespace {

struct DemoTexture {
    Texture* texture;
    const char* fileName;
};

const DemoTexture demoTextures[] = {
    {&texStar, "data/star.jpg"},       {&texFire, "data/fire.jpg"}, {&texStelle, "data/stelle.jpg"},
    {&texStelle2, "data/stelle2.jpg"}, {&texEnv, "data/env.jpg"},   {&texSun, "data/sun.jpg"},
    {&texFont, "data/font.jpg"},
};

// Rows are handed over without padding; the default alignment of 4 would skew any row whose byte count
// is not a multiple of 4 and read past the fallback's four bytes.
void BuildMipmaps(GLint components, GLint width, GLint height, GLenum format, const void* pixels)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, width, height, format, GL_UNSIGNED_BYTE, pixels);
}

}  // namespace

void LoadDemoTextures()
{
    for (const DemoTexture& t : demoTextures)
        t.texture->Load(t.fileName, nullptr);
}

void DeleteDemoTextures()
{
    for (const DemoTexture& t : demoTextures)
        t.texture->Delete();
}

bool Texture::Create()
{
    Delete();
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glName = texture;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
    return true;
}

void Texture::Delete()
{
    if (glName != 0) {
        GLuint texture = glName;
        glDeleteTextures(1, &texture);
        glName = 0;
    }
}

void Texture::Bind() { glBindTexture(GL_TEXTURE_2D, glName); }

void Texture::BuildFallback()
{
    static const GLubyte checker[4] = {0, 255, 255, 0};
    BuildMipmaps(1, 2, 2, GL_LUMINANCE, checker);
}

bool Texture::Load(const char* name, const char* alphaFileName)
{
    if (!name)
        return false;
    Create();

    JpegImage colour;
    if (!colour.LoadJpeg(name, false)) {
        BuildFallback();
        return false;
    }
    if (!alphaFileName) {
        GLint components = static_cast<GLint>((colour.GetBitsPerPixel() + 7) / 8);
        BuildMipmaps(components, colour.GetWidth(), colour.GetHeight(), components == 3 ? GL_RGB : GL_LUMINANCE,
                     colour.GetData());
        return true;
    }

    JpegImage alpha;
    if (!alpha.LoadJpeg(alphaFileName, true) || alpha.GetWidth() != colour.GetWidth() ||
        alpha.GetHeight() != colour.GetHeight()) {
        BuildFallback();
        return false;
    }
    Image merged;
    if (!merged.Create(colour.GetWidth(), colour.GetHeight(), 32)) {
        BuildFallback();
        return false;
    }
    // A grey colour file spreads its level over R, G and B.
    const uint8_t* rgb = colour.GetData();
    const uint8_t* a = alpha.GetData();
    uint8_t* out = merged.GetData();
    size_t pixels = static_cast<size_t>(colour.GetWidth()) * static_cast<size_t>(colour.GetHeight());
    bool greyColour = colour.GetBitsPerPixel() == 8;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* c = greyColour ? rgb + i : rgb + 3 * i;
        out[4 * i] = c[0];
        out[4 * i + 1] = greyColour ? c[0] : c[1];
        out[4 * i + 2] = greyColour ? c[0] : c[2];
        out[4 * i + 3] = a[i];
    }
    BuildMipmaps(4, colour.GetWidth(), colour.GetHeight(), GL_RGBA, merged.GetData());
    return true;
}
