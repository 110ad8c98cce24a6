// A program for the CPU-share script (cpu_share.sh): a library client that makes many drawing
// calls each tick with logging on and the console shown, so every call prints a console line.
// Usage: bench_log_load [calls per tick] (200 when not given). Runs until its window is closed.
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
