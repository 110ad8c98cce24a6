// A small client for the script tests: opens the library and prints every event it receives on
// stdout, one line each ("MOUSE x y", "KBD n" with n the signed character code, "PERIODIC",
// "QUIT"), until quit. Given "animate" on its command line it starts the animation.
#include "library/tavix.h"

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line,
                   int show_mode) {
    TAVIX_start(instance, previous_instance, command_line, show_mode);
    TAVIX_set_logging(0);
    if (command_line && strstr(command_line, "animate")) TAVIX_set_animation(TAVIX_ANIM_RUN);

    for (;;) {
        int x = 0, y = 0;
        char key = 0;
        int type = TAVIX_next_event(&x, &y, &key);
        switch (type) {
            case TAVIX_MOUSE:
                printf("MOUSE %d %d\n", x, y);
                break;
            case TAVIX_KBD:
                printf("KBD %d\n", (int)(signed char)key);
                break;
            case TAVIX_PERIODIC:
                printf("PERIODIC\n");
                break;
            case TAVIX_QUIT:
                printf("QUIT\n");
                break;
            default:
                printf("UNKNOWN %d\n", type);
                break;
        }
        // The test reads the lines while the program runs.
        fflush(stdout);
        if (type == TAVIX_QUIT) break;
    }
    TAVIX_finish();
    return 0;
}
