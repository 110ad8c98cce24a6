// Everything the null backend keeps between calls, in one record (defined in null.cpp).
#ifndef TAVIX_PLATFORM_BACKEND_NULL_STATE_H
#define TAVIX_PLATFORM_BACKEND_NULL_STATE_H

#include "platform/backend/backend.h"

#include <cstdint>
#include <cstdio>

// The sound device (audio.cpp): none, or the WAV file TAVIX_AUDIO_FILE names.
struct NullAudio {
    FILE *file = nullptr;      // open while the device is
    AudioPull pull = nullptr;  // the open device's
    void *pull_user = nullptr;
    AudioFormat format{};
    uint32_t data_bytes = 0;  // sound written so far
    bool failed = false;      // a write failed: the rest is left out
};

struct NullState {
    uint32_t last_id = 0;  // window ids handed out so far; never 0
    NullAudio audio;
};
extern NullState null_state;

#endif
