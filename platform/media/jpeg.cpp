// The JPEG service over libjpeg-turbo's TurboJPEG API: the file is read whole, its header parsed on open,
// and the picture decoded bottom row first into the caller's buffer.
#include "platform/media/jpeg.h"

#include <turbojpeg.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// A picture whose decoded bytes would pass this is refused from its header alone: a hostile file must
// neither exhaust memory nor overflow a 32-bit size. The same bound caps the compressed file itself.
constexpr uint64_t kMaxBytes = 256ull << 20;

bool ReadWholeFile(const char* fileName, std::vector<unsigned char>& bytes)
{
    FILE* file = std::fopen(fileName, "rb");
    if (!file)
        return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(file) : -1;
    ok = ok && size > 0 && static_cast<uint64_t>(size) <= kMaxBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return ok;
}

}  // namespace

struct JpegFile {
    tjhandle decoder = nullptr;
    std::vector<unsigned char> bytes;
    int width = 0;
    int height = 0;
};

JpegFile* JpegOpen(const char* fileName, int* width, int* height, int* channels)
{
    if (!fileName || !width || !height || !channels)
        return nullptr;
    JpegFile* file = new JpegFile;
    if (!ReadWholeFile(fileName, file->bytes)) {
        delete file;
        return nullptr;
    }
    file->decoder = tjInitDecompress();
    int w = 0, h = 0, subsampling = 0, colourSpace = 0;
    if (!file->decoder ||
        tjDecompressHeader3(file->decoder, file->bytes.data(), static_cast<unsigned long>(file->bytes.size()), &w, &h,
                            &subsampling, &colourSpace) != 0 ||
        w <= 0 || h <= 0) {
        JpegClose(file);
        return nullptr;
    }
    int n = colourSpace == TJCS_GRAY ? 1 : (colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK) ? 4 : 3;
    // Even a grey request is sized as three channels here: the decoder's own buffers grow with the picture.
    uint64_t bytes = static_cast<uint64_t>(w) * static_cast<uint64_t>(h) * static_cast<uint64_t>(n < 3 ? 3 : n);
    if (bytes > kMaxBytes) {
        JpegClose(file);
        return nullptr;
    }
    file->width = w;
    file->height = h;
    *width = w;
    *height = h;
    *channels = n;
    return file;
}

bool JpegDecode(JpegFile* file, unsigned char* buffer, int width, int height, int channels)
{
    if (!file || !buffer || width != file->width || height != file->height || (channels != 1 && channels != 3))
        return false;
    int format = channels == 1 ? TJPF_GRAY : TJPF_RGB;
    // Scan limit: a progressive file of a few bytes can otherwise ask for endless scans.
    int flags = TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT | TJFLAG_LIMITSCANS;
    // Warnings count as failures too: a truncated or damaged file gives the fallback, not half a picture.
    return tjDecompress2(file->decoder, file->bytes.data(), static_cast<unsigned long>(file->bytes.size()), buffer,
                         width, width * channels, height, format, flags) == 0;
}

void JpegClose(JpegFile* file)
{
    if (!file)
        return;
    if (file->decoder)
        tjDestroy(file->decoder);
    delete file;
}
