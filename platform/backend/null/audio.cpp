// The null backend's sound device: none (the wave output then fails to open, as on a machine
// without a sound card), or with TAVIX_AUDIO_FILE=path a WAV file that takes every sample as soon
// as it is written, faster than time: the sound played, back to back, without the silence
// between. Its header is rewritten after every write, so the file is whole at every step.
#include "platform/backend/backend.h"
#include "platform/backend/null/state.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char *file_path() {
    const char *path = getenv("TAVIX_AUDIO_FILE");
    return path && *path ? path : nullptr;
}

void put32(unsigned char *at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = (unsigned char)(v >> (8 * i));
}

void fail(const char *why) {
    if (!null_state.audio.failed)
        fprintf(stderr, "tavix: TAVIX_AUDIO_FILE=%s: %s; the rest is left out\n", file_path(), why);
    null_state.audio.failed = true;
}

void write_header() {
    unsigned char h[44];
    int block = null_state.audio.format.channels * null_state.audio.format.bits / 8;
    memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + null_state.audio.data_bytes);
    memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    h[20] = 1, h[21] = 0;  // PCM
    h[22] = (unsigned char)null_state.audio.format.channels, h[23] = 0;
    put32(h + 24, (uint32_t)null_state.audio.format.rate);
    put32(h + 28, (uint32_t)(null_state.audio.format.rate * block));
    h[32] = (unsigned char)block, h[33] = 0;
    h[34] = (unsigned char)null_state.audio.format.bits, h[35] = 0;
    memcpy(h + 36, "data", 4);
    put32(h + 40, null_state.audio.data_bytes);
    if (fseek(null_state.audio.file, 0, SEEK_SET) != 0 ||
        fwrite(h, 1, 44, null_state.audio.file) != 44 ||
        fseek(null_state.audio.file, 0, SEEK_END) != 0 || fflush(null_state.audio.file) != 0)
        fail(strerror(errno));
}

int null_audio_count() {
    return file_path() ? 1 : 0;
}

bool null_audio_open(const AudioFormat *f, AudioPull p, void *user, char *why, size_t why_size) {
    const char *path = file_path();
    if (!path) {
        snprintf(why, why_size,
                 "the null backend has no audio device (TAVIX_AUDIO_FILE is not set)");
        return false;
    }
    if (null_state.audio.file) {
        snprintf(why, why_size, "the device is already open");
        return false;
    }
    null_state.audio.file = fopen(path, "wb");
    if (!null_state.audio.file) {
        snprintf(why, why_size, "TAVIX_AUDIO_FILE=%s: %s", path, strerror(errno));
        return false;
    }
    null_state.audio.format = *f;
    null_state.audio.pull = p;
    null_state.audio.pull_user = user;
    null_state.audio.data_bytes = 0;
    null_state.audio.failed = false;
    write_header();
    return true;
}

// Takes all there is to play at once.
void null_audio_pause(bool paused) {
    if (paused || !null_state.audio.file) return;
    unsigned char block[4096];
    int n;
    bool wrote = false;
    while ((n = null_state.audio.pull(null_state.audio.pull_user, block, (int)sizeof block)) > 0) {
        if (null_state.audio.failed) continue;
        // The most a WAV file's sizes count.
        if ((uint64_t)null_state.audio.data_bytes + (uint64_t)n > UINT32_MAX - 36) {
            fail("the file is as long as a WAV file can be");
            continue;
        }
        if (fwrite(block, 1, (size_t)n, null_state.audio.file) != (size_t)n) {
            fail(strerror(errno));
            continue;
        }
        null_state.audio.data_bytes += (uint32_t)n;
        wrote = true;
    }
    if (wrote && !null_state.audio.failed) write_header();
}

void null_audio_lock(bool) {}

void null_audio_close() {
    if (!null_state.audio.file) return;
    if (!null_state.audio.failed) write_header();
    if (fclose(null_state.audio.file) != 0) fail(strerror(errno));
    null_state.audio.file = nullptr;
}

}  // namespace

extern const BackendAudio null_audio = {
    null_audio_count, null_audio_open, null_audio_pause, null_audio_lock, null_audio_close,
};
