// What the files of the GDI part share: the records behind pen, brush, bitmap, font and context
// handles, the drawing target a context resolves to, and the span painter the rasteriser and the
// text code paint through. Seen only inside platform/gdi/.
#ifndef TAVIX_PLATFORM_GDI_GDI_H
#define TAVIX_PLATFORM_GDI_GDI_H

#include "platform/internal.h"

#include <cstdint>

struct GdiPen {
    int style;        // PS_SOLID, PS_DASH, PS_DOT or PS_NULL (wide pens draw solid)
    int width;        // pixels, at least 1
    COLORREF colour;  // Windows colour of the lines
    int selected;     // how many contexts have it selected
    bool doomed;      // DeleteObject came while selected: freed when the last context lets go
};

struct GdiBrush {
    bool hollow;      // NULL_BRUSH: fills nothing
    COLORREF colour;  // Windows colour of the fill
    int selected;     // as GdiPen
    bool doomed;      // as GdiPen
};

struct GdiBitmap {
    Surface surface;  // the pixels; width and height at least 1
    int selected;     // how many memory contexts have it selected (at most one on Windows)
    bool doomed;      // as GdiPen
};

struct FontSize;  // text.cpp: a resolved face at one size with its glyph cache

struct GdiFont {
    int height;        // as asked of CreateFontA (< 0 character height, > 0 cell height, 0 default)
    int width;         // average character width asked for, 0 for the face's own
    int weight;        // FW_*
    bool italic;       // slanted face wanted
    int pitch_family;  // DEFAULT_PITCH/FIXED_PITCH/VARIABLE_PITCH | FF_*
    char face[32];     // face name asked for, "" for the default
    FontSize *size;    // resolved on first use; nullptr when no font could be found at all
    bool resolved;     // size has been looked up (possibly without success)
    int selected;      // as GdiPen
    bool doomed;       // as GdiPen
};

struct GdiDC {
    bool memory;           // a CreateCompatibleDC context: paints into the selected bitmap
    HWND window;           // window contexts: the window painted; null for screen and memory ones
    bool client_only;      // window contexts: origin and clip at the client area
    HBITMAP bitmap;        // memory contexts: the selected bitmap
    HPEN pen;              // selected pen
    HBRUSH brush;          // selected brush
    HFONT font;            // selected font
    COLORREF text_colour;  // SetTextColor
    COLORREF bk_colour;    // SetBkColor
    int bk_mode;           // OPAQUE or TRANSPARENT
    int64_t pos_x, pos_y;  // current position (MoveToEx), logical coordinates
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

// ---- dc.cpp ----
GdiDC *dc_get(HDC dc);
// The canvas of a context; surface is nullptr when there is nothing to paint on.
Canvas dc_canvas(GdiDC *dc);
// After painting through a window context: the window shows the change.
void dc_painted(GdiDC *dc);

// ---- objects.cpp ----
GdiPen *pen_get(HPEN pen);
GdiBrush *brush_get(HBRUSH brush);
GdiBitmap *bitmap_get(HBITMAP bitmap);
GdiFont *font_get(HFONT font);
// A zeroed 32-bit bitmap; 0 x 0 gives the shared 1 x 1 bitmap memory contexts start with, and
// negative or oversized requests give null.
HBITMAP bitmap_create(int width, int height);
// A context lets go of an object it had selected (a doomed object is freed now if unused).
void object_release(HGDIOBJ object, HandleKind kind = HANDLE_NONE);
// A context takes an object (counts the selection).
void object_retain(HGDIOBJ object, HandleKind kind = HANDLE_NONE);

// ---- raster.cpp: painting in logical coordinates, clipped to the canvas ----
// Fills [x0, x1) on row y.
void canvas_span(const Canvas &canvas, int64_t y, int64_t x0, int64_t x1, COLORREF colour);
// Fills [left, right) x [top, bottom).
void canvas_fill(const Canvas &canvas, int64_t left, int64_t top, int64_t right, int64_t bottom,
                 COLORREF colour);

// ---- text.cpp ----
// The font no longer holds its resolved size (the cache may drop the size once none does).
void font_forget(GdiFont *font);

#endif
