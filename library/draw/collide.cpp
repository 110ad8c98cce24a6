// Collisions, told by the pixels the drawing calls fill: a rectangle covers both its corners' rows
// and columns, as TAVIX_draw_rectangle fills it; a disc covers the rows of TAVIX_draw_circle's
// ellipse walk (the chain of points GDI's Ellipse walks, A. Zingl's integer algorithm: the
// platform layer paints by it, the real GDI agrees on circles). Everything is worked in 64 bits
// (128 where two squares meet), so no int overflows; no library call of floating point decides
// anything, so every build, and a replay on any of them, answers alike. They print no log line.
#include "library/core/state.h"
#include "library/draw/raster.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// The largest radius whose circle's box is walked; beyond, the layer (and this file) take the
// closed form: the pixels whose centres lie within sqrt(r^2 + r) of the centre.
const int64_t WALKED_RADIUS = 32767;

// Visits the lower right quarter of the radius r circle's walk: visit(x, dy) for each point, x
// from the box's left, dy from the middle row down; false from visit stops the walk.
template <typename Visit>
void walk_circle(int64_t r, Visit visit) {
    int64_t a = 2 * r, b = 2 * r;
    int64_t asq = 8 * a * a, bsq = 8 * b * b;
    int64_t dx = 4 * b * b * (1 - a), dy = 4 * a * a * (1 + b % 2);
    int64_t err = dx + dy + a * a * (b % 2);
    int64_t x = a, y = r;
    while (x >= r && y <= b) {
        if (!visit(x, y - r)) return;
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

// The square root rounded down, exactly.
uint64_t root(uint64_t n) {
    uint64_t s = (uint64_t)sqrt((double)n);
    while (s > 0 && s * s > n) --s;
    while ((s + 1) * (s + 1) <= n) ++s;
    return s;
}

// How far from the centre column the disc of radius r (r > WALKED_RADIUS) reaches on row dy,
// |dy| <= r: the largest x with x^2 + dy^2 <= r^2 + r.
int64_t far_half(int64_t r, int64_t dy) {
    return (int64_t)root((uint64_t)(r * r + r - dy * dy));
}

// How far the walked disc of radius r reaches on row dy, 0 <= dy <= r; -1 where it has no point.
int64_t walked_half(int64_t r, int64_t dy) {
    int64_t half = -1;
    walk_circle(r, [&](int64_t x, int64_t row) {
        if (row < dy) return true;
        if (row == dy) half = x - r;  // x only falls: a row's first point is outermost
        return false;
    });
    return half;
}

// The walked disc's reach on every row 0 .. r, in a new array (null without memory).
int64_t *walked_halves(int64_t r) {
    int64_t *halves = (int64_t *)malloc((size_t)(r + 1) * sizeof *halves);
    if (!halves) return nullptr;
    for (int64_t i = 0; i <= r; ++i) halves[i] = -1;
    walk_circle(r, [&](int64_t x, int64_t row) {
        if (halves[row] < 0) halves[row] = x - r;  // a row's first point is its outermost
        return true;
    });
    return halves;
}

// An unsigned 128-bit number, for comparing sums of squares of 32-bit distances.
struct Wide {
    uint64_t high, low;
};

Wide product(uint64_t a, uint64_t b) {
    uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
    uint64_t low = a0 * b0, middle1 = a1 * b0, middle2 = a0 * b1, high = a1 * b1;
    uint64_t carry = ((low >> 32) + (middle1 & 0xFFFFFFFFu) + (middle2 & 0xFFFFFFFFu)) >> 32;
    return Wide{high + (middle1 >> 32) + (middle2 >> 32) + carry,
                low + (middle1 << 32) + (middle2 << 32)};
}

Wide sum(Wide a, Wide b) {
    uint64_t low = a.low + b.low;
    return Wide{a.high + b.high + (low < a.low), low};
}

bool at_most(Wide a, Wide b) {
    return a.high != b.high ? a.high < b.high : a.low <= b.low;
}

// Two discs too large to walk, centres dx and dy apart (each at most r1 + r2): whether the
// distance is at most sqrt(r1^2 + r1) + sqrt(r2^2 + r2), the closed form's radii.
bool far_discs_meet(uint64_t dx, uint64_t dy, uint64_t r1, uint64_t r2) {
    uint64_t k1 = r1 * r1 + r1, k2 = r2 * r2 + r2;
    Wide d = sum(product(dx, dx), product(dy, dy));
    // d <= k1 + k2 + 2 sqrt(k1 k2): at once when d <= k1 + k2, else (d - k1 - k2)^2 <= 4 k1 k2.
    Wide k = sum(Wide{0, k1}, Wide{0, k2});
    if (at_most(d, k)) return true;
    uint64_t over = d.low - k.low;
    if (d.high - k.high - (d.low < k.low) != 0) return false;  // d - k^2 past 2^64: far apart
    Wide left = product(over, over), right = product(2 * k1, 2 * k2);
    // 2 k1 and 2 k2 fit in 64 bits (r below 2^31); 4 k1 k2 is their product.
    return at_most(left, right);
}

}  // namespace

int TAVIX_rects_overlap(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    int left1 = x1 < x2 ? x1 : x2, right1 = x1 < x2 ? x2 : x1;
    int bottom1 = y1 < y2 ? y1 : y2, top1 = y1 < y2 ? y2 : y1;
    int left2 = x3 < x4 ? x3 : x4, right2 = x3 < x4 ? x4 : x3;
    int bottom2 = y3 < y4 ? y3 : y4, top2 = y3 < y4 ? y4 : y3;
    return left1 <= right2 && left2 <= right1 && bottom1 <= top2 && bottom2 <= top1;
}

int TAVIX_point_in_rect(int x, int y, int x1, int y1, int x2, int y2) {
    return TAVIX_rects_overlap(x, y, x, y, x1, y1, x2, y2);
}

int TAVIX_point_in_circle(int x, int y, int cx, int cy, int r) {
    r = make_positive(r, RADIUS_WARNING);
    int64_t dx = llabs((int64_t)x - cx), dy = llabs((int64_t)y - cy);
    if (dx > r || dy > r) return 0;
    if (r > WALKED_RADIUS) return dx <= far_half(r, dy);
    return dx <= walked_half(r, dy);
}

int TAVIX_circles_overlap(int x1, int y1, int r1, int x2, int y2, int r2) {
    r1 = make_positive(r1, RADIUS_WARNING);
    r2 = make_positive(r2, RADIUS_WARNING);
    int64_t dx = llabs((int64_t)x1 - x2);
    int64_t reach = (int64_t)r1 + r2;
    if (dx > reach || llabs((int64_t)y1 - y2) > reach) return 0;
    if (r1 > WALKED_RADIUS && r2 > WALKED_RADIUS)
        return far_discs_meet((uint64_t)dx, (uint64_t)llabs((int64_t)y1 - y2), (uint64_t)r1,
                              (uint64_t)r2);
    // The rows both discs cover (fewer than 2^16: one disc is walked); a row shared, the two
    // discs' runs on it meet when their reaches together span the centres' distance.
    int64_t *halves1 = r1 <= WALKED_RADIUS ? walked_halves(r1) : nullptr;
    int64_t *halves2 = r2 <= WALKED_RADIUS ? walked_halves(r2) : nullptr;
    if ((r1 <= WALKED_RADIUS && !halves1) || (r2 <= WALKED_RADIUS && !halves2)) {
        // Without memory for the walk, the closed form answers: within a pixel of it.
        free(halves1);
        free(halves2);
        return far_discs_meet((uint64_t)dx, (uint64_t)llabs((int64_t)y1 - y2), (uint64_t)r1,
                              (uint64_t)r2);
    }
    int64_t from = (int64_t)y1 - r1 > (int64_t)y2 - r2 ? (int64_t)y1 - r1 : (int64_t)y2 - r2;
    int64_t to = (int64_t)y1 + r1 < (int64_t)y2 + r2 ? (int64_t)y1 + r1 : (int64_t)y2 + r2;
    int meet = 0;
    for (int64_t y = from; y <= to && !meet; ++y) {
        int64_t d1 = llabs(y - y1), d2 = llabs(y - y2);
        int64_t h1 = halves1 ? halves1[d1] : far_half(r1, d1);
        int64_t h2 = halves2 ? halves2[d2] : far_half(r2, d2);
        meet = h1 >= 0 && h2 >= 0 && dx <= h1 + h2;
    }
    free(halves1);
    free(halves2);
    return meet;
}
