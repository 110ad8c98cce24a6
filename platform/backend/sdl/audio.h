// The wave output calls over SDL's audio: the one hook the event pump needs. SDL's audio thread
// only moves played buffers to a list; the pump, on the program's thread, hands them back.
#ifndef TAVIX_PLATFORM_BACKEND_SDL_AUDIO_H
#define TAVIX_PLATFORM_BACKEND_SDL_AUDIO_H

#include <cstdint>

// Called for every SDL event the pump takes: true when it was the audio thread's wake-up, after
// which the buffers it played are marked done and posted back as MM_WOM_DONE.
bool sdl_audio_event(uint32_t event_type);

#endif
