/* The pictures of the guide's calls beyond the first eight, one per run:
 *   doc_extras rgb | ellipse | arc | polygon | fill | pixel | image SPRITE.png | text */
#include <tavix.h>

#include <stdio.h>
#include <string.h>

static void caption(const char *text) {
    TAVIX_draw_text(BLACK, -280, -215, 16, text);
}

static void rgb(void) {
    int r, g;
    for (r = 0; r < 16; r++)
        for (g = 0; g < 16; g++)
            TAVIX_draw_rectangle(TAVIX_rgb(r * 17, g * 17, 255 - r * 17), -240 + r * 30,
                                 230 - g * 26, -213 + r * 30, 206 - g * 26, 0);
    caption("TAVIX_rgb(red, green, blue): red grows to the right, green downwards");
}

static void ellipse(void) {
    int i;
    for (i = 0; i < 6; i++) {
        TAVIX_draw_ellipse(TAVIX_rgb(40 * i, 120, 230 - 40 * i), -220 + 88 * i, 120, 10 + 6 * i,
                           70 - 8 * i, 0);
        TAVIX_draw_ellipse(i + 8, -220 + 88 * i, -70, 35, 20 + 10 * i, i + 1);
    }
    caption("TAVIX_draw_ellipse: filled (width 0) above, outlines of widths 1 to 6 below");
}

static void arc(void) {
    int i;
    for (i = 0; i < 5; i++) {
        TAVIX_draw_arc(ORANGE, -230 + 115 * i, 120, 50, 50, 0, 60 + 60 * i, 0);
        TAVIX_draw_arc(NAVY_BLUE, -230 + 115 * i, -60, 50, 35, 90 * i, 90 * i + 200, 1 + 2 * i);
    }
    caption("TAVIX_draw_arc: pie slices 0 to 60..300 degrees; arcs of 200 degrees");
}

static void polygon(void) {
    int star[20], zigzag[24], i;
    static const int outer[10][2] = {{0, 100}, {24, 32},   {96, 30},   {38, -12}, {58, -80},
                                     {0, -40}, {-58, -80}, {-38, -12}, {-96, 30}, {-24, 32}};
    for (i = 0; i < 10; i++) {
        star[2 * i] = -150 + outer[i][0];
        star[2 * i + 1] = 80 + outer[i][1];
    }
    TAVIX_draw_polygon(GOLD, 10, star, 0);
    for (i = 0; i < 10; i++) star[2 * i] += 300;
    TAVIX_draw_polygon(PURPLE, 10, star, 4);
    for (i = 0; i < 12; i++) {
        zigzag[2 * i] = -250 + 45 * i;
        zigzag[2 * i + 1] = i % 2 ? -120 : -60;
    }
    zigzag[22] = 250;
    zigzag[23] = -190;
    TAVIX_draw_polygon(SEA_GREEN, 12, zigzag, 0);
    caption("TAVIX_draw_polygon: filled and outlined stars, a zigzag of 12 points");
}

static void fill(void) {
    TAVIX_draw_ellipse(BLACK, -130, 40, 110, 110, 2);
    TAVIX_draw_ellipse(BLACK, -130, 40, 50, 50, 2);
    TAVIX_fill_area(ORANGE, -130 + 80, 40);
    TAVIX_draw_rectangle(BLACK, 40, 150, 260, -70, 1);
    TAVIX_draw_line(BLACK, 40, -70, 260, 150, 1);
    TAVIX_fill_area(TAVIX_rgb(150, 200, 255), 200, 0);
    caption("TAVIX_fill_area: the ring, and one half of the box, filled from a point");
}

static void pixel(void) {
    int i;
    for (i = 0; i < 6; i++) {
        int colour = TAVIX_rgb(40 * i, 255 - 40 * i, 100);
        TAVIX_draw_circle(colour, -230 + 90 * i, 60, 35);
        TAVIX_draw_formatted(BLACK, -270 + 90 * i, 0, 14, "0x%06X",
                             TAVIX_get_pixel(-230 + 90 * i, 60));
    }
    caption("TAVIX_get_pixel: each disc's colour read back from the picture");
}

static void image(const char *sprite) {
    int i, picture = TAVIX_load_image(sprite);
    for (i = 0; i < 12; i++)
        TAVIX_draw_rectangle(i % 2 ? NAVY_BLUE : CHALK, -290 + 48 * i, 200, -243 + 48 * i, -150, 0);
    for (i = 0; i < 10; i++) TAVIX_draw_image(picture, -270 + 56 * i, 160 - 30 * i);
    TAVIX_draw_formatted(BLACK, -280, -175, 16, "an image of %d x %d pixels",
                         TAVIX_image_width(picture), TAVIX_image_height(picture));
    TAVIX_free_image(picture);
    caption("TAVIX_load_image, TAVIX_draw_image: its soft edge blended over the stripes");
}

static void text(void) {
    static const char *const labels[3] = {"Centred", "Two lines\nof text", "Big"};
    static const int sizes[3] = {20, 28, 80};
    int i;
    for (i = 0; i < 3; i++) {
        int w = TAVIX_text_width(sizes[i], labels[i]), h = TAVIX_text_height(sizes[i], labels[i]);
        int top = 200 - 130 * i + h / 2;
        TAVIX_draw_rectangle(GRAY_20, -w / 2, top, -w / 2 + w - 1, top - h + 1, 0);
        /* The first line stands on (x, y): one line height below the box's top. */
        TAVIX_draw_text(BLACK, -w / 2, top - TAVIX_text_height(sizes[i], "x"), sizes[i], labels[i]);
    }
    caption("TAVIX_text_width, TAVIX_text_height: each text centred in its measured box");
}

int main(int argc, char **argv) {
    int x, y;
    char key;
    const char *what = argc > 1 ? argv[1] : "rgb";

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_show_console(0);
    TAVIX_clear_window();
    if (strcmp(what, "ellipse") == 0)
        ellipse();
    else if (strcmp(what, "arc") == 0)
        arc();
    else if (strcmp(what, "polygon") == 0)
        polygon();
    else if (strcmp(what, "fill") == 0)
        fill();
    else if (strcmp(what, "pixel") == 0)
        pixel();
    else if (strcmp(what, "image") == 0)
        image(argc > 2 ? argv[2] : "sprite.png");
    else if (strcmp(what, "text") == 0)
        text();
    else
        rgb();
    while (TAVIX_next_event(&x, &y, &key) != TAVIX_QUIT) {
    }
    TAVIX_finish();
    return 0;
}
