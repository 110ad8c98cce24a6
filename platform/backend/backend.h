// The backend contract: what the window code (platform/user/) asks of whatever shows its windows.
// A backend is one table of these calls, in a folder of its own under platform/backend/ (sdl/:
// SDL2 windows; null/: no screen at all). What a backend reports back (input, the window
// manager's requests, exposure) is declared in platform/backend/events.h.
//
// Rules every backend keeps:
// - Positions and sizes crossing the contract are in window pixels: a backend that shows windows
//   larger (scale()) converts on its side, rounding screen positions towards minus infinity.
// - A backend window shows one Surface (platform/surface.h): the menu bar and client area. The
//   caption and frame are the window manager's (or nobody's).
// - Every call is made on the program's one thread; no call may call back into the window code
//   except where its comment says it reports events (pump, wait, window_show).
// - A call given a window id the backend no longer knows, or 0, does nothing.
#ifndef TAVIX_PLATFORM_BACKEND_BACKEND_H
#define TAVIX_PLATFORM_BACKEND_BACKEND_H

#include "platform/surface.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

struct Backend {
    // The name TAVIX_BACKEND chooses it by ("sdl", "null").
    const char *name;

    // Starts the backend once, before any other call but scale() and screen_size(). Returns false
    // with a one-line reason in why when it cannot run here (no display): the layer then says so
    // and the program ends. There is no stop: the process ending is the stop, and a backend must
    // leave nothing behind that outlives it.
    bool (*start)(char *why, size_t why_size);

    // Screen pixels per window pixel, each way (1 to 4), fixed once started: surfaces then get a
    // fine companion that many times larger (platform/gdi/fine.h), which is what present() shows.
    // 1 before start().
    int (*scale)();
    // The screen's size in window pixels (the work area's owner's whole desktop); something
    // sensible (1024 x 768) when the backend has no screen.
    void (*screen_size)(int *width, int *height);

    // Makes a hidden top-level window for hwnd showing a width x height surface, its surface's
    // top-left at screen (x, y), or wherever the backend likes when x is CW_USEDEFAULT; resizable:
    // the window manager may resize it (events.h: input_resized). Returns the backend's id for it,
    // never 0; 0 when none could be made (the reason goes to stderr): the window then lives on
    // without a screen.
    uint32_t (*window_create)(HWND hwnd, const char *title, int x, int y, int width, int height,
                              bool resizable);
    // Destroys the window; the id is dead afterwards. Nothing is reported for it any more.
    void (*window_destroy)(uint32_t id);
    // Shows or hides the window; activate: raise it and give it the keyboard focus too. A backend
    // that moves the window as it is shown (to fit the work area) reports that with input_moved.
    void (*window_show)(uint32_t id, bool show, bool activate);
    // Puts the window back to width x height after the window manager resized it (a window that
    // must keep its size, or one larger than the screen). A backend may report the new size again
    // with input_resized.
    void (*window_set_size)(uint32_t id, int width, int height);
    // Shows the area (surface coordinates) of the surface, with the overlay (when not null) at
    // (overlay_x, overlay_y) of the surface drawn over it: the pixels are copied before it returns,
    // and the screen is handed only that area, or all of the window when the backend's own copy of
    // its pixels is new (first showing, resize). Returns the area handed to the screen, empty when
    // nothing was. Called when the message queue runs dry, at most once per window per pass.
    RECT (*window_present)
    (uint32_t id, const Surface *surface, const Surface *overlay, int overlay_x, int overlay_y,
     RECT area);

    // Reports every pending input and window event (events.h) without blocking, stopping early
    // while input_queue_has_room() is false (the rest waits, in order). True when any was reported.
    bool (*pump)();
    // Blocks until an event is pending or timeout_ms passed (negative: no limit; a backend with
    // nothing outside the program to wait for may wake every second instead), then reports every
    // pending event as pump() does. True when any was reported. Never spins.
    bool (*wait)(int timeout_ms);
};

// The backend chosen by backend_start(); before it, one that has no screen (scale 1, 1024 x 768).
extern const Backend *backend;

// Chooses the backend and starts it; false with the reason in why when none can run. The one
// place a backend is chosen: TAVIX_HEADLESS=1 takes the null backend; else TAVIX_BACKEND=NAME
// takes that one; else the first built that shows windows.
bool backend_start(char *why, size_t why_size);

// The chosen backend's pump() and wait(), as the window code calls them. The web backend
// suspends the program in them (emscripten's Asyncify), which follows direct calls only: these
// call it directly, any other backend through its table.
bool backend_pump();
bool backend_wait(int timeout_ms);

// TAVIX_SCALE when it is set to a whole number from 1 to 4; 0 when it is not set, or (after one
// line on stderr) not such a number: the backend then decides.
int backend_scale_asked();

#endif
