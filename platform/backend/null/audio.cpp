// The null backend's sound device: none (the wave output then fails to open, as on a machine
// without a sound card), or with TAVIX_AUDIO_FILE=path a WAV file that takes every sample as soon
// as it is written, faster than time: the sound played, back to back, without the silence
// between. Its header is rewritten after every write, so the file is whole at every step.
#include "platform/backend/backend.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

FILE *file;         // open while the device is
AudioPull pull;     // the open device's
void *pull_user;
AudioFormat format;
uint32_t data_bytes;  // sound written so far
bool failed;          // a write failed: the rest is left out

const char *file_path() {
    const char *path = getenv("TAVIX_AUDIO_FILE");
    return path && *path ? path : nullptr;
}

void put32(unsigned char *at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = (unsigned char)(v >> (8 * i));
}

void fail(const char *why) {
    if (!failed) fprintf(stderr, "tavix: TAVIX_AUDIO_FILE=%s: %s; the rest is left out\n",
                         file_path(), why);
    failed = true;
}

void write_header() {
    unsigned char h[44];
    int block = format.channels * format.bits / 8;
    memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + data_bytes);
    memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    h[20] = 1, h[21] = 0;  // PCM
    h[22] = (unsigned char)format.channels, h[23] = 0;
    put32(h + 24, (uint32_t)format.rate);
    put32(h + 28, (uint32_t)(format.rate * block));
    h[32] = (unsigned char)block, h[33] = 0;
    h[34] = (unsigned char)format.bits, h[35] = 0;
    memcpy(h + 36, "data", 4);
    put32(h + 40, data_bytes);
    if (fseek(file, 0, SEEK_SET) != 0 || fwrite(h, 1, 44, file) != 44 ||
        fseek(file, 0, SEEK_END) != 0 || fflush(file) != 0)
        fail(strerror(errno));
}

int null_audio_count() {
    return file_path() ? 1 : 0;
}

bool null_audio_open(const AudioFormat *f, AudioPull p, void *user, char *why, size_t why_size) {
    const char *path = file_path();
    if (!path) {
        snprintf(why, why_size, "the null backend has no audio device (TAVIX_AUDIO_FILE is not set)");
        return false;
    }
    if (file) {
        snprintf(why, why_size, "the device is already open");
        return false;
    }
    file = fopen(path, "wb");
    if (!file) {
        snprintf(why, why_size, "TAVIX_AUDIO_FILE=%s: %s", path, strerror(errno));
        return false;
    }
    format = *f;
    pull = p;
    pull_user = user;
    data_bytes = 0;
    failed = false;
    write_header();
    return true;
}

// Takes all there is to play at once.
void null_audio_pause(bool paused) {
    if (paused || !file) return;
    unsigned char block[4096];
    int n;
    bool wrote = false;
    while ((n = pull(pull_user, block, (int)sizeof block)) > 0) {
        if (failed) continue;
        // The most a WAV file's sizes count.
        if ((uint64_t)data_bytes + (uint64_t)n > UINT32_MAX - 36) {
            fail("the file is as long as a WAV file can be");
            continue;
        }
        if (fwrite(block, 1, (size_t)n, file) != (size_t)n) {
            fail(strerror(errno));
            continue;
        }
        data_bytes += (uint32_t)n;
        wrote = true;
    }
    if (wrote && !failed) write_header();
}

void null_audio_lock(bool) {}

void null_audio_close() {
    if (!file) return;
    if (!failed) write_header();
    if (fclose(file) != 0) fail(strerror(errno));
    file = nullptr;
}

}  // namespace

extern const BackendAudio null_audio = {
    null_audio_count, null_audio_open, null_audio_pause, null_audio_lock, null_audio_close,
};
