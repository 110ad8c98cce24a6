// The SDL backend's sound device: SDL's audio device, whose thread pulls the samples. After a
// pull that played sound it wakes the event wait with an event of its own, one at a time, so that
// the played buffers are handed back at once. SDL's audio starts with the first open, never
// before.
#include "platform/backend/sdl/audio.h"

#include "platform/backend/backend.h"

#include <SDL.h>

#include <cstdio>

namespace {

SDL_AudioDeviceID device;       // 0 when none is open
AudioPull pull;                 // the open device's
void *pull_user;
uint32_t wake_event;            // the SDL event type that wakes the wait
SDL_atomic_t wake_pending;      // a wake-up event is in SDL's queue and not yet taken
SDL_sem *wake_sem;              // posted with every wake-up event, for sdl_audio_sleep()

void SDLCALL feed(void *, Uint8 *stream, int length) {
    if (pull(pull_user, stream, length) > 0 && SDL_AtomicCAS(&wake_pending, 0, 1)) {
        SDL_Event e = {};
        e.type = wake_event;
        if (SDL_PushEvent(&e) != 1)
            SDL_AtomicSet(&wake_pending, 0);
        else
            SDL_SemPost(wake_sem);
    }
}

bool audio_started() {
    return SDL_WasInit(SDL_INIT_AUDIO) || SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

int sdl_audio_count() {
    if (!audio_started()) return 0;
    int n = SDL_GetNumAudioDevices(0);
    // -1: the driver cannot list its devices, but has a default one.
    return n < 0 ? 1 : n;
}

bool sdl_audio_open(const AudioFormat *format, AudioPull p, void *user, char *why,
                    size_t why_size) {
    if (device) {
        snprintf(why, why_size, "the device is already open");
        return false;
    }
    if (!audio_started()) {
        snprintf(why, why_size, "%s", SDL_GetError());
        return false;
    }
    // A driver that lists no device at all has none to open (asking would only make some
    // drivers complain on standard error).
    if (SDL_GetNumAudioDevices(0) == 0) {
        snprintf(why, why_size, "no audio device is there");
        return false;
    }
    if (!wake_event) wake_event = SDL_RegisterEvents(1);
    if (wake_event == (uint32_t)-1) {
        wake_event = 0;
        snprintf(why, why_size, "%s", SDL_GetError());
        return false;
    }
    if (!wake_sem) wake_sem = SDL_CreateSemaphore(0);
    if (!wake_sem) {
        snprintf(why, why_size, "%s", SDL_GetError());
        return false;
    }
    SDL_AudioSpec want = {};
    want.freq = format->rate;
    want.format = format->bits == 16 ? AUDIO_S16LSB : AUDIO_U8;
    want.channels = (Uint8)format->channels;
    want.samples = 1024;
    want.callback = feed;
    pull = p;
    pull_user = user;
    SDL_AtomicSet(&wake_pending, 0);
    // No changes allowed: SDL converts to whatever the hardware takes. Opened paused.
    SDL_AudioSpec have;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        snprintf(why, why_size, "%s", SDL_GetError());
        return false;
    }
    return true;
}

void sdl_audio_pause(bool paused) {
    if (device) SDL_PauseAudioDevice(device, paused ? 1 : 0);
}

void sdl_audio_lock(bool held) {
    if (!device) return;
    if (held)
        SDL_LockAudioDevice(device);
    else
        SDL_UnlockAudioDevice(device);
}

void sdl_audio_close() {
    if (!device) return;
    SDL_CloseAudioDevice(device);
    device = 0;
}

}  // namespace

extern const BackendAudio sdl_audio = {
    sdl_audio_count, sdl_audio_open, sdl_audio_pause, sdl_audio_lock, sdl_audio_close,
};

void sdl_audio_sleep(int ms) {
    if (!device || !wake_sem) {
        SDL_Delay((Uint32)ms);
        return;
    }
    SDL_SemWaitTimeout(wake_sem, (Uint32)ms);
}

bool sdl_audio_event(uint32_t event_type) {
    if (!wake_event || event_type != wake_event) return false;
    SDL_AtomicSet(&wake_pending, 0);
    return true;
}
