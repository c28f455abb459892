// GL texture objects with full mipmap chains, loaded from JPEG files or given a checkerboard fallback, and
// the seven textures of the demo.
#pragma once

#include <cstdint>

class Texture {
public:
    // Makes a new GL texture with the demo's wrap and filter parameters, giving up the old one.
    bool Create();
    void Delete();
    void Bind();
    bool Load(const char* fileName, const char* alphaFileName);
    void BuildFallback();

    // The GL name, 0 while nothing is loaded.
    uint32_t GetGlName() const { return glName; }

private:
    // Deleted with its context by Delete(), never by a destructor: globals outlive every context.
    uint32_t glName = 0;
};

extern Texture texStar;
extern Texture texFire;
extern Texture texStelle;
extern Texture texStelle2;
extern Texture texSun;
extern Texture texEnv;
extern Texture texFont;

// The seven from their files under data/, in one fixed order (the order fixes their GL names).
void LoadDemoTextures();
void DeleteDemoTextures();
