// Cutting shapes at a square guard box around the origin, for a GDI that takes only coordinates
// of limited size (Windows: 27 bits). A cut is made at the rounded crossing of each edge, so
// what remains of a shape may lie up to half a pixel off it at the guard.
#ifndef TAVIX_DRAW_GUARD_H
#define TAVIX_DRAW_GUARD_H

#include "platform/win32.h"

#include <cstdint>

#define GUARD_POLYGON_MAX 8  // corners of a cut triangle, with room to spare

// Cuts the closed polygon of count (at most 3) corners at the box |x|, |y| <= guard; the corners
// left go to out. Returns their number, below 3 when nothing of it lies inside.
int cut_polygon_at_guard(const POINT *corners, int count, int64_t guard, POINT *out);
// Cuts the line between ends[0] and ends[1] at the same box; false when no part lies inside.
bool cut_line_at_guard(POINT *ends, int64_t guard);

#endif
