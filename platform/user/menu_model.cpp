// Menus as data: creating and destroying them, appending items, check marks and the queries, all
// through the handle table. Nothing here draws or needs a window.
#include "platform/user/menu_model.h"

#include "platform/kernel/handles.h"

#include <cctype>
#include <cstring>

namespace {

// Deeper nesting than this is refused, which also bounds every recursive walk below.
const int kMaxDepth = 16;

const UINT kKeptFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR;

// True when target is menu itself or a pop-up reachable from it.
bool menu_reaches(HMENU menu, HMENU target, int depth) {
    if (menu == target) return true;
    Menu *m = menu_get(menu);
    if (!m || depth > kMaxDepth) return false;
    for (const MenuItem &item : m->items)
        if ((item.flags & MF_POPUP) && menu_reaches((HMENU)item.id, target, depth + 1)) return true;
    return false;
}

int menu_depth(HMENU menu, int depth) {
    Menu *m = menu_get(menu);
    if (!m || depth > kMaxDepth) return depth;
    int deepest = depth;
    for (const MenuItem &item : m->items)
        if (item.flags & MF_POPUP) {
            int d = menu_depth((HMENU)item.id, depth + 1);
            if (d > deepest) deepest = d;
        }
    return deepest;
}

// The item named by id (MF_BYCOMMAND: searched depth first through the pop-ups, as Windows
// does) or by position (MF_BYPOSITION: in this menu only). Null when there is none.
MenuItem *find_item(HMENU menu, UINT id, UINT flags, int depth = 0) {
    Menu *m = menu_get(menu);
    if (!m || depth > kMaxDepth) return nullptr;
    if (flags & MF_BYPOSITION) return id < m->items.size() ? &m->items[id] : nullptr;
    for (MenuItem &item : m->items) {
        if (item.flags & MF_POPUP) {
            if (MenuItem *found = find_item((HMENU)item.id, id, flags, depth + 1)) return found;
        } else if (!(item.flags & MF_SEPARATOR) && item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

HMENU new_menu(bool popup) {
    Menu *m = new Menu{popup, {}};
    void *handle = handle_new(HANDLE_MENU, m);
    if (!handle) delete m;
    return (HMENU)handle;
}

void destroy_menu(HMENU menu, int depth) {
    Menu *m = menu_get(menu);
    if (!m) return;
    handle_free(menu);
    // The pop-ups go with their menu; the depth bound keeps a bad tree from recursing far.
    if (depth < kMaxDepth)
        for (const MenuItem &item : m->items)
            if (item.flags & MF_POPUP) destroy_menu((HMENU)item.id, depth + 1);
    delete m;
}

}  // namespace

Menu *menu_get(HMENU menu) {
    return (Menu *)handle_get(menu, HANDLE_MENU);
}

Menu *menu_item_submenu(const MenuItem &item) {
    return (item.flags & MF_POPUP) ? menu_get((HMENU)item.id) : nullptr;
}

MenuLabel menu_split_label(const std::string &text) {
    MenuLabel out{"", -1, ""};
    size_t tab = text.find('\t');
    std::string shown = text.substr(0, tab);
    if (tab != std::string::npos) out.hint = text.substr(tab + 1);
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == '&' && i + 1 < shown.size()) {
            ++i;
            // "&&" is a literal ampersand; the first single '&' marks the mnemonic.
            if (shown[i] != '&' && out.mnemonic_at < 0) out.mnemonic_at = (int)out.label.size();
        } else if (shown[i] == '&') {
            continue;
        }
        out.label += shown[i];
    }
    return out;
}

char menu_mnemonic(const MenuItem &item) {
    if (item.flags & MF_SEPARATOR) return 0;
    MenuLabel l = menu_split_label(item.text);
    if (l.mnemonic_at < 0) return 0;
    return (char)toupper((unsigned char)l.label[(size_t)l.mnemonic_at]);
}

HMENU WINAPI CreateMenu(void) {
    return new_menu(false);
}

HMENU WINAPI CreatePopupMenu(void) {
    return new_menu(true);
}

BOOL WINAPI DestroyMenu(HMENU menu) {
    if (!menu_get(menu)) return FALSE;
    destroy_menu(menu, 0);
    return TRUE;
}

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
    Menu *m = menu_get(menu);
    if (!m) return FALSE;
    MenuItem item{flags & kKeptFlags, id, ""};
    if (flags & MF_POPUP) {
        HMENU sub = (HMENU)id;
        // A menu inside itself would make every walk over the tree endless.
        if (!menu_get(sub) || menu_reaches(sub, menu, 0)) return FALSE;
        if (menu_depth(sub, 1) > kMaxDepth) return FALSE;
        item.flags &= ~(UINT)MF_SEPARATOR;
    }
    if (flags & MF_SEPARATOR) {
        item.flags = MF_SEPARATOR;
        item.id = 0;
    } else if (text) {
        item.text = text;
    }
    m->items.push_back(item);
    return TRUE;
}

DWORD WINAPI CheckMenuItem(HMENU menu, UINT id, UINT check) {
    MenuItem *item = find_item(menu, id, check);
    if (!item) return (DWORD)-1;
    DWORD previous = (item->flags & MF_CHECKED) ? MF_CHECKED : MF_UNCHECKED;
    if (check & MF_CHECKED)
        item->flags |= MF_CHECKED;
    else
        item->flags &= ~(UINT)MF_CHECKED;
    return previous;
}

UINT WINAPI GetMenuState(HMENU menu, UINT id, UINT flags) {
    MenuItem *item = find_item(menu, id, flags);
    if (!item) return (UINT)-1;
    if (Menu *sub = menu_item_submenu(*item))
        // A pop-up reports its item count in the high byte, as Windows does.
        return ((UINT)(sub->items.size() & 0xFF) << 8) | (item->flags & 0xFF);
    return item->flags;
}

int WINAPI GetMenuItemCount(HMENU menu) {
    Menu *m = menu_get(menu);
    return m ? (int)m->items.size() : -1;
}

UINT WINAPI GetMenuItemID(HMENU menu, int pos) {
    Menu *m = menu_get(menu);
    if (!m || pos < 0 || (size_t)pos >= m->items.size()) return (UINT)-1;
    const MenuItem &item = m->items[(size_t)pos];
    return (item.flags & MF_POPUP) ? (UINT)-1 : (UINT)item.id;
}

int WINAPI GetMenuStringA(HMENU menu, UINT id, LPSTR text, int max, UINT flags) {
    MenuItem *item = find_item(menu, id, flags);
    if (!item) return 0;
    int length = (int)item->text.size();
    if (!text) return length;
    if (max <= 0) return 0;
    int n = length < max - 1 ? length : max - 1;
    memcpy(text, item->text.data(), (size_t)n);
    text[n] = '\0';
    return n;
}

HMENU WINAPI GetSubMenu(HMENU menu, int pos) {
    Menu *m = menu_get(menu);
    if (!m || pos < 0 || (size_t)pos >= m->items.size()) return nullptr;
    const MenuItem &item = m->items[(size_t)pos];
    return menu_item_submenu(item) ? (HMENU)item.id : nullptr;
}
