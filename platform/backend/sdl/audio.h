// The SDL backend's sound device (platform/backend/backend.h, "Sound"): the one hook the event
// pump needs. SDL's audio thread wakes the wait with an event of its own.
#ifndef TAVIX_PLATFORM_BACKEND_SDL_AUDIO_H
#define TAVIX_PLATFORM_BACKEND_SDL_AUDIO_H

#include <cstdint>

struct BackendAudio;
extern const BackendAudio sdl_audio;

// Called for every SDL event the pump takes: true when it was the audio thread's wake-up (the
// played buffers are then handed back by whoever pumped).
bool sdl_audio_event(uint32_t event_type);

// Sleeps ms milliseconds, or less when the audio thread played sound meanwhile: the wait of a
// driver that makes no events of its own (offscreen), which must still wake for the audio's.
void sdl_audio_sleep(int ms);

#endif
