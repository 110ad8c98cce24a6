// The shape record a drawing call hands to the rasteriser, and the two routines that paint into
// the back buffer: one record at a time, and the whole buffer wiped white.
#ifndef TAVIX_DRAW_RASTER_H
#define TAVIX_DRAW_RASTER_H

#include "platform/win32.h"

#include <cstdint>

#define SHAPE_TRIANGLE 0
#define SHAPE_RECTANGLE 1
#define SHAPE_OVAL 2
#define SHAPE_LINE 3
#define SHAPE_PIXEL 4
#define SHAPE_TEXT 5
#define SHAPE_ARC 6      // box as an oval's; x3, y3 the start and end angles, degrees
#define SHAPE_POLYGON 7  // points: count x, y pairs
#define SHAPE_FILL 8     // x1, y1: where the area to fill over starts
#define SHAPE_IMAGE 9    // x1, y1: upper-left corner; x2: the image number, loaded
#define SHAPE_IMAGE_PART 10  // as SHAPE_IMAGE, of the part at x3, y3 (image pixels) that is
                             // width x count pixels, all within the image
#define SHAPE_IMAGE_TURNED 11  // x1, y1: the centre; x2: the image; x3: the scale in 1/65536ths,
                               // above 0; y3: the angle in 1/65536ths of a degree, 0 .. 360
                               // degrees; width: the TAVIX_FLIP_ and TAVIX_SMOOTH flags

#define MAX_PTSIZE 127            // largest text size, pixels
#define FORMATTED_TEXT_SIZE 1024  // bytes of the formatted text's buffer, with its zero

// One drawing request, in library coordinates. A kind reads only the fields it uses: a triangle
// its three corners; a rectangle or oval (x1, y1) upper left and (x2, y2) lower right, both
// included; a line its two ends; a pixel (x1, y1); a text its anchor (x1, y1), its size in x2
// and its characters in text_block.
struct ShapeRecord {
    int32_t kind;        // SHAPE_*
    int32_t colour;      // colour index 0..23, already checked
    int32_t width;       // pen width in pixels; 0 fills a triangle, rectangle or oval
    int32_t x1, y1;      // first point
    int32_t x2, y2;      // second point (text: x2 is the size, 0..MAX_PTSIZE)
    int32_t x3, y3;      // third point
    HGLOBAL text_block;  // text: movable block holding the NUL-terminated text; a handle is
                         // pointer-sized, so it has its own field rather than y2
    const int *points;   // polygon: x, y pairs, count of them (3 .. POLYGON_MAX)
    int32_t count;
};

#define POLYGON_MAX 1000  // most corners of a polygon

// Selects a loaded image into the image context for drawing and gives its size; returns the
// object it replaced there, to be selected back, or null for an image number not loaded.
HGDIOBJ image_for_drawing(int image, HDC *dc, int *width, int *height);

// Corrections the drawing calls share: a negative value made positive with its warning (the
// most negative int becomes the largest); a 64-bit box edge held within 32 bits; a text size
// made positive and held at MAX_PTSIZE, with its warnings.
int make_positive(int value, const char *warning);
int32_t saturated(int64_t value);
int corrected_text_size(int size);
extern const char RADIUS_WARNING[], WIDTH_WARNING[], SIZE_WARNING[];

// Where a record paints: a context and the pixel of it on which library (0, 0) lies.
struct ShapePlace {
    HDC dc;
    int origin_x, origin_y;
};

// Paints one record into the drawing target (the back buffer, or the image drawn into) and marks
// the buffer dirty.
void rasterise_shape(const ShapeRecord *shape);
// Paints one record with GDI into a place; the fill paints the back buffer only.
void paint_record(const ShapeRecord *shape, const ShapePlace &place);
// Paints a record the canvas must: into an image drawn into, in a see-through colour, or an
// image turned (draw/canvas.cpp). False when the record is GDI's alone to paint.
bool canvas_paints(const ShapeRecord *shape);
// Hands one shape of points to the rasteriser; a kind ignores the points it does not use.
void paint_shape(int kind, int colour, int width, int x1, int y1, int x2 = 0, int y2 = 0,
                 int x3 = 0, int y3 = 0);
// Fills the back buffer white inside a one-pixel frame of the context's pen; marks it dirty.
void wipe_buffer(void);
// Deletes the pens, brushes and fonts kept for the records, and the context images are drawn
// from (the next record makes them anew).
void release_shape_objects(void);
// The box TAVIX_draw_text paints for a text at a size (0 .. MAX_PTSIZE), in pixels.
void measure_text(int size, const char *text, int *width, int *height);

#endif
