// What the parts of the platform layer share among themselves: the handle table, pixel surfaces,
// the window record's view for painting and menus, and the input hook of the menus.
// Nothing here is seen by the library; it speaks only win32.h.
#ifndef TAVIX_PLATFORM_INTERNAL_H
#define TAVIX_PLATFORM_INTERNAL_H

#include "platform/win32.h"

#include <cstdint>

// ---- Handle table (kernel/handles.cpp) ---------------------------------------------------------
//
// Every handle the layer gives out is an index and a generation count packed into a pointer-sized
// value; a handle is checked on every call, so a destroyed window or deleted object makes later
// calls harmless no-ops.

enum HandleKind {
    HANDLE_NONE = 0,
    HANDLE_WINDOW,
    HANDLE_DC,
    HANDLE_PEN,
    HANDLE_BRUSH,
    HANDLE_FONT,
    HANDLE_BITMAP,
    HANDLE_MENU,
    HANDLE_GLOBAL,
    HANDLE_ICON,
};

// Registers object under a new handle. A permanent handle (stock objects) survives handle_free.
void *handle_new(HandleKind kind, void *object, bool permanent = false);
// The object behind handle if it is live and of that kind, else nullptr.
void *handle_get(const void *handle, HandleKind kind);
// The kind of a live handle, HANDLE_NONE for anything else.
HandleKind handle_kind(const void *handle);
// Retires handle; later handle_get on it returns nullptr. Returns false for a dead, foreign or
// permanent handle.
bool handle_free(const void *handle);
bool handle_is_permanent(const void *handle);

// ---- Pixels ------------------------------------------------------------------------------------
//
// A surface is a block of 32-bit pixels laid out 0x00RRGGBB, row after row, stride = width.
// Windows (COLORREF) say 0x00BBGGRR: convert at the boundary with these two.

struct Surface {
    int width;          // pixels
    int height;         // pixels
    uint32_t *pixels;   // width * height pixels, owned by whoever made the surface
};

inline uint32_t pixel_from_colorref(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF colorref_from_pixel(uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

// ---- Code page (kernel/codepage.cpp) -----------------------------------------------------------

// The Unicode code point of a Windows-1252 byte (an unassigned byte stays itself).
uint32_t unicode_from_cp1252(unsigned char c);
// The Windows-1252 byte of a code point, -1 when the code page has none.
int cp1252_from_unicode(uint32_t code);

// ---- Platform start (user/platform.cpp) --------------------------------------------------------

// Starts SDL on first use; without a display prints why on stderr and exits with status 1.
void platform_ensure_started();

// ---- Windows as the painting and menu code see them (user/window.cpp) ---------------------------
//
// A top-level window shows one surface: the menu bar (when the window has one) on top, the client
// area below it. The window manager draws caption and frame outside it.

// The window's surface, or nullptr when hwnd is not a live window.
Surface *window_surface(HWND hwnd);
// Where the client area lies inside the window's surface (left, top, right, bottom).
bool window_client_area(HWND hwnd, RECT *area);
// The window's pixels changed; they reach the screen when the queue next runs dry.
void window_mark_changed(HWND hwnd);
// Only the area (surface coordinates) changed: the next present hands the display no more.
void window_mark_damaged(HWND hwnd, const RECT &area);
// A surface drawn over the window at (x, y) of its surface (the open pop-up menu), or nullptr for
// none. The window keeps only the pointer: the owner keeps it alive until it sets another.
void window_set_overlay(HWND hwnd, const Surface *overlay, int x, int y);
// The menu bar attached by SetMenu (nullptr for none); attaching or removing one moves the client
// area and reports the new size with WM_SIZE.
void window_attach_menu_bar(HWND hwnd, HMENU menu);
HMENU window_menu_bar(HWND hwnd);
// Posts WM_PAINT-worthy damage in client coordinates (as InvalidateRect).
void window_invalidate_client(HWND hwnd, const RECT *rect);

// ---- Device contexts for the user part (gdi/dc.cpp) --------------------------------------------

// A context that draws on the window's surface (hwnd null: a screen context, which draws nothing
// but is what CreateCompatibleDC/CreateCompatibleBitmap accept as a model). client_only: origin and clip at the client area
// (GetDC, BeginPaint); otherwise the whole surface (the menu bar). Drawing through it after the
// window is gone does nothing.
HDC dc_create_for_window(HWND hwnd, bool client_only);
// Frees a context made by dc_create_for_window or CreateCompatibleDC.
void dc_destroy(HDC dc);
// The solid colour of a brush, false for a hollow or dead brush.
bool brush_colour(HBRUSH brush, COLORREF *colour);
// The surface of a bitmap made by CreateCompatibleBitmap, nullptr for a dead handle.
Surface *bitmap_surface(HBITMAP bitmap);

// ---- Input seen by the menus first (user/menu_*.cpp) --------------------------------------

struct InputEvent {
    enum Type { MOUSE_DOWN, MOUSE_UP, MOUSE_MOVE, KEY_DOWN, KEY_UP } type;
    int x, y;        // pointer position in the window's surface coordinates (mouse events)
    int button;      // 1 left, 2 middle, 3 right (mouse buttons)
    int vk;          // Windows virtual-key code (key events)
    bool alt;        // Alt is held (key events)
    bool repeat;     // auto-repeat (key events)
};

// Offered every input event of a window before it becomes a message. Returns true when the menu
// system took it (clicks on the bar or an open pop-up, keys while the bar is active, Alt, F10,
// Alt+letter); the window procedure then never sees it.
bool menu_filter_input(HWND hwnd, const InputEvent &event);
// Draws the window's menu bar into its surface (on show, expose and DrawMenuBar).
void menu_paint_bar(HWND hwnd);
// The window is going away: close any open pop-up and forget the window.
void menu_window_destroyed(HWND hwnd);
// True when the menus took the window's latest key-down: the text SDL reports for that key belongs
// to the menu too and must not become WM_CHAR.
bool menu_took_last_key(HWND hwnd);

#endif
