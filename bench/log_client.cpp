// A library client for bench/cpu_share.sh (it runs until closed, so it is not one of the bench_*
// programs `make bench` runs): many drawing calls each tick with logging on and the console
// shown, so every call prints a console line.
// Usage: log_client [calls per tick] (200 when not given).
#include "library/tavix.h"

#include <cstdlib>

int main(int argc, char **argv) {
    int calls = argc > 1 ? atoi(argv[1]) : 200;
    TAVIX_start(nullptr, nullptr, nullptr, 1);
    TAVIX_set_logging(1);
    TAVIX_set_animation(TAVIX_ANIM_RUN);
    for (int tick = 0;; ++tick) {
        int x, y;
        char key;
        if (TAVIX_next_event(&x, &y, &key) == TAVIX_QUIT) break;
        for (int i = 0; i < calls; ++i) {
            int at = (tick * 7 + i) % 200 - 100;
            TAVIX_draw_pixel(i % 24, at, (i * 3) % 200 - 100);
        }
    }
    TAVIX_finish();
    return 0;
}
