// Cutting polygons and lines at the guard box: side k keeps the points whose x (k = 0, 1) or
// y (k = 2, 3), times +1 for even k and -1 for odd, is at most the guard.
#include "library/draw/guard.h"

#include <cmath>

namespace {

struct FarPoint {
    int64_t x, y;
};

int64_t along(int side, FarPoint p) {
    return (side % 2 == 0 ? 1 : -1) * (side < 2 ? p.x : p.y);
}

// Where the edge from a to b, one on each side of the guard side, crosses it, rounded.
FarPoint crossing(int side, FarPoint a, FarPoint b, int64_t guard) {
    double t = (double)(guard - along(side, a)) / (double)(along(side, b) - along(side, a));
    int64_t at = (side % 2 == 0 ? 1 : -1) * guard;
    if (side < 2) return FarPoint{at, a.y + llround(t * (double)(b.y - a.y))};
    return FarPoint{a.x + llround(t * (double)(b.x - a.x)), at};
}

}  // namespace

int cut_polygon_at_guard(const POINT *corners, int count, int64_t guard, POINT *out) {
    FarPoint a[GUARD_POLYGON_MAX], b[GUARD_POLYGON_MAX];
    int n = count;
    for (int i = 0; i < n; ++i) a[i] = FarPoint{corners[i].x, corners[i].y};
    for (int side = 0; side < 4 && n > 0; ++side) {
        int m = 0;
        for (int i = 0; i < n; ++i) {
            FarPoint from = a[(i + n - 1) % n], to = a[i];
            bool from_kept = along(side, from) <= guard, to_kept = along(side, to) <= guard;
            if (from_kept != to_kept) b[m++] = crossing(side, from, to, guard);
            if (to_kept) b[m++] = to;
        }
        n = m;
        for (int i = 0; i < n; ++i) a[i] = b[i];
    }
    for (int i = 0; i < n; ++i) out[i] = POINT{(LONG)a[i].x, (LONG)a[i].y};
    return n;
}

bool cut_line_at_guard(POINT *ends, int64_t guard) {
    FarPoint p = {ends[0].x, ends[0].y}, q = {ends[1].x, ends[1].y};
    for (int side = 0; side < 4; ++side) {
        bool p_kept = along(side, p) <= guard, q_kept = along(side, q) <= guard;
        if (!p_kept && !q_kept) return false;
        if (!q_kept) q = crossing(side, p, q, guard);
        if (!p_kept) p = crossing(side, q, p, guard);
    }
    ends[0] = POINT{(LONG)p.x, (LONG)p.y};
    ends[1] = POINT{(LONG)q.x, (LONG)q.y};
    return true;
}
