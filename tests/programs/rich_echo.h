// The richer wait's test client loop: every event TAVIX_wait returns goes to stdout as one
// flushed line, "RICH <type> <x> <y> <key> <button> <modifiers> held <keys held> buttons <b>",
// until quit. Shared by the clients built for Linux and for Windows.
#ifndef TAVIX_TESTS_RICH_ECHO_H
#define TAVIX_TESTS_RICH_ECHO_H

#include "library/tavix.h"

#include <cstdio>

inline int keys_held_now(void) {
    int held = 0;
    for (int key = 1; key < 256; key++) held += TAVIX_key_down(key);
    return held;
}

// after, if given, hears each event once its line is out.
inline void echo_rich_events_until_quit(void (*after)(const TAVIX_Event &) = nullptr) {
    for (;;) {
        TAVIX_Event e;
        int type = TAVIX_wait(&e);
        printf("RICH %d %d %d %d %d %d held %d buttons %d\n", type, e.x, e.y, e.key, e.button,
               e.modifiers & ~TAVIX_MOD_REPEAT, keys_held_now(), TAVIX_mouse(nullptr, nullptr));
        fflush(stdout);
        if (after) after(e);
        if (type == TAVIX_QUIT) return;
    }
}

#endif
