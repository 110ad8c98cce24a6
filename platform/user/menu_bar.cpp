// Seam for the menu system's input and painting hooks; replaced by the real menus.
#include "platform/internal.h"

bool menu_filter_input(HWND, const InputEvent &) { return false; }
void menu_paint_bar(HWND) {}
void menu_window_destroyed(HWND) {}
