// Pixel surfaces, what windows, bitmaps and the backends share: a block of 32-bit pixels laid
// out 0x00RRGGBB, row after row, stride = width. Windows (COLORREF) say 0x00BBGGRR: convert at
// the boundary with these two.
#ifndef TAVIX_PLATFORM_SURFACE_H
#define TAVIX_PLATFORM_SURFACE_H

#include "platform/win32.h"

#include <cstdint>

struct Surface {
    int width;         // pixels
    int height;        // pixels
    uint32_t *pixels;  // width * height pixels, owned by whoever made the surface
    // On a screen of scale N > 1: the same picture N times larger, which is what the screen
    // shows (platform/gdi/fine.h); null otherwise.
    Surface *fine = nullptr;
    // Windows: counts the times the pixels were handed out to be drawn on or were reallocated,
    // so that a bitmap copied here can tell whether the copy is still what the window holds.
    uint64_t version = 0;
};

// Scale of the surface's fine companion (1 without one).
int fine_scale(const Surface *surface);
// Brings [left, right) x [top, bottom) of the companion up to date: every unmarked pixel is
// copied as a block. The box is in surface pixels and must lie within the surface. (The rest of
// the companion's calls are in platform/gdi/fine.h, implemented in platform/gdi/fine.cpp.)
void fine_sync(const Surface *surface, int left, int top, int right, int bottom);

inline uint32_t pixel_from_colorref(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF colorref_from_pixel(uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

#endif
