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
// lies in the region named "text", so a comparison can leave font rendering out. With the
// arguments "extras SPRITE.png" it draws a second picture with the calls beyond the first eight:
// rgb colours, ellipses, arcs and pies, polygons, flood fills, the PNG blended over shapes. With
// "sprites SPRITE.png" a third: the sprite's cells, the sprite scaled, turned and flipped,
// see-through colours, and a picture drawn off screen and laid over the picture. With
// the argument "window" its picture is 700 x 420, framed where the window shows it, with a ball
// moved by paced frames' times, and a dot drawn at each click until quit.
#include "library/tavix.h"

#include "tests/programs/event_echo.h"

#include <cstdio>
#include <cstring>

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

// Ellipses filled and outlined with pens 1 to 6, circles as ellipses, arcs and pie slices.
static void draw_curves(void) {
    region("ellipses", -297, 248, -5, 120);
    for (int i = 0; i < 8; ++i) {
        int colour = TAVIX_rgb(30 * i, 200 - 20 * i, 90 + 20 * i);
        TAVIX_draw_ellipse(colour, -270 + 36 * i, 215, 4 + 2 * i, 25 - 2 * i, i % 3 == 0 ? 0 : i);
        TAVIX_draw_ellipse(i + 2, -270 + 36 * i, 155, 15, 15, i % 2);
    }
    region("arcs", 0, 248, 297, 120);
    for (int i = 0; i < 8; ++i) {
        int x = 30 + 36 * (i % 8);
        TAVIX_draw_arc(TAVIX_rgb(200, 20 * i, 50), x, 215, 16, 24, 30 * i, 200 + 17 * i, i % 4);
        TAVIX_draw_arc(i + 10, x, 150, 17, 13, 350 - 40 * i, 45 * i, i < 4 ? 0 : 1 + i % 3);
    }
}

// Polygons: a star filled and outlined, a self-crossing one, many corners.
static void draw_polygons(void) {
    region("polygons", -297, 115, -5, -10);
    int star[20];
    static const int outer[10][2] = {{0, 50},  {12, 16},   {48, 15},  {19, -6},  {29, -40},
                                     {0, -20}, {-29, -40}, {-19, -6}, {-48, 15}, {-12, 16}};
    for (int i = 0; i < 10; ++i)
        star[2 * i] = -240 + outer[i][0], star[2 * i + 1] = 55 + outer[i][1];
    TAVIX_draw_polygon(GOLD, 10, star, 0);
    for (int i = 0; i < 10; ++i) star[2 * i] += 110;
    TAVIX_draw_polygon(TAVIX_rgb(10, 90, 200), 10, star, 3);
    int many[2 * 60];
    for (int i = 0; i < 60; ++i) {
        many[2 * i] = -50 + (i * 37) % 41 - 20;
        many[2 * i + 1] = 55 + (i * 53) % 97 - 48;
    }
    TAVIX_draw_polygon(SEA_GREEN, 60, many, 0);
}

// Flood fills: a ring between two outlines, an outline with a gap (the fill leaks out to the
// region's frame), the inside of a polygon.
static void draw_fills(void) {
    region("fills", 0, 115, 297, -10);
    TAVIX_draw_rectangle(BLACK, 2, 113, 295, -8, 1);
    TAVIX_draw_ellipse(BLACK, 60, 55, 50, 50, 1);
    TAVIX_draw_ellipse(BLACK, 60, 55, 25, 25, 2);
    TAVIX_fill_area(TAVIX_rgb(250, 150, 60), 60 + 37, 55);
    TAVIX_draw_rectangle(BLUE, 130, 100, 200, 10, 1);
    TAVIX_draw_pixel(WHITE, 130, 50);
    TAVIX_fill_area(TAVIX_rgb(220, 240, 255), 160, 50);
    int wedge[8] = {220, 100, 290, 100, 250, 20, 230, 60};
    TAVIX_draw_polygon(RED, 4, wedge, 1);
    TAVIX_fill_area(PINK, 245, 80);
}

// The sprite blended over stripes, at several places, one cut by the window's edge.
static void draw_images(const char *sprite) {
    region("images", -297, -15, 297, -195);
    for (int i = 0; i < 20; ++i)
        TAVIX_draw_rectangle(TAVIX_rgb(12 * i, 255 - 12 * i, (i % 3) * 120), -290 + 29 * i, -20,
                             -275 + 29 * i, -190, 0);
    int image = TAVIX_load_image(sprite);
    for (int i = 0; i < 12; ++i) TAVIX_draw_image(image, -300 + 50 * i, -30 - 11 * i);
    TAVIX_free_image(image);
}

static void draw_measured_text(void) {
    region("text", -297, -200, 297, -247);
    const char *label = "Centred\nby measuring";
    int w = TAVIX_text_width(18, label), h = TAVIX_text_height(18, label);
    TAVIX_draw_text(BLACK, -w / 2, -200 - h / 2, 18, label);
    // Any language's text, UTF-8, in the library's font and in a face asked for by name, beside
    // it: Greek, Cyrillic, accents, a byte that is not UTF-8, and one past 16 bits.
    TAVIX_set_utf8(1);
    TAVIX_draw_text(NAVY_BLUE, -290, -222, 16, "\xCE\xB1\xCE\xB2\xCE\xB3 \xD0\x96\xD0\xB8\xD0\xB2");
    TAVIX_draw_text(BLACK, -290, -244, 14, "caf\xC3\xA9 \xE2\x82\xAC\xFF\xF0\x9F\x98\x80");
    TAVIX_set_font("DejaVu Sans", TAVIX_FONT_BOLD);
    TAVIX_draw_text(FOREST_GREEN, 130, -222, 16, "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 \xD0\xAF");
    TAVIX_set_font(0, TAVIX_FONT_ITALIC);
    TAVIX_draw_text(BLACK, 130, -244, 14, "Z\xC3\xB6\xC3\xAB \xCE\xBB");
    TAVIX_set_font(0, 0);
    TAVIX_set_utf8(0);
}

static void draw_extras(const char *sprite) {
    TAVIX_clear_window();
    draw_curves();
    draw_polygons();
    draw_fills();
    draw_images(sprite);
    draw_measured_text();
    // The red square the test waits for before it reads the picture, as in the first one.
    TAVIX_draw_rectangle(RED, -290, 65, -250, 25, 0);
}

// Stripes of every colour across a region, for what is drawn over them to show its blending.
static void draw_stripes(int left, int top, int right, int bottom) {
    // The picture's black frame at the window's edges stays: the test finds the window by it.
    if (left < -296) left = -296;
    if (top > 247) top = 247;
    if (right > 296) right = 296;
    if (bottom < -246) bottom = -246;
    for (int x = left, i = 0; x < right; x += 9, ++i)
        TAVIX_draw_rectangle(TAVIX_rgb(40 * (i % 7), 255 - 30 * (i % 9), (i % 3) * 120), x, top,
                             x + 4 < right ? x + 4 : right, bottom, 0);
}

// The sprite's six 8 x 10 cells one by one, cells cut by the sprite's edge, and cells cut by the
// window's.
static void draw_cells(int image) {
    region("cells", -297, 248, -150, 180);
    draw_stripes(-297, 248, -150, 180);
    for (int i = 0; i < 6; ++i) TAVIX_draw_image_part(image, 8 * (i % 3), 10 * (i / 3), 8, 10, -290 + 14 * i, 240);
    TAVIX_draw_image_part(image, 20, 15, 10, 10, -200, 240);
    TAVIX_draw_image_part(image, -3, -4, 9, 9, -180, 240);
    TAVIX_draw_image_part(image, 0, 0, 24, 20, -305, 210);
    TAVIX_draw_image_part(image, 4, 2, 16, 16, -170, 215);
}

// The sprite turned every 30 degrees, at scales from a half to three, flipped, nearest and
// smooth, and cut by the window's top edge.
static void draw_turned(int image) {
    region("turned", -145, 248, 297, 110);
    draw_stripes(-145, 248, 297, 110);
    for (int i = 0; i < 12; ++i) {
        double scale = 0.5 + 0.25 * i;
        TAVIX_draw_image_transformed(image, -125 + 36 * i, 225, 1.0, 30.0 * i, i % 4);
        TAVIX_draw_image_transformed(image, -125 + 36 * i, 180, scale > 1.5 ? 1.5 : scale,
                                     -17.5 * i, TAVIX_SMOOTH | (i % 3));
    }
    TAVIX_draw_image_transformed(image, 40, 135, 3.0, 200.0, 0);
    TAVIX_draw_image_transformed(image, 160, 135, 2.5, 45.0, TAVIX_SMOOTH);
    TAVIX_draw_image_transformed(image, 270, 250, 2.0, 10.0, TAVIX_SMOOTH | TAVIX_FLIP_Y);
}

// See-through shapes of every kind over stripes and over each other, and a see-through fill.
static void draw_see_through(void) {
    region("see through", -297, 105, 297, -40);
    draw_stripes(-297, 105, 297, -40);
    for (int i = 0; i < 6; ++i) {
        int alpha = 30 + 40 * i;
        TAVIX_draw_circle(TAVIX_rgba(255, 0, 0, alpha), -270 + 50 * i, 80, 20);
        TAVIX_draw_rectangle(TAVIX_rgba(0, 0, 255, alpha), -285 + 50 * i, 70, -255 + 50 * i, 40, 0);
        TAVIX_draw_triangle(TAVIX_rgba(0, 160, 0, alpha), -290 + 50 * i, 30, -250 + 50 * i, 30, -270 + 50 * i, 0, i % 3);
        TAVIX_draw_line(TAVIX_rgba(120, 0, 160, alpha), -290 + 50 * i, -10, -250 + 50 * i, -35, 1 + i);
    }
    TAVIX_draw_ellipse(TAVIX_rgba(250, 200, 0, 128), 60, 60, 50, 30, 0);
    TAVIX_draw_ellipse(TAVIX_rgba(0, 0, 0, 90), 60, 60, 50, 30, 4);
    TAVIX_draw_arc(TAVIX_rgba(0, 120, 255, 150), 170, 60, 40, 40, 20, 250, 0);
    TAVIX_draw_arc(TAVIX_rgba(255, 0, 120, 200), 170, 60, 30, 30, 200, 30, 3);
    int star[10] = {240, 100, 255, 20, 290, 80, 210, 80, 245, 20};
    TAVIX_draw_polygon(TAVIX_rgba(0, 90, 200, 110), 5, star, 0);
    TAVIX_draw_rectangle(BLACK, 20, 15, 120, -35, 1);
    TAVIX_draw_rectangle(WHITE, 21, 14, 119, -34, 0);
    TAVIX_draw_pixel(TAVIX_rgba(0, 0, 0, 100), 30, 10);
    TAVIX_fill_area(TAVIX_rgba(0, 100, 255, 77), 70, -10);
    TAVIX_draw_rectangle(TAVIX_rgba(0, 0, 0, 0), 130, 15, 290, -35, 0);
}

// A layer drawn off screen: shapes, see-through shapes and the sprite into a transparent image,
// which is then laid over the picture whole, as a part, and turned.
static void draw_layer(int image) {
    region("layer", -297, -45, 297, -195);
    draw_stripes(-297, -45, 297, -195);
    int layer = TAVIX_create_image(121, 80);
    TAVIX_draw_into(layer);
    TAVIX_draw_circle(RED, 0, 0, 30);
    TAVIX_draw_circle(TAVIX_rgba(0, 0, 255, 128), 25, 10, 25);
    TAVIX_draw_rectangle(TAVIX_rgba(0, 200, 0, 60), -60, 40, -20, -40, 0);
    TAVIX_draw_line(BLACK, -60, -39, 60, 40, 3);
    TAVIX_draw_triangle(GOLD, 30, -35, 58, -35, 44, -10, 0);
    TAVIX_draw_image(image, -50, 30);
    TAVIX_draw_image_transformed(image, 40, 25, 1.5, 90.0, TAVIX_SMOOTH);
    TAVIX_fill_area(TAVIX_rgba(255, 0, 255, 100), -40, -30);
    TAVIX_draw_into(0);
    TAVIX_draw_image(layer, -290, -60);
    TAVIX_draw_image_part(layer, 30, 20, 60, 40, -150, -60);
    TAVIX_draw_image_transformed(layer, 10, -120, 0.75, 30.0, 0);
    TAVIX_draw_image_transformed(layer, 170, -120, 1.25, -20.0, TAVIX_SMOOTH | TAVIX_FLIP_X);
    TAVIX_free_image(layer);
}

static void draw_see_through_text(void) {
    region("text", -297, -200, 297, -247);
    TAVIX_draw_rectangle(NAVY_BLUE, -297, -205, 297, -225, 0);
    TAVIX_draw_text(TAVIX_rgba(255, 255, 0, 160), -280, -225, 16, "See-through text");
    TAVIX_draw_text(TAVIX_rgba(255, 0, 0, 255), 20, -225, 16, "and opaque text");
}

static void draw_sprites(const char *sprite) {
    TAVIX_clear_window();
    int image = TAVIX_load_image(sprite);
    draw_cells(image);
    draw_turned(image);
    draw_see_through();
    draw_layer(image);
    draw_see_through_text();
    TAVIX_free_image(image);
    // The red square the test waits for before it reads the picture, as in the first one.
    TAVIX_draw_rectangle(RED, -290, 65, -250, 25, 0);
}

static void draw_window_picture(void) {
    TAVIX_set_title("picture_client: 700 x 420");
    TAVIX_show_cursor(0);
    int left, bottom, right, top;
    TAVIX_visible_area(&left, &bottom, &right, &top);
    long travelled = 0;
    for (int frame = 0; frame < 8; frame++) {
        TAVIX_clear_window();
        TAVIX_draw_rectangle(NAVY_BLUE, left, top, right, bottom, 2);
        TAVIX_draw_pixel(RED, left, top);
        TAVIX_draw_pixel(RED, right, bottom);
        TAVIX_draw_circle(GOLD, left + 20 + (int)(travelled % 600), 0, 12);
        TAVIX_draw_formatted(BLACK, -100, -150, 18, "%d x %d, %ld ms", TAVIX_picture_width(),
                             TAVIX_picture_height(), travelled);
        travelled += TAVIX_frame(40);
    }
    printf("READY\n");
    fflush(stdout);
    int x = 0, y = 0;
    char key = 0;
    for (int code; (code = TAVIX_next_event(&x, &y, &key)) != TAVIX_QUIT;)
        if (code == TAVIX_MOUSE) TAVIX_draw_circle(RED, x, y, 4);
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
    bool window = command_line && strcmp(command_line, "window") == 0;
    if (window) TAVIX_set_picture_size(700, 420);
    TAVIX_start(instance, previous, command_line, show);
    TAVIX_show_console(0);
    TAVIX_set_logging(0);
    if (window) {
        draw_window_picture();
        TAVIX_finish();
        return 0;
    }
    // "extras PATH": the second picture, with the sprite at PATH.
    if (command_line && strncmp(command_line, "extras ", 7) == 0)
        draw_extras(command_line + 7);
    else if (command_line && strncmp(command_line, "sprites ", 8) == 0)
        draw_sprites(command_line + 8);
    else
        draw_picture();
    printf("READY\n");
    fflush(stdout);

    echo_events_until_quit();
    TAVIX_finish();
    return 0;
}
