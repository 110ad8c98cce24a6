// Keyboard and mouse input: the events a backend reports (platform/backend/events.h) and the
// keyboard state behind WM_CHAR.
#ifndef TAVIX_PLATFORM_USER_INPUT_H
#define TAVIX_PLATFORM_USER_INPUT_H

#include "platform/backend/events.h"
#include "platform/win32.h"

#include <vector>

// ---- Key positions ----
// The PC set-1 scan code (plus 0x100 for an extended key) and the Windows virtual key of the key
// at a position (its USB HID usage, as SDL's scan codes and the DOM's KeyboardEvent.code name it)
// on which the layout puts character (Unicode; 0 when not known): in the typing block the
// layout's letter, digit or punctuation names the key, elsewhere the position alone does. Both 0
// for a position no Windows key has.
struct KeyCodes {
    int scan;
    int vk;
};
KeyCodes key_codes_of(int usage, int character);

// ---- Keyboard messages ----
// A key message left the queue (PeekMessageA with PM_REMOVE); from_input: it came from the backend,
// with the character ch it made.
void keyboard_message_retrieved(const MSG &msg, bool from_input, int ch);
// The character a key-down makes for TranslateMessage, or -1 for none.
int keyboard_char_for(const MSG &msg);
// UTF-8 text to Windows-1252 characters; a character outside the code page becomes -1.
std::vector<int> keyboard_cp1252_from_utf8(const char *utf8);
// The code points of UTF-8 text; -1 for each byte or sequence that is not one.
std::vector<int> keyboard_code_points_from_utf8(const char *utf8);

#endif
