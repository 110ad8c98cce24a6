// A client whose picture is the same on every run and every platform: it draws a fixed set of
// shapes (every kind, pen widths 0 to 9, shapes cut by the window's edges, pseudo-random sequences
// from its own generator), then reports every event on stdout until quit. Built for Linux and for
// Windows from this one file, so the two pictures can be compared pixel by pixel.
//
// stdout, one line each, flushed at once:
//   REGION <name> <left> <top> <right> <bottom>   (library coordinates, inclusive)
//   READY
//   EVENT <code> <x> <y> <key>
// Each family of shapes stays inside its region, so a comparison can tell them apart; all text
// lies in the region named "text", so a comparison can leave font rendering out.
#include "library/tavix.h"

#include "tests/programs/event_echo.h"

#include <cstdio>

// A linear congruential generator: the C library's rand() differs between platforms.
static unsigned int generator_state = 12345u;

static int next_random(int range) {
    generator_state = generator_state * 1103515245u + 12345u;
    return (int)((generator_state >> 16) % (unsigned int)range);
}

static void region(const char *name, int left, int top, int right, int bottom) {
    printf("REGION %s %d %d %d %d\n", name, left, top, right, bottom);
}

// Filled circles of radius 0 to 13 and two large ones; a wide outline cut by the top edge.
static void draw_circles(void) {
    region("circles", -297, 248, 297, 190);
    for (int r = 0; r < 14; ++r) TAVIX_draw_circle(r % 22 + 2, -280 + r * (r + 3), 225, r);
    TAVIX_draw_circle(NAVY_BLUE, 190, 220, 27);
    TAVIX_draw_rectangle(GREEN, 240, 260, 320, 230, 3);
}

// A fan of lines from one centre, widths 2 to 9, every 15 degrees round.
static void draw_wide_lines(void) {
    static const int fan[24][2] = {
        {45, 0},    {43, 12},   {39, 23},  {32, 32},  {23, 39},  {12, 43},   {0, 45},    {-12, 43},
        {-23, 39},  {-32, 32},  {-39, 23}, {-43, 12}, {-45, 0},  {-43, -12}, {-39, -23}, {-32, -32},
        {-23, -39}, {-12, -43}, {0, -45},  {12, -43}, {23, -39}, {32, -32},  {39, -23},  {43, -12}};
    region("wide lines", -297, 185, -130, 75);
    for (int i = 0; i < 24; ++i)
        TAVIX_draw_line(i % 22 + 2, -215, 130, -215 + fan[i][0], 130 + fan[i][1], 2 + i % 8);
}

// One-pixel lines of many slopes, both directions, and a one-point line.
static void draw_thin_lines(void) {
    region("thin lines", -125, 185, -30, 75);
    for (int i = 0; i < 12; ++i) {
        TAVIX_draw_line(BLACK, -120, 180 - i * 3, -40, 180 - i * 9, 0);
        TAVIX_draw_line(i + 2, -35, 80 + i * 8, -120 + i * 7, 80, 0);
    }
    TAVIX_draw_line(RED, -80, 130, -80, 130, 0);
}

// Filled triangles of every orientation, one-pixel outlines, thin and degenerate ones.
static void draw_thin_triangles(void) {
    region("triangles", -25, 185, 90, 75);
    TAVIX_draw_triangle(ORANGE, -20, 180, 40, 150, 0, 110, 0);
    TAVIX_draw_triangle(TURQUOISE, 85, 180, 45, 170, 80, 120, 0);
    TAVIX_draw_triangle(PURPLE, -20, 100, 80, 102, -10, 101, 0);
    TAVIX_draw_triangle(BROWN, -20, 95, -20, 95, 60, 80, 0);
    TAVIX_draw_triangle(BLUE, 10, 140, 50, 100, 70, 140, 1);
    TAVIX_draw_triangle(GOLD, 40, 90, 60, 90, 85, 90, 0);
}

// Triangle outlines of widths 2 to 5.
static void draw_wide_triangles(void) {
    region("wide triangles", 95, 185, 297, 75);
    for (int w = 2; w <= 5; ++w) {
        int left = 100 + 48 * (w - 2);
        TAVIX_draw_triangle(w + 8, left, 178, left + 40, 120, left + 6, 82, w);
    }
}

// A filled rectangle, a one-pixel outline, and rectangles one pixel thin.
static void draw_thin_rectangles(void) {
    region("rectangles", -297, 70, -150, 20);
    TAVIX_draw_rectangle(RED, -290, 65, -250, 25, 0);
    TAVIX_draw_rectangle(PINK, -200, 25, -240, 65, 1);
    TAVIX_draw_rectangle(MAGENTA, -190, 65, -190, 25, 0);
    TAVIX_draw_rectangle(CYAN, -180, 45, -155, 45, 0);
}

// Rectangle outlines of widths 2 to 7, corners given in every order.
static void draw_wide_rectangles(void) {
    region("wide rectangles", -145, 70, 150, 20);
    for (int w = 2; w <= 7; ++w) {
        int left = -140 + 48 * (w - 2), right = left + 36, top = 64, bottom = 26 + w;
        if (w % 2)
            TAVIX_draw_rectangle(w + 14, left, top, right, bottom, w);
        else
            TAVIX_draw_rectangle(w + 14, right, bottom, left, top, w);
    }
}

// Single pixels in a checker of every colour.
static void draw_pixels(void) {
    region("pixels", 155, 70, 297, 20);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 130; ++x)
            if ((x + y) % 2) TAVIX_draw_pixel((x + y) % 24, 160 + x, 65 - y);
}

// A pseudo-random sequence of filled shapes, one-pixel lines and pixels, cut by the left edge.
static void draw_random_thin(void) {
    region("random thin", -297, 15, -5, -195);
    for (int i = 0; i < 80; ++i) {
        int colour = next_random(22) + 2, x = next_random(300) - 320, y = next_random(190) - 180;
        int dx = next_random(61) - 30, dy = next_random(61) - 30;
        if (x + dx > -10) dx = -10 - x;
        if (y + dy > 10) dy = 10 - y;
        if (y + dy < -190) dy = -190 - y;
        switch (next_random(4)) {
            case 0:
                TAVIX_draw_line(colour, x, y, x + dx, y + dy, 0);
                break;
            case 1:
                TAVIX_draw_rectangle(colour, x, y, x + dx, y + dy, 0);
                break;
            case 2:
                TAVIX_draw_triangle(colour, x, y, x + dx, y, x, y + dy, 0);
                break;
            default:
                TAVIX_draw_pixel(colour, x, y);
                break;
        }
    }
}

// A pseudo-random sequence of every kind and width, cut by the right edge.
static void draw_random_mixed(void) {
    region("random mixed", 0, 15, 297, -195);
    for (int i = 0; i < 60; ++i) {
        int colour = next_random(22) + 2, x = next_random(290) + 20, y = next_random(160) - 170;
        int dx = next_random(61) - 30, dy = next_random(31) - 15, width = next_random(8);
        switch (next_random(5)) {
            case 0:
                TAVIX_draw_circle(colour, x, y, next_random(12));
                break;
            case 1:
                TAVIX_draw_line(colour, x, y, x + dx, y + dy, width);
                break;
            case 2:
                TAVIX_draw_rectangle(colour, x, y, x + dx, y + dy, width % 4);
                break;
            case 3:
                TAVIX_draw_triangle(colour, x, y, x + dx, y, x, y + dy, width % 4);
                break;
            default:
                TAVIX_draw_pixel(colour, x, y);
                break;
        }
    }
}

static void draw_text(void) {
    region("text", -297, -200, 297, -247);
    TAVIX_draw_text(BLACK, -280, -235, 0, "Default size");
    TAVIX_draw_text(BLUE, -130, -235, 24, "Sized 24");
    TAVIX_draw_formatted(RED, 40, -235, 16, "%d x %d", TAVIX_WIDTH, TAVIX_HEIGHT);
}

static void draw_picture(void) {
    TAVIX_clear_window();
    draw_circles();
    draw_wide_lines();
    draw_thin_lines();
    draw_thin_triangles();
    draw_wide_triangles();
    draw_thin_rectangles();
    draw_wide_rectangles();
    draw_pixels();
    draw_random_thin();
    draw_random_mixed();
    draw_text();
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    TAVIX_start(instance, previous, command_line, show);
    TAVIX_show_console(0);
    TAVIX_set_logging(0);
    draw_picture();
    printf("READY\n");
    fflush(stdout);

    echo_events_until_quit();
    TAVIX_finish();
    return 0;
}
