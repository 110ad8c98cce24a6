// Device contexts: window, memory and screen contexts, what each has selected, its colours and
// modes, and the calls that work on whole pixels (SetPixel, GetPixel, BitBlt, ScrollDC, FillRect).
// A window context looks its window up on every call, so drawing after the window is gone is a
// no-op.
#include "platform/gdi/dc.h"

#include "platform/gdi/fine.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/raster.h"
#include "platform/kernel/handles.h"
#include "platform/surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// A new context with the stock objects selected; null when memory for it cannot be had, and the
// call that asked for it fails as it does on Windows.
GdiDC *dc_new(bool memory, HWND window, bool client_only) {
    HGDIOBJ pen = GetStockObject(BLACK_PEN), brush = GetStockObject(WHITE_BRUSH);
    HGDIOBJ font = GetStockObject(SYSTEM_FONT);
    HBITMAP bitmap = memory ? bitmap_create(0, 0) : nullptr;
    GdiDC *dc =
        pen && brush && font && (bitmap || !memory) ? (GdiDC *)calloc(1, sizeof(GdiDC)) : nullptr;
    if (!dc) return nullptr;
    dc->memory = memory;
    dc->window = window;
    dc->client_only = client_only;
    dc->pen = (HPEN)pen;
    dc->brush = (HBRUSH)brush;
    dc->font = (HFONT)font;
    dc->text_colour = RGB(0, 0, 0);
    dc->bk_colour = RGB(255, 255, 255);
    dc->bk_mode = OPAQUE;
    dc->bitmap = bitmap;
    object_retain(dc->pen);
    object_retain(dc->brush);
    object_retain(dc->font);
    object_retain(dc->bitmap);
    dc->pen_record = pen_get(dc->pen);
    dc->brush_record = brush_get(dc->brush);
    dc->font_record = font_get(dc->font);
    dc->bitmap_record = memory ? bitmap_get(dc->bitmap) : nullptr;
    return dc;
}

HDC dc_register(GdiDC *dc) {
    if (!dc) return nullptr;
    HDC handle = (HDC)handle_new(HANDLE_DC, dc);
    if (!handle) {
        object_release(dc->pen);
        object_release(dc->brush);
        object_release(dc->font);
        object_release(dc->bitmap);
        free(dc);
    }
    return handle;
}

// Replaces *slot and *record_slot with object and its record, of the slot's kind, counting the
// selections; returns what was there. The one let go is freed if it was deleted meanwhile.
template <typename Handle, typename Record>
HGDIOBJ swap_selection(Handle *slot, Record **record_slot, HGDIOBJ object, Record *record,
                       HandleKind kind) {
    HGDIOBJ previous = *slot;
    if (previous == object) return previous;  // the count would go up and down again
    Record *previous_record = *record_slot;
    ++record->selected;
    *slot = (Handle)object;
    *record_slot = record;
    if (previous_record) {
        if (previous_record->selected > 0) --previous_record->selected;
        if (previous_record->selected == 0 && previous_record->doomed)
            object_free_doomed(previous, kind);
    }
    return previous;
}

// Intersects [l, r) x [t, b) with the canvas clip, in surface coordinates; false when empty.
bool clip_box(const Canvas &canvas, int64_t *l, int64_t *t, int64_t *r, int64_t *b) {
    *l = std::max<int64_t>(*l, canvas.clip_left);
    *t = std::max<int64_t>(*t, canvas.clip_top);
    *r = std::min<int64_t>(*r, canvas.clip_right);
    *b = std::min<int64_t>(*b, canvas.clip_bottom);
    return *l < *r && *t < *b;
}

// Copies a w x h block between surfaces (or within one) like memmove: overlapping rows are taken
// in the order that reads each source row before it is overwritten.
void copy_block(Surface *dst, int dx, int dy, const Surface *src, int sx, int sy, int w, int h) {
    bool upward = dst->pixels == src->pixels && dy > sy;
    for (int i = 0; i < h; ++i) {
        int row = upward ? h - 1 - i : i;
        memmove(dst->pixels + (size_t)(dy + row) * dst->width + dx,
                src->pixels + (size_t)(sy + row) * src->width + sx, (size_t)w * sizeof(uint32_t));
    }
}

// Copies a w x h block from another surface, writing only the rows that differ, and returns the
// bounds of what changed (empty when nothing did). Comparing costs a read of both blocks, which
// is what a copy costs; a picture redrawn the same everywhere but in a small part then changes
// only that part of the window, and only that part goes to the display.
RECT copy_block_changes(Surface *dst, int dx, int dy, const Surface *src, int sx, int sy, int w,
                        int h) {
    RECT changed = {0, 0, 0, 0};
    for (int row = 0; row < h; ++row) {
        uint32_t *to = dst->pixels + (size_t)(dy + row) * dst->width + dx;
        const uint32_t *from = src->pixels + (size_t)(sy + row) * src->width + sx;
        if (memcmp(to, from, (size_t)w * sizeof(uint32_t)) == 0) continue;
        // The row differs somewhere: its first and last differing pixels, found 16 at a time
        // first (rows that differ mostly differ in a few pixels).
        int left = 0, right = w;
        while (left + 16 <= w && memcmp(to + left, from + left, 64) == 0) left += 16;
        while (to[left] == from[left]) ++left;
        while (right - 16 >= left && memcmp(to + right - 16, from + right - 16, 64) == 0)
            right -= 16;
        while (to[right - 1] == from[right - 1]) --right;
        memcpy(to + left, from + left, (size_t)(right - left) * sizeof(uint32_t));
        if (changed.left >= changed.right) {
            changed = RECT{dx + left, dy + row, dx + right, dy + row + 1};
        } else {
            changed.left = std::min<LONG>(changed.left, dx + left);
            changed.right = std::max<LONG>(changed.right, dx + right);
            changed.bottom = dy + row + 1;
        }
    }
    return changed;
}

bool empty(const RECT &r) {
    return r.left >= r.right || r.top >= r.bottom;
}

// The intersection of a and b; empty (not necessarily zero) when they do not meet.
RECT intersection(const RECT &a, const RECT &b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

bool same_rect(const RECT &a, const RECT &b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void add_box(RECT *to, const RECT &box) {
    if (empty(box)) return;
    if (empty(*to)) {
        *to = box;
        return;
    }
    to->left = std::min(to->left, box.left);
    to->top = std::min(to->top, box.top);
    to->right = std::max(to->right, box.right);
    to->bottom = std::max(to->bottom, box.bottom);
}

// A bitmap whose pixels were handed out without word of where they were drawn on: all changed.
void settle_changes(GdiBitmap *bitmap) {
    if (!bitmap->drawing) return;
    bitmap->changed = RECT{0, 0, bitmap->surface.width, bitmap->surface.height};
    bitmap->drawing = false;
}

// Copies the w x h block at (sx, sy) of a bitmap to (dx, dy) of a window's surface and tells the
// window what changed. Where the same block went to the same place last time and the window's
// pixels have not been handed out since, only what was drawn on the bitmap since then is
// compared and copied; a picture redrawn in a small part then costs that part.
// bitmap is the source's record when the source is a bitmap, else null.
void copy_to_window(HWND window, Surface *to, int dx, int dy, const Surface *from,
                    GdiBitmap *bitmap, int sx, int sy, int w, int h, uint64_t version_before) {
    RECT block = {sx, sy, sx + w, sy + h};
    RECT area = block;
    if (bitmap) {
        settle_changes(bitmap);
        if (bitmap->shown_in == window && bitmap->shown_version == version_before &&
            same_rect(bitmap->shown_block, block) && bitmap->shown_at.x == dx &&
            bitmap->shown_at.y == dy)
            area = intersection(block, bitmap->changed);
    }
    if (!empty(area)) {
        RECT changed =
            copy_block_changes(to, dx + (area.left - sx), dy + (area.top - sy), from, area.left,
                               area.top, area.right - area.left, area.bottom - area.top);
        window_mark_damaged(window, changed);
    }
    if (bitmap) {
        bitmap->changed = RECT{0, 0, 0, 0};
        bitmap->shown_in = window;
        bitmap->shown_block = block;
        bitmap->shown_at = POINT{dx, dy};
        bitmap->shown_version = to->version;
    }
}

// Where a drawing on a context's canvas went: a bitmap counts box (surface coordinates) changed.
void painted_surface_box(GdiDC *dc, const Canvas &canvas, RECT box) {
    if (dc->memory && dc->bitmap_record) {
        RECT clip = {canvas.clip_left, canvas.clip_top, canvas.clip_right, canvas.clip_bottom};
        add_box(&dc->bitmap_record->changed, intersection(box, clip));
        dc->bitmap_record->drawing = false;
    }
    dc_painted(dc);
}

// The canvas of a context: its bitmap's, or for a window context one on the window's surface as
// the caller had it handed out (null: none).
Canvas canvas_on(GdiDC *dc, Surface *window_pixels) {
    Canvas canvas = {};
    Surface *surface = nullptr;
    RECT area = {0, 0, 0, 0};
    if (dc->memory) {
        surface = dc->bitmap_record ? &dc->bitmap_record->surface : nullptr;
        if (surface) area = RECT{0, 0, surface->width, surface->height};
    } else if (dc->window) {
        surface = window_pixels;
        if (surface) {
            area = RECT{0, 0, surface->width, surface->height};
            if (dc->client_only && !window_client_area(dc->window, &area)) surface = nullptr;
        }
    }
    if (!surface || !surface->pixels) return canvas;
    // 64 bits: a viewport origin near an int's end still leaves every int point reachable.
    canvas.origin_x = (int64_t)area.left + dc->viewport_x;
    canvas.origin_y = (int64_t)area.top + dc->viewport_y;
    canvas.clip_left = std::max<int>(area.left, 0);
    canvas.clip_top = std::max<int>(area.top, 0);
    canvas.clip_right = std::min<int>(area.right, surface->width);
    canvas.clip_bottom = std::min<int>(area.bottom, surface->height);
    if (canvas.clip_left < canvas.clip_right && canvas.clip_top < canvas.clip_bottom)
        canvas.surface = surface;
    return canvas;
}

}  // namespace

Canvas dc_canvas(GdiDC *dc) {
    if (dc->memory && dc->bitmap_record) {
        // Pixels handed out twice without word between: the first drawing went anywhere.
        settle_changes(dc->bitmap_record);
        dc->bitmap_record->drawing = true;
    }
    return canvas_on(dc, dc->memory ? nullptr : window_surface(dc->window));
}

Canvas dc_canvas_to_read(GdiDC *dc) {
    return canvas_on(dc, dc->memory ? nullptr : window_pixels(dc->window));
}

void dc_copy_to_window(HWND window, Surface *to, POINT at, GdiBitmap *bitmap, RECT block,
                       uint64_t version_before) {
    copy_to_window(window, to, at.x, at.y, &bitmap->surface, bitmap, block.left, block.top,
                   block.right - block.left, block.bottom - block.top, version_before);
}

void dc_painted(GdiDC *dc) {
    if (dc->memory && dc->bitmap_record) settle_changes(dc->bitmap_record);
    if (dc->window) window_mark_changed(dc->window);
}

void dc_painted_box(GdiDC *dc, const Canvas &canvas, int64_t left, int64_t top, int64_t right,
                    int64_t bottom) {
    auto surface_x = [&](int64_t x) {
        return (LONG)std::clamp<int64_t>(x + canvas.origin_x, 0, canvas.clip_right);
    };
    auto surface_y = [&](int64_t y) {
        return (LONG)std::clamp<int64_t>(y + canvas.origin_y, 0, canvas.clip_bottom);
    };
    painted_surface_box(dc, canvas,
                        RECT{surface_x(left), surface_y(top), surface_x(right), surface_y(bottom)});
}

HDC dc_create_for_window(HWND hwnd, bool client_only) {
    return dc_register(dc_new(false, hwnd, client_only));
}

void dc_destroy(HDC handle) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return;
    handle_free(handle);
    object_release(dc->pen);
    object_release(dc->brush);
    object_release(dc->font);
    object_release(dc->bitmap);
    free(dc);
}

HDC WINAPI CreateCompatibleDC(HDC model) {
    if (model && !dc_get(model)) return nullptr;
    return dc_register(dc_new(true, nullptr, false));
}

BOOL WINAPI DeleteDC(HDC dc) {
    if (!dc_get(dc)) return FALSE;
    dc_destroy(dc);
    return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC handle, HGDIOBJ object) {
    GdiDC *dc = dc_get(handle);
    HandleSlot *slot = dc ? handle_slot(object) : nullptr;
    if (!slot) return nullptr;
    switch (slot->kind) {
        case HANDLE_PEN:
            return swap_selection(&dc->pen, &dc->pen_record, object, (GdiPen *)slot->object,
                                  HANDLE_PEN);
        case HANDLE_BRUSH:
            return swap_selection(&dc->brush, &dc->brush_record, object, (GdiBrush *)slot->object,
                                  HANDLE_BRUSH);
        case HANDLE_FONT:
            return swap_selection(&dc->font, &dc->font_record, object, (GdiFont *)slot->object,
                                  HANDLE_FONT);
        case HANDLE_BITMAP: {
            // Only a memory context takes a bitmap, and a bitmap lives in one context at a time
            // (the shared default bitmap excepted).
            if (!dc->memory) return nullptr;
            GdiBitmap *bitmap = (GdiBitmap *)slot->object;
            if (object != dc->bitmap && bitmap->selected > 0 && !slot->permanent) return nullptr;
            return swap_selection(&dc->bitmap, &dc->bitmap_record, object, bitmap, HANDLE_BITMAP);
        }
        default:
            return nullptr;
    }
}

HGDIOBJ WINAPI GetCurrentObject(HDC handle, UINT type) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return nullptr;
    switch (type) {
        case OBJ_PEN:
            return dc->pen;
        case OBJ_BRUSH:
            return dc->brush;
        case OBJ_FONT:
            return dc->font;
        case OBJ_BITMAP:
            return dc->memory ? dc->bitmap : nullptr;
        default:
            return nullptr;
    }
}

COLORREF WINAPI SetTextColor(HDC handle, COLORREF colour) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->text_colour;
    dc->text_colour = colour & 0x00FFFFFFu;
    return previous;
}

COLORREF WINAPI GetTextColor(HDC handle) {
    GdiDC *dc = dc_get(handle);
    return dc ? dc->text_colour : CLR_INVALID;
}

COLORREF WINAPI SetBkColor(HDC handle, COLORREF colour) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return CLR_INVALID;
    COLORREF previous = dc->bk_colour;
    dc->bk_colour = colour & 0x00FFFFFFu;
    return previous;
}

COLORREF WINAPI GetBkColor(HDC handle) {
    GdiDC *dc = dc_get(handle);
    return dc ? dc->bk_colour : CLR_INVALID;
}

int WINAPI SetBkMode(HDC handle, int mode) {
    GdiDC *dc = dc_get(handle);
    if (!dc || (mode != OPAQUE && mode != TRANSPARENT)) return 0;
    int previous = dc->bk_mode;
    dc->bk_mode = mode;
    return previous;
}

int WINAPI GetBkMode(HDC handle) {
    GdiDC *dc = dc_get(handle);
    return dc ? dc->bk_mode : 0;
}

BOOL WINAPI MoveToEx(HDC handle, int x, int y, LPPOINT previous) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return FALSE;
    if (previous) {
        previous->x = (LONG)dc->pos_x;
        previous->y = (LONG)dc->pos_y;
    }
    dc->pos_x = x;
    dc->pos_y = y;
    return TRUE;
}

BOOL WINAPI SetViewportOrgEx(HDC handle, int x, int y, LPPOINT previous) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return FALSE;
    if (previous) *previous = POINT{dc->viewport_x, dc->viewport_y};
    dc->viewport_x = x;
    dc->viewport_y = y;
    return TRUE;
}

// The surface pixel of logical (x, y); false when it lies outside the canvas's clip.
static bool canvas_pixel(const Canvas &canvas, int x, int y, int64_t *sx, int64_t *sy) {
    *sx = x + canvas.origin_x;
    *sy = y + canvas.origin_y;
    return *sx >= canvas.clip_left && *sx < canvas.clip_right && *sy >= canvas.clip_top &&
           *sy < canvas.clip_bottom;
}

COLORREF WINAPI SetPixel(HDC handle, int x, int y, COLORREF colour) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return CLR_INVALID;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return CLR_INVALID;
    int64_t sx, sy;
    if (!canvas_pixel(canvas, x, y, &sx, &sy)) return CLR_INVALID;
    canvas.surface->pixels[sy * canvas.surface->width + sx] = pixel_from_colorref(colour);
    painted_surface_box(dc, canvas, RECT{(LONG)sx, (LONG)sy, (LONG)sx + 1, (LONG)sy + 1});
    return colour & 0x00FFFFFFu;
}

COLORREF WINAPI GetPixel(HDC handle, int x, int y) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return CLR_INVALID;
    Canvas canvas = dc_canvas_to_read(dc);
    if (!canvas.surface) return CLR_INVALID;
    int64_t sx, sy;
    if (!canvas_pixel(canvas, x, y, &sx, &sy)) return CLR_INVALID;
    return colorref_from_pixel(canvas.surface->pixels[sy * canvas.surface->width + sx]);
}

BOOL WINAPI BitBlt(HDC dst_handle, int x, int y, int width, int height, HDC src_handle, int src_x,
                   int src_y, DWORD rop) {
    GdiDC *dst = dc_get(dst_handle);
    GdiDC *src = dc_get(src_handle);
    if (!dst || !src || rop != SRCCOPY) return FALSE;
    if (width <= 0 || height <= 0) return TRUE;
    // The window's version before this call hands its pixels out (see copy_to_window).
    Surface *window = dst->window ? window_surface_as_is(dst->window) : nullptr;
    uint64_t version_before = window ? window->version : 0;
    // A bitmap's block to a window may wait for someone to look (window_leave_copy).
    GdiBitmap *source = src->memory ? src->bitmap_record : nullptr;
    bool may_wait = window && source && !source->surface.fine;
    Canvas to = may_wait ? canvas_on(dst, window) : dc_canvas(dst);
    Canvas from = dc_canvas_to_read(src);
    if (!to.surface || !from.surface) {
        if (to.surface) painted_surface_box(dst, to, RECT{0, 0, 0, 0});
        return TRUE;
    }
    // The source block in source surface coordinates, clipped to what the source shows; the
    // destination moves with it, then is clipped in turn and moves the source back.
    int64_t sl = src_x + from.origin_x, st = src_y + from.origin_y;
    int64_t sr = sl + width, sb = st + height;
    int64_t shift_x = (x + to.origin_x) - sl, shift_y = (y + to.origin_y) - st;
    bool shown = clip_box(from, &sl, &st, &sr, &sb);
    int64_t dl = sl + shift_x, dt = st + shift_y, dr = sr + shift_x, db = sb + shift_y;
    if (!shown || !clip_box(to, &dl, &dt, &dr, &db)) {
        painted_surface_box(dst, to, RECT{0, 0, 0, 0});  // nothing drawn on
        return TRUE;
    }
    if (may_wait &&
        window_leave_copy(dst->window, source,
                          RECT{(LONG)(dl - shift_x), (LONG)(dt - shift_y), (LONG)(dr - shift_x),
                               (LONG)(db - shift_y)},
                          POINT{(LONG)dl, (LONG)dt}))
        return TRUE;
    if (may_wait) to = dc_canvas(dst);  // shown: drawn on at once, the surface handed out
    if (dst->window && to.surface != from.surface && !from.surface->fine) {
        copy_to_window(dst->window, to.surface, (int)dl, (int)dt, from.surface,
                       src->memory ? src->bitmap_record : nullptr, (int)(dl - shift_x),
                       (int)(dt - shift_y), (int)(dr - dl), (int)(db - dt), version_before);
        return TRUE;
    }
    copy_block(to.surface, (int)dl, (int)dt, from.surface, (int)(dl - shift_x), (int)(dt - shift_y),
               (int)(dr - dl), (int)(db - dt));
    // Pixels from a surface with a larger companion may carry its marks: within one surface the
    // companion's blocks move with them; anywhere else they are plain pixels.
    if (to.surface == from.surface)
        fine_move(to.surface, (int)dl, (int)dt, (int)(dl - shift_x), (int)(dt - shift_y),
                  (int)(dr - dl), (int)(db - dt));
    else if (from.surface->fine)
        fine_unmark(to.surface, (int)dl, (int)dt, (int)dr, (int)db);
    painted_surface_box(dst, to, RECT{(LONG)dl, (LONG)dt, (LONG)dr, (LONG)db});
    return TRUE;
}

BOOL WINAPI ScrollDC(HDC handle, int dx, int dy, const RECT *scroll, const RECT *clip, HRGN update,
                     LPRECT update_rect) {
    (void)update;  // no regions here: the caller gets the bounding box through update_rect
    GdiDC *dc = dc_get(handle);
    if (!dc) return FALSE;
    if (update_rect) *update_rect = RECT{0, 0, 0, 0};
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return TRUE;
    // The area that scrolls: the scroll rectangle (default everything) within the clip rectangle
    // (default everything), in surface coordinates.
    int64_t l = canvas.clip_left, t = canvas.clip_top, r = canvas.clip_right,
            b = canvas.clip_bottom;
    int64_t cl = l, ct = t, cr = r, cb = b;
    if (clip) {
        cl = std::max<int64_t>(cl, clip->left + canvas.origin_x);
        ct = std::max<int64_t>(ct, clip->top + canvas.origin_y);
        cr = std::min<int64_t>(cr, clip->right + canvas.origin_x);
        cb = std::min<int64_t>(cb, clip->bottom + canvas.origin_y);
    }
    if (scroll) {
        l = std::max<int64_t>(l, scroll->left + canvas.origin_x);
        t = std::max<int64_t>(t, scroll->top + canvas.origin_y);
        r = std::min<int64_t>(r, scroll->right + canvas.origin_x);
        b = std::min<int64_t>(b, scroll->bottom + canvas.origin_y);
    }
    l = std::max(l, cl), t = std::max(t, ct), r = std::min(r, cr), b = std::min(b, cb);
    if (l >= r || t >= b) return TRUE;
    int64_t dl = std::max(l + dx, cl), dt = std::max(t + dy, ct);
    int64_t dr = std::min(r + dx, cr), db = std::min(b + dy, cb);
    if (dl < dr && dt < db) {
        copy_block(canvas.surface, (int)dl, (int)dt, canvas.surface, (int)(dl - dx), (int)(dt - dy),
                   (int)(dr - dl), (int)(db - dt));
        fine_move(canvas.surface, (int)dl, (int)dt, (int)(dl - dx), (int)(dt - dy), (int)(dr - dl),
                  (int)(db - dt));
        painted_surface_box(dc, canvas, RECT{(LONG)dl, (LONG)dt, (LONG)dr, (LONG)db});
    } else {
        painted_surface_box(dc, canvas, RECT{0, 0, 0, 0});
    }
    if (update_rect && (dx != 0 || dy != 0)) {
        // The part of the scrolled area nothing moved into, as a bounding box.
        RECT box = {(LONG)l, (LONG)t, (LONG)r, (LONG)b};
        if (dx == 0 && dy < 0) box.top = (LONG)std::max(t, std::min(b, b + dy));
        if (dx == 0 && dy > 0) box.bottom = (LONG)std::min(b, t + dy);
        if (dy == 0 && dx < 0) box.left = (LONG)std::max(l, std::min(r, r + dx));
        if (dy == 0 && dx > 0) box.right = (LONG)std::min(r, l + dx);
        update_rect->left = (LONG)(box.left - canvas.origin_x);
        update_rect->top = (LONG)(box.top - canvas.origin_y);
        update_rect->right = (LONG)(box.right - canvas.origin_x);
        update_rect->bottom = (LONG)(box.bottom - canvas.origin_y);
    }
    return TRUE;
}

int WINAPI FillRect(HDC handle, const RECT *rect, HBRUSH brush) {
    GdiDC *dc = dc_get(handle);
    COLORREF colour;
    if (!dc || !rect || !brush_get(brush)) return 0;
    if (!brush_colour(brush, &colour)) return 1;  // a hollow brush fills nothing
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return 1;
    canvas_fill(canvas, rect->left, rect->top, rect->right, rect->bottom, colour);
    dc_painted_box(dc, canvas, rect->left, rect->top, rect->right, rect->bottom);
    return 1;
}

// Flood fill: the 4-connected area is found first, row spans at a time with a stack of seeds and
// a mark per pixel of the clip, then painted span by span with the brush, so a brush of the
// area's own colour cannot make the search run on.
BOOL WINAPI ExtFloodFill(HDC handle, int x, int y, COLORREF colour, UINT type) {
    GdiDC *dc = dc_get(handle);
    if (!dc || (type != FLOODFILLSURFACE && type != FLOODFILLBORDER)) return FALSE;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return FALSE;
    int64_t sx, sy;
    if (!canvas_pixel(canvas, x, y, &sx, &sy)) return FALSE;
    const Surface &surface = *canvas.surface;
    uint32_t target = pixel_from_colorref(colour) & 0x00FFFFFFu;
    bool surface_fill = type == FLOODFILLSURFACE;
    int left = canvas.clip_left, top = canvas.clip_top;
    int width = canvas.clip_right - left, height = canvas.clip_bottom - top;
    std::vector<uint8_t> seen((size_t)width * (size_t)height, 0);
    auto inside = [&](int px, int py) {
        size_t at = (size_t)(py - top) * (size_t)width + (size_t)(px - left);
        if (seen[at]) return false;
        uint32_t pixel = surface.pixels[(size_t)py * (size_t)surface.width + (size_t)px];
        return ((pixel & 0x00FFFFFFu) == target) == surface_fill;
    };
    if (!inside((int)sx, (int)sy)) return FALSE;
    struct Span {
        int y, from, to;  // surface row, columns [from, to)
    };
    std::vector<Span> spans;
    std::vector<Span> seeds = {Span{(int)sy, (int)sx, (int)sx + 1}};
    while (!seeds.empty()) {
        Span seed = seeds.back();
        seeds.pop_back();
        if (!inside(seed.from, seed.y)) continue;
        int from = seed.from, to = seed.from + 1;
        while (from > left && inside(from - 1, seed.y)) --from;
        while (to < left + width && inside(to, seed.y)) ++to;
        memset(&seen[(size_t)(seed.y - top) * (size_t)width + (size_t)(from - left)], 1,
               (size_t)(to - from));
        spans.push_back(Span{seed.y, from, to});
        for (int ny = seed.y - 1; ny <= seed.y + 1; ny += 2) {
            if (ny < top || ny >= top + height) continue;
            for (int px = from; px < to; ++px) {
                if (!inside(px, ny)) continue;
                seeds.push_back(Span{ny, px, px + 1});
                while (px < to && inside(px, ny)) ++px;
            }
        }
    }
    COLORREF fill;
    if (!brush_colour(dc->brush, &fill)) return TRUE;  // a hollow brush paints nothing
    for (const Span &span : spans)
        canvas_span(canvas, span.y - canvas.origin_y, span.from - canvas.origin_x,
                    span.to - canvas.origin_x, fill);
    dc_painted(dc);
    return TRUE;
}

namespace {

// One channel blended: a premultiplied source channel over the destination's, or with no source
// alpha the source weighted by the constant alpha, both rounded to the nearest (x + 127) / 255.
inline uint32_t blend_channel(uint32_t dst, uint32_t src, uint32_t src_alpha, uint32_t constant,
                              bool premultiplied) {
    if (!premultiplied) return (src * constant + dst * (255 - constant) + 127) / 255;
    uint32_t s = (src * constant + 127) / 255;
    uint32_t a = (src_alpha * constant + 127) / 255;
    uint32_t v = s + (dst * (255 - a) + 127) / 255;
    return v > 255 ? 255 : v;
}

}  // namespace

BOOL WINAPI AlphaBlend(HDC dst_handle, int x, int y, int width, int height, HDC src_handle,
                       int src_x, int src_y, int src_width, int src_height, BLENDFUNCTION blend) {
    GdiDC *dst = dc_get(dst_handle);
    GdiDC *src = dc_get(src_handle);
    if (!dst || !src || blend.BlendOp != AC_SRC_OVER) return FALSE;
    // No stretching here: the source is as large as the destination.
    if (width < 0 || height < 0 || width != src_width || height != src_height) return FALSE;
    Canvas to = dc_canvas(dst), from = dc_canvas(src);
    if (!to.surface || !from.surface) return TRUE;
    // The source must lie within its surface, as on Windows; the destination is clipped.
    int64_t sl = src_x + from.origin_x, st = src_y + from.origin_y;
    if (sl < 0 || st < 0 || sl + width > from.surface->width || st + height > from.surface->height)
        return FALSE;
    int64_t dl = x + to.origin_x, dt = y + to.origin_y, dr = dl + width, db = dt + height;
    int64_t shift_x = sl - dl, shift_y = st - dt;
    if (!clip_box(to, &dl, &dt, &dr, &db)) return TRUE;
    bool premultiplied = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    uint32_t constant = blend.SourceConstantAlpha;
    for (int64_t row = dt; row < db; ++row) {
        uint32_t *out = to.surface->pixels + row * to.surface->width;
        const uint32_t *in = from.surface->pixels + (row + shift_y) * from.surface->width + shift_x;
        if (premultiplied && constant == 255) {
            // The common case, red and blue worked side by side in one word: each lane's
            // d (255 - a) + 127 stays below 2^16, and (t + (t >> 8) + 1) >> 8 is t / 255 there.
            for (int64_t col = dl; col < dr; ++col) {
                uint32_t s = in[col], alpha = s >> 24;
                if (alpha == 255) {
                    out[col] = s & 0x00FFFFFFu;
                    continue;
                }
                if (s == 0) continue;  // transparent: the pixel as it was
                uint32_t d = out[col], inv = 255 - alpha;
                uint32_t rb = (d & 0x00FF00FFu) * inv + 0x007F007Fu;
                uint32_t g = ((d >> 8) & 0xFFu) * inv + 0x7Fu;
                rb = ((rb + ((rb >> 8) & 0x00FF00FFu) + 0x00010001u) >> 8) & 0x00FF00FFu;
                g = (g + (g >> 8) + 1) >> 8;
                uint32_t sum_rb = (s & 0x00FF00FFu) + rb, sum_g = ((s >> 8) & 0xFFu) + g;
                // Only a source that is not truly premultiplied can pass 255: held there.
                if (sum_rb & 0x01000100u) {
                    if (sum_rb & 0x01000000u) sum_rb = (sum_rb & 0xFFFFu) | 0x00FF0000u;
                    if (sum_rb & 0x00000100u) sum_rb = (sum_rb & 0xFFFF0000u) | 0xFFu;
                }
                if (sum_g > 255) sum_g = 255;
                out[col] = sum_rb | sum_g << 8;
            }
            continue;
        }
        for (int64_t col = dl; col < dr; ++col) {
            uint32_t s = in[col], d = out[col];
            uint32_t alpha = s >> 24;
            uint32_t r =
                blend_channel((d >> 16) & 0xFF, (s >> 16) & 0xFF, alpha, constant, premultiplied);
            uint32_t g =
                blend_channel((d >> 8) & 0xFF, (s >> 8) & 0xFF, alpha, constant, premultiplied);
            uint32_t b = blend_channel(d & 0xFF, s & 0xFF, alpha, constant, premultiplied);
            out[col] = (r << 16) | (g << 8) | b;
        }
    }
    dc_painted(dst);
    return TRUE;
}
