// The test clients' event loop: every event the wait returns goes to stdout as one flushed line,
// "EVENT <code> <x> <y> <key>", until quit. Shared by clients built for Linux and for Windows.
#ifndef TAVIX_TESTS_EVENT_ECHO_H
#define TAVIX_TESTS_EVENT_ECHO_H

#include "library/tavix.h"

#include <cstdio>

inline void echo_events_until_quit() {
    for (;;) {
        int x = 0, y = 0;
        char key = 0;
        int code = TAVIX_next_event(&x, &y, &key);
        printf("EVENT %d %d %d %d\n", code, x, y, (int)(signed char)key);
        fflush(stdout);
        if (code == TAVIX_QUIT) return;
    }
}

#endif
