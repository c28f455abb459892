// Image buffers owned by one texture load, and JpegImage's decoding of a file through the platform's JPEG
// service: size and channels first, then the picture straight into the image's own buffer.
#include "resources/image.h"

#include "platform/media/jpeg.h"

#include <new>
#include <utility>

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

// Every way out of a load closes the file.
struct JpegCloser {
    void operator()(JpegFile* file) const { JpegClose(file); }
};

}  // namespace

bool Image::Create(int32_t newWidth, int32_t newHeight, uint32_t newBitsPerPixel)
{
    data.reset();
    uint64_t bytes = 0;
    if (!ImageBytes(newWidth, newHeight, (newBitsPerPixel + 7) >> 3, bytes))
        return false;
    data.reset(new (std::nothrow) uint8_t[bytes]);
    if (!data)
        return false;
    width = newWidth;
    height = newHeight;
    bitsPerPixel = newBitsPerPixel;
    return true;
}

bool JpegImage::LoadJpeg(const char* fileName, bool grey)
{
    data.reset();
    int w = 0, h = 0, n = 0;
    std::unique_ptr<JpegFile, JpegCloser> file(JpegOpen(fileName, &w, &h, &n));
    if (!file)
        return false;
    int channels = (grey || n == 1) ? 1 : 3;
    uint64_t bytes = 0;
    if (!ImageBytes(w, h, static_cast<uint32_t>(channels), bytes))
        return false;
    std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[bytes]);
    if (!pixels || !JpegDecode(file.get(), pixels.get(), w, h, channels))
        return false;
    data = std::move(pixels);
    width = w;
    height = h;
    bitsPerPixel = static_cast<uint32_t>(channels) * 8;
    return true;
}
