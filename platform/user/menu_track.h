// Using the menus with mouse and keyboard: the hook every input event of a window passes first,
// and the bar's drawing on a window.
#ifndef TAVIX_PLATFORM_USER_MENU_TRACK_H
#define TAVIX_PLATFORM_USER_MENU_TRACK_H

#include "platform/user/input.h"
#include "platform/win32.h"

// Offered every input event of a window before it becomes a message. Returns true when the menu
// system took it (clicks on the bar or an open pop-up, keys while the bar is active, Alt, F10,
// Alt+letter); the window procedure then never sees it.
bool menu_filter_input(HWND hwnd, const InputEvent &event);
// Draws the window's menu bar into its surface (on show, expose and DrawMenuBar).
void menu_paint_bar(HWND hwnd);
// The window is going away: close any open pop-up and forget the window.
void menu_window_destroyed(HWND hwnd);
// True when the menus took the window's latest key-down: the text the backend reports for that key
// belongs to the menu too and must not become WM_CHAR.
bool menu_took_last_key(HWND hwnd);

#endif
