// PNG encoding with libpng, for every system but Windows.
#ifndef _WIN32
#include "library/core/state.h"

#include <png.h>

#include <cstdlib>
#include <cstring>

int encode_png(const uint32_t *pixels, int width, int height, unsigned char **data, size_t *size,
               const char **reason) {
    size_t count = (size_t)width * height;
    unsigned char *rgb = (unsigned char *)malloc(count * 3);
    if (!rgb) {
        *reason = "out of memory";
        return 0;
    }
    for (size_t i = 0; i < count; i++) {
        rgb[3 * i] = (unsigned char)(pixels[i] >> 16);
        rgb[3 * i + 1] = (unsigned char)(pixels[i] >> 8);
        rgb[3 * i + 2] = (unsigned char)pixels[i];
    }
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)width;
    image.height = (png_uint_32)height;
    image.format = PNG_FORMAT_RGB;
    // The first call measures, the second writes into a buffer of that size.
    png_alloc_size_t needed = 0;
    unsigned char *out = nullptr;
    int ok = png_image_write_to_memory(&image, nullptr, &needed, 0, rgb, 0, nullptr) &&
             (out = (unsigned char *)malloc(needed)) != nullptr &&
             png_image_write_to_memory(&image, out, &needed, 0, rgb, 0, nullptr);
    free(rgb);
    if (!ok) {
        *reason = needed > 0 && !out ? "out of memory" : "the PNG encoder failed";
        free(out);
        png_image_free(&image);
        return 0;
    }
    *data = out;
    *size = needed;
    return 1;
}
#endif
