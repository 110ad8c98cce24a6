// The rasteriser's span painter, which the text code paints through too: logical coordinates,
// clipped to the canvas.
#ifndef TAVIX_PLATFORM_GDI_RASTER_H
#define TAVIX_PLATFORM_GDI_RASTER_H

#include "platform/gdi/dc.h"
#include "platform/win32.h"

#include <cstdint>

// Fills [x0, x1) on row y.
void canvas_span(const Canvas &canvas, int64_t y, int64_t x0, int64_t x1, COLORREF colour);
// Fills [left, right) x [top, bottom).
void canvas_fill(const Canvas &canvas, int64_t left, int64_t top, int64_t right, int64_t bottom,
                 COLORREF colour);

#endif
