// The cone decorator's whole scene drawn three ways in one run: through TAVIX into its back
// buffer, through cairo onto an image surface of the same size (antialiasing off, the same shapes
// and texts), and, as the floor, one memset of a buffer that size; the wipe of the back buffer is
// timed beside them. The scene is the decorator's own draw_scene: the link wraps the drawing
// calls, so the same calls reach either TAVIX or the cairo painter below. Rounds interleave the
// four measurements, so load on the machine falls on all of them alike; medians of thread CPU
// time are printed, with the ratios. Usage: bench_scene_cairo [rounds [picture-prefix]]; with a
// prefix, both pictures of the scene are saved as PREFIX-tavix.png and PREFIX-cairo.png.
#include "decorator/state.h"
#include "library/core/state.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

extern "C" {
int __real_TAVIX_draw_pixel(int colour, int x, int y);
int __real_TAVIX_draw_circle(int colour, int x, int y, int radius);
int __real_TAVIX_draw_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3,
                               int width);
int __real_TAVIX_draw_rectangle(int colour, int x1, int y1, int x2, int y2, int width);
int __real_TAVIX_draw_line(int colour, int x1, int y1, int x2, int y2, int width);
int __real_TAVIX_draw_text(int colour, int x, int y, int size, const char *text);
}

namespace {

cairo_t *painter;  // null: the calls go to TAVIX

void use_colour(int colour) {
    COLORREF c = library_state.draw.colours[colour >= 0 && colour < COLOUR_COUNT ? colour : RED];
    cairo_set_source_rgb(painter, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                         ((c >> 16) & 0xFF) / 255.0);
}

// Device pixel of a library point; + 0.5 is the pixel's centre, where cairo strokes thin lines.
double device_x(int x) {
    return library_state.window.origin_x + (double)x;
}
double device_y(int y) {
    return library_state.window.origin_y - (double)y;
}

void cairo_text(int colour, int x, int y, int size, const char *text) {
    use_colour(colour);
    cairo_set_font_size(painter, size);
    cairo_font_extents_t extents;
    cairo_font_extents(painter, &extents);
    // The text's cell stands on the anchor's row, as TAVIX places it.
    cairo_move_to(painter, device_x(x), device_y(y) - extents.descent);
    cairo_show_text(painter, text);
}

double thread_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

}  // namespace

extern "C" {

int __wrap_TAVIX_draw_pixel(int colour, int x, int y) {
    if (!painter) return __real_TAVIX_draw_pixel(colour, x, y);
    use_colour(colour);
    cairo_rectangle(painter, device_x(x), device_y(y), 1, 1);
    cairo_fill(painter);
    return 1;
}

int __wrap_TAVIX_draw_circle(int colour, int x, int y, int radius) {
    if (!painter) return __real_TAVIX_draw_circle(colour, x, y, radius);
    use_colour(colour);
    cairo_arc(painter, device_x(x) + 0.5, device_y(y) + 0.5, radius + 0.5, 0, 2 * M_PI);
    cairo_fill(painter);
    return 1;
}

int __wrap_TAVIX_draw_triangle(int colour, int x1, int y1, int x2, int y2, int x3, int y3,
                               int width) {
    if (!painter) return __real_TAVIX_draw_triangle(colour, x1, y1, x2, y2, x3, y3, width);
    use_colour(colour);
    cairo_move_to(painter, device_x(x1) + 0.5, device_y(y1) + 0.5);
    cairo_line_to(painter, device_x(x2) + 0.5, device_y(y2) + 0.5);
    cairo_line_to(painter, device_x(x3) + 0.5, device_y(y3) + 0.5);
    cairo_close_path(painter);
    if (width == 0) {
        cairo_fill(painter);
    } else {
        cairo_set_line_width(painter, width);
        cairo_stroke(painter);
    }
    return 1;
}

int __wrap_TAVIX_draw_rectangle(int colour, int x1, int y1, int x2, int y2, int width) {
    if (!painter) return __real_TAVIX_draw_rectangle(colour, x1, y1, x2, y2, width);
    use_colour(colour);
    double left = device_x(std::min(x1, x2)), top = device_y(std::max(y1, y2));
    double w = std::abs(x2 - x1), h = std::abs(y2 - y1);
    if (width == 0) {
        cairo_rectangle(painter, left, top, w + 1, h + 1);
        cairo_fill(painter);
    } else {
        cairo_rectangle(painter, left + 0.5, top + 0.5, w, h);
        cairo_set_line_width(painter, width);
        cairo_stroke(painter);
    }
    return 1;
}

int __wrap_TAVIX_draw_line(int colour, int x1, int y1, int x2, int y2, int width) {
    if (!painter) return __real_TAVIX_draw_line(colour, x1, y1, x2, y2, width);
    use_colour(colour);
    cairo_set_line_width(painter, width > 0 ? width : 1);
    cairo_set_line_cap(painter, width > 1 ? CAIRO_LINE_CAP_ROUND : CAIRO_LINE_CAP_BUTT);
    cairo_move_to(painter, device_x(x1) + 0.5, device_y(y1) + 0.5);
    cairo_line_to(painter, device_x(x2) + 0.5, device_y(y2) + 0.5);
    cairo_stroke(painter);
    return 1;
}

int __wrap_TAVIX_draw_text(int colour, int x, int y, int size, const char *text) {
    if (!painter) return __real_TAVIX_draw_text(colour, x, y, size, text);
    if (text) cairo_text(colour, x, y, size, text);
    return 1;
}

// The library's own formatted call reaches its text call inside the library, past the wrap, so
// it is taken whole.
int __wrap_TAVIX_draw_formatted(int colour, int x, int y, int size, const char *format, ...) {
    char text[1024];  // as the library's own buffer
    va_list values;
    va_start(values, format);
    int produced = vsnprintf(text, sizeof text, format, values);
    va_end(values);
    if (produced < 0) text[0] = '\0';
    if (!painter) {
        __real_TAVIX_draw_text(colour, x, y, size, text);
    } else {
        cairo_text(colour, x, y, size, text);
    }
    return produced < (int)sizeof text ? produced : (int)sizeof text - 1;
}
}

namespace {

// A busy moment of the cone: three scoops, ten toppings of every kind, three bites, the status
// line of adding toppings and one marquee light lit.
ConeState scene_state() {
    ConeState state;
    reset_cone(&state);
    srand(1);
    start_cone(&state);
    state.scoop_count = 3;
    static const int toppings[10][4] = {
        {-20, 100, TOPPING_MM, RED},        {15, 140, TOPPING_NUT, BROWN},
        {0, 60, TOPPING_SPRINKLE, YELLOW},  {-30, 20, TOPPING_CONFETTI, 0},
        {30, 30, TOPPING_MM, BLUE},         {-10, -20, TOPPING_NUT, GREEN},
        {20, -60, TOPPING_SPRINKLE, WHITE}, {-40, 150, TOPPING_MM, ORANGE},
        {5, -100, TOPPING_CONFETTI, 0},     {25, 90, TOPPING_SPRINKLE, PINK},
    };
    state.topping_count = 10;
    for (int k = 0; k < 10; ++k) {
        state.topping_x[k] = toppings[k][0];
        state.topping_y[k] = toppings[k][1];
        state.topping_kind[k] = toppings[k][2];
        state.topping_color[k] = toppings[k][3];
    }
    state.bite_count = 3;
    static const int bites[3][2] = {{40, 170}, {-50, 120}, {45, 60}};
    for (int b = 0; b < 3; ++b) state.bite_x[b] = bites[b][0], state.bite_y[b] = bites[b][1];
    state.mode = MODE_ADD_TOPPING;
    state.light_color[7] = YELLOW;
    return state;
}

// Confetti draws new pixels from rand(): both painters get the same ones. Kept out of line, one
// for each painter, so that a profiler can be told to count one of them (callgrind's
// --toggle-collect='*draw_with_tavix*').
__attribute__((noinline)) void draw_with_tavix(ConeState *state) {
    painter = nullptr;
    srand(7);
    draw_scene(state);
}

__attribute__((noinline)) void draw_with_cairo(ConeState *state, cairo_t *cr) {
    painter = cr;
    srand(7);
    draw_scene(state);
    painter = nullptr;
}

struct Measure {
    const char *name;
    int batch;                    // runs timed together
    std::vector<double> seconds;  // one run's time, per round
};

// The back buffer read through its context, as a cairo image to save beside cairo's own.
void save_pictures(const char *prefix, cairo_surface_t *drawn) {
    cairo_surface_t *copy =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, TAVIX_WIDTH, TAVIX_HEIGHT);
    cairo_surface_flush(copy);
    unsigned char *rows = cairo_image_surface_get_data(copy);
    int stride = cairo_image_surface_get_stride(copy);
    for (int y = 0; y < TAVIX_HEIGHT; ++y)
        for (int x = 0; x < TAVIX_WIDTH; ++x) {
            COLORREF c = GetPixel(library_state.window.buffer_dc, x, y);
            ((uint32_t *)(rows + (size_t)y * stride))[x] =
                ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
        }
    cairo_surface_mark_dirty(copy);
    std::string tavix = std::string(prefix) + "-tavix.png",
                other = std::string(prefix) + "-cairo.png";
    if (cairo_surface_write_to_png(copy, tavix.c_str()) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_write_to_png(drawn, other.c_str()) != CAIRO_STATUS_SUCCESS)
        fprintf(stderr, "bench_scene_cairo: the pictures could not be saved as %s-*.png\n", prefix);
    cairo_surface_destroy(copy);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char **argv) {
    int rounds = argc > 1 ? atoi(argv[1]) : 31;
    if (rounds < 1) rounds = 1;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    static int module_marker;
    TAVIX_start(reinterpret_cast<HINSTANCE>(&module_marker), nullptr, (LPSTR) "", SW_SHOWNORMAL);
    TAVIX_set_logging(0);
    TAVIX_clear_window();

    cairo_surface_t *surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, TAVIX_WIDTH, TAVIX_HEIGHT);
    cairo_t *cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_t *options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_NONE);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    cairo_select_font_face(cr, "Arial", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);

    std::vector<uint32_t> buffer((size_t)TAVIX_WIDTH * TAVIX_HEIGHT);
    ConeState state = scene_state();
    int fill_byte = 0;
    auto run = [&](int which) {
        switch (which) {
            case 0:
                draw_with_tavix(&state);
                break;
            case 1:
                draw_with_cairo(&state, cr);
                break;
            case 2:
                memset(buffer.data(), fill_byte++ & 0xFF, buffer.size() * sizeof buffer[0]);
                asm volatile("" : : "r"(buffer.data()) : "memory");
                break;
            default:
                TAVIX_clear_window();
                break;
        }
    };
    Measure measures[4] = {{"scene, TAVIX", 1, {}},
                           {"scene, cairo", 1, {}},
                           {"memset of the buffer", 1, {}},
                           {"wipe, TAVIX", 1, {}}};
    // Warm the caches (glyphs, fonts, pages), then size each batch to some 4 ms.
    for (int which = 0; which < 4; ++which) {
        for (int i = 0; i < 3; ++i) run(which);
        double start = thread_seconds();
        run(which);
        double once = std::max(thread_seconds() - start, 1e-7);
        measures[which].batch = std::max(1, (int)(0.004 / once));
    }
    for (int round = 0; round < rounds; ++round) {
        for (int which = 0; which < 4; ++which) {
            Measure &m = measures[which];
            double start = thread_seconds();
            for (int i = 0; i < m.batch; ++i) run(which);
            m.seconds.push_back((thread_seconds() - start) / m.batch);
        }
    }

    if (argc > 2) {
        TAVIX_clear_window();
        run(0);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        run(1);
        save_pictures(argv[2], surface);
    }

    double loads[3] = {0, 0, 0};
    FILE *loadavg = fopen("/proc/loadavg", "r");
    if (loadavg) {
        if (fscanf(loadavg, "%lf %lf %lf", &loads[0], &loads[1], &loads[2]) != 3) loads[0] = -1;
        fclose(loadavg);
    }
    printf("%d rounds, medians of thread CPU time; load average %.2f %.2f %.2f\n", rounds, loads[0],
           loads[1], loads[2]);
    double med[4];
    for (int which = 0; which < 4; ++which) {
        med[which] = median(measures[which].seconds);
        printf("  %-22s %10.1f us  (batches of %d)\n", measures[which].name, med[which] * 1e6,
               measures[which].batch);
    }
    printf("scene TAVIX / cairo:   %.3f\n", med[0] / med[1]);
    printf("scene TAVIX / memset:  %.2f\n", med[0] / med[2]);
    printf("wipe TAVIX / memset:   %.2f\n", med[3] / med[2]);

    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    TAVIX_finish();
    return 0;
}
