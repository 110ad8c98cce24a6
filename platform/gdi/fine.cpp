// Fine pictures: the N times larger companions of window surfaces on a scaled screen, kept in
// step with the 1x pixels (see fine.h for the marks).
#include "platform/gdi/fine.h"

#include <cstdlib>
#include <cstring>

namespace {

// A companion larger than this (256 MB) is not made: a 4096 x 4096 picture on a screen of scale 4
// would take a gigabyte. Such a surface is shown in blocks, as one without a companion is.
const size_t MAX_FINE_PIXELS = (size_t)8192 * 8192;

// Writes pixels [from, to) of 1x row y as blocks, skipping marked ones.
void sync_row(const Surface *s, int y, int from, int to) {
    Surface *fine = s->fine;
    int n = fine->width / s->width;
    const uint32_t *src = s->pixels + (size_t)y * s->width;
    uint32_t *first = fine->pixels + (size_t)y * n * fine->width;
    int x = from;
    while (x < to) {
        while (x < to && (src[x] & FINE_MARK)) ++x;
        int start = x;
        while (x < to && !(src[x] & FINE_MARK)) {
            uint32_t *out = first + (size_t)x * n;
            for (int k = 0; k < n; ++k) out[k] = src[x];
            ++x;
        }
        if (x == start) continue;
        // The run's first fine row is written; the other n - 1 rows of its blocks repeat it.
        size_t bytes = (size_t)(x - start) * n * sizeof(uint32_t);
        for (int k = 1; k < n; ++k)
            memcpy(first + (size_t)k * fine->width + (size_t)start * n, first + (size_t)start * n,
                   bytes);
    }
}

}  // namespace

void fine_detach(Surface *surface) {
    if (!surface->fine) return;
    free(surface->fine->pixels);
    delete surface->fine;
    surface->fine = nullptr;
}

void fine_attach(Surface *surface, int scale) {
    fine_detach(surface);
    if (scale <= 1 || !surface->pixels || surface->width <= 0 || surface->height <= 0) return;
    size_t count = (size_t)surface->width * scale * (size_t)surface->height * scale;
    if (count > MAX_FINE_PIXELS) return;
    uint32_t *pixels = (uint32_t *)malloc(count * sizeof(uint32_t));
    if (!pixels) return;  // no companion: the screen shows blocks, as it does for any surface
    surface->fine = new Surface{surface->width * scale, surface->height * scale, pixels};
    fine_unmark(surface, 0, 0, surface->width, surface->height);
    fine_sync(surface, 0, 0, surface->width, surface->height);
}

int fine_scale(const Surface *surface) {
    return surface->fine ? surface->fine->width / surface->width : 1;
}

void fine_sync(const Surface *surface, int left, int top, int right, int bottom) {
    if (!surface->fine) return;
    for (int y = top; y < bottom; ++y) sync_row(surface, y, left, right);
}

void fine_mark(Surface *surface, int left, int top, int right, int bottom) {
    if (!surface->fine) return;
    for (int y = top; y < bottom; ++y) {
        uint32_t *row = surface->pixels + (size_t)y * surface->width;
        for (int x = left; x < right; ++x) row[x] |= FINE_MARK;
    }
}

void fine_unmark(Surface *surface, int left, int top, int right, int bottom) {
    for (int y = top; y < bottom; ++y) {
        uint32_t *row = surface->pixels + (size_t)y * surface->width;
        for (int x = left; x < right; ++x) row[x] &= ~FINE_MARK;
    }
}

void fine_move(Surface *surface, int dx, int dy, int sx, int sy, int w, int h) {
    Surface *fine = surface->fine;
    if (!fine || w <= 0 || h <= 0) return;
    int n = fine->width / surface->width;
    bool upward = dy > sy;  // rows taken from the bottom so none is overwritten before it is read
    for (int i = 0; i < h * n; ++i) {
        int row = upward ? h * n - 1 - i : i;
        memmove(fine->pixels + (size_t)(dy * n + row) * fine->width + (size_t)dx * n,
                fine->pixels + (size_t)(sy * n + row) * fine->width + (size_t)sx * n,
                (size_t)w * n * sizeof(uint32_t));
    }
}
