/* Carol's flowers: the garden is right, but she keeps the flowers in an array of ten and never
 * checks its end, so the eleventh flower writes past it and the program stops there. */
#include <tavix.h>

#include <stdlib.h>

struct flower {
    int x, y;
};

int main(void) {
    int x, y, event, count = 0;
    char key;
    struct flower garden[10];

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    while ((event = TAVIX_next_event(&x, &y, &key)) != TAVIX_QUIT) {
        if (event == TAVIX_MOUSE) {
            /* What writing past the array's end may do; here it always does. */
            if (count == 10) abort();
            garden[count].x = x;
            garden[count].y = y;
            count++;
            TAVIX_draw_circle(YELLOW, x - 9, y, 6);
            TAVIX_draw_circle(YELLOW, x + 9, y, 6);
            TAVIX_draw_circle(YELLOW, x, y - 9, 6);
            TAVIX_draw_circle(YELLOW, x, y + 9, 6);
            TAVIX_draw_circle(RED, x, y, 5);
            TAVIX_console_printf("flower %d at %d, %d\n", count, garden[count - 1].x,
                                 garden[count - 1].y);
        } else if (event == TAVIX_KBD && key == 'c') {
            TAVIX_clear_window();
            count = 0;
            TAVIX_console_printf("garden cleared\n");
        }
    }
    TAVIX_finish();
    return 0;
}
