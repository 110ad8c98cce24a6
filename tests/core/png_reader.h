// Reads a PNG file back with libpng, for the tests of saved pictures.
#ifndef TAVIX_TESTS_CORE_PNG_READER_H
#define TAVIX_TESTS_CORE_PNG_READER_H

#include <png.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

struct PngPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, row after row
    // The pixel at (x, y), or 0xFFFFFFFF outside the picture.
    uint32_t at(int x, int y) const {
        return x < 0 || y < 0 || x >= width || y >= height ? 0xFFFFFFFFu : pixels[y * width + x];
    }
};

// False when path is not a PNG file libpng can read.
inline bool read_png(const std::string &path, PngPicture *picture) {
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return false;
    picture->width = (int)image.width;
    picture->height = (int)image.height;
    picture->pixels.resize((size_t)image.width * image.height);
    for (size_t i = 0; i < picture->pixels.size(); i++)
        picture->pixels[i] =
            (uint32_t)rgb[3 * i] << 16 | (uint32_t)rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    return true;
}

#endif
