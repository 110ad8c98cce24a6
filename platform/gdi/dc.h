// Device contexts: the record behind a context handle, the canvas its drawing lands on, and the
// window contexts the window and menu code make.
#ifndef TAVIX_PLATFORM_GDI_DC_H
#define TAVIX_PLATFORM_GDI_DC_H

#include "platform/kernel/handles.h"
#include "platform/surface.h"
#include "platform/win32.h"

#include <cstdint>

struct GdiPen;
struct GdiBrush;
struct GdiFont;
struct GdiBitmap;

// The selected objects are kept with their records: a selected object is never freed (deleting it
// only dooms it until it is let go), so drawing reads them without a handle lookup.
struct GdiDC {
    bool memory;       // a CreateCompatibleDC context: paints into the selected bitmap
    HWND window;       // window contexts: the window painted; null for screen and memory ones
    bool client_only;  // window contexts: origin and clip at the client area
    HBITMAP bitmap;    // memory contexts: the selected bitmap
    HPEN pen;          // selected pen
    HBRUSH brush;      // selected brush
    HFONT font;        // selected font
    GdiBitmap *bitmap_record;    // the bitmap's record; null for window contexts
    GdiPen *pen_record;          // the pen's record
    GdiBrush *brush_record;      // the brush's record
    GdiFont *font_record;        // the font's record
    COLORREF text_colour;        // SetTextColor
    COLORREF bk_colour;          // SetBkColor
    int bk_mode;                 // OPAQUE or TRANSPARENT
    int64_t pos_x, pos_y;        // current position (MoveToEx), logical coordinates
    int viewport_x, viewport_y;  // SetViewportOrgEx: device point of logical (0, 0)
};

// Where a context's drawing lands: logical (x, y) is surface pixel (x + origin_x, y + origin_y),
// and only pixels inside clip (surface coordinates, right/bottom exclusive) are painted.
struct Canvas {
    Surface *surface;  // nullptr: nothing to paint on (screen context, dead window)
    int64_t origin_x;  // surface column of logical x = 0
    int64_t origin_y;  // surface row of logical y = 0
    int clip_left, clip_top, clip_right, clip_bottom;  // within the surface, never empty if surface
};

inline GdiDC *dc_get(HDC dc) {
    return (GdiDC *)handle_get(dc, HANDLE_DC);
}
// The canvas of a context, to draw on; surface is nullptr when there is nothing to paint on. A
// bitmap's whole canvas counts as changed until dc_painted_box says where the drawing went.
Canvas dc_canvas(GdiDC *dc);
// The same, only to read its pixels.
Canvas dc_canvas_to_read(GdiDC *dc);
// After painting through a context: a window shows the change; a bitmap counts its whole canvas
// as changed (dc_painted_box narrows that down).
void dc_painted(GdiDC *dc);
// After painting through a context only inside the logical box [left, right) x [top, bottom) of
// its canvas: a bitmap counts no more than that as changed, so that its next copy to a window
// costs what changed. The box may be larger than what was painted, never smaller.
void dc_painted_box(GdiDC *dc, const Canvas &canvas, int64_t left, int64_t top, int64_t right,
                    int64_t bottom);
// A context that draws on the window's surface (hwnd null: a screen context, which draws nothing
// but is what CreateCompatibleDC/CreateCompatibleBitmap accept as a model). client_only: origin and
// clip at the client area (GetDC, BeginPaint); otherwise the whole surface (the menu bar). Drawing
// through it after the window is gone does nothing.
HDC dc_create_for_window(HWND hwnd, bool client_only);
// Frees a context made by dc_create_for_window or CreateCompatibleDC.
void dc_destroy(HDC dc);

// Copies a block (bitmap coordinates) of a bitmap into a window's surface with its top left at
// at (surface coordinates), handing the window no more than what changed since the same block
// was copied there last (version_before: the surface's version before this copy was asked for).
// The window code makes the copies it was left this way (window_leave_copy, platform/surface.h).
void dc_copy_to_window(HWND window, Surface *to, POINT at, GdiBitmap *bitmap, RECT block,
                       uint64_t version_before);

#endif
