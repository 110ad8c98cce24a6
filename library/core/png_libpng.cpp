// PNG encoding and decoding with libpng, for every system but Windows.
#ifndef _WIN32
#include "library/core/state.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
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
namespace {

// libpng reports a damaged file through this, which jumps back to decode_png; the message is
// kept for the console line.
struct DecodeError {
    jmp_buf jump;
    char message[96];
};

void on_png_error(png_structp png, png_const_charp message) {
    DecodeError *error = (DecodeError *)png_get_error_ptr(png);
    snprintf(error->message, sizeof error->message, "damaged PNG file: %s", message);
    longjmp(error->jump, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

}  // namespace

// Every PNG becomes 8-bit blue, green, red, alpha: palettes and grey expanded, 16-bit channels
// cut to their high byte, a transparent colour (tRNS) made alpha, opaque files given alpha 255.
// No gamma or colour-space change: the file's numbers are drawn as they are.
int decode_png(const char *path, int width, int height, uint32_t *pixels, const char **reason) {
    static DecodeError error;  // outside the jump's frame, as setjmp asks
    FILE *file = open_regular_file(path, false, reason);
    if (!file) return 0;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, on_png_error, on_png_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    png_bytep *volatile rows = nullptr;
    if (!png || !info) {
        png_destroy_read_struct(png ? &png : nullptr, nullptr, nullptr);
        fclose(file);
        *reason = "out of memory";
        return 0;
    }
    if (setjmp(error.jump)) {
        free(rows);
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(file);
        *reason = error.message;
        return 0;
    }
    png_init_io(png, file);
    // Only the chunks the pixels need are read: every ancillary chunk (text, colour profiles,
    // anything compressed of its own) is skipped unread, so none can cost inflating it.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
    if ((int)png_get_image_width(png, info) != width ||
        (int)png_get_image_height(png, info) != height)
        png_error(png, "the header changed while it was read");
    int colour_type = png_get_color_type(png, info);
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_strip_16(png);
    if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // only where there is no alpha already
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != (size_t)width * 4) png_error(png, "unexpected pixel layout");
    rows = (png_bytep *)malloc((size_t)height * sizeof(png_bytep));
    if (!rows) png_error(png, "out of memory");
    for (int y = 0; y < height; ++y) rows[y] = (png_bytep)(pixels + (size_t)y * width);
    png_read_image(png, rows);
    // Once the rows are complete nothing more is read: what follows them (more compressed data
    // than the rows need, damage, the end chunk) cannot change the image, and inflating a stream
    // that runs on far beyond them would cost time without bound.
    free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(file);
    // Blue, green, red, alpha in memory is 0xAARRGGBB on a little-endian machine; elsewhere the
    // bytes are put in place.
    const uint32_t one = 1;
    if (*(const unsigned char *)&one == 0)
        for (size_t i = 0; i < (size_t)width * height; ++i) {
            const unsigned char *b = (const unsigned char *)&pixels[i];
            pixels[i] = (uint32_t)b[3] << 24 | (uint32_t)b[2] << 16 | (uint32_t)b[1] << 8 | b[0];
        }
    return 1;
}
#endif
