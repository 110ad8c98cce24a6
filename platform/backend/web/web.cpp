// The web backend: each top-level window a <canvas> of the page, input from the canvases' DOM
// events, time from the browser's clock. The page's side (canvases, events, waiting) is in
// library_web.js; this file turns it into the backend contract.
//
// Waiting gives the browser its turn: wait() suspends the program (emscripten's Asyncify) until an
// event comes or the deadline passes, and pump() does the same for a moment when the program has
// not waited for a frame's time, so a program that polls still shows its pictures. The window
// code reaches both by direct calls (backend_pump, backend_wait), the only calls Asyncify
// follows in this build (cmake/tavix_web.cmake).
#include "platform/backend/backend.h"
#include "platform/backend/events.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

extern "C" {
// library_web.js
void tavix_web_start();
int tavix_web_scale();
void tavix_web_screen_size(int *width, int *height);
int tavix_web_window_create(const char *title, int width, int height, int scale);
void tavix_web_window_destroy(int id);
void tavix_web_window_show(int id, int show, int activate);
void tavix_web_window_resize(int id, int width, int height);
void tavix_web_window_title(int id, const char *title);
void tavix_web_show_cursor(int show);
int tavix_web_window_fullscreen(int id, int on);
void tavix_web_window_put(int id, const uint32_t *rgba, int x, int y, int w, int h);
int tavix_web_next_event(int *fields, char *text, int text_size);
void tavix_web_wait(int timeout_ms);
int tavix_web_turn_due();
int tavix_web_audio_open(int rate, int channels, int bits);
int tavix_web_audio_running();
void tavix_web_audio_pause(int paused);
void tavix_web_audio_close();
void tavix_web_pads_read(int *out);
}

namespace {

// One window: its canvas's picture, in screen pixels, as the window code composes it.
struct WebWindow {
    HWND hwnd;
    int width = 0, height = 0;     // the canvas's size; 0 until first presented
    std::vector<uint32_t> pixels;  // width x height, 0x00RRGGBB
};

// Everything the web backend keeps between calls (the page's side: library_web.js).
struct WebState {
    std::map<uint32_t, WebWindow> windows;  // by the page's window id
    std::vector<uint32_t> rgba;             // the area being handed to a canvas (R, G, B, A)

    // The sound device: the page's audio context pulls through audio_pull into pull_buffer.
    static const int PULL_BYTES_MAX = 16384 * 4;
    AudioPull audio_pull = nullptr;
    void *audio_user = nullptr;
    bool audio_open = false;
    // Read by the page as 16-bit samples: it must start on an even address.
    alignas(4) uint8_t pull_buffer[PULL_BYTES_MAX] = {};

    // The pads as the page last read them: per slot, present, buttons and six axes.
    static const int PAD_SLOTS = 4;
    static const int PAD_FIELDS = 8;
    int pad_fields[PAD_SLOTS * PAD_FIELDS] = {};
};
WebState web;

// Event kinds and fields as library_web.js hands them over.
enum { EV_NONE, EV_MOUSE, EV_KEY, EV_WHEEL, EV_FOCUS, EV_BLUR, EV_CLOSE, EV_EXPOSED, EV_FULLSCREEN };

uint32_t rgba_of(uint32_t pixel) {
    return 0xFF000000u | ((pixel & 0xFFu) << 16) | (pixel & 0xFF00u) | ((pixel >> 16) & 0xFFu);
}

bool web_start(char *, size_t) {
    tavix_web_start();
    return true;
}

// The page's device pixel ratio, rounded.
int web_scale() {
    return tavix_web_scale();
}

void web_screen_size(int *width, int *height) {
    tavix_web_screen_size(width, height);
}

uint32_t web_window_create(HWND hwnd, const char *title, int, int, int width, int height, int scale,
                           bool) {
    int id = tavix_web_window_create(title ? title : "", width, height, scale);
    if (id <= 0) {
        fprintf(stderr, "tavix: the page has no room for a window\n");
        return 0;
    }
    web.windows[(uint32_t)id].hwnd = hwnd;
    return (uint32_t)id;
}

void web_window_destroy(uint32_t id) {
    if (web.windows.erase(id)) tavix_web_window_destroy((int)id);
}

void web_window_show(uint32_t id, bool show, bool activate) {
    if (web.windows.count(id)) tavix_web_window_show((int)id, show, activate);
}

// A canvas has no frame to drag: its size is always the one the window code composes for.
void web_window_set_size(uint32_t, int, int) {}

// The canvas takes the size the window code asks for: a new size (the first showing, a resize)
// is a new picture, all of it to be filled.
bool web_window_framebuffer(uint32_t id, int width, int height, ScreenPixels *out) {
    auto found = web.windows.find(id);
    if (found == web.windows.end() || width <= 0 || height <= 0) return false;
    WebWindow &w = found->second;
    out->fresh = w.width != width || w.height != height;
    if (out->fresh) {
        w.width = width;
        w.height = height;
        w.pixels.assign((size_t)width * (size_t)height, 0);
        tavix_web_window_resize((int)id, width, height);
    }
    out->pixels = w.pixels.data();
    out->width = out->stride = w.width;
    out->height = w.height;
    return true;
}

void web_window_update(uint32_t id, RECT area) {
    auto found = web.windows.find(id);
    if (found == web.windows.end()) return;
    const WebWindow &w = found->second;
    area.left = std::max<LONG>(area.left, 0);
    area.top = std::max<LONG>(area.top, 0);
    area.right = std::min<LONG>(area.right, w.width);
    area.bottom = std::min<LONG>(area.bottom, w.height);
    if (area.left >= area.right || area.top >= area.bottom) return;
    int width = area.right - area.left, height = area.bottom - area.top;
    web.rgba.resize((size_t)width * (size_t)height);
    for (int row = 0; row < height; ++row) {
        const uint32_t *from = w.pixels.data() + (size_t)(area.top + row) * w.width + area.left;
        uint32_t *to = web.rgba.data() + (size_t)row * width;
        for (int i = 0; i < width; ++i) to[i] = rgba_of(from[i]);
    }
    tavix_web_window_put((int)id, web.rgba.data(), area.left, area.top, width, height);
}

// Reports the page's pending events, in order, while the input queue has room.
bool report_events() {
    bool any = false;
    int f[8];
    char text[32];
    while (input_queue_has_room()) {
        int kind = tavix_web_next_event(f, text, (int)sizeof text);
        if (kind == EV_NONE) break;
        any = true;
        auto found = web.windows.find((uint32_t)f[0]);
        if (found == web.windows.end()) continue;
        HWND hwnd = found->second.hwnd;
        switch (kind) {
            case EV_MOUSE:
                input_mouse(hwnd, (InputEvent::Type)f[1], f[2], f[3], f[4], (unsigned)f[5],
                            (unsigned)f[6]);
                break;
            case EV_KEY:
                input_key_at(hwnd, f[1] != 0, f[2], f[3], f[4] != 0, (unsigned)f[5]);
                // The key's text follows it at once, so the two reach the queue together.
                if (f[1] && text[0]) input_text(hwnd, text);
                break;
            case EV_WHEEL:
                input_wheel(hwnd, f[1], (unsigned)f[2], (unsigned)f[3]);
                break;
            case EV_FOCUS:
                input_focus(hwnd);
                break;
            case EV_BLUR:
                input_focus_lost(hwnd);
                break;
            case EV_CLOSE:
                input_close_requested(hwnd);
                break;
            case EV_EXPOSED:
                input_exposed(hwnd);
                break;
            case EV_FULLSCREEN:
                input_fullscreen(hwnd, f[1] != 0, 0, 0);
                break;
            default:
                break;
        }
    }
    return any;
}

}  // namespace

// A program that has not waited for a frame's time gets suspended for a moment here, so the
// browser can show what was presented and hand over its input. (Called directly by the window
// code, through backend_pump(): Asyncify follows direct calls only.)
bool web_pump_events() {
    if (tavix_web_turn_due()) tavix_web_wait(0);
    return report_events();
}

bool web_wait_events(int timeout_ms) {
    tavix_web_wait(timeout_ms);
    return report_events();
}

// In a page, sleeping is giving the browser its turn for that long.
void web_sleep(unsigned ms) {
    emscripten_sleep(ms);
}

// ---- Sound ---------------------------------------------------------------------------------
// The page's audio context pulls the samples (library_web.js) while the program is suspended in
// its wait, and wakes the wait after it played sound. Until the first click, tap or key in the
// page lets the context run, what the program plays is dropped, not kept for later.

namespace {

const int PULL_BYTES_MAX = WebState::PULL_BYTES_MAX;

int web_audio_count() {
    return 1;
}

bool web_audio_open(const AudioFormat *format, AudioPull pull, void *user, char *why,
                    size_t why_size) {
    if (web.audio_open) {
        snprintf(why, why_size, "the device is already open");
        return false;
    }
    if (!tavix_web_audio_open(format->rate, format->channels, format->bits)) {
        snprintf(why, why_size, "the browser cannot play %d frames a second", format->rate);
        return false;
    }
    web.audio_pull = pull;
    web.audio_user = user;
    web.audio_open = true;
    return true;
}

void web_audio_pause(bool paused) {
    if (!web.audio_open) return;
    // Nobody hears it yet: it is dropped.
    if (!paused && !tavix_web_audio_running()) {
        while (web.audio_pull(web.audio_user, web.pull_buffer, PULL_BYTES_MAX) > 0) {
        }
        return;
    }
    tavix_web_audio_pause(paused ? 1 : 0);
}

void web_audio_lock(bool) {}

void web_audio_close() {
    if (!web.audio_open) return;
    tavix_web_audio_close();
    web.audio_open = false;
}

}  // namespace

// The page's audio context asks for bytes bytes (at most PULL_BYTES_MAX) into the buffer
// tavix_web_audio_buffer() gives; returns how many of them are sound.
extern "C" EMSCRIPTEN_KEEPALIVE int tavix_web_audio_pull(int bytes) {
    if (!web.audio_open || bytes <= 0) return 0;
    if (bytes > PULL_BYTES_MAX) bytes = PULL_BYTES_MAX;
    return web.audio_pull(web.audio_user, web.pull_buffer, bytes);
}

extern "C" EMSCRIPTEN_KEEPALIVE uint8_t *tavix_web_audio_buffer() {
    return web.pull_buffer;
}

void web_window_set_title(uint32_t id, const char *title) {
    if (web.windows.count(id)) tavix_web_window_title((int)id, title ? title : "");
}

// The canvas covers the page, scaled there by the page (library_web.js): the picture keeps its
// size, which 0 x 0 tells the window code.
bool web_window_set_fullscreen(uint32_t id, bool on, int *width, int *height) {
    if (!web.windows.count(id) || !tavix_web_window_fullscreen((int)id, on ? 1 : 0)) return false;
    *width = *height = 0;
    return true;
}

void web_show_cursor(bool show) {
    tavix_web_show_cursor(show);
}

const BackendAudio web_audio = {
    web_audio_count, web_audio_open, web_audio_pause, web_audio_lock, web_audio_close,
};

// ---- Gamepads --------------------------------------------------------------------------------
// The page's Gamepad API, read afresh at every refresh (navigator.getGamepads() holds only a
// snapshot): the pads in its "standard" layout, slot by slot.

namespace {

const int PAD_SLOTS = WebState::PAD_SLOTS;
const int PAD_FIELDS = WebState::PAD_FIELDS;

bool web_pads_open() {
    return true;
}

void web_pads_refresh() {
    tavix_web_pads_read(web.pad_fields);
}

bool web_pads_read(int slot, PadReading *reading) {
    if (slot < 0 || slot >= PAD_SLOTS) return false;
    const int *f = web.pad_fields + slot * PAD_FIELDS;
    if (!f[0]) return false;
    reading->buttons = (uint16_t)(f[1] & 0x3FFF);
    for (int a = 0; a < 6; a++) {
        int low = a < 4 ? -32768 : 0;
        reading->axes[a] = (int16_t)std::max(low, std::min(32767, f[2 + a]));
    }
    return true;
}

}  // namespace

const BackendPads web_pads = {
    web_pads_open,     // open
    web_pads_refresh,  // refresh
    web_pads_read,     // read
};

extern const Backend web_backend = {
    "web",                      // name
    true,                       // shows_windows
    web_start,                  // start
    web_scale,                  // scale
    web_screen_size,            // screen_size
    web_window_create,          // window_create
    web_window_destroy,         // window_destroy
    web_window_show,            // window_show
    web_window_set_size,        // window_set_size
    web_window_framebuffer,     // window_framebuffer
    web_window_update,          // window_update
    web_pump_events,            // pump
    web_wait_events,            // wait
    web_sleep,                  // sleep
    &web_audio,                 // audio
    web_window_set_title,       // window_set_title
    web_show_cursor,            // show_cursor
    web_window_set_fullscreen,  // window_set_fullscreen
    &web_pads,                  // pads
};
