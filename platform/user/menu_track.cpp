// Using menus: attaching a bar to a window, and the mouse and keyboard handling of the bar and its
// pop-ups. Input reaches here before it becomes a message; there is no modal loop, so the
// program's timers and painting go on while a pop-up is open.
#include "platform/user/menu_track.h"

#include "platform/gdi/dc.h"
#include "platform/gdi/fine.h"
#include "platform/gdi/objects.h"
#include "platform/surface.h"
#include "platform/user/input.h"
#include "platform/user/menu_model.h"
#include "platform/user/menu_paint.h"
#include "platform/user/present.h"
#include "platform/user/window.h"

#include <vector>

namespace {

enum TrackMode {
    TRACK_IDLE,   // nothing selected
    TRACK_BAR,    // a title is selected from the keyboard, no pop-up
    TRACK_POPUP,  // the pop-up of a title is open
};

// The one menu in use at a time (as on Windows, only one menu tracks at once).
struct MenuTracking {
    HWND hwnd;             // window whose menu is in use, null while idle
    TrackMode mode;        // what of that menu is in use
    int title;             // selected bar title
    int item;              // highlighted item of the open pop-up, -1 for none
    bool alt_alone;        // Alt is down and no other key came since: its release selects the bar
    bool keys_taken[256];  // key-downs taken here, so their key-ups are taken too
    bool button_taken;     // a button press was taken here, so its release is too
    HWND last_key_window;  // window of the latest key-down offered
    bool last_key_taken;   // that key-down was taken here (so is the text it makes)
    HDC popup_dc;          // memory context holding the pop-up's picture
    HBITMAP popup_bitmap;  // the picture, shown as the window's overlay
    HGDIOBJ popup_old_bitmap;  // what popup_dc held before, put back before it is deleted
    RECT popup_rect;           // where the pop-up lies, surface coordinates
    PopupLayout layout;        // rows of the open pop-up
};

MenuTracking tracking = {};

Menu *tracked_bar() {
    return tracking.hwnd ? menu_get(window_menu_bar(tracking.hwnd)) : nullptr;
}

Menu *title_popup(const Menu &bar, int title) {
    if (title < 0 || (size_t)title >= bar.items.size()) return nullptr;
    const MenuItem &item = bar.items[(size_t)title];
    if (item.flags & (MF_GRAYED | MF_DISABLED)) return nullptr;
    return menu_item_submenu(item);
}

std::vector<RECT> titles_of(HWND hwnd, const Menu &bar) {
    HDC dc = dc_create_for_window(hwnd, false);
    std::vector<RECT> titles = menu_bar_titles(dc, bar);
    dc_destroy(dc);
    return titles;
}

bool inside(const RECT &r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void draw_popup() {
    Menu *bar = tracked_bar();
    Menu *popup = bar ? title_popup(*bar, tracking.title) : nullptr;
    if (!popup || !tracking.popup_dc) return;
    menu_draw_popup(tracking.popup_dc, *popup, tracking.layout, tracking.item);
    window_mark_changed(tracking.hwnd);
}

// Takes the pop-up's picture off the window and frees it.
void release_popup_picture() {
    window_set_overlay(tracking.hwnd, nullptr, 0, 0);
    SelectObject(tracking.popup_dc, tracking.popup_old_bitmap);
    DeleteObject(tracking.popup_bitmap);
    DeleteDC(tracking.popup_dc);
    tracking.popup_dc = nullptr;
    tracking.popup_bitmap = nullptr;
}

void close_popup() {
    if (!tracking.popup_dc) return;
    HWND hwnd = tracking.hwnd;
    release_popup_picture();
    // What the pop-up covered is the program's to paint again.
    RECT area;
    if (window_client_area(hwnd, &area)) {
        RECT covered = tracking.popup_rect;
        covered.left -= area.left;
        covered.right -= area.left;
        covered.top -= area.top;
        covered.bottom -= area.top;
        window_invalidate_client(hwnd, &covered);
    }
    window_mark_changed(hwnd);
}

void end_tracking() {
    HWND hwnd = tracking.hwnd;
    close_popup();
    tracking.hwnd = nullptr;
    tracking.mode = TRACK_IDLE;
    tracking.item = -1;
    if (hwnd) menu_paint_bar(hwnd);
}

// The first item from `from` going by step (+1 down, -1 up) that can be highlighted; -1 for none.
int next_item(const Menu &popup, int from, int step) {
    int n = (int)popup.items.size();
    for (int k = 1; k <= n; ++k) {
        int i = ((from + step * k) % n + n) % n;
        if (!(popup.items[(size_t)i].flags & MF_SEPARATOR)) return i;
    }
    return -1;
}

void open_popup(HWND hwnd, int title, bool select_first) {
    close_popup();
    tracking.hwnd = hwnd;
    tracking.title = title;
    tracking.item = -1;
    Menu *bar = menu_get(window_menu_bar(hwnd));
    Menu *popup = bar ? title_popup(*bar, title) : nullptr;
    Surface *surface = window_surface(hwnd);
    if (!popup || !surface) {
        tracking.mode = TRACK_BAR;
        menu_paint_bar(hwnd);
        return;
    }
    tracking.mode = TRACK_POPUP;
    HDC screen = dc_create_for_window(nullptr, false);
    tracking.popup_dc = CreateCompatibleDC(screen);
    tracking.layout = menu_popup_layout(tracking.popup_dc, *popup);
    tracking.popup_bitmap =
        CreateCompatibleBitmap(screen, tracking.layout.width, tracking.layout.height);
    dc_destroy(screen);
    tracking.popup_old_bitmap = SelectObject(tracking.popup_dc, tracking.popup_bitmap);
    // On a scaled screen the pop-up, like a window, is shown from a larger companion where its
    // text is drawn sharp.
    if (Surface *picture = bitmap_surface(tracking.popup_bitmap))
        fine_attach(picture, screen_scale());
    // Below its title; moved left or up when the window is too small to hold it there.
    RECT title_rect = titles_of(hwnd, *bar)[(size_t)title];
    int x = title_rect.left, y = MENU_BAR_HEIGHT;
    if (x + tracking.layout.width > surface->width) x = surface->width - tracking.layout.width;
    if (y + tracking.layout.height > surface->height) y = surface->height - tracking.layout.height;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    tracking.popup_rect = RECT{x, y, x + tracking.layout.width, y + tracking.layout.height};
    if (select_first) tracking.item = next_item(*popup, -1, 1);
    draw_popup();
    Surface *picture = bitmap_surface(tracking.popup_bitmap);
    window_set_overlay(hwnd, picture, x, y);
    menu_paint_bar(hwnd);
}

void select_bar(HWND hwnd, int title) {
    close_popup();
    tracking.hwnd = hwnd;
    tracking.mode = TRACK_BAR;
    tracking.title = title;
    tracking.item = -1;
    menu_paint_bar(hwnd);
}

// Carries out an item of the open pop-up; grayed items and separators cannot be chosen.
bool choose(int index) {
    Menu *bar = tracked_bar();
    Menu *popup = bar ? title_popup(*bar, tracking.title) : nullptr;
    if (!popup || index < 0 || (size_t)index >= popup->items.size()) return false;
    const MenuItem &item = popup->items[(size_t)index];
    if (item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED | MF_POPUP)) return false;
    HWND hwnd = tracking.hwnd;
    UINT_PTR id = item.id;
    end_tracking();
    PostMessageA(hwnd, WM_COMMAND, (WPARAM)(id & 0xFFFF), 0);
    return true;
}

int popup_item_at(int x, int y) {
    if (!tracking.popup_dc || !inside(tracking.popup_rect, x, y)) return -1;
    x -= tracking.popup_rect.left;
    y -= tracking.popup_rect.top;
    for (size_t i = 0; i < tracking.layout.rows.size(); ++i)
        if (inside(tracking.layout.rows[i], x, y)) return (int)i;
    return -1;
}

int title_at(HWND hwnd, const Menu &bar, int x, int y) {
    std::vector<RECT> titles = titles_of(hwnd, bar);
    for (size_t i = 0; i < titles.size(); ++i)
        if (inside(titles[i], x, y)) return (int)i;
    return -1;
}

// The title (from the bar) or item (from a pop-up) that answers to letter vk; with several
// items on one letter, the next of them after `after` is returned and *unique is false.
int mnemonic_match(const Menu &menu, int vk, int after, bool *unique) {
    int n = (int)menu.items.size(), found = -1, count = 0;
    for (int k = 1; k <= n; ++k) {
        int i = ((after + k) % n + n) % n;
        if (menu_mnemonic(menu.items[(size_t)i]) == (char)vk) {
            if (found < 0) found = i;
            ++count;
        }
    }
    *unique = count == 1;
    return found;
}

bool mouse_event(HWND hwnd, const Menu &bar, const InputEvent &e) {
    bool on_bar = e.y >= 0 && e.y < MENU_BAR_HEIGHT;
    bool active = tracking.hwnd == hwnd && tracking.mode != TRACK_IDLE;
    int item = active ? popup_item_at(e.x, e.y) : -1;
    bool on_popup = active && tracking.popup_dc && inside(tracking.popup_rect, e.x, e.y);
    int title = on_bar && !on_popup ? title_at(hwnd, bar, e.x, e.y) : -1;

    switch (e.type) {
        case InputEvent::MOUSE_DOWN:
            if (on_popup) {
                tracking.button_taken = true;
                return true;
            }
            if (title >= 0 &&
                !(active && tracking.mode == TRACK_POPUP && tracking.title == title)) {
                open_popup(hwnd, title, false);
            } else if (active || title >= 0) {
                // A second click on the open title, or a click anywhere else, closes the menu.
                end_tracking();
            } else if (!on_bar) {
                return false;
            }
            tracking.button_taken = true;
            return true;
        case InputEvent::MOUSE_UP:
            if (active && e.button == 1 && item >= 0) choose(item);
            if (tracking.button_taken) {
                tracking.button_taken = false;
                return true;
            }
            return on_bar || on_popup;
        case InputEvent::MOUSE_MOVE:
            if (active && tracking.mode == TRACK_POPUP) {
                if (title >= 0 && title != tracking.title) {
                    open_popup(hwnd, title, false);
                } else if (on_popup || !on_bar) {
                    // Separators never light up; leaving the pop-up clears the highlight.
                    Menu *popup = title_popup(bar, tracking.title);
                    if (item >= 0 && popup && (popup->items[(size_t)item].flags & MF_SEPARATOR))
                        item = -1;
                    if (item != tracking.item) {
                        tracking.item = item;
                        draw_popup();
                    }
                }
                return true;
            }
            return on_bar || active;
        default:
            return false;
    }
}

bool key_down_active(HWND hwnd, const Menu &bar, const InputEvent &e) {
    int titles = (int)bar.items.size();
    Menu *popup = tracking.mode == TRACK_POPUP ? title_popup(bar, tracking.title) : nullptr;
    bool unique = false;
    switch (e.vk) {
        case VK_ESCAPE:
            // One step back: from the pop-up to its title, from the title to the window.
            if (tracking.mode == TRACK_POPUP)
                select_bar(hwnd, tracking.title);
            else
                end_tracking();
            return true;
        case VK_F10:
            end_tracking();
            return true;
        case VK_LEFT:
        case VK_RIGHT: {
            int step = e.vk == VK_LEFT ? -1 : 1;
            int title = ((tracking.title + step) % titles + titles) % titles;
            if (tracking.mode == TRACK_POPUP)
                open_popup(hwnd, title, true);
            else
                select_bar(hwnd, title);
            return true;
        }
        case VK_UP:
        case VK_DOWN:
            if (!popup) {
                open_popup(hwnd, tracking.title, true);
            } else {
                int step = e.vk == VK_UP ? -1 : 1;
                int from = tracking.item >= 0 ? tracking.item : (step > 0 ? -1 : 0);
                tracking.item = next_item(*popup, from, step);
                draw_popup();
            }
            return true;
        case VK_RETURN:
            if (!popup)
                open_popup(hwnd, tracking.title, true);
            else
                choose(tracking.item);
            return true;
        default:
            break;
    }
    if (e.vk >= '0' && e.vk <= 'Z') {
        if (popup) {
            int i = mnemonic_match(*popup, e.vk, tracking.item, &unique);
            if (i >= 0 && unique && choose(i)) return true;
            if (i >= 0) {
                tracking.item = i;
                draw_popup();
            }
        } else {
            int t = mnemonic_match(bar, e.vk, -1, &unique);
            if (t >= 0) open_popup(hwnd, t, true);
        }
    }
    // Every other key belongs to the menu while it is in use.
    return true;
}

bool key_event(HWND hwnd, const Menu &bar, const InputEvent &e) {
    int vk = e.vk & 0xFF;
    bool active = tracking.hwnd == hwnd && tracking.mode != TRACK_IDLE;
    if (e.type == InputEvent::KEY_UP) {
        if (e.vk == VK_MENU && tracking.alt_alone) {
            tracking.alt_alone = false;
            // Alt pressed and released alone selects the bar, or leaves the menu in use.
            if (active)
                end_tracking();
            else if (!bar.items.empty())
                select_bar(hwnd, 0);
        }
        if (tracking.keys_taken[vk]) {
            tracking.keys_taken[vk] = false;
            return true;
        }
        return false;
    }

    bool taken = false;
    if (e.vk == VK_MENU) {
        if (!e.repeat) tracking.alt_alone = true;
        taken = true;
    } else {
        tracking.alt_alone = false;
        if (active) {
            taken = key_down_active(hwnd, bar, e);
        } else if (e.vk == VK_F10 && !e.repeat) {
            if (!bar.items.empty()) select_bar(hwnd, 0);
            taken = true;
        } else if (e.alt && e.vk >= '0' && e.vk <= 'Z') {
            bool unique;
            int t = mnemonic_match(bar, e.vk, -1, &unique);
            if (t >= 0) {
                open_popup(hwnd, t, true);
                taken = true;
            }
        }
    }
    if (taken) tracking.keys_taken[vk] = true;
    tracking.last_key_window = hwnd;
    tracking.last_key_taken = taken;
    return taken;
}

}  // namespace

bool menu_filter_input(HWND hwnd, const InputEvent &event) {
    // A menu in use in another window (or one destroyed under it) gives way first.
    if (tracking.hwnd && tracking.hwnd != hwnd) end_tracking();
    if (event.type == InputEvent::KEY_DOWN) tracking.last_key_taken = false;
    Menu *bar = menu_get(window_menu_bar(hwnd));
    if (!bar) {
        if (tracking.hwnd) end_tracking();
        return false;
    }
    if (tracking.mode == TRACK_POPUP && !title_popup(*bar, tracking.title)) end_tracking();
    if (event.type == InputEvent::KEY_DOWN || event.type == InputEvent::KEY_UP)
        return key_event(hwnd, *bar, event);
    return mouse_event(hwnd, *bar, event);
}

void menu_paint_bar(HWND hwnd) {
    Menu *bar = menu_get(window_menu_bar(hwnd));
    Surface *surface = window_surface(hwnd);
    if (!bar || !surface) return;
    int selected = -1;
    TitleLook look = TITLE_PLAIN;
    if (tracking.hwnd == hwnd && tracking.mode != TRACK_IDLE) {
        selected = tracking.title;
        look = tracking.mode == TRACK_POPUP ? TITLE_SUNKEN : TITLE_RAISED;
    }
    HDC dc = dc_create_for_window(hwnd, false);
    menu_draw_bar(dc, *bar, surface->width, selected, look);
    dc_destroy(dc);
    window_mark_changed(hwnd);
}

bool menu_took_last_key(HWND hwnd) {
    return tracking.last_key_taken && tracking.last_key_window == hwnd;
}

void menu_window_destroyed(HWND hwnd) {
    if (tracking.hwnd == hwnd) {
        // The window is half gone: free the pop-up without asking it to repaint.
        if (tracking.popup_dc) release_popup_picture();
        tracking = MenuTracking{};
    }
    // A window takes its menu bar along, as on Windows.
    if (HMENU bar = window_menu_bar(hwnd)) DestroyMenu(bar);
}

BOOL WINAPI SetMenu(HWND hwnd, HMENU menu) {
    if (!window_surface(hwnd)) return FALSE;
    if (menu && !menu_get(menu)) return FALSE;
    if (tracking.hwnd == hwnd) end_tracking();
    window_attach_menu_bar(hwnd, menu);
    if (menu) menu_paint_bar(hwnd);
    return TRUE;
}

HMENU WINAPI GetMenu(HWND hwnd) {
    return window_menu_bar(hwnd);
}

BOOL WINAPI DrawMenuBar(HWND hwnd) {
    if (!window_surface(hwnd)) return FALSE;
    menu_paint_bar(hwnd);
    return TRUE;
}
