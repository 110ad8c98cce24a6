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

// ---- Window pixels: what the drawing code (platform/gdi/) asks of their owner ----------------
// The window code (platform/user/window.cpp) owns every window's surface and answers these; the
// drawing code knows a window by its handle alone.
//
// A top-level window shows one surface: the menu bar (when the window has one) on top, the client
// area below it.

struct GdiBitmap;

// The window's surface, to draw on, or nullptr when hwnd is not a live window. Any copy left
// unmade (window_leave_copy) is made first.
Surface *window_surface(HWND hwnd);
// The same, only to read its pixels: the next copy of a bitmap to the window may still take no
// more than what changed on the bitmap.
Surface *window_pixels(HWND hwnd);
// The surface as it is, a copy left unmade staying unmade and nothing counted (nullptr: no live
// window): for a copy about to be left there.
Surface *window_surface_as_is(HWND hwnd);
// Where the client area lies inside the window's surface (left, top, right, bottom).
bool window_client_area(HWND hwnd, RECT *area);
// The window's pixels changed; they reach the screen when the queue next runs dry.
void window_mark_changed(HWND hwnd);
// Only the area (surface coordinates) changed: the next present hands the display no more.
void window_mark_damaged(HWND hwnd, const RECT &area);
// Copies of a bitmap to a window whose pixels no screen shows (a headless run) may be left
// unmade: the window keeps where the block (bitmap coordinates) goes, at (surface coordinates),
// and its surface gets the block, as the bitmap holds it then, when anything next asks for the
// window's pixels (window_surface, window_pixels, a resize), when another block is left there,
// or before the bitmap is freed (windows_make_copies_of). A replay that copies its whole picture
// after every event then costs nothing for the copies no one looks at. False when the window's
// pixels are shown (or it is gone): the caller copies at once.
bool window_leave_copy(HWND hwnd, GdiBitmap *bitmap, RECT block, POINT at);
// Before a bitmap is freed: every window's copy of it left unmade is made.
void windows_make_copies_of(GdiBitmap *bitmap);

inline uint32_t pixel_from_colorref(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF colorref_from_pixel(uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

#endif
