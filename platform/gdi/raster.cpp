// The rasteriser: rectangles, ellipses, polygons and lines painted pixel for pixel as Windows GDI
// paints them. Coordinates are 64-bit inside, so no int argument overflows, and every loop runs
// over rows or columns already clipped to the surface: a shape billions of pixels across costs no
// more than the part of it that shows.
#include "platform/gdi/raster.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/objects.h"
#include "platform/surface.h"

#include <algorithm>
#include <cmath>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

typedef __int128 wide_t;

wide_t floor_div(wide_t num, wide_t den) {  // den > 0
    wide_t q = num / den;
    if (num % den != 0 && num < 0) --q;
    return q;
}

wide_t ceil_div(wide_t num, wide_t den) {
    return -floor_div(-num, den);
}

// Results that may exceed 64 bits only matter as "far off the surface".
int64_t clamp_wide(wide_t v) {
    const wide_t limit = (wide_t)1 << 62;
    return (int64_t)(v > limit ? limit : v < -limit ? -limit : v);
}

struct Point64 {
    int64_t x, y;
};

inline void put_pixel(const Canvas &canvas, int64_t sx, int64_t sy, uint32_t pixel) {
    canvas.surface->pixels[sy * canvas.surface->width + sx] = pixel;
}

// Sets count pixels from to onward, 16 bytes a store where the compiler has SSE2: the first and
// last four pixels unaligned (they may overlap the middle), the middle aligned, as memset does.
// Short spans (circle rows, glyph-sized boxes) thus cost a handful of stores and no pixel loop.
void fill_pixels(uint32_t *to, size_t count, uint32_t pixel) {
#ifdef __SSE2__
    if (count >= 4) {
        __m128i four = _mm_set1_epi32((int)pixel);
        uint32_t *end = to + count;
        _mm_storeu_si128((__m128i *)to, four);
        _mm_storeu_si128((__m128i *)(end - 4), four);
        to = (uint32_t *)(((uintptr_t)to + 16) & ~(uintptr_t)15);
        for (; end - to >= 16; to += 16) {
            _mm_store_si128((__m128i *)to, four);
            _mm_store_si128((__m128i *)(to + 4), four);
            _mm_store_si128((__m128i *)(to + 8), four);
            _mm_store_si128((__m128i *)(to + 12), four);
        }
        for (; end - to >= 4; to += 4) _mm_store_si128((__m128i *)to, four);
        return;
    }
#endif
    for (; count > 0; --count) *to++ = pixel;
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define TAVIX_STRING_STORE 1
// Copies a few pixels. The empty asm keeps the compiler from making the loop a library call,
// which would cost more than the copy.
inline void copy_few(const uint32_t *from, uint32_t *to, int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
        to[i] = from[i];
        asm volatile("");
    }
}

#endif

// Fills columns [from, to) of surface rows [first, last), all within the surface. A box nearly as
// wide as the surface (a wipe, a background) is filled as one run from its first row's span to
// its last row's, with the narrow gaps between the spans saved and put back: on x86 one string
// store then writes whole cache lines without reading them first, as memset does, where row by
// row the stores cost half as much again.
void fill_rows(const Surface &surface, int64_t first, int64_t last, int64_t from, int64_t to,
               uint32_t pixel) {
    int64_t stride = surface.width, width = to - from, gap = stride - width;
#ifdef TAVIX_STRING_STORE
    const int64_t ROWS = 64, MAX_GAP = 32;
    if (gap <= MAX_GAP && width * (last - first) >= 16384) {
        uint32_t saved[ROWS * MAX_GAP];
        for (int64_t y = first; y < last; y += ROWS) {
            int64_t rows = std::min(ROWS, last - y);
            uint32_t *start = surface.pixels + y * stride + from;
            for (int64_t i = 0; i + 1 < rows; ++i)
                copy_few(start + i * stride + width, saved + i * gap, gap);
            size_t count = (size_t)((rows - 1) * stride + width);
            uint32_t *to_fill = start;
            asm volatile("rep stosl" : "+D"(to_fill), "+c"(count) : "a"(pixel) : "memory");
            for (int64_t i = 0; i + 1 < rows; ++i)
                copy_few(saved + i * gap, start + i * stride + width, gap);
        }
        return;
    }
#endif
    for (int64_t y = first; y < last; ++y)
        fill_pixels(surface.pixels + y * stride + from, (size_t)width, pixel);
}

// ---- Polygons (ALTERNATE) ----------------------------------------------------------------------

// An edge's crossings row after row: on row y the edge crosses at
// ceil((a.x (b.y - a.y) + (y - a.y)(b.x - a.x)) / (b.y - a.y)), kept as quotient and remainder so
// that the next row's is one step, exact, with no division.
struct EdgeWalk {
    int64_t top, bottom;      // the rows [top, bottom) the edge is taken over
    int64_t quotient;         // floor of the crossing on the current row
    int64_t rest;             // remainder, in [0, den)
    int64_t den;              // b.y - a.y, > 0
    int64_t step, step_rest;  // floor and remainder of (b.x - a.x) / den
};

// Fills the polygon with the even-odd rule: on row y a pixel is inside when it lies in
// [ceil(xL), ceil(xR)) of a pair of edge crossings, each edge taken over [ymin, ymax).
void fill_polygon(const Canvas &canvas, const Point64 *points, size_t count, COLORREF colour) {
    if (count < 3 || !canvas.surface) return;
    int64_t ymin = points[0].y, ymax = points[0].y;
    for (size_t i = 1; i < count; ++i) {
        ymin = std::min(ymin, points[i].y);
        ymax = std::max(ymax, points[i].y);
    }
    int64_t first = std::max(ymin, canvas.clip_top - canvas.origin_y);
    int64_t last = std::min(ymax, canvas.clip_bottom - canvas.origin_y);  // exclusive
    if (first >= last) return;
    std::vector<EdgeWalk> edges;
    for (size_t i = 0; i < count; ++i) {
        Point64 a = points[i], b = points[(i + 1) % count];
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        if (b.y <= first || a.y >= last) continue;
        EdgeWalk e;
        e.top = std::max(a.y, first);
        e.bottom = b.y;
        e.den = b.y - a.y;
        wide_t den = e.den;
        wide_t num = (wide_t)a.x * den + (wide_t)(e.top - a.y) * (b.x - a.x);
        wide_t q = floor_div(num, den);
        e.quotient = clamp_wide(q);
        e.rest = (int64_t)(num - q * den);
        wide_t run = b.x - a.x, step = floor_div(run, den);
        e.step = clamp_wide(step);
        e.step_rest = (int64_t)(run - step * den);
        edges.push_back(e);
    }
    std::vector<int64_t> crossings;
    crossings.reserve(edges.size());
    for (int64_t y = first; y < last; ++y) {
        crossings.clear();
        for (EdgeWalk &e : edges) {
            if (y < e.top || y >= e.bottom) continue;
            crossings.push_back(e.quotient + (e.rest != 0));
            e.quotient += e.step;
            e.rest += e.step_rest;
            if (e.rest >= e.den) {
                e.rest -= e.den;
                ++e.quotient;
            }
        }
        if (crossings.size() == 2) {  // every row of a triangle or a convex shape
            if (crossings[0] > crossings[1]) std::swap(crossings[0], crossings[1]);
        } else {
            std::sort(crossings.begin(), crossings.end());
        }
        for (size_t i = 0; i + 1 < crossings.size(); i += 2)
            canvas_span(canvas, y, crossings[i], crossings[i + 1], colour);
    }
}

// ---- Ellipses ----------------------------------------------------------------------------------
//
// An ellipse is worked in doubled coordinates about the centre of its pixel-centre box, so that
// boxes of even size (centre between pixels) stay integral: the box W x H gives semi-axes
// A = W - 1 and B = H - 1, and the pixel at doubled offset (X, Y) has X = A (mod 2), Y = B (mod 2);
// F(X, Y) = B^2 X^2 + A^2 Y^2 - A^2 B^2 is <= 0 on and inside the curve.
//
// The integer midpoint walk of a quadrant starts at the top (X = A mod 2, Y = B). While the next
// column is still shallow (B^2 (X + 2) < A^2 (Y - 1)) it plots, drops a row when the midpoint
// below the next column is outside (F(X + 2, Y - 1) > 0), and steps a column. Then it plots the
// turning pixel and goes down row by row, stepping outward while the midpoint beside is inside or
// on (F(X + 1, Y) <= 0); the middle row reaches out that way even when the walk turns on it. A
// midpoint on the curve keeps the outer pixel throughout, so flat ellipses reach their box's sides.
//
// half(Y), the largest X the walk plots on row Y, has a closed form row by row, so only visible
// rows cost anything: a row's outline runs from half(Y + 2) + 2 to half(Y), its fill from -half(Y)
// to half(Y).

struct EllipseShape {
    int64_t a, b;         // doubled semi-axes: box width - 1, box height - 1
    int64_t first, last;  // the walk's first X (A mod 2) and its last row (B mod 2)
    bool exact;           // small enough for exact 128-bit arithmetic
    int64_t turn_row;     // the row on which the walk turns from shallow to steep
    int64_t turn_half;    // half() of that row
};

// F(X, Y) <= 0. Exact up to 2^30 pixels across; beyond, in long double, as close as a pixel.
bool inside_or_on(const EllipseShape &e, int64_t x, int64_t y) {
    if (e.exact) {
        wide_t a2 = (wide_t)e.a * e.a, b2 = (wide_t)e.b * e.b;
        return b2 * x * x + a2 * y * y <= a2 * b2;
    }
    long double u = (long double)x / e.a, v = (long double)y / e.b;
    return u * u + v * v <= 1.0L;
}

// The largest X = A (mod 2) with F(X + dx, y) <= 0; first - 2 if there is none.
int64_t largest_inside(const EllipseShape &e, int64_t dx, int64_t y) {
    long double v = (long double)y / e.b;
    long double reach = v * v >= 1 ? 0 : e.a * sqrtl(1 - v * v);
    int64_t x = (int64_t)reach - dx;
    if ((x - e.first) % 2 != 0) --x;
    if (x < e.first - 2) x = e.first - 2;
    while (inside_or_on(e, x + 2 + dx, y)) x += 2;
    while (x >= e.first && !inside_or_on(e, x + dx, y)) x -= 2;
    return x;
}

// Where the shallow part would leave row y: the first X with B^2 (X + 2) >= A^2 (y - 1).
int64_t shallow_end(const EllipseShape &e, int64_t y) {
    if (y - 1 <= 0) return e.first;
    int64_t x;
    if (e.exact) {
        wide_t need = (wide_t)e.a * e.a * (y - 1), b2 = (wide_t)e.b * e.b;
        wide_t q = need / b2 + (need % b2 != 0);  // ceil
        x = clamp_wide(q - 2);
    } else {
        x = clamp_wide((wide_t)ceill((long double)e.a * e.a * (y - 1) / ((long double)e.b * e.b)) -
                       2);
    }
    if (x < e.first) return e.first;
    if ((x - e.first) % 2 != 0) ++x;
    return std::min(x, e.a + 2);
}

// half() of a row the walk crosses while shallow: the last X whose midpoint below is inside or on,
// and never less than where the row starts.
int64_t shallow_half(const EllipseShape &e, int64_t y) {
    int64_t h = largest_inside(e, 0, y - 1);
    int64_t start = y == e.b ? e.first : std::max(largest_inside(e, 0, y + 1), e.first - 2) + 2;
    if (y + 2 == e.b) start = std::max(start, e.first + 2);
    return std::max(h, start);
}

void ellipse_prepare(EllipseShape &e, int64_t width, int64_t height) {
    e.a = width - 1;
    e.b = height - 1;
    e.first = e.a & 1;
    e.last = e.b & 1;
    e.exact = e.a <= ((int64_t)1 << 30) && e.b <= ((int64_t)1 << 30);
    // The turning row is the first, from the top, where the shallow part ends before the row
    // does; the test only grows truer further down, so it is found by bisection.
    int64_t lo = 0, hi = (e.b - e.last) / 2;  // row indices from the top: Y = b - 2k
    while (lo < hi) {
        int64_t mid = lo + (hi - lo) / 2;
        int64_t y = e.b - 2 * mid;
        if (shallow_end(e, y) <= shallow_half(e, y))
            hi = mid;
        else
            lo = mid + 1;
    }
    e.turn_row = e.b - 2 * lo;
    int64_t start = e.turn_row == e.b ? e.first : shallow_half(e, e.turn_row + 2) + 2;
    e.turn_half = std::max(start, shallow_end(e, e.turn_row));
    if (e.turn_row == e.last) e.turn_half = std::max(e.turn_half, largest_inside(e, -1, e.last));
}

int64_t ellipse_half(const EllipseShape &e, int64_t y) {
    if (y > e.b) return e.first - 2;
    if (y > e.turn_row) return shallow_half(e, y);
    if (y == e.turn_row) return e.turn_half;
    return std::max(e.turn_half, largest_inside(e, -1, y));
}

// The halves of the ellipses painted lately, by box size: a program redraws the same circles
// frame after frame, and a row's half costs a square root and 128-bit products to work out.
// Only boxes up to CACHED_HEIGHT rows are kept, so the cache stays a few hundred kilobytes.
struct HalfTable {
    int64_t width, height;        // the box; 0 x 0 for an empty slot
    std::vector<int64_t> halves;  // ellipse_half of Y = (B mod 2) + 2i, for Y up to B + 2
};

struct EllipseCache {
    HalfTable tables[32];  // most recent boxes
    unsigned next;         // the slot taken by the next new box, round robin
    unsigned last;         // the slot used last: a program often paints a row of equal circles
};

EllipseCache ellipse_cache;
const int64_t CACHED_HEIGHT = 2048;

const std::vector<int64_t> &cached_halves(int64_t width, int64_t height) {
    const HalfTable &last = ellipse_cache.tables[ellipse_cache.last];
    if (last.width == width && last.height == height) return last.halves;
    for (unsigned i = 0; i < 32; ++i) {
        const HalfTable &table = ellipse_cache.tables[i];
        if (table.width == width && table.height == height) {
            ellipse_cache.last = i;
            return table.halves;
        }
    }
    ellipse_cache.last = ellipse_cache.next++ % 32;
    HalfTable &table = ellipse_cache.tables[ellipse_cache.last];
    EllipseShape shape;
    ellipse_prepare(shape, width, height);
    table.width = width;
    table.height = height;
    table.halves.resize((size_t)(shape.b / 2 + 2));
    for (size_t i = 0; i < table.halves.size(); ++i)
        table.halves[i] = ellipse_half(shape, shape.last + 2 * (int64_t)i);
    return table.halves;
}

// Paints the ellipse of box (l, t, l + width, t + height), width and height at least 3: the fill
// in fill_colour (unless fill is false), then the outline in pen_colour (unless pen is false).
void paint_ellipse(const Canvas &canvas, int64_t l, int64_t t, int64_t width, int64_t height,
                   bool pen, COLORREF pen_colour, bool fill, COLORREF fill_colour) {
    int64_t a = width - 1, b = height - 1;
    int64_t cx2 = 2 * l + a, cy2 = 2 * t + b;  // doubled centre
    int64_t first = std::max(t, canvas.clip_top - canvas.origin_y);
    int64_t last = std::min(t + height, canvas.clip_bottom - canvas.origin_y);
    if (first >= last) return;
    // Each visible row needs half() of its own |Y| and of the one above; both halves of the
    // ellipse share them, so they are worked out once for the range of |Y| in view (or kept
    // for the whole of a small ellipse).
    auto distance = [&](int64_t y) { return 2 * y - cy2 < 0 ? cy2 - 2 * y : 2 * y - cy2; };
    int64_t low = b & 1;
    std::vector<int64_t> in_view;
    const int64_t *halves;
    if (height <= CACHED_HEIGHT) {
        halves = cached_halves(width, height).data();
    } else {
        EllipseShape shape;
        ellipse_prepare(shape, width, height);
        int64_t high = std::max(distance(first), distance(last - 1)) + 2;
        if (!(2 * first <= cy2 && cy2 <= 2 * (last - 1)))
            low = std::min(distance(first), distance(last - 1));
        in_view.resize((size_t)((high - low) / 2 + 1));
        for (size_t i = 0; i < in_view.size(); ++i)
            in_view[i] = ellipse_half(shape, low + 2 * (int64_t)i);
        halves = in_view.data();
    }
    auto half = [&](int64_t dy) { return halves[(size_t)((dy - low) / 2)]; };
    // The outline lies within the fill's span: in the fill's colour it would change nothing.
    if (fill && pen && pen_colour == fill_colour) pen = false;
    if (fill && !pen) {
        // One span a row, clipped here (the rows already are) and filled straight in.
        uint32_t pixel = pixel_from_colorref(fill_colour);
        int64_t stride = canvas.surface->width;
        uint32_t *row = canvas.surface->pixels + (first + canvas.origin_y) * stride;
        for (int64_t y = first; y < last; ++y, row += stride) {
            int64_t h = half(distance(y));
            int64_t from = std::max<int64_t>((cx2 - h) / 2 + canvas.origin_x, canvas.clip_left);
            int64_t to = std::min<int64_t>((cx2 + h) / 2 + 1 + canvas.origin_x, canvas.clip_right);
            if (from < to) fill_pixels(row + from, (size_t)(to - from), pixel);
        }
        return;
    }
    for (int64_t y = first; y < last; ++y) {
        int64_t dy = distance(y);
        int64_t h = half(dy);
        if (fill) canvas_span(canvas, y, (cx2 - h) / 2, (cx2 + h) / 2 + 1, fill_colour);
        if (pen) {
            int64_t inner = std::min(h, half(dy + 2) + 2);
            canvas_span(canvas, y, (cx2 + inner) / 2, (cx2 + h) / 2 + 1, pen_colour);
            canvas_span(canvas, y, (cx2 - h) / 2, (cx2 - inner) / 2 + 1, pen_colour);
        }
    }
}

// The filled disc a wide pen leaves at an end point or a join.
void paint_disc(const Canvas &canvas, int64_t x, int64_t y, int width, COLORREF colour) {
    int64_t l = x - width / 2, t = y - width / 2;
    if (width <= 2)
        canvas_fill(canvas, l, t, l + width, t + width, colour);
    else
        paint_ellipse(canvas, l, t, width, width, false, 0, true, colour);
}

// ---- Lines -------------------------------------------------------------------------------------

// A 1-pixel line from p to q, p painted and q not. The pixel j steps along the major axis is
// (major0 + j, minor0 + k(j)) with k(j) = floor((2 minor j + major - 1 + bias) / (2 major)), the
// closed form of the error-term walk; clipping picks the range of j directly, so the pixels
// are those of the unclipped line and the hidden part costs nothing. Styled pens paint their dash
// pattern, pixel j of the line being pixel phase + j of the pattern; the gaps take gap_colour,
// or keep their pixels when it is null.
void thin_line(const Canvas &canvas, Point64 p, Point64 q, COLORREF colour, int style,
               int64_t phase, const COLORREF *gap_colour) {
    if (!canvas.surface) return;
    int64_t dx = q.x - p.x, dy = q.y - p.y;
    if (dx == 0 && dy == 0) return;
    bool x_major = (dx < 0 ? -dx : dx) > (dy < 0 ? -dy : dy);
    bool left = dx < 0, up = dy < 0;
    // Ties go to the smaller y on x-major lines and the smaller x on y-major ones.
    int bias = (x_major && up) || (!x_major && left) ? 1 : 0;
    int64_t a0 = (x_major ? p.x : p.y) + (x_major ? canvas.origin_x : canvas.origin_y);
    int64_t b0 = (x_major ? p.y : p.x) + (x_major ? canvas.origin_y : canvas.origin_x);
    int64_t da = x_major ? dx : dy, db = x_major ? dy : dx;
    int sa = da < 0 ? -1 : 1, sb = db < 0 ? -1 : 1;
    int64_t major = da < 0 ? -da : da, minor = db < 0 ? -db : db;
    int64_t alo = x_major ? canvas.clip_left : canvas.clip_top;
    int64_t ahi = x_major ? canvas.clip_right : canvas.clip_bottom;
    int64_t blo = x_major ? canvas.clip_top : canvas.clip_left;
    int64_t bhi = x_major ? canvas.clip_bottom : canvas.clip_right;

    int64_t jlo = 0, jhi = major - 1;
    if (sa > 0) {
        jlo = std::max(jlo, alo - a0);
        jhi = std::min(jhi, ahi - 1 - a0);
    } else {
        jlo = std::max(jlo, a0 - (ahi - 1));
        jhi = std::min(jhi, a0 - alo);
    }
    int64_t kmin = sb > 0 ? blo - b0 : b0 - (bhi - 1);
    int64_t kmax = sb > 0 ? bhi - 1 - b0 : b0 - blo;
    int64_t c = major - 1 + bias;
    if (minor == 0) {
        if (kmin > 0 || kmax < 0) return;
    } else {
        if (kmax < 0) return;
        wide_t step = (wide_t)2 * minor;
        jlo = clamp_wide(std::max<wide_t>(jlo, ceil_div((wide_t)2 * major * kmin - c, step)));
        jhi = clamp_wide(
            std::min<wide_t>(jhi, floor_div((wide_t)2 * major * (kmax + 1) - c - 1, step)));
    }
    if (jlo > jhi) return;

    uint32_t pixel = pixel_from_colorref(colour);
    uint32_t gap_pixel = gap_colour ? pixel_from_colorref(*gap_colour) : 0;
    // Windows' cosmetic patterns: dashes of 18 pixels with gaps of 6, dots of 3 with gaps of 3.
    int64_t period = style == PS_DASH ? 24 : style == PS_DOT ? 6 : 0;
    int64_t on = style == PS_DASH ? 18 : 3;
    wide_t num = (wide_t)2 * minor * jlo + c;
    int64_t k = (int64_t)floor_div(num, (wide_t)2 * major);
    int64_t rest = (int64_t)(num - (wide_t)k * 2 * major);  // in [0, 2 major)
    for (int64_t j = jlo; j <= jhi; ++j) {
        int64_t a = a0 + sa * j, b = b0 + sb * k;
        bool dash = period == 0 || (phase + j) % period < on;
        if (dash || gap_colour) {
            if (x_major)
                put_pixel(canvas, a, b, dash ? pixel : gap_pixel);
            else
                put_pixel(canvas, b, a, dash ? pixel : gap_pixel);
        }
        rest += 2 * minor;
        if (rest >= 2 * major) {
            rest -= 2 * major;
            ++k;
        }
    }
}

// A line of a wide pen: the band square to the line, offset by the rounded half widths, with a
// round cap at each end (both ends painted).
void wide_line(const Canvas &canvas, Point64 p, Point64 q, int width, COLORREF colour) {
    if (!canvas.surface) return;
    paint_disc(canvas, p.x, p.y, width, colour);
    paint_disc(canvas, q.x, q.y, width, colour);
    if (p.x == q.x && p.y == q.y) return;
    long double dx = (long double)(q.x - p.x), dy = (long double)(q.y - p.y);
    long double length = sqrtl(dx * dx + dy * dy);
    long double nx = -dy / length * width / 2, ny = dx / length * width / 2;
    int64_t ox1 = (int64_t)floorl(nx + 0.5L), oy1 = (int64_t)floorl(ny + 0.5L);
    int64_t ox2 = (int64_t)floorl(-nx + 0.5L), oy2 = (int64_t)floorl(-ny + 0.5L);
    Point64 band[4] = {{p.x + ox1, p.y + oy1},
                       {q.x + ox1, q.y + oy1},
                       {q.x + ox2, q.y + oy2},
                       {p.x + ox2, p.y + oy2}};
    fill_polygon(canvas, band, 4, colour);
}

// The pen's stroke along a path of points (closed: back to the first), each vertex painted once.
// A dashed or dotted 1-pixel pen runs its pattern on along the path; wide pens are always solid.
void stroke_path(const Canvas &canvas, const GdiPen *pen, const Point64 *points, size_t count,
                 bool closed, const COLORREF *gap_colour) {
    if (!pen || pen->style == PS_NULL || count == 0) return;
    size_t segments = closed ? count : count - 1;
    int64_t phase = 0;
    for (size_t i = 0; i < segments; ++i) {
        Point64 p = points[i], q = points[(i + 1) % count];
        if (pen->width > 1) {
            wide_line(canvas, p, q, pen->width, pen->colour);
        } else {
            thin_line(canvas, p, q, pen->colour, pen->style, phase, gap_colour);
            int64_t dx = q.x - p.x, dy = q.y - p.y;
            phase = (phase + std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy)) % 24;
        }
    }
}

// The colour of the gaps in styled lines: the background colour in OPAQUE mode, none otherwise.
const COLORREF *gap_colour_of(const GdiDC *dc) {
    return dc->bk_mode == OPAQUE ? &dc->bk_colour : nullptr;
}

// ---- Rectangles --------------------------------------------------------------------------------

// A box with a one-pixel frame in frame_colour and, if fill, the inside in fill_colour: the
// inside in one pass over its rows, then the frame's sides and its top and bottom rows.
void paint_framed_box(const Canvas &canvas, int64_t l, int64_t t, int64_t r, int64_t b,
                      COLORREF frame_colour, bool fill, COLORREF fill_colour) {
    int64_t top = t + canvas.origin_y, bottom = b + canvas.origin_y;  // surface rows
    int64_t left = l + canvas.origin_x, right = r + canvas.origin_x;  // surface columns
    int64_t first = std::max<int64_t>(top, canvas.clip_top);
    int64_t last = std::min<int64_t>(bottom, canvas.clip_bottom);
    int64_t from = std::max<int64_t>(left, canvas.clip_left);
    int64_t to = std::min<int64_t>(right, canvas.clip_right);
    if (first >= last || from >= to) return;
    const Surface &surface = *canvas.surface;
    uint32_t frame = pixel_from_colorref(frame_colour);
    int64_t inner_first = std::max(first, top + 1), inner_last = std::min(last, bottom - 1);
    int64_t inner_from = std::max(from, left + 1), inner_to = std::min(to, right - 1);
    if (fill && inner_first < inner_last && inner_from < inner_to)
        fill_rows(surface, inner_first, inner_last, inner_from, inner_to,
                  pixel_from_colorref(fill_colour));
    bool left_shows = left >= canvas.clip_left, right_shows = right <= canvas.clip_right;
    for (int64_t sy = inner_first; sy < inner_last; ++sy) {
        if (left_shows) surface.pixels[sy * surface.width + left] = frame;
        if (right_shows) surface.pixels[sy * surface.width + right - 1] = frame;
    }
    if (top >= first)
        fill_pixels(surface.pixels + top * surface.width + from, (size_t)(to - from), frame);
    if (bottom - 1 < last && bottom - 1 != top)
        fill_pixels(surface.pixels + (bottom - 1) * surface.width + from, (size_t)(to - from),
                    frame);
}

// Rectangle's painting once the corners are ordered (l < r, t < b).
void paint_rectangle(const Canvas &canvas, const GdiPen *pen, const GdiBrush *brush,
                     const COLORREF *gap_colour, int64_t l, int64_t t, int64_t r, int64_t b) {
    bool has_pen = pen && pen->style != PS_NULL;
    bool has_brush = brush && !brush->hollow;
    if (!has_pen) {
        // Without a pen Windows fills one pixel less to the right and below.
        if (has_brush) canvas_fill(canvas, l, t, r - 1, b - 1, brush->colour);
        return;
    }
    if (pen->width <= 1 && pen->style == PS_SOLID) {
        // A 1 x 1 box paints nothing on Windows, its outline having no length.
        if (r - l == 1 && b - t == 1) return;
        paint_framed_box(canvas, l, t, r, b, pen->colour, has_brush, has_brush ? brush->colour : 0);
        return;
    }
    if (has_brush) canvas_fill(canvas, l + 1, t + 1, r - 1, b - 1, brush->colour);
    Point64 outline[4] = {{l, t}, {r - 1, t}, {r - 1, b - 1}, {l, b - 1}};
    stroke_path(canvas, pen, outline, 4, true, gap_colour);
}

// Orders the corners; false for a box with no area.
bool order_box(int64_t *l, int64_t *t, int64_t *r, int64_t *b) {
    if (*l > *r) std::swap(*l, *r);
    if (*t > *b) std::swap(*t, *b);
    return *l < *r && *t < *b;
}

}  // namespace

void canvas_span(const Canvas &canvas, int64_t y, int64_t x0, int64_t x1, COLORREF colour) {
    if (!canvas.surface) return;
    int64_t sy = y + canvas.origin_y;
    if (sy < canvas.clip_top || sy >= canvas.clip_bottom) return;
    int64_t from = std::max<int64_t>(x0 + canvas.origin_x, canvas.clip_left);
    int64_t to = std::min<int64_t>(x1 + canvas.origin_x, canvas.clip_right);
    if (from >= to) return;
    fill_pixels(canvas.surface->pixels + sy * canvas.surface->width + from, (size_t)(to - from),
                pixel_from_colorref(colour));
}

void canvas_fill(const Canvas &canvas, int64_t left, int64_t top, int64_t right, int64_t bottom,
                 COLORREF colour) {
    if (!canvas.surface) return;
    int64_t first = std::max<int64_t>(top + canvas.origin_y, canvas.clip_top) - canvas.origin_y;
    int64_t last =
        std::min<int64_t>(bottom + canvas.origin_y, canvas.clip_bottom) - canvas.origin_y;
    int64_t from = std::max<int64_t>(left + canvas.origin_x, canvas.clip_left);
    int64_t to = std::min<int64_t>(right + canvas.origin_x, canvas.clip_right);
    if (first < last && from < to)
        fill_rows(*canvas.surface, first + canvas.origin_y, last + canvas.origin_y, from, to,
                  pixel_from_colorref(colour));
}

BOOL WINAPI Rectangle(HDC handle, int left, int top, int right, int bottom) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return FALSE;
    int64_t l = left, t = top, r = right, b = bottom;
    if (!order_box(&l, &t, &r, &b)) return TRUE;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return TRUE;
    paint_rectangle(canvas, pen_get(dc->pen), brush_get(dc->brush), gap_colour_of(dc), l, t, r, b);
    dc_painted(dc);
    return TRUE;
}

BOOL WINAPI Ellipse(HDC handle, int left, int top, int right, int bottom) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return FALSE;
    int64_t l = left, t = top, r = right, b = bottom;
    if (!order_box(&l, &t, &r, &b)) return TRUE;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return TRUE;
    GdiPen *pen = pen_get(dc->pen);
    GdiBrush *brush = brush_get(dc->brush);
    bool has_pen = pen && pen->style != PS_NULL;
    bool has_brush = brush && !brush->hollow;
    if (!has_pen) {
        // Like Rectangle, the brush alone covers one pixel less to the right and below.
        r -= 1;
        b -= 1;
    }
    int64_t width = r - l, height = b - t;
    if (width <= 2 || height <= 2) {
        // Too small to curve: painted as the rectangle of the same box.
        if (has_pen) {
            paint_rectangle(canvas, pen, brush, gap_colour_of(dc), l, t, r, b);
        } else if (has_brush && width > 0 && height > 0) {
            canvas_fill(canvas, l, t, r, b, brush->colour);
        }
    } else if (!has_pen || pen->width <= 1) {
        paint_ellipse(canvas, l, t, width, height, has_pen, has_pen ? pen->colour : 0, has_brush,
                      has_brush ? brush->colour : 0);
    } else {
        // A wide pen: the band between the ellipse grown by the pen's reach outward and the one
        // shrunk by its reach inward, the brush inside.
        int64_t out_l = l - pen->width / 2, out_t = t - pen->width / 2;
        int64_t out_r = r + (pen->width - 1) / 2, out_b = b + (pen->width - 1) / 2;
        int64_t in_l = out_l + pen->width, in_t = out_t + pen->width;
        int64_t in_r = out_r - pen->width, in_b = out_b - pen->width;
        paint_ellipse(canvas, out_l, out_t, out_r - out_l, out_b - out_t, false, 0, true,
                      pen->colour);
        if (in_r - in_l >= 3 && in_b - in_t >= 3)
            paint_ellipse(canvas, in_l, in_t, in_r - in_l, in_b - in_t, false, 0, has_brush,
                          has_brush ? brush->colour : 0);
        else if (has_brush && in_r > in_l && in_b > in_t)
            canvas_fill(canvas, in_l, in_t, in_r, in_b, brush->colour);
    }
    dc_painted(dc);
    return TRUE;
}

BOOL WINAPI Polygon(HDC handle, const POINT *points, int count) {
    GdiDC *dc = dc_get(handle);
    if (!dc || !points || count < 2) return FALSE;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return TRUE;
    std::vector<Point64> path((size_t)count);
    for (int i = 0; i < count; ++i) path[(size_t)i] = Point64{points[i].x, points[i].y};
    GdiBrush *brush = brush_get(dc->brush);
    if (brush && !brush->hollow) fill_polygon(canvas, path.data(), path.size(), brush->colour);
    stroke_path(canvas, pen_get(dc->pen), path.data(), path.size(), true, gap_colour_of(dc));
    dc_painted(dc);
    return TRUE;
}

BOOL WINAPI LineTo(HDC handle, int x, int y) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return FALSE;
    Point64 path[2] = {{dc->pos_x, dc->pos_y}, {x, y}};
    dc->pos_x = x;
    dc->pos_y = y;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return TRUE;
    stroke_path(canvas, pen_get(dc->pen), path, 2, false, gap_colour_of(dc));
    dc_painted(dc);
    return TRUE;
}
