// The window record and what the files of platform/user/ share about windows, the queue, painting
// and the keyboard. Private to platform/user/.
#ifndef TAVIX_PLATFORM_USER_WINDOW_H
#define TAVIX_PLATFORM_USER_WINDOW_H

#include "platform/internal.h"

#include <cstdint>
#include <string>
#include <vector>

// The classic metrics the layer emulates, in pixels.
enum ClassicMetric {
    CAPTION_HEIGHT = 19,
    FIXED_FRAME = 3,
    SIZING_FRAME = 4,
    MENU_BAR_HEIGHT = 19,
};

struct Window {
    HWND hwnd;                     // this window's own handle
    WNDPROC proc;                  // window procedure of its class
    HBRUSH background;             // class background brush (may be null)
    UINT class_style;              // CS_* of its class
    DWORD style;                   // WS_* given at creation
    std::string title;             // caption text
    int x, y;                      // outer top-left on the screen, pixels
    int width, height;             // outer size including caption and frame, pixels
    bool visible;                  // shown (ShowWindow / WS_VISIBLE) and not hidden since
    bool sized;                    // the first WM_SIZE has been sent
    bool destroying;               // DestroyWindow is under way
    HMENU menu;                    // menu bar attached by SetMenu, null for none
    Surface surface;               // menu bar + client area; the struct lives as long as the window
    std::vector<uint32_t> pixels;  // storage of surface.pixels
    bool invalid;                  // part of the client area awaits WM_PAINT
    bool erase;                    // the invalid part still needs its background erased
    RECT invalid_rect;             // bounds of the invalid part, client coordinates
    unsigned invalidations;        // InvalidateRect calls so far
    const RECT *painting;          // the area being erased inside BeginPaint, else null
    bool changed;                  // the whole surface is to be presented again
    RECT damage;                   // bounds of pixels changed since the last present, surface
                                   // coordinates; empty when none (see changed for all of them)
    RECT presented;                // area the last present handed to the display, surface coords
    const Surface *overlay;        // drawn over the window when presenting (open pop-up), or null
    int overlay_x, overlay_y;      // overlay position in surface coordinates
    uint32_t sdl_id;               // id of the SDL window showing the surface, 0 for none
};

// The live window behind hwnd, or null.
Window *window_get(HWND hwnd);
// Every live window, oldest first.
const std::vector<Window *> &window_list();
// Frame width and caption height that the style adds around the surface.
void window_decoration(DWORD style, int *frame, int *caption);
// Calls the window procedure if hwnd is a live window, else returns 0.
LRESULT window_call(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// Client size of a window (surface less menu bar).
void window_client_size(const Window *window, int *width, int *height);
// Presents every window whose pixels changed; called when the queue runs dry.
void windows_present_changed();
// Brings the surface to width x height (keeping what fits), updates the outer size, reports the
// new client size with WM_SIZE and invalidates the window.
void window_resize_surface(HWND hwnd, int width, int height);

// ---- Queue (queue.cpp) ----
uint64_t clock_ms();
// Appends an input message (keyboard, mouse, close request) behind earlier input. ch is the
// character a key-down produces (KEYCHAR_*), ignored for other messages.
void queue_post_input(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, int ch);
// Attaches text-input character ch to the newest SDL key-down of hwnd still queued; false when
// there is none (the text then arrives as WM_CHAR of its own).
bool queue_attach_char(HWND hwnd, int ch);
// Forgets the window's queued messages and timers (it is being destroyed).
void queue_forget_window(HWND hwnd);
void queue_set_mouse_position(int x, int y);

// Characters carried with SDL key-downs.
enum KeyChar {
    KEYCHAR_DERIVE = -1,  // not known from the key event: derive it from the virtual key
    KEYCHAR_NONE = -2,    // the key produced no character in the 8-bit code page
};

// ---- Keyboard (keyboard.cpp) ----
// A key message left the queue (PeekMessageA with PM_REMOVE); from_input: it came from SDL, with
// the character ch it made.
void keyboard_message_retrieved(const MSG &msg, bool from_input, int ch);
// The character a key-down makes for TranslateMessage, or -1 for none.
int keyboard_char_for(const MSG &msg);
// UTF-8 text to Windows-1252 characters; a character outside the code page becomes -1.
std::vector<int> keyboard_cp1252_from_utf8(const char *utf8);

#endif
