// Drawing the menus: classic grey menus, a 19-pixel bar of titles, and pop-ups with a raised
// border, a check-mark column, labels, right-aligned hints, etched separators and a navy
// highlight.
#ifndef TAVIX_PLATFORM_USER_MENU_PAINT_H
#define TAVIX_PLATFORM_USER_MENU_PAINT_H

#include "platform/user/menu_model.h"
#include "platform/win32.h"

#include <vector>

// Classic grey menus: a 19-pixel bar of titles, and pop-ups with a raised border, a check-mark
// column, labels, right-aligned hints, etched separators and a navy highlight.

// How a bar title looks: plain, raised (chosen from the keyboard, pop-up closed) or sunken (its
// pop-up is open).
enum TitleLook { TITLE_PLAIN, TITLE_RAISED, TITLE_SUNKEN };

// Where each title of the bar lies, in surface coordinates (dc only measures).
std::vector<RECT> menu_bar_titles(HDC dc, const Menu &bar);
// Draws the whole bar, width pixels wide, at the top of dc; title `selected` with look.
void menu_draw_bar(HDC dc, const Menu &bar, int width, int selected, TitleLook look);

// A pop-up's size and the rows of its items, relative to its top-left corner.
struct PopupLayout {
    int width, height;       // pixels, border included
    std::vector<RECT> rows;  // one per item
};
PopupLayout menu_popup_layout(HDC dc, const Menu &popup);
// Draws the pop-up into dc at (0, 0) with item `selected` highlighted (-1 for none).
void menu_draw_popup(HDC dc, const Menu &popup, const PopupLayout &layout, int selected);

#endif
