// SDL's video behind the backend contract (platform/backend/backend.h): starting it, the screen,
// and one SDL window per top-level window showing its surface. No SDL type crosses this header,
// so only platform/backend/sdl/ includes SDL.
#ifndef TAVIX_PLATFORM_BACKEND_SDL_VIDEO_H
#define TAVIX_PLATFORM_BACKEND_SDL_VIDEO_H

#include "platform/surface.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

// Starts SDL's video; false with the reason in why when there is no display.
bool sdl_start(char *why, size_t why_size);
// True when the video driver has no input of its own (offscreen, dummy): waiting can then sleep.
bool sdl_driver_is_headless();
// Screen pixels per window pixel, each way (1 to 4): windows are that many times larger on the
// screen than their surfaces, and all positions and sizes crossing this seam are in window pixels.
int sdl_scale();
// The screen's size in window pixels.
void sdl_screen_size(int *width, int *height);

// A hidden SDL window for hwnd showing a width x height surface at screen (x, y) (CW_USEDEFAULT:
// wherever); returns its id, 0 when SDL could not make one.
uint32_t sdl_window_create(HWND hwnd, const char *title, int x, int y, int width, int height,
                           bool resizable);
void sdl_window_destroy(uint32_t id);
void sdl_window_show(uint32_t id, bool show, bool activate);
// Moves a window that was just shown up as far as needed for it and the window manager's frame
// to lie within the desktop's work area; nothing once it has settled.
void sdl_window_fit_work_area(uint32_t id);
// Puts the SDL window back to width x height after the window manager resized it.
void sdl_window_set_size(uint32_t id, int width, int height);
// The window's caption (UTF-8), and the pointer shown or hidden over every window.
void sdl_window_set_title(uint32_t id, const char *title);
void sdl_show_cursor(bool show);
// Shows the area (surface coordinates) of the surface, with the overlay (when not null) at
// (overlay_x, overlay_y) over it, on the screen: the pixels are copied once, and the display is
// handed only that area, or all of the window when SDL's copy of its pixels is new. Returns the
// area handed over, empty when nothing was.
RECT sdl_window_present(uint32_t id, const Surface *surface, const Surface *overlay, int overlay_x,
                        int overlay_y, RECT area);
// The window that an SDL window id belongs to, or null.
HWND sdl_hwnd_of(uint32_t window_id);

#endif
