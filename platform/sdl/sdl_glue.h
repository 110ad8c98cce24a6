// The seam between the window code and SDL: what platform/sdl/ does for the windows, and what the
// window code does with the events SDL reports. No SDL type crosses it, so only platform/sdl/
// includes SDL.
#ifndef TAVIX_PLATFORM_SDL_GLUE_H
#define TAVIX_PLATFORM_SDL_GLUE_H

#include "platform/internal.h"

#include <cstddef>
#include <cstdint>

// ---- Provided by platform/sdl/ ------------------------------------------------------------------

// Starts SDL's video; false with the reason in why when there is no display.
bool sdl_start(char *why, size_t why_size);
// True when the video driver has no input of its own (offscreen, dummy): waiting can then sleep.
bool sdl_driver_is_headless();
// Lets X errors about windows already gone from the server pass instead of ending the program
// (platform/sdl/x11_errors.cpp); nothing where there is no X.
void sdl_x11_tolerate_dead_windows();
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
// Shows the area (surface coordinates) of the surface, with the overlay (when not null) at
// (overlay_x, overlay_y) over it, on the screen: the pixels are copied once, and the display is
// handed only that area, or all of the window when SDL's copy of its pixels is new. Returns the
// area handed over, empty when nothing was.
RECT sdl_window_present(uint32_t id, const Surface *surface, const Surface *overlay, int overlay_x,
                        int overlay_y, RECT area);
// The window that an SDL window id belongs to, or null.
HWND sdl_hwnd_of(uint32_t window_id);

// Turns every pending SDL event into calls of the input_* functions; true when there was any.
bool sdl_pump_events();
// Blocks up to timeout_ms (negative: no limit) until SDL has an event, then handles every pending
// one; true when any was handled.
bool sdl_wait_events(int timeout_ms);

// ---- Provided by platform/user/ for the glue
// -----------------------------------------------------

// Modifier state that comes with a key event.
enum KeyModifier { KEYMOD_SHIFT = 1, KEYMOD_CTRL = 2, KEYMOD_ALT = 4, KEYMOD_CAPS = 8 };

// False while the input queue is full: SDL's events then stay in SDL's queue.
bool input_queue_has_room();
void input_close_requested(HWND hwnd);
void input_exposed(HWND hwnd);
// The window manager resized the surface to width x height.
void input_resized(HWND hwnd, int width, int height);
// The SDL window's top-left (its surface's origin) moved to (x, y) on the screen.
void input_moved(HWND hwnd, int x, int y);
void input_focus(HWND hwnd);
// A mouse event at (x, y) of the window's surface; buttons_held is a mask (1 left, 2 middle,
// 4 right) of the buttons down after the event.
void input_mouse(HWND hwnd, InputEvent::Type type, int button, int x, int y, unsigned buttons_held,
                 unsigned modifiers);
// A key went down or up. scan is the PC set-1 scan code, plus 0x100 for an extended key.
void input_key(HWND hwnd, bool down, int vk, int scan, bool repeat, unsigned modifiers);
// Text that the last key (or an input method) produced, UTF-8.
void input_text(HWND hwnd, const char *utf8);

#endif
