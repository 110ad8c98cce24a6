/* A user's program as the guide shows it: plain main, #include <tavix.h>. It draws a red square
 * and a blue circle, saves the picture to the file named on its command line, and prints the
 * version it was built against. */
#include <tavix.h>
#include <stdio.h>

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    TAVIX_start(NULL, NULL, NULL, 1);
    TAVIX_clear_window();
    TAVIX_draw_rectangle(RED, -100, 100, 0, 0, 0);
    TAVIX_draw_circle(BLUE, 150, -100, 40);
    if (!TAVIX_save_picture(argv[1])) return 1;
    TAVIX_finish();
    printf("%s\n", TAVIX_VERSION_STRING);
    return 0;
}
