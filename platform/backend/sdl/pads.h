// The SDL backend's controllers (platform/backend/backend.h, "Gamepads").
#ifndef TAVIX_PLATFORM_BACKEND_SDL_PADS_H
#define TAVIX_PLATFORM_BACKEND_SDL_PADS_H

struct BackendPads;
extern const BackendPads sdl_pads;

#endif
