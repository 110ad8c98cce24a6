/* A typing echo: the keyboard.
 *
 * Every character typed while the graphics window has the focus gives a TAVIX_KBD event with
 * the character in key. The program collects them into a line and shows it, large; Return
 * starts again and Backspace rubs out the last character. */
#include <tavix.h>
#include <string.h>

int main(void) {
    char line[40] = "";
    size_t length = 0;
    int x, y;
    char key;

    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    TAVIX_draw_text(BLACK, -280, 225, 0, "Type something. Return starts again.");

    while (TAVIX_next_event(&x, &y, &key) != TAVIX_QUIT) {
        /* Only TAVIX_KBD events carry a key; the others leave it 0. */
        if (key == '\r') {
            length = 0;
        } else if (key == '\b') {
            if (length > 0) length--;
        } else if (key >= ' ' && length < sizeof line - 1) {
            line[length++] = key;
        } else {
            continue;
        }
        line[length] = '\0';

        TAVIX_draw_rectangle(WHITE, -290, 60, 290, -20, 0); /* rub out the old line */
        TAVIX_draw_text(BLUE, -280, -10, 40, line);
        TAVIX_console_printf("%u characters\n", (unsigned)length);
    }
    TAVIX_finish();
    return 0;
}
