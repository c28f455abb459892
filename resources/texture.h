// GL texture objects with full mipmap chains, loaded from JPEG files or given a checkerboard fallback.
#pragma once

#include <cstdint>

class Texture {
public:
    Texture();
    ~Texture();

    bool Create(const char* fileName);
    void Delete();
    void Bind();
    bool Load(const char* fileName, const char* alphaFileName);
    void BuildFallback();

    uint32_t GetGlName() const { return glName; }

    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

private:
    char fileName[64];
    uint32_t glName;
    int32_t width;
    int32_t height;
};

extern Texture texStar;
extern Texture texFire;
extern Texture texStelle;
extern Texture texStelle2;
extern Texture texSun;
extern Texture texEnv;
extern Texture texFont;
