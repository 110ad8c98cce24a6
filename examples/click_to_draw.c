/* Click to draw: the mouse.
 *
 * Every click of the left mouse button in the graphics window gives a TAVIX_MOUSE event whose
 * x and y say where, in library coordinates. The program puts a dot there and joins it to the
 * previous one with a line; each click changes the colour. */
#include <tavix.h>

int main(void) {
    int x, y, event;
    int last_x = 0, last_y = 0, have_last = 0;
    int colour = RED;
    char key;

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    TAVIX_draw_text(BLACK, -280, 225, 0, "Click anywhere to draw.");

    while ((event = TAVIX_next_event(&x, &y, &key)) != TAVIX_QUIT) {
        if (event != TAVIX_MOUSE) continue;

        if (have_last) TAVIX_draw_line(colour, last_x, last_y, x, y, 2);
        TAVIX_draw_circle(colour, x, y, 5);
        TAVIX_console_printf("click at %d, %d\n", x, y);

        last_x = x;
        last_y = y;
        have_last = 1;
        colour = colour == GRAY_20 ? RED : colour + 1; /* the colours are numbered 0 to 23 */
        if (colour == WHITE) colour = RED;
    }
    TAVIX_finish();
    return 0;
}
