// GDI objects: the records behind pen, brush, bitmap and font handles, and what contexts, text
// and the window code do with them.
#ifndef TAVIX_PLATFORM_GDI_OBJECTS_H
#define TAVIX_PLATFORM_GDI_OBJECTS_H

#include "platform/kernel/handles.h"
#include "platform/surface.h"
#include "platform/win32.h"

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
    // Since the bitmap last reached a window: what changed, so that the next copy to the same
    // place of the same window costs what changed (dc.h, dc_painted).
    RECT changed;  // bounds of the pixels drawn on since, surface coordinates
    // A context handed out the pixels to draw on and has not said where. Code that writes
    // surface.pixels any other way than through a context's dc_canvas sets it too.
    bool drawing;
    HWND shown_in;           // the window the bitmap was last copied to, null for none
    RECT shown_block;        // the block copied there, in the bitmap's coordinates
    POINT shown_at;          // the block's top left in the window's surface
    uint64_t shown_version;  // the window surface's version just after that copy
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

GdiPen *pen_get(HPEN pen);
GdiBrush *brush_get(HBRUSH brush);
GdiBitmap *bitmap_get(HBITMAP bitmap);
GdiFont *font_get(HFONT font);
// A zeroed 32-bit bitmap; 0 x 0 gives the shared 1 x 1 bitmap memory contexts start with, and
// negative or oversized requests give null.
HBITMAP bitmap_create(int width, int height);

// The selection count and doomed flag of a GDI object, false for anything else. A caller that
// knows the object's kind passes it and saves a lookup (the selections run twice a shape).
inline bool object_usage(HGDIOBJ object, HandleKind kind, int **selected, bool **doomed) {
    if (kind == HANDLE_NONE) kind = handle_kind(object);
    void *record = handle_get(object, kind);
    if (!record) return false;
    switch (kind) {
        case HANDLE_PEN:
            *selected = &((GdiPen *)record)->selected;
            *doomed = &((GdiPen *)record)->doomed;
            return true;
        case HANDLE_BRUSH:
            *selected = &((GdiBrush *)record)->selected;
            *doomed = &((GdiBrush *)record)->doomed;
            return true;
        case HANDLE_BITMAP:
            *selected = &((GdiBitmap *)record)->selected;
            *doomed = &((GdiBitmap *)record)->doomed;
            return true;
        case HANDLE_FONT:
            *selected = &((GdiFont *)record)->selected;
            *doomed = &((GdiFont *)record)->doomed;
            return true;
        default:
            return false;
    }
}
// Frees an object DeleteObject doomed once no context has it selected (stock objects stay).
void object_free_doomed(HGDIOBJ object, HandleKind kind);
// A context lets go of an object it had selected (a doomed object is freed now if unused).
inline void object_release(HGDIOBJ object, HandleKind kind = HANDLE_NONE) {
    int *selected;
    bool *doomed;
    if (!object_usage(object, kind, &selected, &doomed)) return;
    if (*selected > 0) --*selected;
    if (*selected == 0 && *doomed) object_free_doomed(object, kind);
}
// A context takes an object (counts the selection).
inline void object_retain(HGDIOBJ object, HandleKind kind = HANDLE_NONE) {
    int *selected;
    bool *doomed;
    if (object_usage(object, kind, &selected, &doomed)) ++*selected;
}
// The solid colour of a brush, false for a hollow or dead brush.
bool brush_colour(HBRUSH brush, COLORREF *colour);
// The surface of a bitmap made by CreateCompatibleBitmap, nullptr for a dead handle.
Surface *bitmap_surface(HBITMAP bitmap);

#endif
