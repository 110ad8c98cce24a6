// The shape rasteriser: paints one shape record into the back buffer with the context's own
// pens, brushes and fonts, and wipes the whole buffer. Each record creates and deletes its
// objects; between records the context keeps its initial pen, brush, font and background mode.
#include "library/draw/raster.h"

#include "library/core/state.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

// Buffer pixels are computed in 64 bits, since origin + x overflows an int near its ends, and
// every point handed to the platform lies within +-DEVICE_GUARD, so far outside the 601 x 540
// buffer that even the widest pen drawn from it cannot reach back in. Wide lines and outlines are
// cut at the guard; one-pixel lines and thin triangles reaching past it are painted pixel by
// pixel, since a cut end off their lattice would tilt them. What the buffer shows stays what the
// uncut shape would paint.
#ifdef _WIN32
// Windows GDI refuses coordinates beyond 27 bits. Pens are narrowed to the limit, to keep GDI's
// own arithmetic (point plus half a pen) far from overflow, and an oval's box is held within the
// guard: there a shape tens of millions of pixels across is painted only approximately.
static const int64_t DEVICE_GUARD = (int64_t)1 << 26;
static const int PEN_WIDTH_LIMIT = 1 << 25;
#else
// The platform layer takes any int and works in 64 bits inside: the guard need only keep points
// within an int, and lie farther out than half of any int's width of pen.
static const int64_t DEVICE_GUARD = (int64_t)3 << 29;
static const int PEN_WIDTH_LIMIT = INT_MAX;
#endif

struct DevicePoint {
    int64_t x, y;  // buffer pixel, possibly far outside the buffer
};

static DevicePoint device_point(int32_t x, int32_t y) {
    DevicePoint p = {(int64_t)library_state.origin_x + x, (int64_t)library_state.origin_y - y};
    return p;
}

static int guarded(int64_t v) {
    if (v > DEVICE_GUARD) return (int)DEVICE_GUARD;
    if (v < -DEVICE_GUARD) return (int)-DEVICE_GUARD;
    return (int)v;
}

// An oval's box edge as handed to the platform. Moving an edge would move the whole curve, so on
// a platform that takes any int the box stays as it is, held only within an int.
static int box_edge(int64_t v) {
#ifdef _WIN32
    return guarded(v);
#else
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return (int)v;
#endif
}

static bool within_guard(DevicePoint p) {
    return llabs(p.x) <= DEVICE_GUARD && llabs(p.y) <= DEVICE_GUARD;
}

// True when the inclusive box [left, right] x [top, bottom], grown by reach on every side, misses
// the buffer: nothing would be painted, so nothing is handed to the platform.
static bool misses_buffer(int64_t left, int64_t top, int64_t right, int64_t bottom, int64_t reach) {
    return right + reach < 0 || left - reach >= TAVIX_WIDTH || bottom + reach < 0 ||
           top - reach >= TAVIX_HEIGHT;
}

static COLORREF colour_value(const ShapeRecord *shape) {
    return library_state.colours[shape->colour];
}

static int pen_width(const ShapeRecord *shape) {
    return shape->width > PEN_WIDTH_LIMIT ? PEN_WIDTH_LIMIT : shape->width;
}

// How far past a shape's points its pen may paint, with room to spare.
static int64_t pen_reach(const ShapeRecord *shape) {
    return (int64_t)pen_width(shape) + 2;
}

// The pen of a closed shape. Width 0 is the platform's thinnest pen, so a filled shape is also
// outlined in its own colour.
static HPEN shape_pen(const ShapeRecord *shape) {
    return CreatePen(PS_SOLID, pen_width(shape), colour_value(shape));
}

// A filled shape's own solid brush, or the shared hollow brush that leaves an outline's inside
// as it was (deleting the shared brush later does nothing).
static HBRUSH shape_brush(const ShapeRecord *shape) {
    if (shape->width == 0) return CreateSolidBrush(colour_value(shape));
    return (HBRUSH)GetStockObject(NULL_BRUSH);
}

// ---- Cutting at the guard ----------------------------------------------------------------------
//
// A side of the guard box keeps the points whose coordinate on one axis, times sign, is at most
// DEVICE_GUARD. An edge that crosses it is cut at a point that lies exactly on the edge, with
// integer coordinates, wherever the edge has such a point near the side: the platform then paints
// the cut edge's pixels, and fills up to it, exactly as it would for the whole edge. Only an edge
// whose integer points lie too far apart is cut at the rounded crossing, a fraction of a pixel
// off the edge a hundred thousand buffers away.

struct GuardSide {
    bool vertical;  // the side bounds y rather than x
    int sign;       // +1: keeps coordinate <= DEVICE_GUARD; -1: keeps coordinate >= -DEVICE_GUARD
};

static const GuardSide GUARD_SIDES[4] = {{false, 1}, {false, -1}, {true, 1}, {true, -1}};

static int64_t along(GuardSide side, DevicePoint p) {
    return side.sign * (side.vertical ? p.y : p.x);
}

static bool inside(GuardSide side, DevicePoint p) {
    return along(side, p) <= DEVICE_GUARD;
}

static int64_t gcd(int64_t a, int64_t b) {
    while (b != 0) {
        int64_t t = a % b;
        a = b;
        b = t;
    }
    return a;
}

// The point where the edge from kept (inside) towards lost (outside) leaves through side.
static DevicePoint cut_point(GuardSide side, DevicePoint kept, DevicePoint lost) {
    int64_t dx = lost.x - kept.x, dy = lost.y - kept.y;
    int64_t g = gcd(llabs(dx), llabs(dy));
    DevicePoint step = {dx / g, dy / g};
    int64_t room = DEVICE_GUARD - along(side, kept);  // >= 0
    int64_t advance = along(side, step);              // > 0: the edge leaves through this side
    int64_t k = room / advance;
    if (room - k * advance <= DEVICE_GUARD / 4) {
        DevicePoint p = {kept.x + k * step.x, kept.y + k * step.y};
        return p;
    }
    double t = (double)room / (double)(side.sign * (side.vertical ? dy : dx));
    DevicePoint p;
    if (side.vertical) {
        p.y = kept.y + side.sign * room;
        p.x = kept.x + llround(t * (double)dx);
    } else {
        p.x = kept.x + side.sign * room;
        p.y = kept.y + llround(t * (double)dy);
    }
    return p;
}

// Cuts a closed polygon at the guard box, side by side (each side keeps the half plane that
// holds the buffer). Returns the number of corners left in out, which holds up to 16.
static int cut_polygon(const DevicePoint *corners, int count, DevicePoint *out) {
    DevicePoint a[16], b[16];
    int n = count;
    for (int i = 0; i < count; ++i) a[i] = corners[i];
    for (const GuardSide &side : GUARD_SIDES) {
        int m = 0;
        for (int i = 0; i < n; ++i) {
            DevicePoint from = a[(i + n - 1) % n], to = a[i];
            bool from_in = inside(side, from), to_in = inside(side, to);
            if (from_in && to_in) {
                b[m++] = to;
            } else if (from_in) {
                b[m++] = cut_point(side, from, to);
            } else if (to_in) {
                b[m++] = cut_point(side, to, from);
                b[m++] = to;
            }
        }
        n = m;
        for (int i = 0; i < n; ++i) a[i] = b[i];
        if (n == 0) break;
    }
    for (int i = 0; i < n; ++i) out[i] = a[i];
    return n;
}

// Cuts a line at the guard box. False when no part of it lies inside.
static bool cut_line(DevicePoint *start, DevicePoint *end) {
    for (const GuardSide &side : GUARD_SIDES) {
        bool start_in = inside(side, *start), end_in = inside(side, *end);
        if (!start_in && !end_in) return false;
        if (!end_in) *end = cut_point(side, *start, *end);
        if (!start_in) *start = cut_point(side, *end, *start);
    }
    return true;
}

// ---- The shapes --------------------------------------------------------------------------------

static void paint_far_thin_triangle(const DevicePoint *corners, COLORREF colour, bool filled);

static void paint_triangle(const ShapeRecord *shape) {
    DevicePoint corners[3] = {device_point(shape->x1, shape->y1),
                              device_point(shape->x2, shape->y2),
                              device_point(shape->x3, shape->y3)};
    int64_t left = corners[0].x, right = left, top = corners[0].y, bottom = top;
    for (const DevicePoint &c : corners) {
        if (c.x < left) left = c.x;
        if (c.x > right) right = c.x;
        if (c.y < top) top = c.y;
        if (c.y > bottom) bottom = c.y;
    }
    if (misses_buffer(left, top, right, bottom, pen_reach(shape))) return;

    DevicePoint cut[16];
    int count = 3;
    if (within_guard(corners[0]) && within_guard(corners[1]) && within_guard(corners[2])) {
        for (int i = 0; i < 3; ++i) cut[i] = corners[i];
    } else if (shape->width <= 1) {
        paint_far_thin_triangle(corners, colour_value(shape), shape->width == 0);
        return;
    } else {
        count = cut_polygon(corners, 3, cut);
        if (count < 3) return;
    }
    POINT points[16];
    for (int i = 0; i < count; ++i) {
        points[i].x = guarded(cut[i].x);
        points[i].y = guarded(cut[i].y);
    }

    HDC dc = library_state.buffer_dc;
    HPEN pen = shape_pen(shape);
    HGDIOBJ kept_pen = SelectObject(dc, pen);
    HBRUSH brush = shape_brush(shape);
    HGDIOBJ kept_brush = SelectObject(dc, brush);
    Polygon(dc, points, count);
    SelectObject(dc, kept_pen);
    SelectObject(dc, kept_brush);
    DeleteObject(pen);
    DeleteObject(brush);
}

// A rectangle or an oval: the box from (x1, y1) to (x2, y2), both corners included.
static void paint_box(const ShapeRecord *shape) {
    DevicePoint upper_left = device_point(shape->x1, shape->y1);
    DevicePoint lower_right = device_point(shape->x2, shape->y2);
    int64_t left = upper_left.x, top = upper_left.y;
    int64_t right = lower_right.x + 1, bottom = lower_right.y + 1;  // the platform excludes them
    if (misses_buffer(left, top, right - 1, bottom - 1, pen_reach(shape))) return;

    HDC dc = library_state.buffer_dc;
    // Windows paints nothing for a 1 x 1 box, where a point-sized rectangle or a circle of
    // radius 0 promises its one pixel.
    if (right - left == 1 && bottom - top == 1 && shape->width <= 1) {
        SetPixel(dc, (int)left, (int)top, colour_value(shape));
        return;
    }

    HPEN pen = shape_pen(shape);
    HBRUSH brush = shape_brush(shape);
    HGDIOBJ kept_pen = SelectObject(dc, pen);
    HGDIOBJ kept_brush = SelectObject(dc, brush);
    // A rectangle's sides beyond the guard are invisible wherever they lie.
    if (shape->kind == SHAPE_RECTANGLE)
        Rectangle(dc, guarded(left), guarded(top), guarded(right), guarded(bottom));
    else
        Ellipse(dc, box_edge(left), box_edge(top), box_edge(right), box_edge(bottom));
    SelectObject(dc, kept_pen);
    SelectObject(dc, kept_brush);
    DeleteObject(pen);
    DeleteObject(brush);
}

// floor((a * b + c) / d), its remainder in rest, for d > 0 and operands and quotient well below
// 2^62, without a wider integer type: b's bits are taken from the top, the remainder kept below d.
static uint64_t floor_mul_div(uint64_t a, uint64_t b, uint64_t c, uint64_t d, uint64_t *rest) {
    uint64_t q = 0, r = 0, aq = a / d, ar = a % d;
    for (int bit = 63; bit >= 0; --bit) {
        q *= 2;
        r *= 2;
        if (r >= d) {
            r -= d;
            ++q;
        }
        if ((b >> bit) & 1) {
            q += aq;
            r += ar;
            if (r >= d) {
                r -= d;
                ++q;
            }
        }
    }
    q += c / d;
    r += c % d;
    if (r >= d) {
        r -= d;
        ++q;
    }
    *rest = r;
    return q;
}

// A one-pixel line whose ends lie beyond the guard. A cut end would have to lie on the line's
// own lattice to keep its steps, which a line of large coprime extents lacks, so the pixels the
// platform's line rule gives the whole line are set one by one where they fall on the buffer:
// x-major when |dx| > |dy|; the j-th pixel along the major axis (j from 0 to major - 1, the end
// point left out) lies floor((2 minor j + major - 1 + bias) / (2 major)) steps along the minor
// axis, bias 1 where a tie goes back (rising x-major lines, leftward y-major ones).
static void paint_far_thin_line(DevicePoint p, DevicePoint q, COLORREF colour) {
    int64_t dx = q.x - p.x, dy = q.y - p.y;
    bool x_major = llabs(dx) > llabs(dy);
    int bias = (x_major && dy < 0) || (!x_major && dx < 0) ? 1 : 0;
    int64_t a0 = x_major ? p.x : p.y, b0 = x_major ? p.y : p.x;
    int64_t da = x_major ? dx : dy, db = x_major ? dy : dx;
    int64_t sa = da < 0 ? -1 : 1, sb = db < 0 ? -1 : 1;
    int64_t major = llabs(da), minor = llabs(db);
    int64_t a_end = x_major ? TAVIX_WIDTH : TAVIX_HEIGHT,
            b_end = x_major ? TAVIX_HEIGHT : TAVIX_WIDTH;
    int64_t jlo = sa > 0 ? -a0 : a0 - (a_end - 1), jhi = sa > 0 ? a_end - 1 - a0 : a0;
    if (jlo < 0) jlo = 0;
    if (jhi > major - 1) jhi = major - 1;
    if (jlo > jhi) return;
    uint64_t rest;
    int64_t k = (int64_t)floor_mul_div(2 * (uint64_t)minor, (uint64_t)jlo,
                                       (uint64_t)(major - 1 + bias), 2 * (uint64_t)major, &rest);
    for (int64_t j = jlo; j <= jhi; ++j) {
        int64_t a = a0 + sa * j, b = b0 + sb * k;
        if (b >= 0 && b < b_end)
            SetPixel(library_state.buffer_dc, (int)(x_major ? a : b), (int)(x_major ? b : a),
                     colour);
        rest += 2 * (uint64_t)minor;
        if (rest >= 2 * (uint64_t)major) {
            rest -= 2 * (uint64_t)major;
            ++k;
        }
    }
}

// The x where the edge from a to b (a.y < b.y) crosses row y, rounded up: a.x plus
// ceil((y - a.y) (b.x - a.x) / (b.y - a.y)), exact for any int corners.
static int64_t edge_crossing(DevicePoint a, DevicePoint b, int64_t y) {
    uint64_t rest;
    uint64_t rows = (uint64_t)(y - a.y), height = (uint64_t)(b.y - a.y);
    int64_t run = b.x - a.x;
    if (run >= 0)
        return a.x + (int64_t)floor_mul_div(rows, (uint64_t)run, height - 1, height, &rest);
    return a.x - (int64_t)floor_mul_div(rows, (uint64_t)-run, 0, height, &rest);
}

// A triangle of the thinnest pen whose corners lie beyond the guard, painted as the platform
// paints the whole one: on each buffer row the even-odd fill covers [ceil(xL), ceil(xR)) of each
// pair of edge crossings (an edge taken over [its top row, its bottom row)), and the outline is
// the three one-pixel edges in turn.
static void paint_far_thin_triangle(const DevicePoint *corners, COLORREF colour, bool filled) {
    HDC dc = library_state.buffer_dc;
    if (filled) {
        // Spans are painted by the brush alone, which covers one pixel less right and below.
        HGDIOBJ kept_pen = SelectObject(dc, GetStockObject(NULL_PEN));
        HBRUSH brush = CreateSolidBrush(colour);
        HGDIOBJ kept_brush = SelectObject(dc, brush);
        for (int64_t y = 0; y < TAVIX_HEIGHT; ++y) {
            int64_t crossings[3];
            int count = 0;
            for (int i = 0; i < 3; ++i) {
                DevicePoint a = corners[i], b = corners[(i + 1) % 3];
                if (a.y == b.y) continue;
                if (a.y > b.y) {
                    DevicePoint t = a;
                    a = b;
                    b = t;
                }
                if (y < a.y || y >= b.y) continue;
                crossings[count++] = edge_crossing(a, b, y);
            }
            if (count < 2) continue;
            int64_t from = crossings[0] < crossings[1] ? crossings[0] : crossings[1];
            int64_t to = crossings[0] < crossings[1] ? crossings[1] : crossings[0];
            if (from < 0) from = 0;
            if (to > TAVIX_WIDTH) to = TAVIX_WIDTH;
            if (from < to) Rectangle(dc, (int)from, (int)y, (int)to + 1, (int)y + 2);
        }
        SelectObject(dc, kept_pen);
        SelectObject(dc, kept_brush);
        DeleteObject(brush);
    }
    for (int i = 0; i < 3; ++i) paint_far_thin_line(corners[i], corners[(i + 1) % 3], colour);
}

static void paint_line(const ShapeRecord *shape) {
    DevicePoint start = device_point(shape->x1, shape->y1);
    DevicePoint end = device_point(shape->x2, shape->y2);
    int64_t left = start.x < end.x ? start.x : end.x, right = start.x < end.x ? end.x : start.x;
    int64_t top = start.y < end.y ? start.y : end.y, bottom = start.y < end.y ? end.y : start.y;
    if (misses_buffer(left, top, right, bottom, pen_reach(shape))) return;
    if (shape->width == 1 && !(within_guard(start) && within_guard(end))) {
        paint_far_thin_line(start, end, colour_value(shape));
        return;
    }
    if (!cut_line(&start, &end)) return;

    HDC dc = library_state.buffer_dc;
    HPEN pen = CreatePen(PS_SOLID, pen_width(shape), colour_value(shape));
    HGDIOBJ kept_pen = SelectObject(dc, pen);
    MoveToEx(dc, guarded(start.x), guarded(start.y), nullptr);
    LineTo(dc, guarded(end.x), guarded(end.y));
    SelectObject(dc, kept_pen);
    DeleteObject(pen);
}

static void paint_pixel(const ShapeRecord *shape) {
    DevicePoint p = device_point(shape->x1, shape->y1);
    if (misses_buffer(p.x, p.y, p.x, p.y, 0)) return;
    SetPixel(library_state.buffer_dc, (int)p.x, (int)p.y, colour_value(shape));
}

// Paints a text line by line: the first line's cell stands on the anchor's row, every '\n'
// starts the next one a cell height lower, each at the anchor's x.
static void paint_text(const ShapeRecord *shape) {
    HDC dc = library_state.buffer_dc;
    SetTextColor(dc, colour_value(shape));
    int kept_mode = GetBkMode(dc);
    SetBkMode(dc, TRANSPARENT);
    HFONT font = CreateFontA(-shape->x2, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "TAVIX-font");
    HGDIOBJ kept_font = SelectObject(dc, font);

    const char *text = (const char *)GlobalLock(shape->text_block);
    if (text) {
        int length = 0;
        while (text[length] != '\0') ++length;
        // The whole text on one line: only its height, the font's cell height, is used. Its
        // width bounds every line's, which tells a line that starts far left of the buffer.
        SIZE extent = {0, 0};
        GetTextExtentPointA(dc, text, length, &extent);
        int64_t h = extent.cy;
        DevicePoint anchor = device_point(shape->x1, shape->y1);
        int64_t margin = h + 2;  // glyphs may reach a little outside their cell
        bool columns_visible =
            anchor.x + extent.cx + margin >= 0 && anchor.x - margin < TAVIX_WIDTH;
        int64_t n = -1;
        int start = 0;
        for (;;) {
            int stop = start;
            while (text[stop] != '\0' && text[stop] != '\n') ++stop;
            int64_t top = anchor.y + n * h;
            if (columns_visible && top + h + margin >= 0 && top - margin < TAVIX_HEIGHT)
                TextOutA(dc, guarded(anchor.x), guarded(top), text + start, stop - start);
            if (text[stop] == '\0') break;
            ++n;
            start = stop + 1;
        }
        GlobalUnlock(shape->text_block);
    }

    SetBkMode(dc, kept_mode);
    SelectObject(dc, kept_font);
    DeleteObject(font);
}

void rasterise_shape(const ShapeRecord *shape) {
    // Before the library opens there is no buffer to paint into.
    if (library_state.buffer_dc) {
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
            default:
                break;
        }
    }
    library_state.dirty = 1;
}

void wipe_buffer(void) {
    HDC dc = library_state.buffer_dc;
    HBRUSH brush = CreateSolidBrush(library_state.colours[WHITE]);
    HGDIOBJ kept_brush = SelectObject(dc, brush);
    // Outlined with the context's initial pen, one pixel of black: the buffer gets its frame.
    Rectangle(dc, 0, 0, TAVIX_WIDTH, TAVIX_HEIGHT);
    SelectObject(dc, kept_brush);
    DeleteObject(brush);
    library_state.dirty = 1;
}
