// The null backend: no screen at all. Windows live only in the layer's memory (their surfaces are
// all there is of them), nothing outside the program makes input, and waiting is sleeping until
// the deadline. Headless running (TAVIX_HEADLESS=1) takes it, and so do tests that need no window
// on a screen.
#include "platform/backend/backend.h"
#include "platform/backend/null/state.h"

#include <algorithm>
#include <cerrno>
#include <ctime>

NullState null_state;

namespace {

bool null_start(char *, size_t) {
    return true;
}

// There is no display to ask: TAVIX_SCALE alone scales.
int null_scale() {
    return 1;
}

// The size a screen-less desktop reports elsewhere too, so windows placed by it land alike.
void null_screen_size(int *width, int *height) {
    *width = 1024;
    *height = 768;
}

uint32_t null_window_create(HWND, const char *, int, int, int, int, int, bool) {
    if (++null_state.last_id == 0) ++null_state.last_id;
    return null_state.last_id;
}

void null_window_destroy(uint32_t) {}

void null_window_show(uint32_t, bool, bool) {}

void null_window_set_size(uint32_t, int, int) {}

// There is no screen to hand pixels to: the window's surface is all it shows.
bool null_window_framebuffer(uint32_t, int, int, ScreenPixels *) {
    return false;
}

void null_window_update(uint32_t, RECT) {}

void null_window_set_title(uint32_t, const char *) {}

void null_show_cursor(bool) {}

// No screen to cover.
bool null_window_set_fullscreen(uint32_t, bool, int *, int *) {
    return false;
}

bool null_pump() {
    return false;
}

// Nothing outside the program makes events: sleeping until the deadline (at most a second, so a
// wait without one still looks round now and then) is the wait.
bool null_wait(int timeout_ms) {
    int ms = timeout_ms < 0 ? 1000 : std::min(timeout_ms, 1000);
    timespec left = {ms / 1000, (long)(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    return false;
}

}  // namespace

extern const BackendAudio null_audio;

extern const Backend null_backend = {
    "null",                      // name
    false,                       // shows_windows
    null_start,                  // start
    null_scale,                  // scale
    null_screen_size,            // screen_size
    null_window_create,          // window_create
    null_window_destroy,         // window_destroy
    null_window_show,            // window_show
    null_window_set_size,        // window_set_size
    null_window_framebuffer,     // window_framebuffer
    null_window_update,          // window_update
    null_pump,                   // pump
    null_wait,                   // wait
    backend_thread_sleep,        // sleep
    &null_audio,                 // audio
    null_window_set_title,       // window_set_title
    null_show_cursor,            // show_cursor
    null_window_set_fullscreen,  // window_set_fullscreen
    nullptr,                     // pads: none, every slot is empty
};
