// A small client of the library for end-to-end tests: it opens both windows, draws a few shapes,
// prints some console lines, then reports every event on stdout until quit.
//
// stdout, one line each, flushed at once:
//   READY <origin_x> <origin_y> <console line height>
//   EVENT <code> <x> <y> <key>
//
// With TAVIX_CLIENT_STALL_UNTIL naming a file, it takes no event at all until that file exists,
// so input piles up behind it as behind a slow program. With TAVIX_CLIENT_HIDE_CONSOLE set it
// hides the console window before it reports READY. With TAVIX_CLIENT_RECORD set it records with
// the animation running from the start. TAVIX_CLIENT_END says how it ends after quit: "return"
// or "exit" without TAVIX_finish, "crash" by SIGSEGV; otherwise TAVIX_finish, then return.
#include "library/core/state.h"

#include "tests/programs/event_echo.h"

#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <unistd.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    // Printed before the windows exist: kept, and drawn when the console first paints.
    TAVIX_console_printf("printed before start\n");
    TAVIX_start(instance, previous, command_line, show);

    TAVIX_clear_window();
    TAVIX_draw_rectangle(RED, -200, 150, -100, 50, 0);
    TAVIX_draw_circle(BLUE, 100, 100, 50);
    TAVIX_draw_rectangle(FOREST_GREEN, -50, -50, 50, -150, 3);
    TAVIX_set_logging(0);

    TAVIX_console_printf("short\n");
    TAVIX_console_printf("a longer line\n");
    TAVIX_console_printf("the newest line, the longest, at the bottom\n");

    HDC console_dc = GetDC(library_state.window.console);
    SelectObject(console_dc, GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA metrics;
    GetTextMetricsA(console_dc, &metrics);
    ReleaseDC(library_state.window.console, console_dc);
    if (getenv("TAVIX_CLIENT_HIDE_CONSOLE")) TAVIX_show_console(0);
    printf("READY %d %d %d\n", library_state.window.origin_x, library_state.window.origin_y,
           (int)(metrics.tmHeight + metrics.tmExternalLeading));
    fflush(stdout);

    if (const char *stall = getenv("TAVIX_CLIENT_STALL_UNTIL")) {
        while (access(stall, F_OK) != 0) usleep(20000);
    }

    if (getenv("TAVIX_CLIENT_RECORD")) {
        handle_command(ID_RECORD);
        TAVIX_set_animation(TAVIX_ANIM_RUN);
    }

    echo_events_until_quit();
    const char *end = getenv("TAVIX_CLIENT_END");
    if (end && strcmp(end, "return") == 0) return 0;
    if (end && strcmp(end, "exit") == 0) exit(0);
    if (end && strcmp(end, "crash") == 0) raise(SIGSEGV);
    TAVIX_finish();
    return 0;
}
