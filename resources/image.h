// Pixel buffers that live only inside one texture load, and their filling from JPEG files.
#pragma once

#include <cstdint>
#include <memory>

class Image {
public:
    // False for an empty, negative or oversized picture; a reused image gives up its old pixels.
    bool Create(int32_t width, int32_t height, uint32_t bitsPerPixel);

    uint32_t GetBitsPerPixel() const { return bitsPerPixel; }
    int32_t GetWidth() const { return width; }
    int32_t GetHeight() const { return height; }
    uint8_t* GetData() const { return data.get(); }

protected:
    uint32_t bitsPerPixel = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<uint8_t[]> data;
};

class JpegImage : public Image {
public:
    // Rows bottom first, 1 or 3 bytes a pixel; on failure the image holds no pixels.
    bool LoadJpeg(const char* fileName, bool grey);
};
