/* The programs tavix-grade is tested on: one source, built once per GRADE_VARIANT. The reference
 * draws a circle at every click and prints a console line for every event; each other variant
 * is a submission with one fault of its own. */
#include <tavix.h>

/* Built from a folder of sources (tavix-grade --build), the variant comes from a header beside. */
#ifndef GRADE_VARIANT
#include "variant.h"
#endif

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

enum { REFERENCE, IDENTICAL, PIXEL_OFF, CRASHES, HANGS, NO_FINISH, CHATTY, FORKS, REFUSED };

int main(void) {
    TAVIX_start(NULL, NULL, NULL, 1);
#ifdef GRADE_AFTER_START
    GRADE_AFTER_START();
#endif
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    int ticks = 0;
    for (;;) {
        int x = 0, y = 0;
        char key = 0;
        int event = TAVIX_next_event(&x, &y, &key);
        if (event == TAVIX_QUIT) break;
        if (event == TAVIX_MOUSE) {
            if (GRADE_VARIANT == HANGS)
                for (;;) sleep(1);
            if (GRADE_VARIANT == FORKS && fork() == 0)
                for (;;) sleep(1); /* holds standard error open */
            TAVIX_draw_circle(BLUE, x, y, 10);
            if (GRADE_VARIANT == PIXEL_OFF && x > 150) TAVIX_draw_pixel(RED, x + 15, y);
            TAVIX_console_printf("click at %d, %d\n", x, y);
        } else if (event == TAVIX_KBD) {
            if (GRADE_VARIANT == CRASHES) abort();
            if (GRADE_VARIANT == REFUSED) {
                /* What the library says and does when a replay stops at a line it refuses. */
                fprintf(stderr, "TAVIX_REPLAY: one line.scr line 3 refused: TAVIX_JUNK\n");
                exit(4);
            }
            if (GRADE_VARIANT == CHATTY) {
                /* Markup, an escape sequence and bytes that are not UTF-8, for the report page. */
                fputs("<b>chatter</b> & \"it's\" \x1b[31m\xff\xc3(\n", stderr);
                FILE *junk = fopen("junk.txt", "w");
                for (int i = 0; i < 100000; ++i) {
                    fputs("a line of forty characters of chatter.\n", stderr);
                    if (junk) fputs("a line of forty characters of litter.\n", junk);
                }
                if (junk) fclose(junk);
            }
            TAVIX_console_printf("key %c\n", key);
        } else if (event == TAVIX_PERIODIC) {
            TAVIX_draw_rectangle(GREEN, -280 + 10 * ticks, 230, -272 + 10 * ticks, 222, 0);
            ++ticks;
        }
    }
    TAVIX_console_printf("%d ticks\n", ticks);
    if (GRADE_VARIANT != NO_FINISH) TAVIX_finish();
    return 0;
}
