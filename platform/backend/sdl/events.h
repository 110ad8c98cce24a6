// SDL's events: pumped or waited for, each reported to the window code (platform/backend/events.h).
#ifndef TAVIX_PLATFORM_BACKEND_SDL_EVENTS_H
#define TAVIX_PLATFORM_BACKEND_SDL_EVENTS_H

// Turns every pending SDL event into calls of the input_* functions; true when there was any.
bool sdl_pump_events();
// Blocks up to timeout_ms (negative: no limit) until SDL has an event, then handles every pending
// one; true when any was handled.
bool sdl_wait_events(int timeout_ms);

#endif
