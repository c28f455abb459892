// PLACEHOLDER until the texture loader lands.
#include "resources/texture.h"
Texture texStar, texFire, texStelle, texStelle2, texSun, texEnv, texFont;
Texture::Texture() : glName(0) {}
Texture::~Texture() { Delete(); }
bool Texture::Create(const char*) { return true; }
void Texture::Delete() { glName = 0; }
void Texture::Bind() {}
bool Texture::Load(const char*, const char*) { return false; }
void Texture::BuildFallback() {}
