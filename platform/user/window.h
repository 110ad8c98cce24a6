// Windows: the window record, the classic metrics, and what the painting, menu and GDI code see of
// a window. The window events a backend reports are in platform/backend/events.h.
#ifndef TAVIX_PLATFORM_USER_WINDOW_H
#define TAVIX_PLATFORM_USER_WINDOW_H

#include "platform/backend/events.h"
#include "platform/surface.h"
#include "platform/win32.h"

#include <cstdint>
#include <string>
#include <vector>

struct GdiBitmap;

// The classic metrics the layer emulates, in pixels: windows take their caption, frames and menu
// bar from here, the menus their bar's height.
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
    uint32_t backend_id;           // the backend's window showing the surface, 0 for none
    // How the surface lies in the backend window's picture: each pixel a scale x scale block of
    // screen pixels, its top-left at origin (screen pixels). screen_scale() and (0, 0) from its
    // creation; presenting and input both follow them (platform/user/present.h).
    int scale;
    POINT origin;
    bool fullscreen;  // covers its screen, scale and origin fitted to it (window_fit_screen)
    // A copy of a bitmap's block left unmade, on a backend that shows no window: the surface
    // gets it when anything next asks for the pixels (window_leave_copy). Null when none.
    GdiBitmap *copy_source;
    RECT copy_block;  // the block, in the bitmap's coordinates
    POINT copy_at;    // where its top left goes in the surface
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
// The screen's size in window pixels (GetSystemMetrics' SM_CXSCREEN, SM_CYSCREEN).
void window_screen_size(int *width, int *height);
// Brings the surface to width x height (keeping what fits), updates the outer size, reports the
// new client size with WM_SIZE and invalidates the window.
void window_resize_surface(HWND hwnd, int width, int height);

// ---- What the painting and menu code see of a window --------------------------------------------
//
// The window manager draws caption and frame outside the surface.

// (The window's pixels, as the drawing code asks for them: platform/surface.h.)

// A surface drawn over the window at (x, y) of its surface (the open pop-up menu), or nullptr for
// none. The window keeps only the pointer: the owner keeps it alive until it sets another.
void window_set_overlay(HWND hwnd, const Surface *overlay, int x, int y);
// The menu bar attached by SetMenu (nullptr for none); attaching or removing one moves the client
// area and reports the new size with WM_SIZE.
void window_attach_menu_bar(HWND hwnd, HMENU menu);
HMENU window_menu_bar(HWND hwnd);
// Posts WM_PAINT-worthy damage in client coordinates (as InvalidateRect).
void window_invalidate_client(HWND hwnd, const RECT *rect);

#endif
