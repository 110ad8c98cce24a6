// The SDL backend's sound device: SDL's audio device, whose thread pulls the samples. After a
// pull that played sound it wakes the event wait with an event of its own, one at a time, so that
// the played buffers are handed back at once. SDL's audio starts with the first open, never
// before.
#include "platform/backend/sdl/audio.h"

#include "platform/backend/backend.h"
#include "platform/backend/sdl/state.h"

#include <SDL.h>

#include <cstdio>

namespace {

void SDLCALL feed(void *, Uint8 *stream, int length) {
    if (sdl.audio.pull(sdl.audio.pull_user, stream, length) > 0 &&
        SDL_AtomicCAS(&sdl.audio.wake_pending, 0, 1)) {
        SDL_Event e = {};
        e.type = sdl.audio.wake_event;
        if (SDL_PushEvent(&e) != 1)
            SDL_AtomicSet(&sdl.audio.wake_pending, 0);
        else
            SDL_SemPost(sdl.audio.wake_sem);
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
    if (sdl.audio.device) {
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
    if (!sdl.audio.wake_event) sdl.audio.wake_event = SDL_RegisterEvents(1);
    if (sdl.audio.wake_event == (uint32_t)-1) {
        sdl.audio.wake_event = 0;
        snprintf(why, why_size, "%s", SDL_GetError());
        return false;
    }
    if (!sdl.audio.wake_sem) sdl.audio.wake_sem = SDL_CreateSemaphore(0);
    if (!sdl.audio.wake_sem) {
        snprintf(why, why_size, "%s", SDL_GetError());
        return false;
    }
    SDL_AudioSpec want = {};
    want.freq = format->rate;
    want.format = format->bits == 16 ? AUDIO_S16LSB : AUDIO_U8;
    want.channels = (Uint8)format->channels;
    want.samples = 1024;
    want.callback = feed;
    sdl.audio.pull = p;
    sdl.audio.pull_user = user;
    SDL_AtomicSet(&sdl.audio.wake_pending, 0);
    // No changes allowed: SDL converts to whatever the hardware takes. Opened paused.
    SDL_AudioSpec have;
    sdl.audio.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (sdl.audio.device == 0) {
        snprintf(why, why_size, "%s", SDL_GetError());
        return false;
    }
    return true;
}

void sdl_audio_pause(bool paused) {
    if (sdl.audio.device) SDL_PauseAudioDevice(sdl.audio.device, paused ? 1 : 0);
}

void sdl_audio_lock(bool held) {
    if (!sdl.audio.device) return;
    if (held)
        SDL_LockAudioDevice(sdl.audio.device);
    else
        SDL_UnlockAudioDevice(sdl.audio.device);
}

void sdl_audio_close() {
    if (!sdl.audio.device) return;
    SDL_CloseAudioDevice(sdl.audio.device);
    sdl.audio.device = 0;
}

}  // namespace

extern const BackendAudio sdl_audio = {
    sdl_audio_count, sdl_audio_open, sdl_audio_pause, sdl_audio_lock, sdl_audio_close,
};

void sdl_audio_sleep(int ms) {
    if (!sdl.audio.device || !sdl.audio.wake_sem) {
        SDL_Delay((Uint32)ms);
        return;
    }
    SDL_SemWaitTimeout(sdl.audio.wake_sem, (Uint32)ms);
}

bool sdl_audio_event(uint32_t event_type) {
    if (!sdl.audio.wake_event || event_type != sdl.audio.wake_event) return false;
    SDL_AtomicSet(&sdl.audio.wake_pending, 0);
    return true;
}
