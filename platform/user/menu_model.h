// The menu record behind an HMENU, shared by the menu files of platform/user/ (the model, the
// drawing and the mouse/keyboard tracking). Private to those files.
#ifndef TAVIX_PLATFORM_USER_MENU_MODEL_H
#define TAVIX_PLATFORM_USER_MENU_MODEL_H

#include "platform/internal.h"

#include <string>
#include <vector>

struct MenuItem {
    UINT flags;        // MF_GRAYED, MF_CHECKED, MF_SEPARATOR, MF_POPUP as given or set since
    UINT_PTR id;       // command id; for MF_POPUP the pop-up's HMENU
    std::string text;  // as appended: '&' before the mnemonic, '\t' before the hint
};

struct Menu {
    bool popup;                   // made by CreatePopupMenu
    std::vector<MenuItem> items;  // in the order appended
};

// The live menu behind handle, or null.
Menu *menu_get(HMENU menu);
// The pop-up an MF_POPUP item opens, or null (also for a pop-up destroyed meanwhile).
Menu *menu_item_submenu(const MenuItem &item);

// An item's text split for showing: the label without its '&' markers, the index of the
// underlined letter in it (-1 for none) and the hint after the first tab.
struct MenuLabel {
    std::string label;
    int mnemonic_at;
    std::string hint;
};
MenuLabel menu_split_label(const std::string &text);
// The letter (upper case) an item answers to, 0 for none.
char menu_mnemonic(const MenuItem &item);

// ---- Drawing (menu_paint.cpp)
// --------------------------------------------------------------------
//
// Classic grey menus: a 19-pixel bar of titles, and pop-ups with a raised border, a check-mark
// column, labels, right-aligned hints, etched separators and a navy highlight.

const int kMenuBarHeight = 19;

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
