// The backend contract: what the window code (platform/user/) asks of whatever shows its windows.
// A backend is one table of these calls, in a folder of its own under platform/backend/ (sdl/:
// SDL2 windows; null/: no screen at all). What a backend reports back (input, the window
// manager's requests, exposure) is declared in platform/backend/events.h.
//
// Rules every backend keeps:
// - Positions and sizes crossing the contract, both ways, are in screen pixels: the window code
//   (platform/user/present.h) alone scales and rounds them to window pixels.
// - A backend window shows one picture of screen pixels, which the window code composes (the
//   menu bar and client area, the pop-up over them, scaled) and hands over a rectangle at a time.
//   The caption and frame are the window manager's (or nobody's).
// - Every call is made on the program's one thread; no call may call back into the window code
//   except where its comment says it reports events (pump, wait, window_show).
// - A call given a window id the backend no longer knows, or 0, does nothing.
#ifndef TAVIX_PLATFORM_BACKEND_BACKEND_H
#define TAVIX_PLATFORM_BACKEND_BACKEND_H

#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

// ---- Sound -------------------------------------------------------------------------------------
// A backend plays sound through at most one device that PULLS its samples: the wave output calls
// (platform/mm/) keep the queue of written buffers and hand played ones back to the program; the
// backend only moves samples from pull() to its speakers (or file, or page).

// PCM samples, interleaved, little-endian: 8 bits unsigned or 16 bits signed.
struct AudioFormat {
    int rate;      // frames a second
    int channels;  // 1 or 2
    int bits;      // 8 or 16
};

// Fills bytes bytes (whole frames) at out, the sound first and silence after it; returns how many
// of them are sound. Called on whatever thread the device plays on, never while lock() is held.
typedef int (*AudioPull)(void *user, uint8_t *out, int bytes);

struct BackendAudio {
    // How many devices there are (0: none; a device is opened all the same when one may be there).
    int (*count)();
    // Opens the device for format, paused, pulling through pull(user, ...) from then on until
    // close(). False with a one-line reason in why when there is no device or it cannot play the
    // format. Only one device is open at a time.
    bool (*open)(const AudioFormat *format, AudioPull pull, void *user, char *why,
                 size_t why_size);
    // Stops or starts pulling. A device that plays faster than time (a file) may pull everything
    // there is before resume returns.
    void (*pause)(bool paused);
    // Keeps pull() from running while held (the device's own thread waits).
    void (*lock)(bool held);
    // Closes the device: pull() is never called again once it returns.
    void (*close)();
};
// After a pull() that returned sound, a backend makes a wait() in progress (or the next) return
// soon, so that the played buffers are handed back at once.

// The wave output's hand-back of played buffers (platform/mm/), made at every pump and wait:
// true when a buffer came back (its MM_WOM_DONE was posted).
bool wave_hand_back();

// ---- Windows' pictures --------------------------------------------------------------------------
// The screen pixels a backend window shows, for the window code to compose into: laid out
// 0x00RRGGBB like a Surface (the top byte may hold anything), row after row.
struct ScreenPixels {
    uint32_t *pixels;
    int width, height;  // screen pixels
    int stride;         // pixels from the start of one row to the next (at least width)
    bool fresh;         // new since the last call (first showing, resize): nothing of it is shown
};

// ---- Gamepads -----------------------------------------------------------------------------------
// Up to four standard controllers in slots 0 to 3, read through the game controller calls
// (platform/xinput/). A backend opens its controllers only when a program first reads one, so
// that a program that never does pays nothing for them.

// One controller's state in a standard layout.
struct PadReading {
    uint16_t buttons;  // bit n: button n held, in the order A, B, X, Y, back, start, left stick,
                       // right stick, left shoulder, right shoulder, d-pad up, down, left, right
    int16_t axes[6];   // left x, left y, right x, right y: -32768 to 32767, right and up positive;
                       // left trigger, right trigger: 0 to 32767
};

struct BackendPads {
    // Opens the controllers once, before the other calls. False when there can be none here (the
    // calls then find every slot empty).
    bool (*open)();
    // Takes stock: a controller plugged in since takes the lowest free slot, one pulled out
    // leaves its slot free, and every slot's reading becomes the controller's state now.
    void (*refresh)();
    // The slot's state at the last refresh; false (and nothing written) for an empty slot.
    bool (*read)(int slot, PadReading *reading);
};

struct Backend {
    // The name TAVIX_BACKEND chooses it by ("sdl", "null").
    const char *name;
    // False when none of its windows is on any screen (null/): a window's pixels are seen only
    // by whoever reads them back, and the window code may leave a copy into a window unmade until
    // someone does (platform/surface.h: window_leave_copy).
    bool shows_windows;

    // Starts the backend once, before any other call. Returns false with a one-line reason in
    // why when it cannot run here (no display): the layer then says so and the program ends.
    // There is no stop: the process ending is the stop, and a backend must leave nothing behind
    // that outlives it.
    bool (*start)(char *why, size_t why_size);

    // The screen pixels per window pixel, each way (1 to 4), that the screen calls for: SDL's
    // from the display's DPI, the page's from its device pixel ratio; 1 without a screen. Asked
    // once after start(); TAVIX_SCALE comes first (platform/user/present.h: screen_scale).
    int (*scale)();
    // The screen's size (the work area's owner's whole desktop); 1024 x 768 when the backend has
    // no screen.
    void (*screen_size)(int *width, int *height);

    // Makes a hidden top-level window width x height large for hwnd, its top-left at screen
    // (x, y), or wherever the backend likes when x is CW_USEDEFAULT; resizable: the window manager
    // may resize it (events.h: input_resized). Each window pixel is scale x scale of these: a
    // backend whose own units are larger (a page's CSS pixels) shows it that many times smaller.
    // Returns the backend's id for it, never 0; 0 when none could be made (the reason goes to
    // stderr): the window then lives on without a screen.
    uint32_t (*window_create)(HWND hwnd, const char *title, int x, int y, int width, int height,
                              int scale, bool resizable);
    // Destroys the window; the id is dead afterwards. Nothing is reported for it any more.
    void (*window_destroy)(uint32_t id);
    // Shows or hides the window; activate: raise it and give it the keyboard focus too. A backend
    // that moves the window as it is shown (to fit the work area) reports that with input_moved.
    void (*window_show)(uint32_t id, bool show, bool activate);
    // Puts the window back to width x height after the window manager resized it (a window that
    // must keep its size, or one larger than the screen). A backend may report the new size again
    // with input_resized.
    void (*window_set_size)(uint32_t id, int width, int height);
    // The window's picture, to compose into (SDL_GetWindowSurface is the model): width x height is
    // the size the window code composes for; a backend whose windows the window manager sizes
    // gives the size it has (the window code clips to it), one whose windows follow the program
    // (a canvas) takes that size. False when the window has no picture (none on any screen): the
    // window code then presents nothing. The pixels stay valid until the next call for the same
    // window, or its destruction.
    bool (*window_framebuffer)(uint32_t id, int width, int height, ScreenPixels *out);
    // Hands the area (screen pixels) of the picture, composed, to the screen
    // (SDL_UpdateWindowSurfaceRects is the model). Called when the message queue runs dry, at
    // most once per window per pass.
    void (*window_update)(uint32_t id, RECT area);

    // Reports every pending input and window event (events.h) without blocking, stopping early
    // while input_queue_has_room() is false (the rest waits, in order). True when any was reported.
    // Right after a report of pointer motion alone, a backend may leave what came since for the
    // next call a few milliseconds on (the SDL backend: 2), so a drag is read in batches.
    bool (*pump)();
    // Blocks until an event is pending or timeout_ms passed (negative: no limit; a backend with
    // nothing outside the program to wait for may wake every second instead), then reports every
    // pending event as pump() does. True when any was reported. Never spins.
    bool (*wait)(int timeout_ms);
    // Sleeps for ms milliseconds, the program's windows left as they are (Windows' Sleep): the
    // thread's own sleep (backend_thread_sleep), or, in a page, the browser's turn for that long.
    void (*sleep)(unsigned ms);

    // The backend's sound device (the section "Sound" below); null when it has none.
    const BackendAudio *audio;

    // ---- How a window looks: its title and the pointer over it ----
    // Shows title (UTF-8) as the window's caption.
    void (*window_set_title)(uint32_t id, const char *title);
    // Shows or hides the pointer while it is over any of the program's windows.
    void (*show_cursor)(bool show);
    // Makes the window cover its whole screen (on) or puts it back as it was (off), and gives the
    // size its picture has afterwards (screen pixels) in width x height, or 0 x 0 when it shows
    // the window's picture over the screen itself, scaled as it sees fit (a page's canvas): the
    // window then composes it as before. False when the backend cannot (no screen): nothing
    // changed.
    bool (*window_set_fullscreen)(uint32_t id, bool on, int *width, int *height);
    // The backend's controllers (the section "Gamepads" above); null when it has none.
    const BackendPads *pads;
};

// The backend chosen by backend_start(); before it, the first one built.
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
// The chosen backend's sleep(), called directly for the same reason.
void backend_sleep(unsigned ms);
// Sleeping the thread for ms milliseconds, however often a signal interrupts it: the sleep() of
// a backend with a thread of its own to sleep.
void backend_thread_sleep(unsigned ms);

// TAVIX_SCALE when it is set to a whole number from 1 to 4; 0 when it is not set, or (after one
// line on stderr) not such a number: the backend's screen then decides.
int backend_scale_asked();

#endif
