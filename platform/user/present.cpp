// Presenting windows: the one place where a window's surface, the pop-up over it and the screen's
// scale become the screen pixels a backend shows.
#include "platform/user/present.h"

#include "platform/backend/backend.h"
#include "platform/surface.h"
#include "platform/user/window.h"

#include <algorithm>
#include <cstring>

namespace {

int chosen_scale = 1;  // screen_scale()

// Copies the area (coordinates of the window's surface) of from, which lies at (at_x, at_y) of
// the window's surface, into the picture: from its companion pixel for pixel when it has one at
// this scale (its text was drawn there sharp; the rest is brought up to date as blocks first),
// else every pixel as a scale x scale block. The area lies within from and the picture.
void compose(const ScreenPixels &to, const Surface *from, const RECT &area, int at_x, int at_y,
             int scale, POINT origin) {
    int width = area.right - area.left, height = area.bottom - area.top;
    int left = area.left - at_x, top = area.top - at_y;
    size_t row_bytes = (size_t)width * scale * sizeof(uint32_t);
    auto row_at = [&](int row) {
        return to.pixels + (size_t)(origin.y + area.top * scale + row) * to.stride +
               (size_t)(origin.x + area.left * scale);
    };
    if (from->fine && fine_scale(from) == scale) {
        fine_sync(from, left, top, left + width, top + height);
        const Surface *fine = from->fine;
        for (int row = 0; row < height * scale; ++row)
            memcpy(row_at(row),
                   fine->pixels + (size_t)(top * scale + row) * fine->width + (size_t)left * scale,
                   row_bytes);
        return;
    }
    for (int row = 0; row < height; ++row) {
        uint32_t *first = row_at(row * scale);
        const uint32_t *src = from->pixels + (size_t)(top + row) * from->width + left;
        if (scale == 1) {
            memcpy(first, src, row_bytes);
            continue;
        }
        uint32_t *out = first;
        for (int i = 0; i < width; ++i)
            for (int k = 0; k < scale; ++k) *out++ = src[i];
        for (int k = 1; k < scale; ++k) memcpy(row_at(row * scale + k), first, row_bytes);
    }
}

// Blackens what of a new picture the surface does not cover (a picture larger than the surface).
void clear_margins(const ScreenPixels &to, int left, int top, int right, int bottom) {
    for (int y = 0; y < to.height; ++y) {
        uint32_t *row = to.pixels + (size_t)y * to.stride;
        if (y < top || y >= bottom) {
            std::fill(row, row + to.width, 0u);
            continue;
        }
        std::fill(row, row + std::clamp(left, 0, to.width), 0u);
        std::fill(row + std::clamp(right, 0, to.width), row + to.width, 0u);
    }
}

}  // namespace

int screen_scale() {
    return chosen_scale;
}

void screen_scale_choose() {
    int asked = backend_scale_asked();
    chosen_scale = asked ? asked : std::clamp(backend->scale(), 1, 4);
}

int window_pixel_of(int screen, int scale) {
    if (scale <= 1) return screen;
    return screen >= 0 ? screen / scale : -((-(screen + 1)) / scale) - 1;
}

POINT window_point_of(const Window *w, int screen_x, int screen_y) {
    return POINT{window_pixel_of(screen_x - w->origin.x, w->scale),
                 window_pixel_of(screen_y - w->origin.y, w->scale)};
}

bool window_fit_screen(Window *w, int width, int height) {
    if (w->surface.width <= 0 || w->surface.height <= 0) return false;
    int scale = std::min(width / w->surface.width, height / w->surface.height);
    if (scale < 1) return false;
    w->scale = scale;
    w->origin = POINT{(width - w->surface.width * scale) / 2, (height - w->surface.height * scale) / 2};
    w->changed = true;
    return true;
}

RECT present_window(Window *w, RECT area) {
    RECT none = {0, 0, 0, 0};
    const Surface &surface = w->surface;
    if (!w->backend_id || !surface.pixels) return none;
    int scale = std::max(1, w->scale);
    POINT origin = w->origin;
    ScreenPixels to = {};
    if (!backend->window_framebuffer(w->backend_id, origin.x + surface.width * scale,
                                     origin.y + surface.height * scale, &to) ||
        !to.pixels || to.width <= 0 || to.height <= 0 || to.stride < to.width)
        return none;
    if (to.fresh) {
        // None of the picture is shown yet: all of it is filled and handed over.
        clear_margins(to, origin.x, origin.y, origin.x + surface.width * scale,
                      origin.y + surface.height * scale);
        area = RECT{0, 0, surface.width, surface.height};
    }
    area.left = std::max<LONG>(area.left, 0);
    area.top = std::max<LONG>(area.top, 0);
    area.right = std::min<LONG>(area.right, std::min(surface.width, (to.width - origin.x) / scale));
    area.bottom =
        std::min<LONG>(area.bottom, std::min(surface.height, (to.height - origin.y) / scale));
    if (origin.x < 0 || origin.y < 0 || area.left >= area.right || area.top >= area.bottom) {
        if (to.fresh) backend->window_update(w->backend_id, RECT{0, 0, to.width, to.height});
        return none;
    }
    compose(to, &surface, area, 0, 0, scale, origin);
    if (const Surface *overlay = w->overlay; overlay && overlay->pixels) {
        RECT over = {std::max<LONG>(area.left, w->overlay_x), std::max<LONG>(area.top, w->overlay_y),
                     std::min<LONG>(area.right, w->overlay_x + overlay->width),
                     std::min<LONG>(area.bottom, w->overlay_y + overlay->height)};
        if (over.left < over.right && over.top < over.bottom)
            compose(to, overlay, over, w->overlay_x, w->overlay_y, scale, origin);
    }
    RECT shown = to.fresh ? RECT{0, 0, to.width, to.height}
                          : RECT{origin.x + area.left * scale, origin.y + area.top * scale,
                                 origin.x + area.right * scale, origin.y + area.bottom * scale};
    backend->window_update(w->backend_id, shown);
    return area;
}
