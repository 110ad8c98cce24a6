// PNG images: loaded into bitmaps of premultiplied pixels, blended over the picture by the
// rasteriser, numbered from 1 for the client. The file's header is read here, the same on every
// system, so that a file that is missing, not a PNG or too large is refused with the same words
// everywhere before anything is allocated; the pixels are decoded by the system's PNG reader.
#include "library/core/state.h"
#include "library/draw/raster.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct LoadedImage {
    HBITMAP bitmap;  // a 32-bit top-down DIB section, premultiplied; null once freed
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
    d.images[d.image_slots] = LoadedImage{nullptr, 0, 0};
    return d.image_slots++;
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
    if (!reason) {
        BITMAPINFO info;
        memset(&info, 0, sizeof info);
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = (LONG)width;
        info.bmiHeader.biHeight = -(LONG)height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void *bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap || !bits) {
            if (bitmap) DeleteObject(bitmap);
            bitmap = nullptr;
            reason = "out of memory";
        } else {
            uint32_t *to = (uint32_t *)bits;
            for (size_t i = 0; i < (size_t)width * height; ++i) to[i] = premultiplied(pixels[i]);
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
    library_state.draw.images[slot] = LoadedImage{bitmap, (int)width, (int)height};
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
    // The image context holds an image only while it is drawn.
    DeleteObject(entry->bitmap);
    entry->bitmap = nullptr;
    if (library_state.draw.logging) TAVIX_console_printf("Image %d freed\n", image);
    return 1;
}
