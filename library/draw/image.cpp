// PNG images: loaded into bitmaps of premultiplied pixels (or made transparent, to draw into),
// blended over the picture by the rasteriser, numbered from 1 for the client; drawn whole, a part
// of one (a sprite sheet's cell), or scaled and turned; saved as PNG files with their alpha. The file's header is read here, the same on every
// system, so that a file that is missing, not a PNG or too large is refused with the same words
// everywhere before anything is allocated; the pixels are decoded by the system's PNG reader.
#include "library/core/state.h"
#include "library/draw/canvas.h"
#include "library/draw/raster.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct LoadedImage {
    HBITMAP bitmap;    // a 32-bit top-down DIB section, premultiplied; null once freed
    uint32_t *pixels;  // its pixels, 0xAARRGGBB, top row first
    int width, height;
};

// Premultiplies a straight-alpha pixel (0xAARRGGBB), each channel rounded to the nearest:
// (c a + 127) / 255.
static uint32_t premultiplied(uint32_t pixel) {
    uint32_t a = pixel >> 24;
    if (a == 255) return pixel;
    if (a == 0) return 0;
    uint32_t r = (((pixel >> 16) & 0xFF) * a + 127) / 255;
    uint32_t g = (((pixel >> 8) & 0xFF) * a + 127) / 255;
    uint32_t b = ((pixel & 0xFF) * a + 127) / 255;
    return a << 24 | r << 16 | g << 8 | b;
}

// Reads the signature and the IHDR chunk's width and height. 1, or 0 with *reason.
static int read_header(const char *path, uint32_t *width, uint32_t *height, const char **reason) {
    FILE *file = open_regular_file(path, false, reason);
    if (!file) return 0;
    unsigned char head[24];
    size_t got = fread(head, 1, sizeof head, file);
    fclose(file);
    static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (got < 8 || memcmp(head, SIGNATURE, 8) != 0) {
        *reason = "not a PNG file";
        return 0;
    }
    if (got < sizeof head || memcmp(head + 12, "IHDR", 4) != 0) {
        *reason = "damaged PNG file: no image header";
        return 0;
    }
    *width =
        (uint32_t)head[16] << 24 | (uint32_t)head[17] << 16 | (uint32_t)head[18] << 8 | head[19];
    *height =
        (uint32_t)head[20] << 24 | (uint32_t)head[21] << 16 | (uint32_t)head[22] << 8 | head[23];
    if (*width == 0 || *height == 0) {
        *reason = "damaged PNG file: no pixels";
        return 0;
    }
    return 1;
}

// The slot of the next image number, a new one at the end: a freed number is never given again,
// so a number kept after its free names nothing rather than some later image. -1 when memory
// (or the numbers) run out.
static int new_slot(void) {
    DrawState &d = library_state.draw;
    if (d.image_slots == INT_MAX) return -1;
    if (d.image_slots == d.image_capacity) {
        int capacity = d.image_capacity < 16            ? 16
                       : d.image_capacity > INT_MAX / 2 ? INT_MAX
                                                        : d.image_capacity * 2;
        LoadedImage *grown =
            (LoadedImage *)realloc(d.images, (size_t)capacity * sizeof(LoadedImage));
        if (!grown) return -1;
        d.images = grown;
        d.image_capacity = capacity;
    }
    d.images[d.image_slots] = LoadedImage{nullptr, nullptr, 0, 0};
    return d.image_slots++;
}

// A 32-bit top-down DIB section of width x height pixels, and its pixels; null when memory runs
// out.
static HBITMAP image_bitmap(int width, int height, uint32_t **pixels) {
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = (LONG)width;
    info.bmiHeader.biHeight = -(LONG)height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && !bits) DeleteObject(bitmap);
    if (!bitmap || !bits) return nullptr;
    *pixels = (uint32_t *)bits;
    return bitmap;
}

int TAVIX_load_image(const char *path) {
    if (!path) {
        TAVIX_console_printf("Image not loaded: no file name\n");
        return 0;
    }
    uint32_t width = 0, height = 0;
    const char *reason = nullptr;
    char too_large[96];
    if (read_header(path, &width, &height, &reason) &&
        (width > IMAGE_SIDE_LIMIT || height > IMAGE_SIDE_LIMIT)) {
        snprintf(too_large, sizeof too_large, "too large: %u x %u pixels, at most %d x %d", width,
                 height, IMAGE_SIDE_LIMIT, IMAGE_SIDE_LIMIT);
        reason = too_large;
    }
    uint32_t *pixels = nullptr;
    if (!reason && !(pixels = (uint32_t *)malloc((size_t)width * height * 4)))
        reason = "out of memory";
    if (!reason) decode_png(path, (int)width, (int)height, pixels, &reason);
    HBITMAP bitmap = nullptr;
    uint32_t *bits = nullptr;
    if (!reason) {
        bitmap = image_bitmap((int)width, (int)height, &bits);
        if (!bitmap) {
            reason = "out of memory";
        } else {
            for (size_t i = 0; i < (size_t)width * height; ++i) bits[i] = premultiplied(pixels[i]);
        }
    }
    free(pixels);
    int slot = bitmap ? new_slot() : -1;
    if (bitmap && slot < 0) {
        DeleteObject(bitmap);
        reason = "out of memory";
    }
    if (reason) {
        TAVIX_console_printf("Image %s not loaded: %s\n", path, reason);
        return 0;
    }
    library_state.draw.images[slot] = LoadedImage{bitmap, bits, (int)width, (int)height};
    if (library_state.draw.logging)
        TAVIX_console_printf("Image %d loaded from %s, %u x %u pixels\n", slot + 1, path, width,
                             height);
    return slot + 1;
}

// The loaded image of a number, or null.
static LoadedImage *loaded(int image) {
    if (image < 1 || image > library_state.draw.image_slots) return nullptr;
    LoadedImage *entry = &library_state.draw.images[image - 1];
    return entry->bitmap ? entry : nullptr;
}

bool image_pixels(int image, uint32_t **pixels, int *width, int *height) {
    LoadedImage *entry = loaded(image);
    if (!entry) return false;
    *pixels = entry->pixels;
    *width = entry->width;
    *height = entry->height;
    return true;
}

HGDIOBJ image_for_drawing(int image, HDC *dc, int *width, int *height) {
    LoadedImage *entry = loaded(image);
    if (!entry) return nullptr;
    if (!library_state.draw.image_dc)
        library_state.draw.image_dc = CreateCompatibleDC(library_state.window.buffer_dc);
    if (!library_state.draw.image_dc) return nullptr;
    *dc = library_state.draw.image_dc;
    *width = entry->width;
    *height = entry->height;
    return SelectObject(library_state.draw.image_dc, entry->bitmap);
}

int TAVIX_draw_image(int image, int x, int y) {
    if (!loaded(image)) {
        TAVIX_console_printf("Image %d not loaded, nothing drawn\n", image);
        return 1;
    }
    if (library_state.draw.logging) TAVIX_console_printf("Image %d at (%d,%d)\n", image, x, y);
    paint_shape(SHAPE_IMAGE, 0, 0, x, y, image);
    return 1;
}

static int image_size(int image, bool width) {
    LoadedImage *entry = loaded(image);
    if (!entry) {
        TAVIX_console_printf("Image %d not loaded, its %s is 0\n", image,
                             width ? "width" : "height");
        return 0;
    }
    return width ? entry->width : entry->height;
}

int TAVIX_image_width(int image) {
    return image_size(image, true);
}

int TAVIX_image_height(int image) {
    return image_size(image, false);
}

int TAVIX_free_image(int image) {
    LoadedImage *entry = loaded(image);
    if (!entry) {
        TAVIX_console_printf("Image %d not loaded, nothing freed\n", image);
        return 1;
    }
    canvas_forget_image(image);
    // The image context holds an image only while it is drawn.
    DeleteObject(entry->bitmap);
    entry->bitmap = nullptr;
    entry->pixels = nullptr;
    if (library_state.draw.logging) TAVIX_console_printf("Image %d freed\n", image);
    return 1;
}

// A side of an image to make, taken into 1 .. IMAGE_SIDE_LIMIT with its warning.
static int image_side(int side, const char *name) {
    if (side >= 1 && side <= IMAGE_SIDE_LIMIT) return side;
    int corrected = side < 1 ? 1 : IMAGE_SIDE_LIMIT;
    TAVIX_console_printf("Image %s of %d not possible, using %d\n", name, side, corrected);
    return corrected;
}

int TAVIX_create_image(int width, int height) {
    width = image_side(width, "width");
    height = image_side(height, "height");
    uint32_t *pixels = nullptr;
    HBITMAP bitmap = image_bitmap(width, height, &pixels);
    int slot = bitmap ? new_slot() : -1;
    if (slot < 0) {
        if (bitmap) DeleteObject(bitmap);
        TAVIX_console_printf("Image of %d x %d pixels not made: out of memory\n", width, height);
        return 0;
    }
    // Wholly transparent, whatever the system's new bitmaps hold.
    GdiFlush();
    memset(pixels, 0, (size_t)width * height * 4);
    library_state.draw.images[slot] = LoadedImage{bitmap, pixels, width, height};
    if (library_state.draw.logging)
        TAVIX_console_printf("Image %d made, %d x %d pixels, transparent\n", slot + 1, width,
                             height);
    return slot + 1;
}

int TAVIX_save_image(int image, const char *path) {
    LoadedImage *entry = loaded(image);
    if (!entry) {
        TAVIX_console_printf("Image %d not loaded, nothing saved\n", image);
        return 0;
    }
    const char *reason = nullptr;
    uint32_t *straight = nullptr;
    if (!path || !*path) {
        reason = "no file name";
    } else if (!(straight = (uint32_t *)malloc((size_t)entry->width * entry->height * 4))) {
        reason = "out of memory";
    } else {
        // The file keeps straight alpha: each channel divided back by alpha, rounded.
        GdiFlush();
        for (size_t i = 0; i < (size_t)entry->width * entry->height; ++i) {
            uint32_t p = entry->pixels[i], a = p >> 24;
            if (a == 0 || a == 255) {
                straight[i] = a ? p : 0;
                continue;
            }
            uint32_t out = a << 24;
            for (int shift = 0; shift <= 16; shift += 8) {
                uint32_t c = ((p >> shift & 0xFF) * 255 + a / 2) / a;
                out |= (c > 255 ? 255 : c) << shift;
            }
            straight[i] = out;
        }
        write_png_file(path, straight, entry->width, entry->height, true, &reason);
    }
    free(straight);
    if (reason) {
        TAVIX_console_printf("Cannot save image %d to %s: %s\n", image, path ? path : "(no name)",
                             reason);
        return 0;
    }
    if (library_state.draw.logging) TAVIX_console_printf("Image %d saved to %s\n", image, path);
    return 1;
}

// A part's side made positive, with its warning.
static int part_side(int side, const char *name) {
    if (side >= 0) return side;
    int positive = side == INT_MIN ? INT_MAX : -side;
    TAVIX_console_printf("%s of %d not possible, using %s %d\n", name, side, name[0] == 'W' ? "width" : "height", positive);
    return positive;
}

int TAVIX_draw_image_part(int image, int sx, int sy, int w, int h, int x, int y) {
    LoadedImage *entry = loaded(image);
    if (!entry) {
        TAVIX_console_printf("Image %d not loaded, nothing drawn\n", image);
        return 1;
    }
    w = part_side(w, "Width");
    h = part_side(h, "Height");
    // What lies outside the image is cut off; the rest is drawn where it would have been.
    int64_t left = sx, top = sy, right = (int64_t)sx + w, bottom = (int64_t)sy + h;
    if (left < 0 || top < 0 || right > entry->width || bottom > entry->height) {
        TAVIX_console_printf(
            "Part at (%d,%d), %d x %d, not all inside image %d of %d x %d pixels, drawing what "
            "is\n",
            sx, sy, w, h, image, entry->width, entry->height);
        if (left < 0) left = 0;
        if (top < 0) top = 0;
        if (right > entry->width) right = entry->width;
        if (bottom > entry->height) bottom = entry->height;
    }
    if (library_state.draw.logging)
        TAVIX_console_printf("Image %d part at (%d,%d), %d x %d, drawn at (%d,%d)\n", image, sx, sy,
                             w, h, x, y);
    if (left >= right || top >= bottom) return 1;
    ShapeRecord shape = {};
    shape.kind = SHAPE_IMAGE_PART;
    shape.x1 = saturated((int64_t)x + (left - sx));
    shape.y1 = saturated((int64_t)y - (top - sy));
    shape.x2 = image;
    shape.x3 = (int32_t)left;
    shape.y3 = (int32_t)top;
    shape.width = (int32_t)(right - left);
    shape.count = (int32_t)(bottom - top);
    rasterise_shape(&shape);
    return 1;
}

// A number given as a double, as the console shows it; "nan" and "inf" alike on every system.
static void number_text(double value, char *text, size_t size) {
    if (std::isnan(value))
        snprintf(text, size, "nan");
    else if (std::isinf(value))
        snprintf(text, size, value > 0 ? "inf" : "-inf");
    else
        snprintf(text, size, "%g", value);
}

// v rounded to the nearest whole number, halves up, exactly: no sum is rounded on the way, so an
// x87 build, whose sums carry more bits, rounds as the others do.
static int64_t rounded(double v) {
    double whole = floor(v);
    return (int64_t)whole + (v - whole >= 0.5 ? 1 : 0);
}

// A value in 1/65536ths as the console shows it: at most four decimals, no trailing zeros.
static void fixed_text(int64_t value, char *text, size_t size) {
    int64_t tenths = (value * 10000 + 32768) >> 16;
    int n = snprintf(text, size, "%lld.%04lld", (long long)(tenths / 10000),
                     (long long)(tenths % 10000));
    while (n > 0 && text[n - 1] == '0') text[--n] = '\0';
    if (n > 0 && text[n - 1] == '.') text[--n] = '\0';
}

int TAVIX_draw_image_transformed(int image, int x, int y, double scale, double degrees,
                                 int flags) {
    if (!loaded(image)) {
        TAVIX_console_printf("Image %d not loaded, nothing drawn\n", image);
        return 1;
    }
    char given[32], used[32];
    // The scale: above 0 and at most SCALE_LIMIT; a negative one is taken as positive, and
    // one that is no number at all as 1. The scale and the angle then go to fixed point once,
    // exactly (products with powers of two), so every build turns alike.
    if (std::isnan(scale) || scale < 0 || scale > SCALE_LIMIT) {
        double corrected = std::isnan(scale) ? 1.0 : fabs(scale);
        if (corrected > SCALE_LIMIT) corrected = SCALE_LIMIT;
        number_text(scale, given, sizeof given);
        number_text(corrected, used, sizeof used);
        TAVIX_console_printf("Scale of %s not possible, using scale %s\n", given, used);
        scale = corrected;
    }
    int64_t fixed_scale = rounded(scale * SCALE_ONE);
    if (!std::isfinite(degrees)) {
        number_text(degrees, given, sizeof given);
        TAVIX_console_printf("Angle of %s degrees not possible, using 0 degrees\n", given);
        degrees = 0;
    }
    double turn = fmod(degrees, 360.0);
    if (turn < 0) turn += 360.0;
    int64_t fixed_angle = rounded(turn * DEGREES_ONE) % (360 * (int64_t)DEGREES_ONE);
    if (flags & ~FLAGS_ALL) {
        TAVIX_console_printf("Flags of %d not possible, using flags %d\n", flags,
                             flags & FLAGS_ALL);
        flags &= FLAGS_ALL;
    }
    if (library_state.draw.logging) {
        fixed_text(fixed_scale, used, sizeof used);
        fixed_text(fixed_angle, given, sizeof given);
        TAVIX_console_printf("Image %d at (%d,%d), scale %s, turned %s degrees, flags %d\n", image,
                             x, y, used, given, flags);
    }
    // A scale that leaves less than 1/65536 of a pixel of each pixel draws nothing.
    if (fixed_scale <= 0) return 1;
    ShapeRecord shape = {};
    shape.kind = SHAPE_IMAGE_TURNED;
    shape.x1 = x;
    shape.y1 = y;
    shape.x2 = image;
    shape.x3 = (int32_t)fixed_scale;
    shape.y3 = (int32_t)fixed_angle;
    shape.width = flags;
    rasterise_shape(&shape);
    return 1;
}
