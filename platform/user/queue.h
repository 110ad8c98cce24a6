// The thread's one message queue as the window, input and backend code feed it.
#ifndef TAVIX_PLATFORM_USER_QUEUE_H
#define TAVIX_PLATFORM_USER_QUEUE_H

#include "platform/win32.h"

#include <cstdint>

uint64_t clock_ms();
// Appends an input message (keyboard, mouse, close request) behind earlier input. ch is the
// character a key-down produces (KEYCHAR_*), ignored for other messages.
void queue_post_input(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, int ch);
// Attaches text-input character ch to the newest backend key-down of hwnd still queued; false when
// there is none (the text then arrives as WM_CHAR of its own).
bool queue_attach_char(HWND hwnd, int ch);
// Forgets the window's queued messages and timers (it is being destroyed).
void queue_forget_window(HWND hwnd);
void queue_set_mouse_position(int x, int y);
// The pointer's last position in screen coordinates.
POINT queue_mouse_position();

// Characters carried with key-downs from the backend.
enum KeyChar {
    KEYCHAR_DERIVE = -1,  // not known from the key event: derive it from the virtual key
    KEYCHAR_NONE = -2,    // the key produced no character in the 8-bit code page
};

#endif
