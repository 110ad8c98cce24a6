// WAV files: reading one held in memory into the output format, and the header of one written in
// it. Every size read from the file is checked against the bytes that are really there before it
// is used, so a damaged file can neither make a read run past its end nor a large allocation.
#include "library/sound/sound.h"

#include <cstdlib>
#include <cstring>

static uint32_t le32(const unsigned char *p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static uint16_t le16(const unsigned char *p) {
    return (uint16_t)(p[0] | p[1] << 8);
}

static void put32(unsigned char *p, uint32_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

static void put16(unsigned char *p, uint16_t v) {
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

// Sample c of the file's frame i as a 16-bit value.
static int32_t sample_at(const unsigned char *samples, int bits, int channels, uint32_t i, int c) {
    if (bits == 8) return ((int32_t)samples[i * channels + c] - 128) * 256;
    return (int16_t)le16(samples + 2 * ((size_t)i * channels + c));
}

int decode_wav(const unsigned char *data, size_t size, int16_t **frames, int32_t *frame_count,
               const char **reason) {
    *frames = nullptr;
    *frame_count = 0;
    if (size < 12 || memcmp(data, "RIFF", 4) != 0 || memcmp(data + 8, "WAVE", 4) != 0) {
        *reason = "not a WAV file (it does not start with RIFF ... WAVE)";
        return 0;
    }
    const unsigned char *format = nullptr, *samples = nullptr;
    uint32_t format_size = 0, samples_size = 0;
    // The chunks: an id, a size, the contents, and a pad byte after an odd size. The RIFF size
    // itself is often wrong in files that play everywhere, so the file's own length is the bound.
    size_t at = 12;
    while (at + 8 <= size && !(format && samples)) {
        uint32_t chunk_size = le32(data + at + 4);
        const unsigned char *contents = data + at + 8;
        size_t room = size - at - 8;
        if (chunk_size > room) {
            *reason = memcmp(data + at, "data", 4) == 0
                          ? "truncated (its data chunk is longer than the file)"
                          : "truncated (a chunk is longer than the file)";
            return 0;
        }
        if (memcmp(data + at, "fmt ", 4) == 0 && !format) {
            format = contents;
            format_size = chunk_size;
        } else if (memcmp(data + at, "data", 4) == 0 && !samples) {
            samples = contents;
            samples_size = chunk_size;
        }
        at += 8 + (size_t)chunk_size + (chunk_size & 1);
    }
    if (!format) {
        *reason = "no format chunk";
        return 0;
    }
    if (format_size < 16) {
        *reason = "its format chunk is too short";
        return 0;
    }
    unsigned tag = le16(format);
    int channels = le16(format + 2);
    uint32_t rate = le32(format + 4);
    unsigned block = le16(format + 12);
    int bits = le16(format + 14);
    // WAVE_FORMAT_EXTENSIBLE names the real format in the first two bytes of its sub-format.
    if (tag == 0xFFFE && format_size >= 26) tag = le16(format + 24);
    if (tag != 1) {
        *reason = "not PCM samples (compressed or floating point)";
        return 0;
    }
    if (channels < 1 || channels > 2) {
        *reason = channels == 0 ? "0 channels" : "more than 2 channels";
        return 0;
    }
    if (bits != 8 && bits != 16) {
        *reason = "not 8 or 16 bits a sample";
        return 0;
    }
    if (rate < 1000 || rate > 192000) {
        *reason = "its rate is not 1,000 to 192,000 frames a second";
        return 0;
    }
    if (block != (unsigned)(channels * bits / 8)) {
        *reason = "its block size does not match its channels and bits";
        return 0;
    }
    if (!samples) {
        *reason = "no data chunk";
        return 0;
    }
    // A last frame cut short is left out.
    uint32_t in_frames = samples_size / block;
    uint64_t out_frames = (uint64_t)in_frames * SOUND_RATE / rate;
    if (out_frames > SOUND_MAX_FRAMES) {
        *reason = "longer than ten minutes";
        return 0;
    }
    if (out_frames == 0) return 1;
    int16_t *out = (int16_t *)malloc((size_t)out_frames * 2 * sizeof(int16_t));
    if (!out) {
        *reason = "not enough memory";
        return 0;
    }
    for (uint32_t i = 0; i < (uint32_t)out_frames; ++i) {
        // Output frame i lies at input position i * rate / SOUND_RATE: frame k and a fraction
        // frac / SOUND_RATE of the way to frame k + 1 (the last frame stands for its follower).
        uint64_t position = (uint64_t)i * rate;
        uint32_t k = (uint32_t)(position / SOUND_RATE);
        int32_t frac = (int32_t)(position % SOUND_RATE);
        uint32_t next = k + 1 < in_frames ? k + 1 : k;
        for (int c = 0; c < 2; ++c) {
            int source = channels == 2 ? c : 0;
            int32_t a = sample_at(samples, bits, channels, k, source);
            int32_t b = sample_at(samples, bits, channels, next, source);
            out[2 * (size_t)i + c] = (int16_t)(a + (int32_t)((int64_t)(b - a) * frac / SOUND_RATE));
        }
    }
    *frames = out;
    *frame_count = (int32_t)out_frames;
    return 1;
}

void wav_header(unsigned char header[44], uint32_t frame_count) {
    uint32_t data_size = frame_count * 4;
    memcpy(header, "RIFF", 4);
    put32(header + 4, 36 + data_size);
    memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16);
    put16(header + 20, 1);  // PCM
    put16(header + 22, 2);
    put32(header + 24, SOUND_RATE);
    put32(header + 28, SOUND_RATE * 4);
    put16(header + 32, 4);
    put16(header + 34, 16);
    memcpy(header + 36, "data", 4);
    put32(header + 40, data_size);
}
