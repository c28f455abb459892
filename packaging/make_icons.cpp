// Cuts the menu icons out of a frame of the demo: a square around the planet, averaged down to each size.
#include "tools/capture/png_writer.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 7) {
        fprintf(stderr, "usage: korvale-make-icons FRAME.png OUTDIR CENTRE_X CENTRE_Y SIDE SIZE...\n");
        return 2;
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<uint8_t> frame;
    if (png_image_begin_read_from_file(&image, argv[1])) {
        image.format = PNG_FORMAT_RGB;
        frame.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, frame.data(), 0, nullptr))
            frame.clear();
    }
    if (frame.empty()) {
        fprintf(stderr, "korvale-make-icons: cannot read %s\n", argv[1]);
        return 1;
    }
    const int width = static_cast<int>(image.width), height = static_cast<int>(image.height);
    const int side = atoi(argv[5]);
    const int left = atoi(argv[3]) - side / 2, top = atoi(argv[4]) - side / 2;
    if (side < 1 || left < 0 || top < 0 || left + side > width || top + side > height) {
        fprintf(stderr, "korvale-make-icons: the square lies outside the %dx%d frame\n", width, height);
        return 1;
    }
    for (int i = 6; i < argc; ++i) {
        const int size = atoi(argv[i]);
        if (size < 1 || size > side) {
            fprintf(stderr, "korvale-make-icons: bad size %s\n", argv[i]);
            return 1;
        }
        // Each icon pixel is the mean of the frame pixels its box covers.
        std::vector<uint8_t> icon(static_cast<size_t>(size) * size * 3);
        for (int y = 0; y < size; ++y) {
            const int y0 = top + y * side / size, y1 = top + (y + 1) * side / size;
            for (int x = 0; x < size; ++x) {
                const int x0 = left + x * side / size, x1 = left + (x + 1) * side / size;
                for (int c = 0; c < 3; ++c) {
                    long sum = 0;
                    for (int sy = y0; sy < y1; ++sy)
                        for (int sx = x0; sx < x1; ++sx)
                            sum += frame[(static_cast<size_t>(sy) * width + sx) * 3 + c];
                    const long count = static_cast<long>(y1 - y0) * (x1 - x0);
                    icon[(static_cast<size_t>(y) * size + x) * 3 + c] = static_cast<uint8_t>((sum + count / 2) / count);
                }
            }
        }
        const std::string path = std::string(argv[2]) + "/korvale-" + std::to_string(size) + ".png";
        if (!WritePngFile(path, icon, size, size)) {
            fprintf(stderr, "korvale-make-icons: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
