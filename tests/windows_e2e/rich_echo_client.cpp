// The richer wait's client built for Linux and for Windows from this one file: it clears the
// picture, prints READY and then every event of TAVIX_wait as a RICH line (rich_echo.h) until
// quit, so that the two builds can be given the same real input and their lines compared. With
// "pads" on its command line it opens and reads the gamepads first; with "text" it asks for typed
// text; with "full" a 200 x 150 picture, its top-left 2 x 2 pixels red, covers the screen.
#include "library/tavix.h"

#include "tests/programs/rich_echo.h"

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    bool full = command_line && strstr(command_line, "full");
    if (full) TAVIX_set_picture_size(200, 150);
    TAVIX_start(instance, previous, command_line, show);
    TAVIX_set_logging(0);
    TAVIX_show_console(0);
    TAVIX_clear_window();
    if (command_line && strstr(command_line, "text")) TAVIX_set_utf8(1);
    if (full) {
        TAVIX_draw_rectangle(RED, -100, 75, -99, 74, 0);
        printf("FULL %d\n", TAVIX_set_fullscreen(1));
    }
    printf("READY\n");
    // "pads": the gamepads are opened and read first (none is connected where the tests run).
    if (command_line && strstr(command_line, "pads"))
        printf("PADS %d %d %d\n", TAVIX_gamepad_button(0, TAVIX_PAD_A),
               TAVIX_gamepad_axis(3, TAVIX_AXIS_RIGHT_TRIGGER), TAVIX_gamepad_axis(4, 0));
    fflush(stdout);
    echo_rich_events_until_quit();
    TAVIX_finish();
    return 0;
}
