// Image buffers and JPEG decoding: sizes and their refusals, grey and colour output, row order, odd
// widths, unreadable and hostile files.
#include "jpeg_maker.h"
#include "platform/media/jpeg.h"
#include "resources/image.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

namespace {

const uint8_t kRed[3] = {255, 0, 0};
const uint8_t kBlue[3] = {0, 0, 255};

class JpegFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = TempDir("files");
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string Path(const char* name) const { return dir + "/" + name; }
    std::string dir;
};

// Byte at channel c of pixel (x, y) counted from the bottom-left, in a decoded image.
int At(const Image& image, int x, int y, int c)
{
    int channels = static_cast<int>(image.GetBitsPerPixel() / 8);
    return image.GetData()[(static_cast<size_t>(y) * image.GetWidth() + x) * channels + c];
}

} // namespace

TEST(Image, CreateSizesBufferByBitsPerPixelAndRefusesZeroNegativeAndOverflow)
{
    {
        Image image;
        EXPECT_EQ(image.GetData(), nullptr);
        EXPECT_EQ(image.GetBitsPerPixel(), 0u);
        EXPECT_FALSE(image.Create(0, 4, 24));
        EXPECT_FALSE(image.Create(4, 0, 24));
        EXPECT_FALSE(image.Create(4, 4, 0));
        EXPECT_FALSE(image.Create(-4, 4, 24));
        EXPECT_FALSE(image.Create(4, -4, 8));
        EXPECT_FALSE(image.Create(-65536, -65536, 8)); // a positive product of two negatives
        EXPECT_FALSE(image.Create(INT32_MAX, INT32_MAX, 0xFFFFFFFFu)); // overflows even 64 bits
        EXPECT_FALSE(image.Create(65536, 65536, 32)); // 16 GiB: over the size any image may claim
        EXPECT_EQ(image.GetData(), nullptr);
        EXPECT_EQ(image.GetWidth(), 0);
        EXPECT_EQ(image.GetHeight(), 0);
        EXPECT_EQ(image.GetBitsPerPixel(), 0u);
    }
    // Every byte of w * h * bytes-per-pixel is writable (the sanitizer build catches a short buffer).
    for (uint32_t bits : {8u, 24u, 32u}) {
        Image image;
        ASSERT_TRUE(image.Create(7, 5, bits));
        EXPECT_EQ(image.GetWidth(), 7);
        EXPECT_EQ(image.GetHeight(), 5);
        EXPECT_EQ(image.GetBitsPerPixel(), bits);
        size_t bytes = 7 * 5 * (bits / 8);
        for (size_t i = 0; i < bytes; ++i)
            image.GetData()[i] = static_cast<uint8_t>(i);
        EXPECT_EQ(image.GetData()[bytes - 1], static_cast<uint8_t>(bytes - 1));
    }
    // A reused image gives up its old pixels (the sanitizer build's leak check sees any it keeps), and a
    // refused size leaves it with none.
    Image image;
    ASSERT_TRUE(image.Create(3, 3, 8));
    ASSERT_TRUE(image.Create(5, 4, 24));
    EXPECT_EQ(image.GetWidth(), 5);
    EXPECT_NE(image.GetData(), nullptr);
    EXPECT_FALSE(image.Create(0, 4, 24));
    EXPECT_EQ(image.GetData(), nullptr);
}

TEST_F(JpegFiles, ColourAndGreyDecoding)
{
    // 16 x 16, red on top, blue at the bottom.
    ASSERT_TRUE(WriteJpeg(Path("colour.jpg"), TwoBands(16, 16, kRed, kBlue), 16, 16, 3));
    std::vector<uint8_t> grey(16 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            grey[y * 16 + x] = y < 8 ? 200 : 40;
    ASSERT_TRUE(WriteJpeg(Path("grey.jpg"), grey, 16, 16, 1));

    {
        JpegImage image;
        ASSERT_TRUE(image.LoadJpeg(Path("colour.jpg").c_str(), false));
        EXPECT_EQ(image.GetBitsPerPixel(), 24u);
        EXPECT_EQ(image.GetWidth(), 16);
        EXPECT_EQ(image.GetHeight(), 16);
        // First row in the buffer is the bottom of the picture: blue; the last row is red. R, G, B order.
        EXPECT_NEAR(At(image, 3, 0, 0), 0, 6);
        EXPECT_NEAR(At(image, 3, 0, 2), 255, 6);
        EXPECT_NEAR(At(image, 3, 15, 0), 255, 6);
        EXPECT_NEAR(At(image, 3, 15, 1), 0, 6);
        EXPECT_NEAR(At(image, 3, 15, 2), 0, 6);
    }
    {
        // Colour asked as grey: one channel of the picture's luminance (red about 76, blue about 29).
        JpegImage image;
        ASSERT_TRUE(image.LoadJpeg(Path("colour.jpg").c_str(), true));
        EXPECT_EQ(image.GetBitsPerPixel(), 8u);
        EXPECT_NEAR(At(image, 5, 15, 0), 76, 6);
        EXPECT_NEAR(At(image, 5, 0, 0), 29, 6);
    }
    for (bool asGrey : {false, true}) {
        // A grey file stays one channel even when colour is asked for.
        JpegImage image;
        ASSERT_TRUE(image.LoadJpeg(Path("grey.jpg").c_str(), asGrey));
        EXPECT_EQ(image.GetBitsPerPixel(), 8u);
        EXPECT_NEAR(At(image, 0, 0, 0), 40, 4);
        EXPECT_NEAR(At(image, 15, 15, 0), 200, 4);
    }
}

TEST_F(JpegFiles, OddWidthRowsFollowWithoutGap)
{
    // 250 x 20 RGB: 750-byte rows. Column x is red for x < 128, else blue; row y gets green = 10 * y.
    const int w = 250, h = 20;
    std::vector<uint8_t> pixels(w * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &pixels[(y * w + x) * 3];
            p[0] = x < 128 ? 255 : 0;
            p[1] = static_cast<uint8_t>(10 * (h - 1 - y)); // top row (y = 0) is the brightest green
            p[2] = x < 128 ? 0 : 255;
        }
    ASSERT_TRUE(WriteJpeg(Path("wide.jpg"), pixels, w, h, 3));
    JpegImage image;
    ASSERT_TRUE(image.LoadJpeg(Path("wide.jpg").c_str(), false));
    ASSERT_EQ(image.GetWidth(), w);
    for (int y = 0; y < h; ++y) {
        EXPECT_NEAR(At(image, 10, y, 0), 255, 12) << "row " << y;
        EXPECT_NEAR(At(image, 240, y, 2), 255, 12) << "row " << y;
        EXPECT_NEAR(At(image, 240, y, 1), 10 * y, 12) << "row " << y;
    }
}

TEST_F(JpegFiles, UnreadableFilesFailAndLeaveImageEmpty)
{
    std::vector<uint8_t> good = EncodeJpeg(TwoBands(32, 32, kRed, kBlue), 32, 32, 3);
    ASSERT_FALSE(good.empty());
    ASSERT_TRUE(WriteFileBytes(Path("text.jpg"), std::vector<uint8_t>{'n', 'o', 't', ' ', 'j', 'p', 'g'}));
    ASSERT_TRUE(WriteFileBytes(Path("empty.jpg"), {}));
    ASSERT_TRUE(WriteFileBytes(Path("cut.jpg"), std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2)));
    for (const char* name : {"missing.jpg", "text.jpg", "empty.jpg", "cut.jpg"}) {
        JpegImage image;
        EXPECT_FALSE(image.LoadJpeg(Path(name).c_str(), false)) << name;
        EXPECT_EQ(image.GetData(), nullptr) << name;
        EXPECT_EQ(image.GetWidth(), 0) << name;
        EXPECT_EQ(image.GetHeight(), 0) << name;
        EXPECT_EQ(image.GetBitsPerPixel(), 0u) << name;
    }
    JpegImage image;
    EXPECT_FALSE(image.LoadJpeg(nullptr, false));
}

TEST_F(JpegFiles, HostileHeadersAreRefusedFromTheHeader)
{
    std::vector<uint8_t> bytes = EncodeJpeg(TwoBands(16, 16, kRed, kBlue), 16, 16, 3);
    std::vector<uint8_t> grey = EncodeJpeg(std::vector<uint8_t>(16 * 16, 128), 16, 16, 1);
    struct Case {
        const char* name;
        std::vector<uint8_t> base;
        uint16_t width, height;
    } cases[] = {
        {"overflow.jpg", bytes, 65535, 65535},  // 12.9 GB of RGB: past 32 bits
        {"huge.jpg", bytes, 12000, 8000},       // 288 MB of RGB: fits 32 bits, over the bound
        {"huge-grey.jpg", grey, 30000, 30000},  // 900 MB even as grey
    };
    for (Case& c : cases) {
        ASSERT_TRUE(PatchJpegSize(c.base, c.width, c.height));
        ASSERT_TRUE(WriteFileBytes(Path(c.name), c.base));
        int w = 0, h = 0, n = 0;
        JpegFile* file = JpegOpen(Path(c.name).c_str(), &w, &h, &n);
        EXPECT_EQ(file, nullptr) << c.name;
        JpegClose(file);
        for (bool asGrey : {false, true}) {
            JpegImage image;
            EXPECT_FALSE(image.LoadJpeg(Path(c.name).c_str(), asGrey)) << c.name;
            EXPECT_EQ(image.GetData(), nullptr);
            EXPECT_EQ(image.GetWidth(), 0);
        }
    }
    // The header is what is judged: a picture just under the bound still opens (it fails later, having no data).
    std::vector<uint8_t> large = bytes;
    ASSERT_TRUE(PatchJpegSize(large, 9000, 9000));
    ASSERT_TRUE(WriteFileBytes(Path("large.jpg"), large));
    int w = 0, h = 0, n = 0;
    JpegFile* file = JpegOpen(Path("large.jpg").c_str(), &w, &h, &n);
    EXPECT_NE(file, nullptr);
    EXPECT_EQ(w, 9000);
    EXPECT_EQ(h, 9000);
    EXPECT_EQ(n, 3);
    JpegClose(file);
}
