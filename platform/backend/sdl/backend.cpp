// The SDL backend's table: SDL2 windows on whatever display SDL finds (X11, Wayland, ...), and its
// offscreen driver for tests that want real SDL windows without a screen.
#include "platform/backend/backend.h"
#include "platform/backend/sdl/audio.h"
#include "platform/backend/sdl/pads.h"
#include "platform/backend/sdl/events.h"
#include "platform/backend/sdl/state.h"
#include "platform/backend/sdl/video.h"

SdlState sdl;

extern const Backend sdl_backend = {
    "sdl",                // name
    true,                 // shows_windows
    sdl_start,            // start
    sdl_scale,            // scale
    sdl_screen_size,      // screen_size
    sdl_window_create,    // window_create
    sdl_window_destroy,   // window_destroy
    sdl_window_show,      // window_show
    sdl_window_set_size,  // window_set_size
    sdl_window_framebuffer,  // window_framebuffer
    sdl_window_update,    // window_update
    sdl_pump_events,      // pump
    sdl_wait_events,      // wait
    backend_thread_sleep, // sleep
    &sdl_audio,           // audio
    sdl_window_set_title,  // window_set_title
    sdl_show_cursor,       // show_cursor
    sdl_window_set_fullscreen,  // window_set_fullscreen
    &sdl_pads,            // pads
};
