// Pictures: PNG files read and written with libpng, the visible area cut from a snapshot, and the
// difference picture that shows where a submission's picture departs from the reference's.
#include "tools/grade/grade.h"
#include "tools/grade/sandbox.h"

#include <fcntl.h>

#include <png.h>

#include <algorithm>
#include <cstring>

namespace {

// The client area a window of the library shows of its 601 x 540 buffer: the buffer's top left.
const int BUFFER_WIDTH = 601, BUFFER_HEIGHT = 540;
const int VISIBLE_WIDTH = 595, VISIBLE_HEIGHT = 496;
// A file claiming more pixels than this is refused rather than read into memory.
const long LARGEST_PICTURE = 4096L * 4096L;
// How far around a changed pixel the difference picture rings it, in pixels.
const int RING = 8;
const uint32_t CHANGED = 0xFF0000u;  // the changed pixels themselves
const uint32_t NEAR = 0xFF00FFu;     // the ring around them

// Unchanged pixels: the reference's, pale, so that the marks stand out and the scene is still
// recognisable.
uint32_t faded(uint32_t p) {
    uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    uint32_t grey = (r * 30 + g * 59 + b * 11) / 100;
    uint32_t v = 190 + grey * 60 / 255;
    return v << 16 | v << 8 | v;
}

// Spreads the marks of a width x height mask by RING pixels each way (a square around each).
std::vector<uint8_t> spread(const std::vector<uint8_t> &mask, int width, int height) {
    std::vector<uint8_t> across(mask.size(), 0), out(mask.size(), 0);
    for (int y = 0; y < height; ++y) {
        int last = -RING - 1;  // the nearest mark to the left, then the right, within a row
        for (int x = 0; x < width; ++x) {
            if (mask[(size_t)y * width + x]) last = x;
            if (x - last <= RING) across[(size_t)y * width + x] = 1;
        }
        last = width + RING + 1;
        for (int x = width - 1; x >= 0; --x) {
            if (mask[(size_t)y * width + x]) last = x;
            if (last - x <= RING) across[(size_t)y * width + x] = 1;
        }
    }
    for (int x = 0; x < width; ++x) {
        int last = -RING - 1;
        for (int y = 0; y < height; ++y) {
            if (across[(size_t)y * width + x]) last = y;
            if (y - last <= RING) out[(size_t)y * width + x] = 1;
        }
        last = height + RING + 1;
        for (int y = height - 1; y >= 0; --y) {
            if (across[(size_t)y * width + x]) last = y;
            if (last - y <= RING) out[(size_t)y * width + x] = 1;
        }
    }
    return out;
}

}  // namespace

bool read_picture(const std::string &path, Picture *picture, std::string *why) {
    std::string png;
    return read_regular_file(AT_FDCWD, path, 64 << 20, &png, why) &&
           decode_picture(png, picture, why);
}

bool decode_picture(const std::string &png, Picture *picture, std::string *why) {
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) {
        *why = image.message;
        return false;
    }
    if ((long)image.width * image.height > LARGEST_PICTURE) {
        png_image_free(&image);
        *why = "the picture is too large";
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        *why = image.message;
        png_image_free(&image);
        return false;
    }
    picture->width = (int)image.width;
    picture->height = (int)image.height;
    picture->pixels.resize((size_t)picture->width * picture->height);
    for (size_t i = 0; i < picture->pixels.size(); ++i)
        picture->pixels[i] = (uint32_t)rgb[3 * i] << 16 | rgb[3 * i + 1] << 8 | rgb[3 * i + 2];
    return true;
}

bool write_picture(const std::string &path, const Picture &picture, std::string *why) {
    std::vector<uint8_t> rgb(picture.pixels.size() * 3);
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        rgb[3 * i] = (uint8_t)(picture.pixels[i] >> 16);
        rgb[3 * i + 1] = (uint8_t)(picture.pixels[i] >> 8);
        rgb[3 * i + 2] = (uint8_t)picture.pixels[i];
    }
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)picture.width;
    image.height = (png_uint_32)picture.height;
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr)) {
        *why = image.message;
        return false;
    }
    return true;
}

Picture visible_area(const Picture &picture) {
    if (picture.width != BUFFER_WIDTH || picture.height != BUFFER_HEIGHT) return picture;
    Picture area;
    area.width = VISIBLE_WIDTH;
    area.height = VISIBLE_HEIGHT;
    area.pixels.resize((size_t)VISIBLE_WIDTH * VISIBLE_HEIGHT);
    for (int y = 0; y < VISIBLE_HEIGHT; ++y)
        std::copy_n(picture.pixels.begin() + (long)y * BUFFER_WIDTH, VISIBLE_WIDTH,
                    area.pixels.begin() + (long)y * VISIBLE_WIDTH);
    return area;
}

long compare_pictures(const Picture &reference, const Picture &student, Picture *difference) {
    // Sizes that differ are compared over the larger of both; what only one has differs.
    int width = std::max(reference.width, student.width);
    int height = std::max(reference.height, student.height);
    auto at = [](const Picture &p, int x, int y) -> long {
        return x < p.width && y < p.height ? (long)p.pixels[(size_t)y * p.width + x] : -1;
    };
    std::vector<uint8_t> mask((size_t)width * height, 0);
    long count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (at(reference, x, y) != at(student, x, y)) {
                mask[(size_t)y * width + x] = 1;
                ++count;
            }
    std::vector<uint8_t> ring = spread(mask, width, height);
    difference->width = width;
    difference->height = height;
    difference->pixels.resize((size_t)width * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            size_t i = (size_t)y * width + x;
            long ref = at(reference, x, y);
            difference->pixels[i] = mask[i]   ? CHANGED
                                    : ring[i] ? NEAR
                                              : faded(ref < 0 ? 0xFFFFFFu : (uint32_t)ref);
        }
    return count;
}
