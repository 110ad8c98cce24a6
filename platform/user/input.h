// Keyboard and mouse input: the events the SDL glue reports, the event record the menus are
// offered first, and the keyboard state behind WM_CHAR.
#ifndef TAVIX_PLATFORM_USER_INPUT_H
#define TAVIX_PLATFORM_USER_INPUT_H

#include "platform/win32.h"

#include <vector>

struct InputEvent {
    enum Type { MOUSE_DOWN, MOUSE_UP, MOUSE_MOVE, KEY_DOWN, KEY_UP } type;
    int x, y;     // pointer position in the window's surface coordinates (mouse events)
    int button;   // 1 left, 2 middle, 3 right (mouse buttons)
    int vk;       // Windows virtual-key code (key events)
    bool alt;     // Alt is held (key events)
    bool repeat;  // auto-repeat (key events)
};

// Modifier state that comes with a key event.
enum KeyModifier { KEYMOD_SHIFT = 1, KEYMOD_CTRL = 2, KEYMOD_ALT = 4, KEYMOD_CAPS = 8 };

// ---- From the SDL glue ----
// A mouse event at (x, y) of the window's surface; buttons_held is a mask (1 left, 2 middle,
// 4 right) of the buttons down after the event.
void input_mouse(HWND hwnd, InputEvent::Type type, int button, int x, int y, unsigned buttons_held,
                 unsigned modifiers);
// The wheel turned by notches (positive away from the user) with the pointer over hwnd.
void input_wheel(HWND hwnd, int notches, unsigned buttons_held, unsigned modifiers);
// The window manager took the keyboard focus away from hwnd.
void input_focus_lost(HWND hwnd);
// A key went down or up. scan is the PC set-1 scan code, plus 0x100 for an extended key.
void input_key(HWND hwnd, bool down, int vk, int scan, bool repeat, unsigned modifiers);
// Text that the last key (or an input method) produced, UTF-8.
void input_text(HWND hwnd, const char *utf8);

// ---- Keyboard messages ----
// A key message left the queue (PeekMessageA with PM_REMOVE); from_input: it came from SDL, with
// the character ch it made.
void keyboard_message_retrieved(const MSG &msg, bool from_input, int ch);
// The character a key-down makes for TranslateMessage, or -1 for none.
int keyboard_char_for(const MSG &msg);
// UTF-8 text to Windows-1252 characters; a character outside the code page becomes -1.
std::vector<int> keyboard_cp1252_from_utf8(const char *utf8);

#endif
