// Everything the SDL backend keeps between calls, in one record (defined in backend.cpp). SDL
// keeps the rest: each window's own data hangs on the SDL window (SDL_SetWindowData).
#ifndef TAVIX_PLATFORM_BACKEND_SDL_STATE_H
#define TAVIX_PLATFORM_BACKEND_SDL_STATE_H

#include "platform/backend/backend.h"

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <vector>

// The sound device (audio.cpp). SDL's audio thread calls pull and sets wake_pending; the rest is
// the program's thread's.
struct SdlAudio {
    SDL_AudioDeviceID device = 0;  // 0 when none is open
    AudioPull pull = nullptr;      // the open device's
    void *pull_user = nullptr;
    uint32_t wake_event = 0;      // the SDL event type that wakes the wait
    SDL_atomic_t wake_pending{};  // a wake-up event is in SDL's queue and not yet taken
    SDL_sem *wake_sem = nullptr;  // posted with every wake-up event, for sdl_audio_sleep()
};

// The game controllers (pads.cpp): a controller takes the lowest free slot.
struct SdlPads {
    static const int SLOTS = 4;
    struct Slot {
        SDL_GameController *controller = nullptr;  // null: the slot is free
        SDL_JoystickID id = 0;                     // the controller's instance id while open
    };
    Slot slots[SLOTS];
    bool opened = false;  // the subsystem is open
};

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
    SdlAudio audio;
    SdlPads pads;
};
extern SdlState sdl;

#endif
