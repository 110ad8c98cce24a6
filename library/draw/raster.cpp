// The shape rasteriser: paints one shape record into the back buffer with the context's own
// pens, brushes and fonts, and wipes the whole buffer. The objects a record needs are made once
// and kept (see Kept objects) and selected only while it is painted: between records the
// context keeps its initial pen, brush, font and background mode.
//
// A shape goes to the platform in the library's own coordinates: while it is painted, the
// buffer's viewport origin lies on the library's origin, so that no int point overflows on its
// way to the buffer, and GDI itself finds which pixels of a shape billions of pixels across fall
// on it. Library y runs up and GDI's down, so y is handed over as ~y (-y - 1, which every int
// has) with the viewport origin one row lower.
//
// Windows GDI takes coordinates of at most 27 bits. There a polygon or line reaching farther is
// cut at a guard box around the buffer (guard.cpp), which may move a far shape's edges in the
// buffer by a pixel; an oval's box is held within the guard, so an oval tens of
// millions of pixels across is painted only approximately; pens are narrowed to 2^25. Elsewhere
// the platform layer takes any int and works in 64 bits, and far shapes paint the buffer exactly
// as near ones do.
#include "library/draw/raster.h"

#include "library/core/state.h"
#include "library/draw/guard.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
static const int64_t COORDINATE_GUARD = (int64_t)1 << 26;
static const int PEN_WIDTH_LIMIT = 1 << 25;
#else
static const int PEN_WIDTH_LIMIT = INT_MAX;
#endif

// A coordinate as GDI takes it: within an int, and on Windows within the guard.
static int held(int64_t v) {
#ifdef _WIN32
    if (v > COORDINATE_GUARD) return (int)COORDINATE_GUARD;
    if (v < -COORDINATE_GUARD) return (int)-COORDINATE_GUARD;
#endif
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return (int)v;
}

static int flipped(int32_t y) {
    return ~y;
}

// The back buffer's context with its viewport on the library's origin, for one shape.
static HDC begin_shape(void) {
    HDC dc = library_state.window.buffer_dc;
    SetViewportOrgEx(dc, library_state.window.origin_x, library_state.window.origin_y + 1, nullptr);
    return dc;
}

static void end_shape(HDC dc) {
    SetViewportOrgEx(dc, 0, 0, nullptr);
}

static COLORREF colour_value(const ShapeRecord *shape) {
    return colour_value(shape->colour);
}

static int pen_width(const ShapeRecord *shape) {
    return shape->width > PEN_WIDTH_LIMIT ? PEN_WIDTH_LIMIT : shape->width;
}

// ---- Kept objects ----
//
// A picture repeats a few colours, widths and sizes, so the pens, brushes and fonts made for the
// records are kept for the next ones alike. Brushes and the thin pens (widths 0 and 1: filled
// shapes and most outlines) have a place per colour index, found without a search; wider pens and
// the fonts are kept in a few slots each, the oldest slot making way (deleted: it is selected
// only while its record paints). release_shape_objects deletes them all.

struct KeptObject {
    HGDIOBJ object;
    COLORREF colour;  // pens and brushes: the colour it was made in
    int width;        // pens: the width; fonts: the size
};

static const int KEPT_PENS = 32, KEPT_FONTS = 8, KEPT_BRUSHES = 16;
static KeptObject thin_pens[2][COLOUR_COUNT], brushes[COLOUR_COUNT];
static KeptObject kept_pens[KEPT_PENS], kept_fonts[KEPT_FONTS];
static KeptObject kept_brushes[KEPT_BRUSHES];  // brushes of TAVIX_rgb's colours
static int next_pen, next_font, next_brush;

// The kept object of slots[0 .. count) matching colour and width, or null.
static HGDIOBJ find_kept(const KeptObject *slots, int count, COLORREF colour, int width) {
    for (int i = 0; i < count; ++i)
        if (slots[i].object && slots[i].colour == colour && slots[i].width == width)
            return slots[i].object;
    return nullptr;
}

// Keeps a newly made object in slot, deleting the one there.
static HGDIOBJ keep(KeptObject &slot, HGDIOBJ object, COLORREF colour, int width) {
    if (slot.object) DeleteObject(slot.object);
    slot = {object, colour, width};
    return object;
}

// Keeps a newly made object in the next slot of slots[0 .. count).
static HGDIOBJ keep_next(KeptObject *slots, int count, int *next, HGDIOBJ object, COLORREF colour,
                         int width) {
    KeptObject &slot = slots[*next];
    *next = (*next + 1) % count;
    return keep(slot, object, colour, width);
}

void release_shape_objects(void) {
    // The context images are drawn from holds none between records: it goes too.
    if (library_state.draw.image_dc) DeleteDC(library_state.draw.image_dc);
    library_state.draw.image_dc = nullptr;
    KeptObject *lists[5] = {&thin_pens[0][0], brushes, kept_pens, kept_fonts, kept_brushes};
    int counts[5] = {2 * COLOUR_COUNT, COLOUR_COUNT, KEPT_PENS, KEPT_FONTS, KEPT_BRUSHES};
    for (int k = 0; k < 5; ++k)
        for (int i = 0; i < counts[k]; ++i) {
            if (lists[k][i].object) DeleteObject(lists[k][i].object);
            lists[k][i] = {nullptr, 0, 0};
        }
}

// The solid pen of a colour index and a width. A colour's value is checked too, in case the
// colour table was changed since the pen was made.
static HPEN solid_pen(int colour, int width) {
    COLORREF value = colour_value(colour);
    if (width <= 1 && !is_rgb_colour(colour)) {
        KeptObject &slot = thin_pens[width][colour];
        if (slot.object && slot.colour == value) return (HPEN)slot.object;
        return (HPEN)keep(slot, CreatePen(PS_SOLID, width, value), value, width);
    }
    HGDIOBJ pen = find_kept(kept_pens, KEPT_PENS, value, width);
    if (!pen)
        pen = keep_next(kept_pens, KEPT_PENS, &next_pen, CreatePen(PS_SOLID, width, value), value,
                        width);
    return (HPEN)pen;
}

// The pen of a closed shape. Width 0 is the platform's thinnest pen, so a filled shape is also
// outlined in its own colour.
static HPEN shape_pen(const ShapeRecord *shape) {
    return solid_pen(shape->colour, pen_width(shape));
}

static HBRUSH solid_brush(int colour) {
    COLORREF value = colour_value(colour);
    if (is_rgb_colour(colour)) {
        HGDIOBJ brush = find_kept(kept_brushes, KEPT_BRUSHES, value, 0);
        if (!brush)
            brush = keep_next(kept_brushes, KEPT_BRUSHES, &next_brush, CreateSolidBrush(value),
                              value, 0);
        return (HBRUSH)brush;
    }
    KeptObject &slot = brushes[colour];
    if (slot.object && slot.colour == value) return (HBRUSH)slot.object;
    return (HBRUSH)keep(slot, CreateSolidBrush(value), value, 0);
}

// A filled shape's own solid brush, or the stock hollow brush that leaves an outline's inside as
// it was.
static HBRUSH shape_brush(const ShapeRecord *shape) {
    if (shape->width != 0) return (HBRUSH)GetStockObject(NULL_BRUSH);
    return solid_brush(shape->colour);
}

// The library's font at a size, in pixels of cell height.
// Fonts are kept by the font asked for (TAVIX_set_font's number, 0 the default) and size.
static HFONT text_font(int size) {
    COLORREF which = library_state.text.font_number;
    HGDIOBJ font = find_kept(kept_fonts, KEPT_FONTS, which, size);
    if (!font)
        font = keep_next(kept_fonts, KEPT_FONTS, &next_font, make_text_font(size), which, size);
    return (HFONT)font;
}

// A text as the text calls read it: its bytes (Windows-1252), or their UTF-16 while UTF-8 is on.
struct TextUnits {
    const char *bytes;
    WCHAR *wide;  // malloc'd, or null
    size_t length;

    TextUnits(const char *text) : bytes(text), wide(nullptr), length(strlen(text)) {
        if (!library_state.text.utf8) return;
        wide = (WCHAR *)malloc((length + 1) * sizeof(WCHAR));
        if (wide) length = utf16_from_utf8(text, length, wide);
        else bytes = "", length = 0;
    }
    ~TextUnits() { free(wide); }
    TextUnits(const TextUnits &) = delete;
    TextUnits &operator=(const TextUnits &) = delete;
    int unit(size_t i) const { return wide ? wide[i] : bytes[i]; }
    void out(HDC dc, int x, int y, size_t from, size_t to) const {
        if (wide) TextOutW(dc, x, y, wide + from, (int)(to - from));
        else TextOutA(dc, x, y, bytes + from, (int)(to - from));
    }
    SIZE extent(HDC dc, size_t from, size_t to) const {
        SIZE size = {0, 0};
        if (wide) GetTextExtentPoint32W(dc, wide + from, (int)(to - from), &size);
        else GetTextExtentPointA(dc, bytes + from, (int)(to - from), &size);
        return size;
    }
};

static void paint_triangle(const ShapeRecord *shape) {
    POINT points[GUARD_POLYGON_MAX] = {{shape->x1, flipped(shape->y1)},
                                       {shape->x2, flipped(shape->y2)},
                                       {shape->x3, flipped(shape->y3)}};
    int count = 3;
#ifdef _WIN32
    POINT whole[3] = {points[0], points[1], points[2]};
    count = cut_polygon_at_guard(whole, 3, COORDINATE_GUARD, points);
    if (count < 3) return;
#endif
    HDC dc = begin_shape();
    HPEN pen = shape_pen(shape);
    HGDIOBJ kept_pen = SelectObject(dc, pen);
    HBRUSH brush = shape_brush(shape);
    HGDIOBJ kept_brush = SelectObject(dc, brush);
    Polygon(dc, points, count);
    SelectObject(dc, kept_pen);
    SelectObject(dc, kept_brush);
    end_shape(dc);
}

// A rectangle or an oval: the box from (x1, y1) to (x2, y2), both corners included. The right
// and bottom edges GDI takes lie one past them; at an int's end they are held there, a side so
// far off that no pixel of the buffer tells.
static void paint_box(const ShapeRecord *shape) {
    int left = held(shape->x1), top = held(flipped(shape->y1));
    int right = held((int64_t)shape->x2 + 1), bottom = held((int64_t)flipped(shape->y2) + 1);
    HDC dc = begin_shape();
    if (shape->x1 == shape->x2 && shape->y1 == shape->y2 && shape->width <= 1) {
        // Windows paints nothing for a 1 x 1 box, where a point-sized rectangle or a circle of
        // radius 0 promises its one pixel.
        SetPixel(dc, left, top, colour_value(shape));
    } else {
        HPEN pen = shape_pen(shape);
        HBRUSH brush = shape_brush(shape);
        HGDIOBJ kept_pen = SelectObject(dc, pen);
        HGDIOBJ kept_brush = SelectObject(dc, brush);
        if (shape->kind == SHAPE_RECTANGLE)
            Rectangle(dc, left, top, right, bottom);
        else
            Ellipse(dc, left, top, right, bottom);
        SelectObject(dc, kept_pen);
        SelectObject(dc, kept_brush);
    }
    end_shape(dc);
}

static void paint_line(const ShapeRecord *shape) {
    POINT ends[2] = {{shape->x1, flipped(shape->y1)}, {shape->x2, flipped(shape->y2)}};
#ifdef _WIN32
    if (!cut_line_at_guard(ends, COORDINATE_GUARD)) return;
#endif
    HDC dc = begin_shape();
    HGDIOBJ kept_pen = SelectObject(dc, shape_pen(shape));
    MoveToEx(dc, ends[0].x, ends[0].y, nullptr);
    LineTo(dc, ends[1].x, ends[1].y);
    SelectObject(dc, kept_pen);
    end_shape(dc);
}

static void paint_pixel(const ShapeRecord *shape) {
    HDC dc = begin_shape();
    SetPixel(dc, held(shape->x1), held(flipped(shape->y1)), colour_value(shape));
    end_shape(dc);
}

// Paints a text line by line: the first line's cell stands on the anchor's row, every '\n'
// starts the next one a cell height lower, each at the anchor's x.
static void paint_text(const ShapeRecord *shape) {
    HDC dc = begin_shape();
    SetTextColor(dc, colour_value(shape));
    int kept_mode = GetBkMode(dc);
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ kept_font = SelectObject(dc, text_font(shape->x2));

    const char *text = (const char *)GlobalLock(shape->text_block);
    if (text) {
        TextUnits units(text);
        // The whole text on one line: only its height, the font's cell height, is used.
        SIZE extent = units.extent(dc, 0, units.length);
        int64_t h = extent.cy;
        int64_t top = (int64_t)flipped(shape->y1) - h;
        size_t start = 0;
        for (;;) {
            size_t stop = start;
            while (stop < units.length && units.unit(stop) != '\n') ++stop;
            // A line whose top lies beyond an int is far off the buffer.
            if (top >= INT_MIN && top <= INT_MAX) units.out(dc, held(shape->x1), held(top), start, stop);
            if (stop == units.length) break;
            top += h;
            start = stop + 1;
        }
        GlobalUnlock(shape->text_block);
    }

    SetBkMode(dc, kept_mode);
    SelectObject(dc, kept_font);
    end_shape(dc);
}

// An arc's or pie's end on the ray at an angle (degrees counter-clockwise from the positive x
// axis, y up): far enough out along it (32768 pixels) that the ray is exact to a small fraction of
// a degree, near enough that GDI's products of coordinates stay within 32 bits.
// Near an int's end the point is taken as far out as fits, halving the step until it does; a box
// there lies billions of pixels off the buffer, where a ray a little off shows nothing.
static POINT ray_point(int32_t cx, int32_t cy, int degrees) {
    const double PI = 3.14159265358979323846;
    double angle = (double)(degrees % 360) * PI / 180.0;
    int64_t dx = lround(32768.0 * cos(angle)), dy = lround(32768.0 * sin(angle));
    int64_t x = (int64_t)cx + dx, y = (int64_t)flipped(cy) - dy;
    while ((x != held(x) || y != held(y)) && (dx != 0 || dy != 0)) {
        dx /= 2;
        dy /= 2;
        x = (int64_t)cx + dx;
        y = (int64_t)flipped(cy) - dy;
    }
    return POINT{(LONG)held(x), (LONG)held(y)};
}

// An arc (width above 0: its outline with a pen that wide) or a filled pie slice (width 0), of
// the oval's box.
static void paint_arc(const ShapeRecord *shape) {
    int left = held(shape->x1), top = held(flipped(shape->y1));
    int right = held((int64_t)shape->x2 + 1), bottom = held((int64_t)flipped(shape->y2) + 1);
    // The box's centre as GDI takes it: its middle pixel, the lower-right one of the middle four
    // for even sizes.
    int32_t cx = (int32_t)((int64_t)shape->x1 + ((int64_t)shape->x2 - shape->x1 + 1) / 2);
    int32_t cy = (int32_t)((int64_t)shape->y1 - ((int64_t)shape->y1 - shape->y2 + 1) / 2);
    POINT start = ray_point(cx, cy, shape->x3), end = ray_point(cx, cy, shape->y3);
    HDC dc = begin_shape();
    if (shape->x1 == shape->x2 && shape->y1 == shape->y2 && shape->width <= 1) {
        // As for a circle of radius 0: the one pixel, which GDI leaves out for a 1 x 1 box.
        SetPixel(dc, left, top, colour_value(shape));
        end_shape(dc);
        return;
    }
    HPEN pen = shape_pen(shape);
    HBRUSH brush = shape_brush(shape);
    HGDIOBJ kept_pen = SelectObject(dc, pen);
    HGDIOBJ kept_brush = SelectObject(dc, brush);
    if (shape->width == 0)
        Pie(dc, left, top, right, bottom, start.x, start.y, end.x, end.y);
    else
        Arc(dc, left, top, right, bottom, start.x, start.y, end.x, end.y);
    SelectObject(dc, kept_pen);
    SelectObject(dc, kept_brush);
    end_shape(dc);
}

// A polygon of up to POLYGON_MAX corners. On Windows its corners are held within the guard
// rather than cut at it, so only a polygon reaching tens of millions of pixels out is changed.
static void paint_polygon(const ShapeRecord *shape) {
    POINT corners[POLYGON_MAX];
    for (int i = 0; i < shape->count; ++i)
        corners[i] =
            POINT{(LONG)held(shape->points[2 * i]), (LONG)held(flipped(shape->points[2 * i + 1]))};
    HDC dc = begin_shape();
    HGDIOBJ kept_pen = SelectObject(dc, shape_pen(shape));
    HGDIOBJ kept_brush = SelectObject(dc, shape_brush(shape));
    Polygon(dc, corners, shape->count);
    SelectObject(dc, kept_pen);
    SelectObject(dc, kept_brush);
    end_shape(dc);
}

// The area of the colour found at the point, painted over with the record's colour. The point
// goes to GDI in buffer pixels, with the viewport at rest: under the shapes' moved viewport Wine's
// GDI filled nothing.
static void paint_fill(const ShapeRecord *shape) {
    HDC dc = library_state.window.buffer_dc;
    int64_t x = (int64_t)library_state.window.origin_x + shape->x1;
    int64_t y = (int64_t)library_state.window.origin_y - shape->y1;
    if (x < 0 || x >= library_state.picture.width || y < 0 || y >= library_state.picture.height) return;
    COLORREF found = GetPixel(dc, (int)x, (int)y);
    if (found == CLR_INVALID) return;
    HGDIOBJ kept_brush = SelectObject(dc, solid_brush(shape->colour));
    ExtFloodFill(dc, (int)x, (int)y, found, FLOODFILLSURFACE);
    SelectObject(dc, kept_brush);
}

// An image blended over the picture: its alpha is premultiplied, so source-over is one
// AlphaBlend.
static void paint_image(const ShapeRecord *shape) {
    int64_t x = shape->x1, y = flipped(shape->y1);
    // Far outside the buffer nothing shows (and Windows takes coordinates of 27 bits only).
    const int64_t FAR_OFF = (int64_t)1 << 24;
    if (x < -FAR_OFF || x > FAR_OFF || y < -FAR_OFF || y > FAR_OFF) return;
    HDC image_dc;
    int width, height;
    HGDIOBJ kept = image_for_drawing(shape->x2, &image_dc, &width, &height);
    if (!kept) return;
    HDC dc = begin_shape();
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, (int)x, (int)y, width, height, image_dc, 0, 0, width, height, blend);
    end_shape(dc);
    SelectObject(image_dc, kept);
}

void measure_text(int size, const char *text, int *width, int *height) {
    *width = *height = 0;
    // Before the start there is no buffer: a context of its own measures alike.
    HDC dc = library_state.window.buffer_dc;
    HDC own = dc ? nullptr : CreateCompatibleDC(nullptr);
    if (own) dc = own;
    if (!dc) return;
    HGDIOBJ kept_font = SelectObject(dc, text_font(size));
    TextUnits units(text);
    // As paint_text: the line height is the whole text's extent's height.
    SIZE extent = units.extent(dc, 0, units.length);
    int lines = 0, widest = 0;
    size_t start = 0;
    for (;;) {
        size_t stop = start;
        while (stop < units.length && units.unit(stop) != '\n') ++stop;
        SIZE line = {0, 0};
        if (stop > start) line = units.extent(dc, start, stop);
        if (line.cx > widest) widest = line.cx;
        ++lines;
        if (stop == units.length) break;
        start = stop + 1;
    }
    SelectObject(dc, kept_font);
    if (own) DeleteDC(own);
    *width = widest;
    *height = (int)((int64_t)lines * extent.cy > INT_MAX ? INT_MAX : (int64_t)lines * extent.cy);
}

void rasterise_shape(const ShapeRecord *shape) {
    // Before the library opens there is no buffer to paint into.
    if (library_state.window.buffer_dc) {
        switch (shape->kind) {
            case SHAPE_TRIANGLE:
                paint_triangle(shape);
                break;
            case SHAPE_RECTANGLE:
            case SHAPE_OVAL:
                paint_box(shape);
                break;
            case SHAPE_LINE:
                paint_line(shape);
                break;
            case SHAPE_PIXEL:
                paint_pixel(shape);
                break;
            case SHAPE_TEXT:
                paint_text(shape);
                break;
            case SHAPE_ARC:
                paint_arc(shape);
                break;
            case SHAPE_POLYGON:
                paint_polygon(shape);
                break;
            case SHAPE_FILL:
                paint_fill(shape);
                break;
            case SHAPE_IMAGE:
                paint_image(shape);
                break;
            default:
                break;
        }
    }
    library_state.window.dirty = 1;
}

void wipe_buffer(void) {
    HDC dc = library_state.window.buffer_dc;
    HGDIOBJ kept_brush = SelectObject(dc, solid_brush(WHITE));
    // Outlined with the context's initial pen, one pixel of black: the buffer gets its frame.
    Rectangle(dc, 0, 0, library_state.picture.width, library_state.picture.height);
    SelectObject(dc, kept_brush);
    library_state.window.dirty = 1;
}
