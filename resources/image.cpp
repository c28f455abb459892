// PLACEHOLDER until the image loader lands.
#include "resources/image.h"
Image::Image() : bitsPerPixel(0), width(0), height(0), rowPixels(0), data(nullptr) {}
Image::~Image() { Image::Free(); }
void Image::Free() {}
bool Image::Create(int32_t, int32_t, uint32_t) { return false; }
JpegImage::JpegImage() {}
JpegImage::~JpegImage() {}
bool JpegImage::LoadJpeg(const char*, bool) { return false; }
