/* The exercise of the guide's grading example, as the teacher solved it (the reference): every
 * click plants a flower there (five yellow petals round a red heart) and says so on the console;
 * the key c clears the garden. */
#include <tavix.h>

static void plant(int x, int y) {
    TAVIX_draw_circle(YELLOW, x - 9, y, 6);
    TAVIX_draw_circle(YELLOW, x + 9, y, 6);
    TAVIX_draw_circle(YELLOW, x, y - 9, 6);
    TAVIX_draw_circle(YELLOW, x, y + 9, 6);
    TAVIX_draw_circle(RED, x, y, 5);
}

int main(void) {
    int x, y, event, flowers = 0;
    char key;

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    while ((event = TAVIX_next_event(&x, &y, &key)) != TAVIX_QUIT) {
        if (event == TAVIX_MOUSE) {
            plant(x, y);
            flowers++;
            TAVIX_console_printf("flower %d at %d, %d\n", flowers, x, y);
        } else if (event == TAVIX_KBD && key == 'c') {
            TAVIX_clear_window();
            flowers = 0;
            TAVIX_console_printf("garden cleared\n");
        }
    }
    TAVIX_finish();
    return 0;
}
