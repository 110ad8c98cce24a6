// SDL's video behind the backend contract (platform/backend/backend.h): starting it, the screen,
// and one SDL window per top-level window showing its surface. No SDL type crosses this header,
// so only platform/backend/sdl/ includes SDL.
#ifndef TAVIX_PLATFORM_BACKEND_SDL_VIDEO_H
#define TAVIX_PLATFORM_BACKEND_SDL_VIDEO_H

#include "platform/backend/backend.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

// Starts SDL's video; false with the reason in why when there is no display.
bool sdl_start(char *why, size_t why_size);
// True when the video driver has no input of its own (offscreen, dummy): waiting can then sleep.
bool sdl_driver_is_headless();
// The scale the display calls for: 2 at 192 DPI or more, else 1.
int sdl_scale();
// The screen's size in screen pixels.
void sdl_screen_size(int *width, int *height);

// A hidden width x height SDL window for hwnd at screen (x, y) (CW_USEDEFAULT: wherever); returns
// its id, 0 when SDL could not make one. Positions and sizes here are all in screen pixels.
uint32_t sdl_window_create(HWND hwnd, const char *title, int x, int y, int width, int height,
                           int scale, bool resizable);
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
bool sdl_window_set_fullscreen(uint32_t id, bool on, int *width, int *height);
// The window's screen pixels: SDL's own when they are laid out as the window code composes
// them, else a copy that sdl_window_update converts (backend.h: window_framebuffer).
bool sdl_window_framebuffer(uint32_t id, int width, int height, ScreenPixels *out);
// Hands the area (screen pixels) of them to the display.
void sdl_window_update(uint32_t id, RECT area);
// The window that an SDL window id belongs to, or null.
HWND sdl_hwnd_of(uint32_t window_id);

#endif
