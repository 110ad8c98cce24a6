// Saving the back buffer as a PNG file: the pixels read through the window system's own bitmap
// call, encoded by the system's encoder (png_libpng.cpp or png_wic.cpp), then written out. A write
// that fails leaves no partial file behind.
#include "library/core/state.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

static int refuse(const char *path, const char *reason) {
    TAVIX_console_printf("Cannot save picture %s: %s\n", path ? path : "(no name)", reason);
    return 0;
}

// Reads the back buffer's pixels, top row first, 0x00RRGGBB each; null when they cannot be had.
static uint32_t *read_back_buffer(void) {
    LibraryState &s = library_state;
    uint32_t *pixels = (uint32_t *)malloc((size_t)TAVIX_WIDTH * TAVIX_HEIGHT * 4);
    if (!pixels) return nullptr;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = TAVIX_WIDTH;
    info.bmiHeader.biHeight = -TAVIX_HEIGHT;  // negative: top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    // The bitmap may not be read while a context holds it: a stand-in is selected meanwhile.
    HBITMAP stand_in = CreateCompatibleBitmap(s.buffer_dc, 1, 1);
    HGDIOBJ held = SelectObject(s.buffer_dc, stand_in);
    int rows =
        GetDIBits(s.buffer_dc, s.buffer_bitmap, 0, TAVIX_HEIGHT, pixels, &info, DIB_RGB_COLORS);
    SelectObject(s.buffer_dc, held);
    DeleteObject(stand_in);
    if (rows != TAVIX_HEIGHT) {
        free(pixels);
        return nullptr;
    }
    // The fourth byte of a 32-bit row is unused and may hold anything.
    for (size_t i = 0; i < (size_t)TAVIX_WIDTH * TAVIX_HEIGHT; i++) pixels[i] &= 0x00FFFFFFu;
    return pixels;
}

// Writes size bytes to path; 0 with *error set when opening, writing or closing failed.
static int write_file(const char *path, const unsigned char *data, size_t size, int *error) {
    FILE *file = fopen(path, "wb");
    if (!file) {
        *error = errno;
        return 0;
    }
    *error = 0;
    if (fwrite(data, 1, size, file) != size) *error = errno ? errno : EIO;
    if (fflush(file) != 0 && !*error) *error = errno ? errno : EIO;
    if (fclose(file) != 0 && !*error) *error = errno ? errno : EIO;
    if (!*error) return 1;
    // Only an ordinary file is removed: the path may name a device (a full one, in the tests).
    struct stat status;
    if (stat(path, &status) == 0 && S_ISREG(status.st_mode)) remove(path);
    return 0;
}

int save_picture(const char *path) {
    if (!library_state.buffer_dc) return refuse(path, "the library is not open");
    if (!path || !*path) return refuse(path, "no file name");
    uint32_t *pixels = read_back_buffer();
    if (!pixels) return refuse(path, "the picture cannot be read");
    unsigned char *png = nullptr;
    size_t size = 0;
    const char *reason = nullptr;
    int encoded = encode_png(pixels, TAVIX_WIDTH, TAVIX_HEIGHT, &png, &size, &reason);
    free(pixels);
    if (!encoded) return refuse(path, reason);
    int error = 0;
    int written = write_file(path, png, size, &error);
    free(png);
    if (!written) return refuse(path, strerror(error));
    return 1;
}

int TAVIX_save_picture(const char *path) {
    return save_picture(path);
}
