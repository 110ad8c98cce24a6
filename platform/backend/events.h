// What a backend reports to the window code: input, the window manager's requests and exposure.
// The window code (platform/user/) implements these; a backend calls them from its pump() and
// wait() (and input_moved from window_show()), for windows it made with window_create(), naming
// them by the HWND it was given there. Positions and sizes are in screen pixels, as the backend
// has them: the window code turns them into window pixels (platform/user/present.h).
#ifndef TAVIX_PLATFORM_BACKEND_EVENTS_H
#define TAVIX_PLATFORM_BACKEND_EVENTS_H

#include "platform/win32.h"

// One input event as the menus are offered it first (platform/user/menu_track.h).
struct InputEvent {
    enum Type { MOUSE_DOWN, MOUSE_UP, MOUSE_MOVE, KEY_DOWN, KEY_UP } type;
    int x, y;     // pointer position in the window's surface coordinates (mouse events)
    int button;   // 1 left, 2 middle, 3 right (mouse buttons)
    int vk;       // Windows virtual-key code (key events)
    bool alt;     // Alt is held (key events)
    bool repeat;  // auto-repeat (key events)
};

// Modifier state that comes with a key or mouse event.
enum KeyModifier { KEYMOD_SHIFT = 1, KEYMOD_CTRL = 2, KEYMOD_ALT = 4, KEYMOD_CAPS = 8 };

// ---- Input (platform/user/input.cpp) ----
// A mouse event at (x, y) of the window's picture; buttons_held is a mask (1 left, 2 middle,
// 4 right) of the buttons down after the event.
void input_mouse(HWND hwnd, InputEvent::Type type, int button, int x, int y, unsigned buttons_held,
                 unsigned modifiers);
// A key went down or up: usage the key's position (its USB HID usage, which SDL's scan codes and
// the DOM's KeyboardEvent.code name), character the layout's character on it, unshifted where the
// backend knows it (Unicode; 0 for none known). The window code makes the Windows virtual key and
// scan code of them (platform/user/input.h: key_codes_of). A key-down's text follows it at once
// with input_text.
void input_key_at(HWND hwnd, bool down, int usage, int character, bool repeat,
                  unsigned modifiers);
// The same with the key's Windows virtual-key code and PC set-1 scan code (plus 0x100 for an
// extended key) already made.
void input_key(HWND hwnd, bool down, int vk, int scan, bool repeat, unsigned modifiers);
// Text that the last key (or an input method) produced, UTF-8.
void input_text(HWND hwnd, const char *utf8);
// The wheel turned by notches (positive away from the user) with the pointer over hwnd.
void input_wheel(HWND hwnd, int notches, unsigned buttons_held, unsigned modifiers);
// False while the input queue is full: a backend then stops reporting and keeps the rest, in
// order, until the program has taken some (platform/user/queue.cpp).
bool input_queue_has_room();

// ---- The window manager (platform/user/window.cpp) ----
// The user asked to close the window (it becomes WM_CLOSE).
void input_close_requested(HWND hwnd);
// The window's pixels on the screen were lost: all of it is presented and painted again.
void input_exposed(HWND hwnd);
// The window manager resized the window's picture to width x height.
void input_resized(HWND hwnd, int width, int height);
// The user put the window over the whole screen (on) or back, outside the program's calls (a page's
// own button, Escape): its picture is width x height now, 0 x 0 when the backend scales it itself
// (backend.h: window_set_fullscreen).
void input_fullscreen(HWND hwnd, bool on, int width, int height);
// The window's top-left (its picture's origin) moved to (x, y) on the screen.
void input_moved(HWND hwnd, int x, int y);
// The window got the keyboard focus.
void input_focus(HWND hwnd);
// The window manager took the keyboard focus away from hwnd.
void input_focus_lost(HWND hwnd);

#endif
