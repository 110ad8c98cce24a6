// The menu record behind an HMENU, shared by the menu files of platform/user/ (the model, the
// drawing and the mouse/keyboard tracking).
#ifndef TAVIX_PLATFORM_USER_MENU_MODEL_H
#define TAVIX_PLATFORM_USER_MENU_MODEL_H

#include "platform/win32.h"

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

#endif
