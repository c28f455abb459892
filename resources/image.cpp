// Image buffers owned by one texture load, and JpegImage's decoding of a file through the platform's JPEG
// service: size and channels first, then the picture straight into the image's own buffer.
#include "resources/image.h"

#include "platform/jpeg.h"

#include <new>

namespace {

// No image of this demo comes near this; a larger or overflowing size is a damaged or hostile header.
constexpr uint64_t kMaxImageBytes = 256ull << 20;

bool ImageBytes(int32_t width, int32_t height, uint32_t bytesPerPixel, uint64_t& bytes)
{
    if (width <= 0 || height <= 0 || bytesPerPixel == 0)
        return false;
    uint64_t total = 0;
    if (__builtin_mul_overflow(static_cast<uint64_t>(width), static_cast<uint64_t>(height), &total) ||
        __builtin_mul_overflow(total, static_cast<uint64_t>(bytesPerPixel), &total))
        return false;
    bytes = total;
    return total <= kMaxImageBytes;
}

} // namespace

Image::Image() : bitsPerPixel(0), width(0), height(0), rowPixels(0), data(nullptr) {}

Image::~Image() { Image::Free(); }

void Image::Free()
{
    if (data) {
        delete[] data;
        data = nullptr;
    }
}

bool Image::Create(int32_t newWidth, int32_t newHeight, uint32_t newBitsPerPixel)
{
    if (newWidth == 0 || newHeight == 0 || newBitsPerPixel == 0)
        return false;
    uint64_t bytes = 0;
    if (!ImageBytes(newWidth, newHeight, (newBitsPerPixel + 7) >> 3, bytes))
        return false;
    data = new (std::nothrow) uint8_t[bytes];
    if (!data)
        return false;
    rowPixels = newWidth;
    width = newWidth;
    height = newHeight;
    bitsPerPixel = newBitsPerPixel;
    return true;
}

JpegImage::JpegImage() {}

JpegImage::~JpegImage() {}

bool JpegImage::LoadJpeg(const char* fileName, bool grey)
{
    int w = 0, h = 0, n = 0;
    JpegFile* file = JpegOpen(fileName, &w, &h, &n);
    if (!file)
        return false;
    int channels = (grey || n == 1) ? 1 : 3;
    uint64_t bytes = 0;
    if (!ImageBytes(w, h, static_cast<uint32_t>(channels), bytes)) {
        JpegClose(file);
        return false;
    }
    data = new (std::nothrow) uint8_t[bytes];
    if (!data) {
        JpegClose(file);
        return false;
    }
    if (!JpegDecode(file, data, w, h, channels)) {
        delete[] data;
        data = nullptr;
        JpegClose(file);
        return false;
    }
    JpegClose(file);
    rowPixels = w;
    width = w;
    height = h;
    bitsPerPixel = static_cast<uint32_t>(channels) * 8;
    return true;
}
