// What the window, queue and input tests share: a window class that records its messages, and
// draining the queue between cases.
#ifndef TAVIX_TESTS_PLATFORM_USER_HELPERS_H
#define TAVIX_TESTS_PLATFORM_USER_HELPERS_H

#include "platform/win32.h"

#include <vector>

struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wp;
    LPARAM lp;
};

// Every message the recording class's procedure received, in order.
std::vector<Seen> &seen_messages();
// Messages of one kind in seen_messages().
std::vector<Seen> seen_of(UINT message);
// A window of the recording class (white background); visible unless show is false.
HWND make_window(DWORD style = WS_CAPTION | WS_SYSMENU, int width = 601, int height = 540,
                 bool show = true);
// Dispatches everything queued now (posted, input, paint, due timers) and forgets what was seen.
void drain();

#endif
