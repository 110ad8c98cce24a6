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
#include <memory>
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
// last eight pixels unaligned (they may overlap each other and the middle), the middle aligned,
// as memset does. Spans of 4 to 16 pixels (most circle rows) are two or four stores and no loop.
inline __attribute__((always_inline)) void fill_pixels(uint32_t *to, size_t count, uint32_t pixel) {
#ifdef __SSE2__
    __m128i four = _mm_set1_epi32((int)pixel);
    if (count >= 8) {
        uint32_t *end = to + count;
        _mm_storeu_si128((__m128i *)to, four);
        _mm_storeu_si128((__m128i *)(to + 4), four);
        _mm_storeu_si128((__m128i *)(end - 8), four);
        _mm_storeu_si128((__m128i *)(end - 4), four);
        if (count > 16) {
            uint32_t *at = (uint32_t *)(((uintptr_t)to + 32) & ~(uintptr_t)15);
            for (; at < end - 8; at += 8) {
                _mm_store_si128((__m128i *)at, four);
                _mm_store_si128((__m128i *)(at + 4), four);
            }
        }
        return;
    }
    if (count >= 4) {
        _mm_storeu_si128((__m128i *)to, four);
        _mm_storeu_si128((__m128i *)(to + count - 4), four);
        return;
    }
#endif
    for (; count > 0; --count) *to++ = pixel;
}

// TAVIX_PORTABLE_FILLS builds the fills every other processor gets, so that x86 can check them.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && \
    !defined(TAVIX_PORTABLE_FILLS)
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
    int64_t stride = surface.width, width = to - from;
#ifdef TAVIX_STRING_STORE
    int64_t gap = stride - width;
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
    // Edges and a row's crossings live on the stack for the polygons that are drawn most
    // (triangles, pen bands, small shapes).
    const size_t ON_STACK = 16;
    EdgeWalk edges_here[ON_STACK];
    int64_t crossings_here[ON_STACK];
    std::vector<EdgeWalk> edges_heap;
    std::vector<int64_t> crossings_heap;
    EdgeWalk *edges = edges_here;
    int64_t *crossings = crossings_here;
    if (count > ON_STACK) {
        // Only the edges that cross the rows in view are walked: a long path (a pie's arc) has
        // few of them.
        size_t crossing = 0;
        for (size_t i = 0; i < count; ++i) {
            int64_t ay = points[i].y, by = points[(i + 1) % count].y;
            crossing += ay != by && std::max(ay, by) > first && std::min(ay, by) < last;
        }
        if (crossing > ON_STACK) {
            edges_heap.resize(crossing);
            crossings_heap.resize(crossing);
            edges = edges_heap.data();
            crossings = crossings_heap.data();
        }
    }
    size_t edge_count = 0;
    for (size_t i = 0; i < count; ++i) {
        Point64 a = points[i], b = points[(i + 1) % count];
        if (a.y == b.y) continue;
        if (a.y > b.y) std::swap(a, b);
        if (b.y <= first || a.y >= last) continue;
        EdgeWalk &e = edges[edge_count++];
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
    }
    uint32_t pixel = pixel_from_colorref(colour);
    int64_t stride = canvas.surface->width;
    uint32_t *row = canvas.surface->pixels + (first + canvas.origin_y) * stride;
    int64_t ox = canvas.origin_x;
    for (int64_t y = first; y < last; ++y, row += stride) {
        size_t n = 0;
        for (size_t k = 0; k < edge_count; ++k) {
            EdgeWalk &e = edges[k];
            if (y < e.top || y >= e.bottom) continue;
            crossings[n++] = e.quotient + (e.rest != 0);
            e.quotient += e.step;
            e.rest += e.step_rest;
            if (e.rest >= e.den) {
                e.rest -= e.den;
                ++e.quotient;
            }
        }
        auto span = [&](int64_t from, int64_t to) {
            int64_t x0 = std::max(from + ox, (int64_t)canvas.clip_left);
            int64_t x1 = std::min(to + ox, (int64_t)canvas.clip_right);
            if (x0 < x1) fill_pixels(row + x0, (size_t)(x1 - x0), pixel);
        };
        if (n == 2) {  // every row of a triangle or a convex shape
            // Taken as two values, not swapped in place, which the compiler did with one wide load
            // that had to wait for both stores to land.
            int64_t a = crossings[0], b = crossings[1];
            span(std::min(a, b), std::max(a, b));
            continue;
        }
        std::sort(crossings, crossings + n);
        for (size_t i = 0; i + 1 < n; i += 2) span(crossings[i], crossings[i + 1]);
    }
}

// ---- Ellipses ----------------------------------------------------------------------------------
//
// GDI's ellipse is a chain of 8-connected points. With a = W - 1 and b = H - 1 for a box W x H
// pixels, the quarter from the right end of the middle row (x = a, y = H / 2 from the box's
// top-left) down to the bottom is walked with the integer error term of A. Zingl's ellipse in a
// rectangle ("A Rasterizing Algorithm for Drawing Curves", 2012), x stepping before y; the other
// three quarters are its mirror images. The walk stops as soon as x falls below W / 2, without
// finishing the tips: a tall box 3 or 4 pixels wide loses its top and bottom rows, as GDI's does.
// On each row the points form one run [inner, outer] at the right and its mirror at the left.
// The pen paints the runs. The brush fills the polygon through the points, which with the outline
// over it covers each row from the left run's outer end to the right run's; and without a pen the
// brush covers the runs too: a curved ellipse is not a pixel smaller without a pen, unlike a
// rectangle. Boxes up to WALK_LIMIT across are walked (64-bit error terms); larger ones follow
// the closed form below, which stays within a pixel of the walk.

const int64_t WALK_LIMIT = (int64_t)1 << 16;

struct WalkRow {
    int64_t inner, outer;  // the right run, columns from the box's left; inner > outer: no point
};

// Visits the quarter's points, visit(x, y), in walk order; width and height 1 .. WALK_LIMIT.
template <typename Visit>
void walk_quarter(int64_t width, int64_t height, Visit visit) {
    int64_t a = width - 1, b = height - 1;
    int64_t asq = 8 * a * a, bsq = 8 * b * b;
    int64_t dx = 4 * b * b * (1 - a), dy = 4 * a * a * (1 + b % 2);
    int64_t err = dx + dy + a * a * (b % 2);
    int64_t x = a, y = height / 2;
    while (x >= width / 2 && y <= b) {
        visit(x, y);
        int64_t e2 = 2 * err;
        if (e2 >= dx) {
            --x;
            dx += bsq;
            err += dx;
        }
        if (e2 <= dy) {
            ++y;
            dy += asq;
            err += dy;
        }
    }
}

// The runs of rows H / 2 .. H - 1 (rows[0] is row H / 2), width and height 3 .. WALK_LIMIT.
void walk_ellipse(int64_t width, int64_t height, std::vector<WalkRow> &rows) {
    rows.assign((size_t)(height - height / 2), WalkRow{1, 0});
    walk_quarter(width, height, [&](int64_t x, int64_t y) {
        WalkRow &row = rows[(size_t)(y - height / 2)];
        if (row.inner > row.outer) row.outer = x;  // x only falls: a row's first point is outermost
        row.inner = x;
    });
}

// The run of row rel of a height-row box (0: the top row): the walk's rows are the lower half,
// and the upper half mirrors them.
inline WalkRow run_of(const WalkRow *rows, int64_t height, int64_t rel) {
    int64_t middle = height / 2;
    return rows[rel >= middle ? rel - middle : height - 1 - rel - middle];
}

// A row of the whole filled ellipse, from its left run's outer end to its right run's.
struct FillSpan {
    int32_t start, count;  // from the box's left; count 0: the row is empty
};

// A box size's walk: its rows' runs, the quarter's points once a wide pen has asked for them, and
// the filled rows' spans once a solid ellipse has.
struct WalkedBox {
    int64_t width = 0, height = 0;
    std::vector<WalkRow> rows;
    std::vector<Point64> quarter;  // empty until asked for
    std::vector<FillSpan> spans;   // every row of the box top to bottom; empty until asked for
    uint64_t used = 0;             // when last asked for (the cache's clock)
};

// A small least-recently-used cache of N entries, each with a member used (when last asked for,
// by the cache's clock), and a scratch entry for what is too large to keep.
template <typename Entry, size_t N>
struct SmallCache {
    Entry entries[N];
    Entry scratch;
    uint64_t clock = 0;

    // The entry that matches, else the one used longest ago (which the caller then fills); either
    // way it is marked as just used.
    template <typename Matches>
    Entry &slot(Matches matches) {
        Entry *found = &entries[0];
        for (Entry &entry : entries) {
            if (matches(entry)) {
                found = &entry;
                break;
            }
            if (entry.used < found->used) found = &entry;
        }
        found->used = ++clock;
        return *found;
    }
};

// The walks of the box sizes painted last: a picture repeats the same few circles, which are then
// walked once and cost only their spans. Boxes up to WALK_CACHE_SIDE across are kept (at most some
// 50 KB each), WALK_CACHE_SIZE of them, the least recently used making way; larger ones are
// walked into a scratch entry on every call.
const int64_t WALK_CACHE_SIDE = 2048;
const size_t WALK_CACHE_SIZE = 16;

thread_local SmallCache<WalkedBox, WALK_CACHE_SIZE> walk_cache;

// The walk of a width x height box (3 .. WALK_LIMIT each), with its quarter's points and its
// rows' spans if asked.
const WalkedBox &walked_box(int64_t width, int64_t height, bool with_quarter,
                            bool with_spans = false) {
    WalkedBox *box = &walk_cache.scratch;
    if (width <= WALK_CACHE_SIDE && height <= WALK_CACHE_SIDE)
        box = &walk_cache.slot(
            [&](const WalkedBox &entry) { return entry.width == width && entry.height == height; });
    if (box->width != width || box->height != height) {
        box->width = width;
        box->height = height;
        walk_ellipse(width, height, box->rows);
        box->quarter.clear();
        box->spans.clear();
    }
    if (with_quarter && box->quarter.empty())
        walk_quarter(width, height, [&](int64_t x, int64_t y) {
            box->quarter.push_back(Point64{x, y});
        });
    if (with_spans && box->spans.empty()) {
        box->spans.resize((size_t)height);
        for (int64_t rel = 0; rel < height; ++rel) {
            WalkRow run = run_of(box->rows.data(), height, rel);
            FillSpan span = {(int32_t)(width - 1 - run.outer),
                             (int32_t)(2 * run.outer + 2 - width)};
            box->spans[(size_t)rel] = run.inner > run.outer ? FillSpan{0, 0} : span;
        }
    }
    return *box;
}

// Paints the walked ellipse of box (l, t, l + width, t + height): see above. Each pixel is set
// once: a row's fill is split into the two pen runs and the inside between them, and where pen
// and brush have one colour the row is a single span.
void paint_walked_ellipse(const Canvas &canvas, int64_t l, int64_t t, int64_t width, int64_t height,
                          bool pen, COLORREF pen_colour, bool fill, COLORREF fill_colour) {
    if (!canvas.surface) return;
    int64_t first = std::max(t, canvas.clip_top - canvas.origin_y);
    int64_t last = std::min(t + height, canvas.clip_bottom - canvas.origin_y);
    if (first >= last) return;
    // Columns in the surface; the box's left may lie far off, so clip in 64 bits.
    int64_t left = l + canvas.origin_x, right = left + width - 1;
    int64_t clip_l = canvas.clip_left, clip_r = canvas.clip_right;
    uint32_t pen_pixel = pixel_from_colorref(pen_colour);
    uint32_t fill_pixel = pixel_from_colorref(fill_colour);
    bool one_colour = !pen || (fill && pen_colour == fill_colour);
    uint32_t *pixels = canvas.surface->pixels;
    int64_t stride = canvas.surface->width;
    if (fill && one_colour && left >= clip_l && right < clip_r) {
        // A solid ellipse whose columns all show (most circles): one span a row, as walked.
        const FillSpan *spans = walked_box(width, height, false, true).spans.data();
        uint32_t *at = pixels + (first + canvas.origin_y) * stride + left;
        for (int64_t y = first; y < last; ++y, at += stride) {
            FillSpan s = spans[y - t];
            if (s.count > 0) fill_pixels(at + s.start, (size_t)s.count, fill_pixel);
        }
        return;
    }
    const std::vector<WalkRow> &rows = walked_box(width, height, false).rows;
    auto span = [clip_l, clip_r](uint32_t *row, int64_t x0, int64_t x1, uint32_t pixel) {
        x0 = std::max(x0, clip_l);
        x1 = std::min(x1, clip_r);
        if (x0 < x1) fill_pixels(row + x0, (size_t)(x1 - x0), pixel);
    };
    uint32_t *row = pixels + (first + canvas.origin_y) * stride;
    for (int64_t y = first; y < last; ++y, row += stride) {
        WalkRow run = run_of(rows.data(), height, y - t);
        if (run.inner > run.outer) continue;
        if (fill && one_colour) {
            span(row, right - run.outer, left + run.outer + 1, fill_pixel);
            continue;
        }
        // The left run, the inside (empty where the runs meet) and the right run.
        if (pen) span(row, right - run.outer, right - run.inner + 1, pen_pixel);
        if (fill) span(row, right - run.inner + 1, left + run.inner, fill_pixel);
        if (pen) span(row, left + run.inner, left + run.outer + 1, pen_pixel);
    }
}

// ---- Ellipses too large to walk --------------------------------------------------------------
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

// Paints the ellipse of box (l, t, l + width, t + height) by the closed form, width and height at
// least 3: the fill in fill_colour (unless fill is false), then the outline in pen_colour (unless
// pen is false).
void paint_far_ellipse(const Canvas &canvas, int64_t l, int64_t t, int64_t width, int64_t height,
                       bool pen, COLORREF pen_colour, bool fill, COLORREF fill_colour) {
    EllipseShape shape;
    ellipse_prepare(shape, width, height);
    int64_t cx2 = 2 * l + shape.a, cy2 = 2 * t + shape.b;  // doubled centre
    int64_t first = std::max(t, canvas.clip_top - canvas.origin_y);
    int64_t last = std::min(t + height, canvas.clip_bottom - canvas.origin_y);
    if (first >= last) return;
    // Each visible row needs half() of its own |Y| and of the one above; both halves of the
    // ellipse share them, so they are worked out once for the range of |Y| in view.
    auto distance = [&](int64_t y) { return 2 * y - cy2 < 0 ? cy2 - 2 * y : 2 * y - cy2; };
    int64_t low = std::min(distance(first), distance(last - 1));
    int64_t high = std::max(distance(first), distance(last - 1)) + 2;
    if (2 * first <= cy2 && cy2 <= 2 * (last - 1)) low = shape.b & 1;
    std::vector<int64_t> halves((size_t)((high - low) / 2 + 1));
    for (size_t i = 0; i < halves.size(); ++i)
        halves[i] = ellipse_half(shape, low + 2 * (int64_t)i);
    auto half = [&](int64_t dy) { return halves[(size_t)((dy - low) / 2)]; };
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

// The ring between the closed-form ellipse of box (l, t, l + w, t + h) and the one of the inner
// box (il, it, il + iw, it + ih), or the whole ellipse when ih is 0; for wide pens on ellipses
// too large to walk. On each row the outer span less the inner one.
void paint_far_ring(const Canvas &canvas, int64_t l, int64_t t, int64_t w, int64_t h, int64_t il,
                    int64_t it, int64_t iw, int64_t ih, COLORREF colour) {
    EllipseShape outer, inner = {};
    ellipse_prepare(outer, w, h);
    if (ih > 0) ellipse_prepare(inner, iw, ih);
    int64_t cx2 = 2 * l + outer.a, cy2 = 2 * t + outer.b;
    int64_t icx2 = 2 * il + inner.a, icy2 = 2 * it + inner.b;
    int64_t first = std::max(t, canvas.clip_top - canvas.origin_y);
    int64_t last = std::min(t + h, canvas.clip_bottom - canvas.origin_y);
    for (int64_t y = first; y < last; ++y) {
        int64_t dy = 2 * y - cy2 < 0 ? cy2 - 2 * y : 2 * y - cy2;
        int64_t half = ellipse_half(outer, dy);
        int64_t x0 = (cx2 - half) / 2, x1 = (cx2 + half) / 2 + 1;
        if (ih > 0 && y >= it && y < it + ih) {
            int64_t idy = 2 * y - icy2 < 0 ? icy2 - 2 * y : 2 * y - icy2;
            int64_t ihalf = ellipse_half(inner, idy);
            int64_t i0 = (icx2 - ihalf) / 2, i1 = (icx2 + ihalf) / 2 + 1;
            if (i0 < i1) {
                canvas_span(canvas, y, x0, std::min(x1, i0), colour);
                canvas_span(canvas, y, std::max(x0, i1), x1, colour);
                continue;
            }
        }
        canvas_span(canvas, y, x0, x1, colour);
    }
}

// The ellipse of box (l, t, l + width, t + height), width and height at least 3.
void paint_ellipse(const Canvas &canvas, int64_t l, int64_t t, int64_t width, int64_t height,
                   bool pen, COLORREF pen_colour, bool fill, COLORREF fill_colour) {
    if (width <= WALK_LIMIT && height <= WALK_LIMIT)
        paint_walked_ellipse(canvas, l, t, width, height, pen, pen_colour, fill, fill_colour);
    else
        paint_far_ellipse(canvas, l, t, width, height, pen, pen_colour, fill, fill_colour);
}

// The disc a wide pen leaves at an end point or a join: the ellipse of the width x width box whose
// top-left lies width / 2 up and left of the point (so an even width reaches a pixel further up
// and left); widths 1 and 2 leave the square.
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
    if (period == 0) {
        // Solid: the pixel's index steps along the major axis, and along the minor one when the
        // error term overflows.
        int64_t stride = canvas.surface->width;
        int64_t a = a0 + sa * jlo, b = b0 + sb * k;
        int64_t at = x_major ? b * stride + a : a * stride + b;
        int64_t step_a = x_major ? sa : sa * stride, step_b = x_major ? sb * stride : sb;
        uint32_t *pixels = canvas.surface->pixels;
        for (int64_t j = jlo; j <= jhi; ++j) {
            pixels[at] = pixel;
            at += step_a;
            rest += 2 * minor;
            if (rest >= 2 * major) {
                rest -= 2 * major;
                at += step_b;
            }
        }
        return;
    }
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

// The body of a wide pen's segment from p to q, without its ends. Horizontal and vertical
// segments are the rectangle [min, max) along the line, rows (or columns) from the path's minus
// width / 2 on, width in all: an even width reaches one pixel further up (or left) than down.
// A slanted one is the four-point polygon square to the line: the pen's width projected on the
// axes, wx = width |dy| / length and wy = width |dx| / length, is split into halves rounded to
// whole pixels, the larger half (wx + 1) / 2, (wy + 1) / 2 on the side of larger x and the
// smaller half wx / 2, wy / 2 on the other; then filled like any polygon.
// The four corners of a slanted segment's body (dx and dy both nonzero), as wide_segment fills.
void slanted_band(Point64 p, Point64 q, int width, Point64 band[4]) {
    int64_t dx = q.x - p.x, dy = q.y - p.y;
    long double ldx = (long double)dx, ldy = (long double)dy;
    long double length = sqrtl(ldx * ldx + ldy * ldy);
    long double wx = width * fabsl(ldy) / length, wy = width * fabsl(ldx) / length;
    auto round = [](long double v) { return (int64_t)floorl(v + 0.5L); };
    // The normal toward larger x has a y part of the sign of -dx on lines running down and of dx
    // on lines running up.
    int64_t sy = (dy > 0) == (dx > 0) ? -1 : 1;
    int64_t big_x = round((wx + 1) / 2), big_y = sy * round((wy + 1) / 2);
    int64_t small_x = -round(wx / 2), small_y = -sy * round(wy / 2);
    band[0] = {p.x + small_x, p.y + small_y};
    band[1] = {p.x + big_x, p.y + big_y};
    band[2] = {q.x + big_x, q.y + big_y};
    band[3] = {q.x + small_x, q.y + small_y};
}

void wide_segment(const Canvas &canvas, Point64 p, Point64 q, int width, COLORREF colour) {
    int64_t dx = q.x - p.x, dy = q.y - p.y;
    if (dx == 0 && dy == 0) return;
    if (dy == 0) {
        int64_t top = p.y - width / 2;
        canvas_fill(canvas, std::min(p.x, q.x), top, std::max(p.x, q.x), top + width, colour);
        return;
    }
    if (dx == 0) {
        int64_t left = p.x - width / 2;
        canvas_fill(canvas, left, std::min(p.y, q.y), left + width, std::max(p.y, q.y), colour);
        return;
    }
    Point64 band[4];
    slanted_band(p, q, width, band);
    fill_polygon(canvas, band, 4, colour);
}

// A line of a wide pen: its body and a round cap, the pen's disc, at each end (both ends painted).
void wide_line(const Canvas &canvas, Point64 p, Point64 q, int width, COLORREF colour) {
    if (!canvas.surface) return;
    paint_disc(canvas, p.x, p.y, width, colour);
    paint_disc(canvas, q.x, q.y, width, colour);
    wide_segment(canvas, p, q, width, colour);
}

// ---- Wide pens along stepped paths -------------------------------------------------------------
//
// A wide pen's stroke along a path of 8-neighbour points (an ellipse's or an arc's walk) is the
// pen's disc at every point and the body of every step, as wide_line paints them. A straight
// step's body lies inside its two discs (whose middle column and row span the pen's width); a
// diagonal one's is the slanted band of wide_segment. Disc and band are convex, so each covers
// one span a row, which is worked out for the rows asked for without painting the shape: a pen of
// any width costs only the rows that show.

// Columns [x0, x1) relative to a point; empty when x0 >= x1.
struct RowSpan {
    int64_t x0, x1;
};
const RowSpan NO_SPAN = {0, 0};

// The pen's disc of paint_disc, row by row: rows dy from first() to last() around its point.
class DiscRows {
   public:
    explicit DiscRows(int width) : width_(width) {
        if (width > 2 && width <= WALK_LIMIT)
            rows_ = walked_box(width, width, false).rows;
        else if (width > WALK_LIMIT)
            ellipse_prepare(far_, width, width);
    }
    int64_t first() const { return -(width_ / 2); }
    int64_t last() const { return width_ - 1 - width_ / 2; }
    RowSpan at(int64_t dy) const {
        if (dy < first() || dy > last()) return NO_SPAN;
        int64_t half = width_ / 2;
        if (width_ <= 2) return {-half, width_ - half};
        if (width_ <= WALK_LIMIT) {
            WalkRow run = run_of(rows_.data(), width_, dy + half);
            if (run.inner > run.outer) return NO_SPAN;
            return {width_ - 1 - run.outer - half, run.outer - half + 1};
        }
        // As paint_far_ellipse: doubled coordinates about the box's centre.
        int64_t centre = width_ - 1 - 2 * half, d = 2 * dy + 2 * half - (width_ - 1);
        int64_t h = ellipse_half(far_, d < 0 ? -d : d);
        return {(centre - h) / 2, (centre + h) / 2 + 1};
    }

   private:
    int64_t width_;
    std::vector<WalkRow> rows_;
    EllipseShape far_ = {};
};

// The body of a diagonal step from a point to its neighbour (dx, dy), row by row as fill_polygon
// fills the band: rows first() to last() around the point.
class BodyRows {
   public:
    BodyRows(int width, int dx, int dy) {
        slanted_band(Point64{0, 0}, Point64{dx, dy}, width, band_);
        top_ = bottom_ = band_[0].y;
        for (const Point64 &p : band_) {
            top_ = std::min(top_, p.y);
            bottom_ = std::max(bottom_, p.y);
        }
    }
    int64_t first() const { return top_; }
    int64_t last() const { return bottom_ - 1; }
    RowSpan at(int64_t y) const {
        // The band is convex: a row it crosses meets two of its edges.
        RowSpan span = {INT64_MAX, INT64_MIN};
        int n = 0;
        for (int i = 0; i < 4; ++i) {
            Point64 a = band_[i], b = band_[(i + 1) % 4];
            if (a.y == b.y) continue;
            if (a.y > b.y) std::swap(a, b);
            if (y < a.y || y >= b.y) continue;
            wide_t den = b.y - a.y;
            int64_t x =
                clamp_wide(ceil_div((wide_t)a.x * den + (wide_t)(y - a.y) * (b.x - a.x), den));
            span.x0 = std::min(span.x0, x);
            span.x1 = std::max(span.x1, x);
            ++n;
        }
        return n < 2 ? NO_SPAN : span;
    }

   private:
    Point64 band_[4];
    int64_t top_, bottom_;
};

// A pen shape's spans on rows first .. first + size - 1 around its point.
struct Stamp {
    int64_t first = 0;
    std::vector<RowSpan> rows;

    template <typename Shape>
    void make(const Shape &shape, int64_t from, int64_t to) {
        first = std::max(from, shape.first());
        int64_t last = std::min(to, shape.last());
        rows.clear();
        for (int64_t dy = first; dy <= last; ++dy) rows.push_back(shape.at(dy));
    }
    RowSpan at(int64_t dy) const {
        if (dy < first || dy >= first + (int64_t)rows.size()) return NO_SPAN;
        return rows[(size_t)(dy - first)];
    }
};

// A wide pen's stamps: its disc, and the bodies of its four diagonal steps,
// diagonal[(dx > 0) + 2 (dy > 0)], over some rows around a point.
struct PenStamps {
    int width = 0;
    Stamp disc, diagonal[4];
    uint64_t used = 0;
};

// The pen's shapes, to make stamps of.
struct PenShapes {
    DiscRows disc;
    BodyRows diagonal[4];
    explicit PenShapes(int width)
        : disc(width),
          diagonal{BodyRows(width, -1, -1), BodyRows(width, 1, -1), BodyRows(width, -1, 1),
                   BodyRows(width, 1, 1)} {}
    void stamp(PenStamps &stamps, int64_t from, int64_t to) const {
        stamps.disc.make(disc, from, to);
        for (int i = 0; i < 4; ++i) stamps.diagonal[i].make(diagonal[i], from, to);
    }
};

// Pens up to STAMP_CACHE_WIDTH keep their whole stamps for the next strokes.
const int STAMP_CACHE_WIDTH = 256;
const size_t STAMP_CACHE_SIZE = 4;

thread_local SmallCache<PenStamps, STAMP_CACHE_SIZE> stamp_cache;

const PenStamps &cached_pen_stamps(int pen_width) {
    PenStamps &pen =
        stamp_cache.slot([&](const PenStamps &entry) { return entry.width == pen_width; });
    if (pen.width != pen_width) {
        PenShapes(pen_width).stamp(pen, INT64_MIN, INT64_MAX);
        pen.width = pen_width;
    }
    return pen;
}

// Whether the pen's disc at p covers every pixel of the view: it does when it covers the view's
// top and bottom rows across, the rows between being no narrower.
bool disc_covers_view(const Canvas &canvas, const DiscRows &disc, Point64 p) {
    int64_t top = canvas.clip_top - canvas.origin_y - p.y;
    int64_t bottom = canvas.clip_bottom - canvas.origin_y - 1 - p.y;
    int64_t left = canvas.clip_left - canvas.origin_x - p.x;
    int64_t right = canvas.clip_right - canvas.origin_x - p.x;
    RowSpan a = disc.at(top), b = disc.at(bottom);
    return a.x0 <= left && a.x1 >= right && b.x0 <= left && b.x1 >= right;
}

void fill_view(const Canvas &canvas, COLORREF colour) {
    canvas_fill(canvas, canvas.clip_left - canvas.origin_x, canvas.clip_top - canvas.origin_y,
                canvas.clip_right - canvas.origin_x, canvas.clip_bottom - canvas.origin_y, colour);
}

inline bool unit_step(Point64 p, Point64 q) {
    return q.x - p.x >= -1 && q.x - p.x <= 1 && q.y - p.y >= -1 && q.y - p.y <= 1;
}

// Most rows one table of stamps is made over; points spread wider get tables of their own rows.
const int64_t STAMP_ROWS_LIMIT = (int64_t)1 << 16;

// Strokes a path of points (closed: back to the first) with a wide solid pen: its disc stamped at
// every point, the band of each diagonal step stamped, and any longer step's body painted as
// wide_segment paints it (every step's, unless stamp_steps). Points whose stamps cannot reach the
// view are skipped, only the stamps' rows in view are read, and a pen whose disc at one point
// covers the whole view paints the view. Neighbouring stamps overlap on most rows: each row
// gathers the spans of the points side_of(i) puts on side 0 and of those on side 1, painting a
// gathered span only when one that neither overlaps nor touches it comes, so most pixels are
// painted once.
template <typename SideOf>
void stroke_stamped(const Canvas &canvas, const Point64 *path, size_t count, bool closed,
                    int pen_width, COLORREF colour, SideOf side_of, bool stamp_steps = true) {
    if (!canvas.surface || count == 0) return;
    int64_t reach = (int64_t)pen_width / 2 + 2;
    int64_t first_row = canvas.clip_top - canvas.origin_y;
    int64_t last_row = canvas.clip_bottom - canvas.origin_y - 1;
    int64_t view_l = canvas.clip_left - canvas.origin_x - reach;
    int64_t view_r = canvas.clip_right - canvas.origin_x + reach;
    int64_t view_t = first_row - reach, view_b = last_row + 1 + reach;
    if (first_row > last_row) return;
    auto in_view = [&](Point64 p) {
        return p.x >= view_l && p.x < view_r && p.y >= view_t && p.y < view_b;
    };
    size_t steps = closed ? count : count - 1;
    // The rows the stamps are read over: those of the view around the points that can reach it.
    int64_t low = INT64_MAX, high = INT64_MIN;
    for (size_t i = 0; i < count; ++i)
        if (in_view(path[i])) {
            low = std::min(low, path[i].y);
            high = std::max(high, path[i].y);
        }
    if (low > high) {
        // No point is near; a long step may still cross the view.
        for (size_t i = 0; i < steps; ++i)
            if (!stamp_steps || !unit_step(path[i], path[(i + 1) % count]))
                wide_segment(canvas, path[i], path[(i + 1) % count], pen_width, colour);
        return;
    }
    const PenStamps *shared = nullptr;
    std::unique_ptr<PenShapes> shapes;
    PenStamps own[8];  // stamps over single points' rows, the last few kept
    int64_t own_row[8] = {};
    size_t next_own = 0;
    if (pen_width <= STAMP_CACHE_WIDTH) {
        shared = &cached_pen_stamps(pen_width);
    } else {
        shapes.reset(new PenShapes(pen_width));
        for (size_t i = 0; i < count; ++i)
            if (in_view(path[i]) && disc_covers_view(canvas, shapes->disc, path[i])) {
                fill_view(canvas, colour);
                return;
            }
        if (high - low <= STAMP_ROWS_LIMIT) {
            shapes->stamp(own[0], first_row - high, last_row - low);
            shared = &own[0];
        }
    }
    auto stamps_at = [&](Point64 p) -> const PenStamps & {
        if (shared) return *shared;
        for (size_t k = 0; k < 8; ++k)
            if (own[k].width && own_row[k] == p.y) return own[k];
        PenStamps &made = own[next_own];
        own_row[next_own] = p.y;
        next_own = (next_own + 1) % 8;
        shapes->stamp(made, first_row - p.y, last_row - p.y);
        made.width = pen_width;
        return made;
    };
    std::vector<int64_t> gathered((size_t)(last_row - first_row + 1) * 4, 0);
    auto add = [&](const Stamp &stamp, Point64 p, int side) {
        int64_t from = std::max(stamp.first, first_row - p.y);
        int64_t to = std::min(stamp.first + (int64_t)stamp.rows.size() - 1, last_row - p.y);
        for (int64_t dy = from; dy <= to; ++dy) {
            RowSpan s = stamp.rows[(size_t)(dy - stamp.first)];
            if (s.x0 >= s.x1) continue;
            int64_t y = p.y + dy, x0 = p.x + s.x0, x1 = p.x + s.x1;
            int64_t *span = &gathered[(size_t)((y - first_row) * 4 + 2 * side)];
            if (span[0] < span[1] && (x1 < span[0] || x0 > span[1])) {
                canvas_span(canvas, y, span[0], span[1], colour);
                span[0] = span[1] = 0;
            }
            if (span[0] >= span[1]) {
                span[0] = x0;
                span[1] = x1;
            } else {
                span[0] = std::min(span[0], x0);
                span[1] = std::max(span[1], x1);
            }
        }
    };
    for (size_t i = 0; i < count; ++i) {
        Point64 p = path[i];
        bool step = i < steps;
        Point64 q = path[(i + 1) % count];
        bool stamped = stamp_steps && unit_step(p, q);
        if (step && !stamped) wide_segment(canvas, p, q, pen_width, colour);
        if (!in_view(p)) continue;
        const PenStamps &stamps = stamps_at(p);
        int side = side_of(i);
        add(stamps.disc, p, side);
        if (step && stamped && q.x != p.x && q.y != p.y)
            add(stamps.diagonal[(q.x > p.x) + 2 * (q.y > p.y)], p, side);
    }
    for (size_t row = 0; row * 4 < gathered.size(); ++row)
        for (int side = 0; side < 2; ++side) {
            const int64_t *span = &gathered[row * 4 + 2 * side];
            if (span[0] < span[1])
                canvas_span(canvas, first_row + (int64_t)row, span[0], span[1], colour);
        }
}

// The closed path of the walked ellipse of a box (see Ellipses): down the right to the bottom, up
// the left, then the top half back to the start; n is the number of points of a quarter.
void ellipse_path(int64_t l, int64_t t, int64_t width, int64_t height, std::vector<Point64> &path,
                  int64_t *n) {
    const std::vector<Point64> quarter = walked_box(width, height, true).quarter;
    int64_t a = width - 1, b = height - 1, count = (int64_t)quarter.size();
    *n = count;
    path.clear();
    path.reserve((size_t)(4 * count));
    for (int64_t i = 0; i < count; ++i) path.push_back({l + quarter[i].x, t + quarter[i].y});
    for (int64_t i = count - 1; i >= 0; --i)
        path.push_back({l + a - quarter[i].x, t + quarter[i].y});
    for (int64_t i = 0; i < count; ++i)
        path.push_back({l + a - quarter[i].x, t + b - quarter[i].y});
    for (int64_t i = count - 1; i >= 0; --i)
        path.push_back({l + quarter[i].x, t + b - quarter[i].y});
}

// Most rows times path rows a pen wider than the stamps are kept for is stroked by: beyond, the
// ring between the ellipse grown and the one shrunk by half the pen is painted instead.
const int64_t ROW_WORK_LIMIT = (int64_t)1 << 22;

// The outline of the walked ellipse of box (l, t, l + width, t + height) with a wide pen, the
// pixels of stroke_stamped along its closed path. Pens up to STAMP_CACHE_WIDTH are stamped point by
// point. A wider pen is worked out a row of the view at a time: the points of the path on one row
// and one side (right or left half) are a run, whose discs cover one span of any other row; on
// each side the discs' spans of neighbouring rows overlap (each holds its point's column), so on a
// view row the discs of a side cover the one span from the least to the greatest column they
// reach there. The bands lie within the discs but for a pixel or two at their ends, and are
// painted apart where they stick out. A pen whose
// disc at one point covers the whole view paints the view; where even the row by row work would
// exceed ROW_WORK_LIMIT (boxes and pens both many thousands of pixels), the ring is painted.
void stroke_walked_ellipse(const Canvas &canvas, int64_t l, int64_t t, int64_t width,
                           int64_t height, int pen_width, COLORREF colour) {
    if (!canvas.surface) return;
    std::vector<Point64> path;
    int64_t n;
    if (pen_width <= STAMP_CACHE_WIDTH) {
        ellipse_path(l, t, width, height, path, &n);
        stroke_stamped(canvas, path.data(), path.size(), true, pen_width, colour,
                       [n](size_t i) { return (int64_t)i >= n && (int64_t)i < 3 * n ? 1 : 0; });
        return;
    }
    int64_t first_row = canvas.clip_top - canvas.origin_y;
    int64_t last_row = canvas.clip_bottom - canvas.origin_y - 1;
    if (first_row > last_row) return;
    DiscRows disc(pen_width);
    // The walk's first point, the right end of the middle row, and its mirror on the left.
    Point64 ends[2] = {{l + width - 1, t + height / 2}, {l, t + height / 2}};
    for (Point64 p : ends)
        if (disc_covers_view(canvas, disc, p)) {
            fill_view(canvas, colour);
            return;
        }
    BodyRows bodies[4] = {BodyRows(pen_width, -1, -1), BodyRows(pen_width, 1, -1),
                          BodyRows(pen_width, -1, 1), BodyRows(pen_width, 1, 1)};
    int64_t above = -disc.first(), below = disc.last();
    for (const BodyRows &body : bodies) {
        above = std::max(above, -body.first());
        below = std::max(below, body.last());
    }
    // Box rows r whose shapes reach the view: t + r from first_row - below to last_row + above.
    int64_t r_from = std::max<int64_t>(0, first_row - below - t);
    int64_t r_to = std::min<int64_t>(height - 1, last_row + above - t);
    if (r_from > r_to) return;
    if ((last_row - first_row + 1) * (r_to - r_from + 1) > ROW_WORK_LIMIT) {
        int64_t w = pen_width;
        int64_t out_l = l - w / 2, out_t = t - w / 2;
        int64_t out_r = l + width + (w - 1) / 2, out_b = t + height + (w - 1) / 2;
        int64_t in_l = out_l + w, in_t = out_t + w, in_r = out_r - w, in_b = out_b - w;
        bool hole = in_r - in_l >= 3 && in_b - in_t >= 3;
        paint_far_ring(canvas, out_l, out_t, out_r - out_l, out_b - out_t, in_l, in_t, in_r - in_l,
                       hole ? in_b - in_t : 0, colour);
        return;
    }
    ellipse_path(l, t, width, height, path, &n);
    auto side_of = [n](size_t i) { return (int64_t)i >= n && (int64_t)i < 3 * n ? 1 : 0; };
    // Each side's run on every box row, and its diagonal steps: (row, x, direction).
    struct Run {
        int64_t from = INT64_MAX, to = INT64_MIN;
    };
    struct Step {
        int64_t row, x;
        int direction;
    };
    std::vector<Run> runs[2];
    std::vector<Step> steps[2];
    runs[0].resize((size_t)height);
    runs[1].resize((size_t)height);
    for (size_t i = 0; i < path.size(); ++i) {
        Point64 p = path[i], q = path[(i + 1) % path.size()];
        int side = side_of(i);
        Run &run = runs[side][(size_t)(p.y - t)];
        run.from = std::min(run.from, p.x);
        run.to = std::max(run.to, p.x);
        if (!unit_step(p, q))
            wide_segment(canvas, p, q, pen_width, colour);
        else if (q.x != p.x && q.y != p.y)
            steps[side].push_back({p.y - t, p.x, (q.x > p.x) + 2 * (q.y > p.y)});
    }
    for (std::vector<Step> &list : steps)
        std::sort(list.begin(), list.end(),
                  [](const Step &a, const Step &b) { return a.row < b.row; });
    // The shapes' spans over every row offset asked for, made once.
    int64_t dy_from = first_row - (t + r_to), dy_to = last_row - (t + r_from);
    Stamp disc_rows, body_rows[4];
    disc_rows.make(disc, dy_from, dy_to);
    for (int k = 0; k < 4; ++k) body_rows[k].make(bodies[k], dy_from, dy_to);
    for (int64_t y = first_row; y <= last_row; ++y) {
        int64_t lo[2] = {INT64_MAX, INT64_MAX}, hi[2] = {INT64_MIN, INT64_MIN};
        int64_t from = std::max(r_from, y - t - disc.last()),
                to = std::min(r_to, y - t - disc.first());
        for (int side = 0; side < 2; ++side) {
            const std::vector<Run> &rs = runs[side];
            for (int64_t r = from; r <= to; ++r) {
                const Run &run = rs[(size_t)r];
                if (run.from > run.to) continue;
                RowSpan s = disc_rows.at(y - t - r);
                if (s.x0 >= s.x1) continue;
                lo[side] = std::min(lo[side], run.from + s.x0);
                hi[side] = std::max(hi[side], run.to + s.x1);
            }
        }
        bool left = lo[0] < hi[0], right = lo[1] < hi[1];
        if (left && right && lo[0] <= hi[1] && lo[1] <= hi[0]) {
            lo[0] = lo[1] = std::min(lo[0], lo[1]);
            hi[0] = hi[1] = std::max(hi[0], hi[1]);
            canvas_span(canvas, y, lo[0], hi[0], colour);
        } else {
            if (left) canvas_span(canvas, y, lo[0], hi[0], colour);
            if (right) canvas_span(canvas, y, lo[1], hi[1], colour);
        }
        // A band's end may reach a pixel or two past the discs, apart from them: the bands are
        // painted where they leave their side's span.
        for (int side = 0; side < 2; ++side) {
            const std::vector<Step> &list = steps[side];
            auto it = std::lower_bound(list.begin(), list.end(), y - t - below,
                                       [](const Step &a, int64_t row) { return a.row < row; });
            for (; it != list.end() && it->row <= y - t + above; ++it) {
                RowSpan s = body_rows[it->direction].at(y - t - it->row);
                int64_t x0 = it->x + s.x0, x1 = it->x + s.x1;
                if (x0 < x1 && (x0 < lo[side] || x1 > hi[side]))
                    canvas_span(canvas, y, x0, x1, colour);
            }
        }
    }
}

// The pen's stroke along a path of points (closed: back to the first), each vertex painted once.
// A dashed or dotted 1-pixel pen runs its pattern on along the path; wide pens are always solid.
void stroke_path(const Canvas &canvas, const GdiPen *pen, const Point64 *points, size_t count,
                 bool closed, const COLORREF *gap_colour) {
    if (!pen || pen->style == PS_NULL || count == 0) return;
    if (pen->width > 1) {
        // Each segment's body and the pen's disc once at every point, as wide_line paints them.
        if (count == 1)
            wide_line(canvas, points[0], points[0], pen->width, pen->colour);
        else
            stroke_stamped(
                canvas, points, count, closed, pen->width, pen->colour, [](size_t) { return 0; },
                false);
        return;
    }
    size_t segments = closed ? count : count - 1;
    int64_t phase = 0;
    // Columns and rows of the view, for passing over segments wholly beside it.
    int64_t left = canvas.clip_left - canvas.origin_x, right = canvas.clip_right - canvas.origin_x;
    int64_t top = canvas.clip_top - canvas.origin_y, bottom = canvas.clip_bottom - canvas.origin_y;
    for (size_t i = 0; i < segments; ++i) {
        Point64 p = points[i], q = points[(i + 1) % count];
        bool beside = (p.x < left && q.x < left) || (p.x >= right && q.x >= right) ||
                      (p.y < top && q.y < top) || (p.y >= bottom && q.y >= bottom);
        if (!beside) thin_line(canvas, p, q, pen->colour, pen->style, phase, gap_colour);
        int64_t dx = q.x - p.x, dy = q.y - p.y;
        phase = (phase + std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy)) % 24;
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
    if (fill && frame == pixel_from_colorref(fill_colour)) {
        // Frame and inside alike (a filled shape outlined in its own colour): one fill.
        fill_rows(surface, first, last, from, to, frame);
        return;
    }
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

// How far a shape's pixels may lie beyond its outline's box or path: the pen's reach, with room.
static int64_t pen_reach(const GdiPen *pen) {
    return pen && pen->style != PS_NULL ? (int64_t)pen->width + 1 : 1;
}

// The bounds of a path's points grown by reach on every side.
static void painted_path(GdiDC *dc, const Canvas &canvas, const Point64 *path, size_t count,
                         int64_t reach) {
    int64_t l = path[0].x, t = path[0].y, r = l, b = t;
    for (size_t i = 1; i < count; ++i) {
        l = std::min(l, path[i].x), r = std::max(r, path[i].x);
        t = std::min(t, path[i].y), b = std::max(b, path[i].y);
    }
    dc_painted_box(dc, canvas, l - reach, t - reach, r + reach + 1, b + reach + 1);
}

BOOL WINAPI Rectangle(HDC handle, int left, int top, int right, int bottom) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return FALSE;
    int64_t l = left, t = top, r = right, b = bottom;
    if (!order_box(&l, &t, &r, &b)) return TRUE;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return TRUE;
    paint_rectangle(canvas, dc->pen_record, dc->brush_record, gap_colour_of(dc), l, t, r, b);
    int64_t reach = pen_reach(dc->pen_record);
    dc_painted_box(dc, canvas, l - reach, t - reach, r + reach, b + reach);
    return TRUE;
}

BOOL WINAPI Ellipse(HDC handle, int left, int top, int right, int bottom) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return FALSE;
    int64_t l = left, t = top, r = right, b = bottom;
    if (!order_box(&l, &t, &r, &b)) return TRUE;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return TRUE;
    GdiPen *pen = dc->pen_record;
    GdiBrush *brush = dc->brush_record;
    bool has_pen = pen && pen->style != PS_NULL;
    bool has_brush = brush && !brush->hollow;
    int64_t width = r - l, height = b - t;
    if (width <= 2 || height <= 2) {
        // Too small to curve: painted as the rectangle of the same box (so without a pen the
        // brush covers one pixel less to the right and below).
        paint_rectangle(canvas, has_pen ? pen : nullptr, brush, gap_colour_of(dc), l, t, r, b);
    } else if (!has_pen) {
        // The brush alone covers the outline's pixels too.
        if (has_brush) paint_ellipse(canvas, l, t, width, height, false, 0, true, brush->colour);
    } else if (pen->width <= 1) {
        paint_ellipse(canvas, l, t, width, height, true, pen->colour, has_brush,
                      has_brush ? brush->colour : 0);
    } else if (width <= WALK_LIMIT && height <= WALK_LIMIT) {
        if (has_brush) paint_ellipse(canvas, l, t, width, height, false, 0, true, brush->colour);
        stroke_walked_ellipse(canvas, l, t, width, height, pen->width, pen->colour);
    } else {
        // Too large to walk: the ring between the ellipse grown by the pen's reach outward and
        // the one shrunk by its reach inward, the brush inside.
        int64_t out_l = l - pen->width / 2, out_t = t - pen->width / 2;
        int64_t out_r = r + (pen->width - 1) / 2, out_b = b + (pen->width - 1) / 2;
        int64_t in_l = out_l + pen->width, in_t = out_t + pen->width;
        int64_t in_r = out_r - pen->width, in_b = out_b - pen->width;
        bool hole = in_r - in_l >= 3 && in_b - in_t >= 3;
        paint_far_ring(canvas, out_l, out_t, out_r - out_l, out_b - out_t, in_l, in_t, in_r - in_l,
                       hole ? in_b - in_t : 0, pen->colour);
        if (hole && has_brush)
            paint_ellipse(canvas, in_l, in_t, in_r - in_l, in_b - in_t, false, 0, true,
                          brush->colour);
        else if (has_brush && in_r > in_l && in_b > in_t)
            canvas_fill(canvas, in_l, in_t, in_r, in_b, brush->colour);
    }
    int64_t reach = pen_reach(pen);
    dc_painted_box(dc, canvas, l - reach, t - reach, r + reach, b + reach);
    return TRUE;
}

BOOL WINAPI Polygon(HDC handle, const POINT *points, int count) {
    GdiDC *dc = dc_get(handle);
    if (!dc || !points || count < 2) return FALSE;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return TRUE;
    std::vector<Point64> path((size_t)count);
    for (int i = 0; i < count; ++i) path[(size_t)i] = Point64{points[i].x, points[i].y};
    GdiBrush *brush = dc->brush_record;
    if (brush && !brush->hollow) fill_polygon(canvas, path.data(), path.size(), brush->colour);
    stroke_path(canvas, dc->pen_record, path.data(), path.size(), true, gap_colour_of(dc));
    painted_path(dc, canvas, path.data(), path.size(), pen_reach(dc->pen_record));
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
    stroke_path(canvas, dc->pen_record, path, 2, false, gap_colour_of(dc));
    painted_path(dc, canvas, path, 2, pen_reach(dc->pen_record));
    return TRUE;
}

// ---- Arcs and pies -----------------------------------------------------------------------------
//
// An arc is a run of the points of its ellipse's walk (see Ellipses), taken in a loop round the
// box: the first quarter walked from the middle of the right side down to the bottom, then its
// mirror images on to the left side, the top and back. The run starts and ends where the rays
// through the two given points, from the box's centre (its top-left middle pixel for even
// sizes), meet that loop: the first point of a quarter at or past the ray, by exact cross
// products. The arc goes counter-clockwise on the screen: it is the clockwise run between the
// rays mirrored top to bottom, mirrored back, in the same order. The pen strokes the points
// as an open path (each 1-pixel step paints its first point, so the last is left out); a pie adds
// the centre, is filled as a polygon through the points and stroked closed.

namespace {

// The walk's first quarter, relative to the box's centre pixel, for boxes of any size from 1 up.
void arc_quarter(int64_t width, int64_t height, std::vector<Point64> &quarter) {
    quarter.clear();
    quarter.reserve((size_t)(width + height));
    walk_quarter(width, height, [&](int64_t x, int64_t y) {
        quarter.push_back(Point64{x - width / 2, y - height / 2});
    });
}

// Where the ray through (x, y), relative to the centre with y down, meets the clockwise loop:
// an index into the loop's 4 n points.
int64_t loop_position(const std::vector<Point64> &q, int64_t x, int64_t y) {
    int64_t n = (int64_t)q.size(), i = 0;
    if (y >= 0) {
        if (x >= 0) {
            while (i < n && !(q[i].x * y <= q[i].y * x)) ++i;
            return i;
        }
        while (i < n && !(q[i].x * y < q[i].y * -x)) ++i;
        return 2 * n - i;
    }
    if (x >= 0) {
        while (i < n && !(q[i].x * -y <= q[i].y * x)) ++i;
        return 4 * n - i;
    }
    while (i < n && !(q[i].x * -y < q[i].y * -x)) ++i;
    return 2 * n + i;
}

// The arc's points, counter-clockwise from the ray through start to the ray through end.
void arc_points(int64_t l, int64_t t, int64_t width, int64_t height, Point64 start, Point64 end,
                std::vector<Point64> &points) {
    std::vector<Point64> q;
    arc_quarter(width, height, q);
    points.clear();
    int64_t n = (int64_t)q.size();
    if (n == 0) return;
    int64_t cx = l + width / 2, cy = t + height / 2;
    int64_t from = loop_position(q, start.x - cx, -(start.y - cy));
    int64_t to = loop_position(q, end.x - cx, -(end.y - cy));
    if (to <= from) to += 4 * n;
    int64_t right = l + width - 1 - width / 2, bottom = t + height - 1 - height / 2;
    points.reserve((size_t)(to - from) + 1);  // and a pie's centre
    for (int64_t i = from; i < to; ++i) {
        int64_t k = i % n;
        const Point64 &p = q[(size_t)k], &m = q[(size_t)(n - 1 - k)];
        switch ((i / n) % 4) {
            case 0:
                points.push_back({cx + p.x, bottom - p.y});
                break;
            case 1:
                points.push_back({right - m.x, bottom - m.y});
                break;
            case 2:
                points.push_back({right - p.x, cy + p.y});
                break;
            default:
                points.push_back({cx + m.x, cy + m.y});
        }
    }
}

// Arc (pie false) and Pie.
BOOL paint_arc(HDC handle, int left, int top, int right, int bottom, int x1, int y1, int x2, int y2,
               bool pie) {
    GdiDC *dc = dc_get(handle);
    if (!dc) return FALSE;
    int64_t l = left, t = top, r = right, b = bottom;
    if (!order_box(&l, &t, &r, &b)) return TRUE;
    // Every point of the box is walked: larger boxes than any screen are refused.
    if (r - l > WALK_LIMIT || b - t > WALK_LIMIT) return FALSE;
    Canvas canvas = dc_canvas(dc);
    if (!canvas.surface) return TRUE;
    std::vector<Point64> points;
    arc_points(l, t, r - l, b - t, Point64{x1, y1}, Point64{x2, y2}, points);
    if (pie) points.push_back(Point64{l + (r - l) / 2, t + (b - t) / 2});
    if (points.size() < 2) return TRUE;
    GdiBrush *brush = dc->brush_record;
    if (pie && brush && !brush->hollow)
        fill_polygon(canvas, points.data(), points.size(), brush->colour);
    GdiPen *pen = dc->pen_record;
    if (pen && pen->style != PS_NULL && pen->width > 1) {
        // The walk's points are neighbours: stamped as an ellipse's outline is, the two halves
        // gathered apart.
        int64_t middle = l + (r - l) / 2;
        stroke_stamped(canvas, points.data(), points.size(), pie, pen->width, pen->colour,
                       [&](size_t i) { return points[i].x < middle ? 1 : 0; });
    } else {
        stroke_path(canvas, pen, points.data(), points.size(), pie, gap_colour_of(dc));
    }
    dc_painted(dc);
    return TRUE;
}

}  // namespace

BOOL WINAPI Arc(HDC dc, int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
    return paint_arc(dc, left, top, right, bottom, x1, y1, x2, y2, false);
}

BOOL WINAPI Pie(HDC dc, int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
    return paint_arc(dc, left, top, right, bottom, x1, y1, x2, y2, true);
}
