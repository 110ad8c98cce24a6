// A client of the richer wait for end-to-end tests. It clears the picture, reports READY and
// then every event of TAVIX_wait (see rich_echo.h) until quit.
//
// RICH_TICK=N: TAVIX_set_tick(N) and the animation runs; periodic events are counted, not
//   echoed, and "TICKS <n> IN <ms>" is printed once RICH_TICK_WINDOW ms have passed.
// RICH_DELAY=N: draws a red square, prints DELAYING, TAVIX_delay(N), prints "DELAYED <ms>".
#include "library/tavix.h"

#include "tests/programs/rich_echo.h"

#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
    TAVIX_start(instance, previous, command_line, show);
    TAVIX_set_logging(0);
    TAVIX_clear_window();
    if (const char *tick = getenv("RICH_TICK")) {
        TAVIX_set_tick(atoi(tick));
        TAVIX_set_animation(TAVIX_ANIM_RUN);
        const char *window = getenv("RICH_TICK_WINDOW");
        long span = window ? atol(window) : 2000;
        TAVIX_Event e;
        // The first tick starts the count, so the window holds whole intervals.
        while (TAVIX_wait(&e) != TAVIX_PERIODIC) {
        }
        long first = e.time;
        int ticks = 0;
        while (TAVIX_wait(&e) == TAVIX_PERIODIC && e.time - first < span) ticks++;
        printf("TICKS %d IN %ld\n", ticks, e.time - first);
        fflush(stdout);
        TAVIX_finish();
        return 0;
    }
    printf("READY\n");
    fflush(stdout);
    if (const char *delay = getenv("RICH_DELAY")) {
        TAVIX_draw_rectangle(RED, -50, 50, 50, -50, 0);
        printf("DELAYING\n");
        fflush(stdout);
        long before = TAVIX_time();
        TAVIX_delay(atoi(delay));
        printf("DELAYED %ld\n", TAVIX_time() - before);
        fflush(stdout);
    }
    echo_rich_events_until_quit();
    TAVIX_finish();
    return 0;
}
