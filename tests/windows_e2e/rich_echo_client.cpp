// The richer wait's client built for Linux and for Windows from this one file: it clears the
// picture, prints READY and then every event of TAVIX_wait as a RICH line (rich_echo.h) until
// quit, so that the two builds can be given the same real input and their lines compared.
#include "library/tavix.h"

#include "tests/programs/rich_echo.h"

#include <cstdio>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    TAVIX_start(instance, previous, command_line, show);
    TAVIX_set_logging(0);
    TAVIX_show_console(0);
    TAVIX_clear_window();
    printf("READY\n");
    fflush(stdout);
    echo_rich_events_until_quit();
    TAVIX_finish();
    return 0;
}
