/* The picture of the coordinate system in docs/guide.md: the axes through (0, 0), a grid every
 * 50 pixels, and the four corners of the visible area with their coordinates. */
#include <tavix.h>

int main(void) {
    int x, y;
    char key;

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_show_console(0);
    TAVIX_clear_window();

    for (x = -250; x <= 250; x += 50) TAVIX_draw_line(CHALK, x, 248, x, -247, 0);
    for (y = -200; y <= 200; y += 50) TAVIX_draw_line(CHALK, -297, y, 297, y, 0);
    TAVIX_draw_line(BLACK, -297, 0, 297, 0, 0); /* the x axis */
    TAVIX_draw_line(BLACK, 0, 248, 0, -247, 0); /* the y axis */
    TAVIX_draw_triangle(BLACK, 297, 0, 287, 5, 287, -5, 0);
    TAVIX_draw_triangle(BLACK, 0, 248, -5, 238, 5, 238, 0);
    TAVIX_draw_text(BLACK, 270, 20, 16, "x");
    TAVIX_draw_text(BLACK, 10, 228, 16, "y");
    TAVIX_draw_circle(RED, 0, 0, 3);
    TAVIX_draw_text(RED, 6, 2, 14, "(0, 0)");

    for (x = -200; x <= 200; x += 100) {
        if (x != 0) TAVIX_draw_formatted(NAVY_BLUE, x + 3, 2, 12, "%d", x);
    }
    for (y = -200; y <= 200; y += 100) {
        if (y != 0) TAVIX_draw_formatted(NAVY_BLUE, 4, y + 2, 12, "%d", y);
    }

    /* The corners of the visible area, each marked by a dot. */
    TAVIX_draw_circle(FOREST_GREEN, -297, 248, 3);
    TAVIX_draw_circle(FOREST_GREEN, 297, 248, 3);
    TAVIX_draw_circle(FOREST_GREEN, -297, -247, 3);
    TAVIX_draw_circle(FOREST_GREEN, 297, -247, 3);
    TAVIX_draw_text(FOREST_GREEN, -290, 220, 14, "(-297, 248)");
    TAVIX_draw_text(FOREST_GREEN, 212, 220, 14, "(297, 248)");
    TAVIX_draw_text(FOREST_GREEN, -290, -240, 14, "(-297, -247)");
    TAVIX_draw_text(FOREST_GREEN, 205, -240, 14, "(297, -247)");

    TAVIX_draw_rectangle(ORANGE, 60, 140, 160, 90, 0);
    TAVIX_draw_text(BLACK, 60, 142, 12, "(60, 140)");
    TAVIX_draw_text(BLACK, 110, 72, 12, "(160, 90)");

    while (TAVIX_next_event(&x, &y, &key) != TAVIX_QUIT) {
    }
    TAVIX_finish();
    return 0;
}
