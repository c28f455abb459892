// Small JPEG files made on the spot for the image, texture and font tests.
#pragma once

#include "tests/support.h"

#include <turbojpeg.h>

#include <cstdint>
#include <string>
#include <vector>

// Encodes rows given top row first (as pictures are usually drawn) at the best quality, no chroma
// subsampling, so flat areas decode to within a few levels of what was given.
inline std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& pixels, int width, int height, int channels)
{
    tjhandle encoder = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int format = channels == 1 ? TJPF_GRAY : TJPF_RGB;
    int sampling = channels == 1 ? TJSAMP_GRAY : TJSAMP_444;
    std::vector<uint8_t> bytes;
    if (tjCompress2(encoder, pixels.data(), width, width * channels, height, format, &out, &size, sampling, 100,
                    TJFLAG_ACCURATEDCT) == 0)
        bytes.assign(out, out + size);
    tjFree(out);
    tjDestroy(encoder);
    return bytes;
}

inline bool WriteJpeg(const std::string& path, const std::vector<uint8_t>& pixels, int width, int height,
                      int channels)
{
    std::vector<uint8_t> bytes = EncodeJpeg(pixels, width, height, channels);
    return !bytes.empty() && WriteFileBytes(path, bytes);
}

// A picture of one flat colour per horizontal half: top half `top`, bottom half `bottom` (RGB).
inline std::vector<uint8_t> TwoBands(int width, int height, const uint8_t top[3], const uint8_t bottom[3])
{
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                pixels[(static_cast<size_t>(y) * width + x) * 3 + c] = y < height / 2 ? top[c] : bottom[c];
    return pixels;
}

// Rewrites the size in a baseline JPEG's frame header (SOF0), as a damaged or hostile file would claim it.
inline bool PatchJpegSize(std::vector<uint8_t>& bytes, uint16_t width, uint16_t height)
{
    for (size_t i = 2; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC1 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = static_cast<uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<uint8_t>(height & 0xFF);
            bytes[i + 7] = static_cast<uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<uint8_t>(width & 0xFF);
            return true;
        }
    }
    return false;
}
