/* Alice's flowers: written her own way, and right. */
#include <tavix.h>

int main(void) {
    int x, y, event, count = 0;
    char key;
    int dx[4] = {-9, 9, 0, 0}, dy[4] = {0, 0, -9, 9};

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    for (;;) {
        event = TAVIX_next_event(&x, &y, &key);
        if (event == TAVIX_QUIT) break;
        if (event == TAVIX_KBD && key == 'c') {
            TAVIX_clear_window();
            count = 0;
            TAVIX_console_printf("garden cleared\n");
        }
        if (event != TAVIX_MOUSE) continue;
        for (int i = 0; i < 4; i++) TAVIX_draw_circle(YELLOW, x + dx[i], y + dy[i], 6);
        TAVIX_draw_circle(RED, x, y, 5);
        TAVIX_console_printf("flower %d at %d, %d\n", ++count, x, y);
    }
    TAVIX_finish();
    return 0;
}
