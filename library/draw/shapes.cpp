// The drawing calls beyond the first eight: ellipses, arcs and pie slices, polygons, flood fills,
// reading a pixel back and measuring text. They keep the house rules of the first eight: correct
// what they cannot use with a console warning, print one log line while logging is on, and hand
// one shape record to the rasteriser. Reading a pixel and measuring print no log line.
#include "library/core/state.h"
#include "library/draw/canvas.h"
#include "library/draw/raster.h"

#include <climits>
#include <cstdint>
#include <cstring>

// Every pixel of an arc's ellipse is walked, so its radii are held to what a screen can show,
// and its pen, painted at every one of those pixels, to somewhat more than the picture is wide.
static const int ARC_RADIUS_MAX = 30000;
static const int ARC_WIDTH_MAX = 1000;

// The oval's record for a centre and two radii: its box, both corners included.
static ShapeRecord oval_record(int kind, int colour, int width, int x, int y, int x_radius,
                               int y_radius) {
    ShapeRecord shape = {};
    shape.kind = kind;
    shape.colour = colour;
    shape.width = width;
    shape.x1 = saturated((int64_t)x - x_radius);
    shape.y1 = saturated((int64_t)y + y_radius);
    shape.x2 = saturated((int64_t)x + x_radius);
    shape.y2 = saturated((int64_t)y - y_radius);
    return shape;
}

int TAVIX_draw_ellipse(int colour, int x, int y, int x_radius, int y_radius, int width) {
    colour = check_colour(colour);
    x_radius = make_positive(x_radius, RADIUS_WARNING);
    y_radius = make_positive(y_radius, RADIUS_WARNING);
    width = make_positive(width, WIDTH_WARNING);
    if (library_state.draw.logging) {
        if (width != 0)
            TAVIX_console_printf("%s ellipse at (%d,%d), radii %d and %d, width %d\n",
                                 colour_label(colour), x, y, x_radius, y_radius, width);
        else
            TAVIX_console_printf("%s ellipse at (%d,%d), radii %d and %d, filled\n",
                                 colour_label(colour), x, y, x_radius, y_radius);
    }
    ShapeRecord shape = oval_record(SHAPE_OVAL, colour, width, x, y, x_radius, y_radius);
    rasterise_shape(&shape);
    return 1;
}

// An angle taken into 0 .. 359 (a whole turn more or less is the same ray).
static int turn(int degrees) {
    int a = degrees % 360;
    return a < 0 ? a + 360 : a;
}

int TAVIX_draw_arc(int colour, int x, int y, int x_radius, int y_radius, int start_degrees,
                   int end_degrees, int width) {
    colour = check_colour(colour);
    x_radius = make_positive(x_radius, RADIUS_WARNING);
    y_radius = make_positive(y_radius, RADIUS_WARNING);
    if (x_radius > ARC_RADIUS_MAX) {
        TAVIX_console_printf(RADIUS_WARNING, x_radius, ARC_RADIUS_MAX);
        x_radius = ARC_RADIUS_MAX;
    }
    if (y_radius > ARC_RADIUS_MAX) {
        TAVIX_console_printf(RADIUS_WARNING, y_radius, ARC_RADIUS_MAX);
        y_radius = ARC_RADIUS_MAX;
    }
    width = make_positive(width, WIDTH_WARNING);
    if (width > ARC_WIDTH_MAX) {
        TAVIX_console_printf(WIDTH_WARNING, width, ARC_WIDTH_MAX);
        width = ARC_WIDTH_MAX;
    }
    if (library_state.draw.logging) {
        if (width != 0)
            TAVIX_console_printf(
                "%s arc at (%d,%d), radii %d and %d, from %d to %d degrees, width %d\n",
                colour_label(colour), x, y, x_radius, y_radius, start_degrees, end_degrees, width);
        else
            TAVIX_console_printf(
                "%s pie slice at (%d,%d), radii %d and %d, from %d to %d degrees, filled\n",
                colour_label(colour), x, y, x_radius, y_radius, start_degrees, end_degrees);
    }
    ShapeRecord shape = oval_record(SHAPE_ARC, colour, width, x, y, x_radius, y_radius);
    shape.x3 = turn(start_degrees);
    shape.y3 = turn(end_degrees);
    rasterise_shape(&shape);
    return 1;
}

int TAVIX_draw_polygon(int colour, int count, const int *points, int width) {
    colour = check_colour(colour);
    if (!points || count < 3) {
        TAVIX_console_printf("Polygon of %d points not possible, nothing drawn\n",
                             points ? count : 0);
        return 1;
    }
    if (count > POLYGON_MAX) {
        TAVIX_console_printf("Polygon of %d points not possible, using its first %d\n", count,
                             POLYGON_MAX);
        count = POLYGON_MAX;
    }
    width = make_positive(width, WIDTH_WARNING);
    if (library_state.draw.logging) {
        if (width != 0)
            TAVIX_console_printf("%s polygon of %d points from (%d,%d), width %d\n",
                                 colour_label(colour), count, points[0], points[1], width);
        else
            TAVIX_console_printf("%s polygon of %d points from (%d,%d), filled\n",
                                 colour_label(colour), count, points[0], points[1]);
    }
    ShapeRecord shape = {};
    shape.kind = SHAPE_POLYGON;
    shape.colour = colour;
    shape.width = width;
    shape.points = points;
    shape.count = count;
    rasterise_shape(&shape);
    return 1;
}

// The buffer pixel of a library point, false outside the buffer.
static bool buffer_pixel(int x, int y, int64_t *bx, int64_t *by) {
    *bx = (int64_t)library_state.window.origin_x + x;
    *by = (int64_t)library_state.window.origin_y - y;
    return *bx >= 0 && *bx < library_state.picture.width && *by >= 0 && *by < library_state.picture.height;
}

int TAVIX_fill_area(int colour, int x, int y) {
    colour = check_colour(colour);
    // The area is found in what drawing goes into: the picture, or the image drawn into.
    int width, height, origin_x, origin_y;
    canvas_target(&width, &height, &origin_x, &origin_y);
    int64_t bx = (int64_t)origin_x + x, by = (int64_t)origin_y - y;
    if (bx < 0 || bx >= width || by < 0 || by >= height) {
        TAVIX_console_printf("Fill from (%d,%d) not possible, outside the %s\n", x, y,
                             library_state.canvas.image ? "image" : "picture");
        return 1;
    }
    if (library_state.draw.logging)
        TAVIX_console_printf("%s fill from (%d,%d)\n", colour_label(colour), x, y);
    paint_shape(SHAPE_FILL, colour, 0, x, y);
    return 1;
}

int TAVIX_get_pixel(int x, int y) {
    int64_t bx, by;
    if (!library_state.window.buffer_dc || !buffer_pixel(x, y, &bx, &by)) return -1;
    COLORREF c = GetPixel(library_state.window.buffer_dc, (int)bx, (int)by);
    if (c == CLR_INVALID) return -1;
    return (int)((c & 0xFF) << 16 | (c & 0xFF00) | ((c >> 16) & 0xFF));
}

int TAVIX_text_width(int size, const char *text) {
    size = corrected_text_size(size);
    if (!text) return 0;
    int width, height;
    measure_text(size, text, &width, &height);
    return width;
}

int TAVIX_text_height(int size, const char *text) {
    size = corrected_text_size(size);
    if (!text) return 0;
    int width, height;
    measure_text(size, text, &width, &height);
    return height;
}
