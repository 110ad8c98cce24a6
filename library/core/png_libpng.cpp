// PNG encoding and decoding with libpng, for every system but Windows.
#ifndef _WIN32
#include "library/core/state.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Packs the pixels as 8-bit red, green, blue (and alpha) and has libpng write them into a new
// buffer.
int encode_png(const uint32_t *pixels, int width, int height, bool alpha, unsigned char **data,
               size_t *size, const char **reason) {
    size_t count = (size_t)width * height, channels = alpha ? 4 : 3;
    unsigned char *rgb = (unsigned char *)malloc(count * channels);
    if (!rgb) {
        *reason = "out of memory";
        return 0;
    }
    for (size_t i = 0; i < count; i++) {
        rgb[channels * i] = (unsigned char)(pixels[i] >> 16);
        rgb[channels * i + 1] = (unsigned char)(pixels[i] >> 8);
        rgb[channels * i + 2] = (unsigned char)pixels[i];
        if (alpha) rgb[channels * i + 3] = (unsigned char)(pixels[i] >> 24);
    }
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)width;
    image.height = (png_uint_32)height;
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
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

// The progressive reader's state: where the rows go and how far they are.
struct Decoding {
    int width, height;
    uint32_t *pixels;
    bool done;                // the last row of the last pass has come
    int last_pass, last_row;  // the last pass with pixels, and its last row in the image
};

// Where an interlaced image's seven passes start, across and down, and how far down they step.
const int PASS_X[7] = {0, 4, 0, 2, 0, 1, 0};
const int PASS_Y[7] = {0, 0, 4, 0, 2, 0, 1}, PASS_DY[7] = {8, 8, 8, 4, 4, 2, 2};

// Once the header and the chunks before the data are read: the conversions to 8-bit blue, green,
// red, alpha.
void on_png_info(png_structp png, png_infop info) {
    Decoding *d = (Decoding *)png_get_progressive_ptr(png);
    if ((int)png_get_image_width(png, info) != d->width ||
        (int)png_get_image_height(png, info) != d->height)
        png_error(png, "the header changed while it was read");
    int colour_type = png_get_color_type(png, info);
    png_set_expand(png);  // palette to RGB, grey below 8 bits to 8, tRNS to alpha
    png_set_strip_16(png);
    if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // only where there is no alpha already
    d->last_pass = 0;
    d->last_row = d->height - 1;
    if (png_set_interlace_handling(png) > 1)
        for (int pass = 0; pass < 7; ++pass)
            if (d->width > PASS_X[pass] && d->height > PASS_Y[pass]) {
                d->last_pass = pass;
                d->last_row =
                    PASS_Y[pass] + (d->height - 1 - PASS_Y[pass]) / PASS_DY[pass] * PASS_DY[pass];
            }
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != (size_t)d->width * 4)
        png_error(png, "unexpected pixel layout");
}

// A row of a pass: combined into the image's row (an interlaced pass fills some of its pixels).
void on_png_row(png_structp png, png_bytep row, png_uint_32 number, int pass) {
    Decoding *d = (Decoding *)png_get_progressive_ptr(png);
    if (number >= (png_uint_32)d->height) return;
    if (row)
        png_progressive_combine_row(png, (png_bytep)(d->pixels + (size_t)number * d->width), row);
    if (pass == d->last_pass && number >= (png_uint_32)d->last_row) {
        // The image is complete: nothing after it is fed (more compressed data than the rows
        // need, damage, the end chunk), so no file costs more than its rows. What is left of the
        // feed already given is passed over: libpng inflates no data past the rows.
        d->done = true;
    }
}

// The end chunk: the rows are all there, or the file is damaged.
void on_png_end(png_structp png, png_infop) {
    Decoding *d = (Decoding *)png_get_progressive_ptr(png);
    if (!d->done) png_error(png, "the image ends before its rows do");
}

}  // namespace

// Every PNG becomes 8-bit blue, green, red, alpha: palettes and grey expanded, 16-bit channels
// cut to their high byte, a transparent colour (tRNS) made alpha, opaque files given alpha 255.
// No gamma or colour-space change: the file's numbers are drawn as they are. The file is fed to
// libpng's progressive reader a few kilobytes at a time until the last row has come; only the
// chunks the pixels need are read, every ancillary one (text, colour profiles, anything
// compressed of its own) skipped unread.
int decode_png(const char *path, int width, int height, uint32_t *pixels, const char **reason) {
    static DecodeError error;  // outside the jump's frame, as setjmp asks
    static Decoding decoding;
    FILE *file = open_regular_file(path, false, reason);
    if (!file) return 0;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, on_png_error, on_png_warning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_read_struct(png ? &png : nullptr, nullptr, nullptr);
        fclose(file);
        *reason = "out of memory";
        return 0;
    }
    if (setjmp(error.jump)) {
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(file);
        *reason = error.message;
        return 0;
    }
    decoding = Decoding{width, height, pixels, false, 0, height - 1};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_progressive_read_fn(png, &decoding, on_png_info, on_png_row, on_png_end);
    // The file goes to libpng chunk by chunk. An ancillary chunk other than tRNS is passed over
    // here, unread: libpng would gather the whole of one it skips before skipping it. A chunk other
    // than the image data longer than any the pixels need is damage. The image data is fed in
    // pieces until the last row has come: libpng inflates no more than a row past it, whatever
    // the piece holds after it.
    unsigned char buffer[65536];
    auto feed = [&](size_t count) {
        while (count > 0 && !decoding.done) {
            size_t got = fread(buffer, 1, count < sizeof buffer ? count : sizeof buffer, file);
            if (got == 0) {
                if (ferror(file)) png_error(png, "the file could not be read");
                png_error(png, "the file ends before its image does");
            }
            png_process_data(png, info, buffer, got);
            count -= got;
        }
    };
    feed(8);  // the signature
    while (!decoding.done) {
        unsigned char head[8];
        size_t got = fread(head, 1, sizeof head, file);
        if (got < sizeof head) {
            if (ferror(file)) png_error(png, "the file could not be read");
            png_error(png, "the file ends before its image does");
        }
        uint32_t length =
            (uint32_t)head[0] << 24 | (uint32_t)head[1] << 16 | (uint32_t)head[2] << 8 | head[3];
        bool ancillary = (head[4] & 0x20) != 0, transparency = memcmp(head + 4, "tRNS", 4) == 0;
        bool data = memcmp(head + 4, "IDAT", 4) == 0;
        if (ancillary && !transparency) {
            if (length > 0x7FFFFFFFu || fseek(file, (long)length + 4, SEEK_CUR) != 0)
                png_error(png, "a chunk runs past the end of the file");
            continue;
        }
        if (!data && length > 4096) png_error(png, "a chunk is longer than its kind can be");
        png_process_data(png, info, head, sizeof head);
        feed((size_t)length + 4);  // its contents and check value
    }
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
