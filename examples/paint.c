/* A paint program: drag with the left button to draw, with the right button to rub out.
 *
 * The wheel makes the brush wider or narrower, the keys 1 to 6 choose its colour, and C clears
 * the picture. The brush's colour and width are shown at the top left. */
#include <tavix.h>

static const int palette[6] = {BLACK, RED, BLUE, FOREST_GREEN, ORANGE, PURPLE};

static void draw_status(int colour, int width) {
    TAVIX_draw_rectangle(GRAY_20, -296, 247, 296, 222, 0);
    TAVIX_draw_circle(colour, -280, 234, width / 2 + 1);
    TAVIX_draw_formatted(BLACK, -250, 227, 16, "width %d   1-6 colour, wheel width, C clear",
                         width);
}

int main(void) {
    TAVIX_Event event;
    int colour = BLACK, width = 4, last_x = 0, last_y = 0;

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    draw_status(colour, width);

    while (TAVIX_wait(&event) != TAVIX_QUIT) {
        switch (event.type) {
            case TAVIX_MOUSE: /* a press starts a stroke where it happened */
                last_x = event.x;
                last_y = event.y;
                if (event.button == 1) TAVIX_draw_circle(colour, event.x, event.y, width / 2);
                break;
            case TAVIX_MOUSE_MOVE: /* while a button is held, each move draws on */
                if (event.button & TAVIX_BUTTON_LEFT)
                    TAVIX_draw_line(colour, last_x, last_y, event.x, event.y, width);
                else if (event.button & TAVIX_BUTTON_RIGHT)
                    TAVIX_draw_line(WHITE, last_x, last_y, event.x, event.y, width * 4);
                last_x = event.x;
                last_y = event.y;
                break;
            case TAVIX_WHEEL:
                width += event.button;
                if (width < 1) width = 1;
                if (width > 40) width = 40;
                break;
            case TAVIX_KEY_DOWN:
                if (event.key >= '1' && event.key <= '6') colour = palette[event.key - '1'];
                if (event.key == 'C') TAVIX_clear_window();
                break;
        }
        draw_status(colour, width);
    }
    TAVIX_finish();
    return 0;
}
