// Fuzz target for JpegImage::LoadJpeg: each input becomes the contents of an in-memory file, decoded as
// colour and as grey; a decoded image must have the size it claims.
#include "platform/media/jpeg.h"
#include "resources/image.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int MemoryFile()
{
    static int fd = memfd_create("fuzz-jpeg", 0);
    if (fd < 0)
        std::abort();
    return fd;
}

void CheckDecoded(const JpegImage& image, bool grey)
{
    uint32_t bits = image.GetBitsPerPixel();
    if ((bits != 8 && bits != 24) || (grey && bits != 8) || image.GetWidth() <= 0 || image.GetHeight() <= 0 ||
        !image.GetData())
        std::abort();
    // Touch the first and last byte: a buffer shorter than its claimed size shows under the sanitizer.
    size_t bytes = static_cast<size_t>(image.GetWidth()) * image.GetHeight() * (bits / 8);
    volatile uint8_t sum = image.GetData()[0] + image.GetData()[bytes - 1];
    (void)sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int fd = MemoryFile();
    if (ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)))
        std::abort();
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    // A few bytes can claim a picture of up to the loader's 256 MiB bound, whose decoding is merely slow
    // (seconds here, under the sanitizers): such inputs exercise the header path only.
    int w = 0, h = 0, n = 0;
    JpegFile* header = JpegOpen(path.c_str(), &w, &h, &n);
    bool large = header && static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > (1u << 22);
    JpegClose(header);
    if (large)
        return 0;
    for (bool grey : {false, true}) {
        JpegImage image;
        if (image.LoadJpeg(path.c_str(), grey))
            CheckDecoded(image, grey);
        else if (image.GetData() || image.GetWidth() != 0)
            std::abort(); // a failed load leaves the image empty
    }
    return 0;
}
