// An idle program of the richer wait, for bench/drag_cpu.sh: it draws nothing after its first
// picture and takes every event with TAVIX_wait, counting the motion, until quit; then it prints
// "MOVES <n>".
#include "library/tavix.h"

#include <cstdio>

int main() {
    TAVIX_start(nullptr, nullptr, nullptr, 1);
    TAVIX_set_logging(0);
    TAVIX_show_console(0);
    TAVIX_clear_window();
    TAVIX_Event event;
    long moves = 0;
    while (TAVIX_wait(&event) != TAVIX_QUIT) moves += event.type == TAVIX_MOUSE_MOVE;
    printf("MOVES %ld\n", moves);
    TAVIX_finish();
    return 0;
}
