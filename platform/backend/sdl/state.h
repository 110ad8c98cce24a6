// Everything the SDL backend keeps between calls, in one record (defined in backend.cpp). SDL
// keeps the rest: each window's own data hangs on the SDL window (SDL_SetWindowData). The sound
// device keeps its own (audio.cpp), which its thread shares.
#ifndef TAVIX_PLATFORM_BACKEND_SDL_STATE_H
#define TAVIX_PLATFORM_BACKEND_SDL_STATE_H

#include <chrono>
#include <cstdint>
#include <map>
#include <vector>

struct SdlState {
    // The video driver has no screen and no input of its own (offscreen, dummy): waiting is
    // sleeping, and nothing is fitted to a work area.
    bool headless = false;
    // Mouse buttons down: 1 left, 2 middle, 4 right.
    unsigned buttons_held = 0;
    // Before it, a pump reads nothing new from the display (events.cpp: the motion pace).
    std::chrono::steady_clock::time_point paced_until;
    // Windows whose screen pixels SDL keeps in a layout other than 0x00RRGGBB (or locked): the
    // window code composes into this copy, which is converted into SDL's as it is shown.
    std::map<uint32_t, std::vector<uint32_t>> converted;
    // Xlib's error handler before the one that lets errors about dead windows pass (x11.cpp).
    void (*x11_previous_handler)() = nullptr;
    // The X connection whose raw motion was withdrawn already (x11.cpp).
    void *x11_quiet_display = nullptr;
};
extern SdlState sdl;

#endif
