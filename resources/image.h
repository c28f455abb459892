// Pixel buffers that live only inside one texture load, and their filling from JPEG files.
#pragma once

#include <cstdint>

class Image {
public:
    Image();
    virtual ~Image();
    virtual void Free();

    bool Create(int32_t width, int32_t height, uint32_t bitsPerPixel);

    uint32_t GetBitsPerPixel() const { return bitsPerPixel; }
    int32_t GetWidth() const { return width; }
    int32_t GetHeight() const { return height; }
    uint8_t* GetData() const { return data; }

    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

protected:
    uint32_t bitsPerPixel;
    int32_t width;
    int32_t height;
    int32_t rowPixels;
    uint8_t* data;
};

class JpegImage : public Image {
public:
    JpegImage();
    ~JpegImage() override;

    bool LoadJpeg(const char* fileName, bool grey);
};
