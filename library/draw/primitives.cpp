// The public drawing calls: each corrects what it cannot use, warns about it on the console,
// prints its log line while logging is on, and hands one shape record to the rasteriser.
#include "library/core/state.h"
#include "library/draw/canvas.h"
#include "library/draw/raster.h"

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstring>

const char RADIUS_WARNING[] = "Radius of %d not possible, using radius %d\n";
const char WIDTH_WARNING[] = "Width of %d not possible, using width %d\n";
const char SIZE_WARNING[] = "ptsize of %d not possible, using ptsize %d\n";

// A negative radius, width or size made positive, with its warning. The most negative int has
// no positive counterpart, so it becomes the largest int.
int make_positive(int value, const char *warning) {
    if (value >= 0) return value;
    int positive = value == INT_MIN ? INT_MAX : -value;
    TAVIX_console_printf(warning, value, positive);
    return positive;
}

// A circle's box edge (centre plus or minus radius) held in the record's 32 bits. Only an edge
// more than two billion pixels away saturates.
int32_t saturated(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return (int32_t)value;
}

static const char *colour_name(int colour) {
    return colour_label(colour);
}

void paint_shape(int kind, int colour, int width, int x1, int y1, int x2, int y2, int x3, int y3) {
    ShapeRecord shape = {};
    shape.kind = kind;
    shape.colour = colour;
    shape.width = width;
    shape.x1 = x1;
    shape.y1 = y1;
    shape.x2 = x2;
    shape.y2 = y2;
    shape.x3 = x3;
    shape.y3 = y3;
    rasterise_shape(&shape);
}

int TAVIX_draw_pixel(int colour, int x, int y) {
    colour = check_colour(colour);
    if (library_state.draw.logging)
        TAVIX_console_printf("%s pixel at (%d,%d)\n", colour_name(colour), x, y);
    paint_shape(SHAPE_PIXEL, colour, 0, x, y);
    return 1;
}

int TAVIX_draw_circle(int colour, int x, int y, int radius) {
    colour = check_colour(colour);
    radius = make_positive(radius, RADIUS_WARNING);
    if (library_state.draw.logging)
        TAVIX_console_printf("%s circle at (%d,%d), radius %d\n", colour_name(colour), x, y,
                             radius);
    paint_shape(SHAPE_OVAL, colour, 0, saturated((int64_t)x - radius),
                saturated((int64_t)y + radius), saturated((int64_t)x + radius),
                saturated((int64_t)y - radius));
    return 1;
}

int TAVIX_draw_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3, int width) {
    colour = check_colour(colour);
    width = make_positive(width, WIDTH_WARNING);
    if (library_state.draw.logging)
        TAVIX_console_printf("%s triangle at (%d,%d), (%d,%d), (%d,%d)\n", colour_name(colour), x1,
                             y1, x2, y2, x3, y3);
    paint_shape(SHAPE_TRIANGLE, colour, width, x1, y1, x2, y2, x3, y3);
    return 1;
}

int TAVIX_draw_rectangle(int colour, int x1, int y1, int x2, int y2, int width) {
    // Corners first, silently, so that the log line and the record show the upper left first.
    if (x1 > x2) {
        int t = x1;
        x1 = x2;
        x2 = t;
    }
    if (y1 < y2) {
        int t = y1;
        y1 = y2;
        y2 = t;
    }
    colour = check_colour(colour);
    width = make_positive(width, WIDTH_WARNING);
    if (library_state.draw.logging) {
        if (width != 0)
            TAVIX_console_printf(
                "%s rectangle with bounding box (%d,%d) to (%d,%d) with line width %d\n",
                colour_name(colour), x1, y1, x2, y2, width);
        else
            TAVIX_console_printf("%s rectangle with bounding box (%d,%d) to (%d,%d), filled\n",
                                 colour_name(colour), x1, y1, x2, y2);
    }
    paint_shape(SHAPE_RECTANGLE, colour, width, x1, y1, x2, y2);
    return 1;
}

int TAVIX_draw_line(int colour, int x1, int y1, int x2, int y2, int width) {
    // The one call that checks its width before its colour: the warnings come in that order.
    width = make_positive(width, WIDTH_WARNING);
    colour = check_colour(colour);
    // Logged as given (0 included), drawn at least one pixel wide.
    if (library_state.draw.logging)
        TAVIX_console_printf("%s line from (%d,%d) to (%d,%d), width %d\n", colour_name(colour), x1,
                             y1, x2, y2, width);
    paint_shape(SHAPE_LINE, colour, width == 0 ? 1 : width, x1, y1, x2, y2);
    return 1;
}

// The text's log line. It quotes the whole text, so a long text is cut to what still lets the
// line end in its quote and newline within the console's buffer.
static void log_text(int colour, int x, int y, const char *text) {
    int prefix = snprintf(nullptr, 0, "%s text at (%d,%d), \"", colour_name(colour), x, y);
    int room = CONSOLE_TEXT_SIZE - 1 - prefix - 2;
    size_t length = strnlen(text, (size_t)(room > 0 ? room : 0));
    TAVIX_console_printf("%s text at (%d,%d), \"%.*s\"\n", colour_name(colour), x, y, (int)length,
                         text);
}

int corrected_text_size(int size) {
    size = make_positive(size, SIZE_WARNING);
    if (size > MAX_PTSIZE) {
        TAVIX_console_printf(SIZE_WARNING, size, MAX_PTSIZE);
        size = MAX_PTSIZE;
    }
    return size;
}

int TAVIX_draw_text(int colour, int x, int y, int size, const char *text) {
    if (!text) return 1;
    size = corrected_text_size(size);
    colour = check_colour(colour);
    if (library_state.draw.logging) log_text(colour, x, y, text);

    // The rasteriser reads the text from a movable block of its own, freed when it is done.
    size_t length = strlen(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, length + 1);
    if (!block) return 1;
    char *copy = (char *)GlobalLock(block);
    if (copy) {
        memcpy(copy, text, length + 1);
        GlobalUnlock(block);
        ShapeRecord shape = {};
        shape.kind = SHAPE_TEXT;
        shape.colour = colour;
        shape.x1 = x;
        shape.y1 = y;
        shape.x2 = size;
        shape.text_block = block;
        rasterise_shape(&shape);
    }
    GlobalFree(block);
    return 1;
}

int TAVIX_draw_formatted(int colour, int x, int y, int size, const char *format, ...) {
    if (!format) return 0;
    char text[FORMATTED_TEXT_SIZE];
    va_list values;
    va_start(values, format);
    int produced = vsnprintf(text, sizeof text, format, values);
    va_end(values);
    // A text too long for the buffer is drawn cut to fit; the result is still the length the
    // formatting produced, as the formatter's own is.
    if (produced < 0) text[0] = '\0';
    TAVIX_draw_text(colour, x, y, size, text);
    return produced;
}

int TAVIX_clear_window(void) {
    // Drawing into an image, the image is cleared: wholly transparent, as it was made.
    if (library_state.canvas.image) {
        if (library_state.draw.logging)
            TAVIX_console_printf("Clearing image %d\n", library_state.canvas.image);
        if (canvas_clear_image()) return 1;
    }
    if (library_state.draw.logging) TAVIX_console_printf("Clearing the graphics window\n");
    wipe_buffer();
    return 1;
}
