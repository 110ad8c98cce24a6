/* A house: shapes and text.
 *
 * The picture is drawn once, then the program waits until the window is closed (or Quit is
 * chosen in the Run menu). Library coordinates: (0, 0) is the centre, x grows to the right,
 * y grows upwards. */
#include <tavix.h>

int main(void) {
    int x, y;
    char key;

    TAVIX_start(NULL, NULL, NULL, 1); /* open the two windows */
    TAVIX_set_logging(0);             /* no console line for every drawing call */
    TAVIX_clear_window();             /* white, with a thin black frame */

    TAVIX_draw_rectangle(ICE_BLUE, -296, 247, 296, -100, 0);      /* sky (width 0: filled) */
    TAVIX_draw_rectangle(FOREST_GREEN, -296, -100, 296, -246, 0); /* grass */
    TAVIX_draw_circle(YELLOW, 220, 180, 35);                      /* sun */

    TAVIX_draw_rectangle(PEACH, -120, 40, 120, -140, 0);    /* walls */
    TAVIX_draw_rectangle(BROWN, -120, 40, 120, -140, 3);    /* their outline, 3 wide */
    TAVIX_draw_triangle(RED, -150, 40, 150, 40, 0, 150, 0); /* roof */
    TAVIX_draw_rectangle(BROWN, -25, -40, 25, -140, 0);     /* door */
    TAVIX_draw_circle(GOLD, 15, -90, 4);                    /* door knob */
    TAVIX_draw_rectangle(CYAN, -100, 10, -50, -40, 0);      /* windows */
    TAVIX_draw_rectangle(CYAN, 50, 10, 100, -40, 0);
    TAVIX_draw_line(WHITE, -75, 10, -75, -40, 2); /* window bars */
    TAVIX_draw_line(WHITE, 75, 10, 75, -40, 2);

    /* Text sits directly above the point given; its size is 28 pixels (0 gives the default). */
    TAVIX_draw_text(NAVY_BLUE, -80, 190, 28, "Home, sweet home");

    TAVIX_console_printf("Close the window to end.\n");
    while (TAVIX_next_event(&x, &y, &key) != TAVIX_QUIT) {
        /* nothing to do: the picture stays as drawn */
    }
    TAVIX_finish();
    return 0;
}
