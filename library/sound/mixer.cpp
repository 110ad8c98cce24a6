// The mixer: up to SOUND_VOICES sounds and beeps added sample by sample and clipped to 16 bits
// (a sum beyond the range stays at its end instead of wrapping round to the other sign).
#include "library/core/state.h"

#include <cmath>
#include <cstring>

static const double TWO_PI = 6.283185307179586;

// Frame n of a beep of the given length: a sine at the beep's frequency, faded in and out over
// BEEP_RAMP_FRAMES (or half the beep when it is shorter) so that it starts and ends without a
// click.
static int32_t beep_sample(const Voice &v, int32_t n) {
    int32_t ramp = v.length / 2 < BEEP_RAMP_FRAMES ? v.length / 2 : BEEP_RAMP_FRAMES;
    double gain = 1.0;
    if (ramp > 0 && n < ramp) gain = (double)n / ramp;
    if (ramp > 0 && v.length - 1 - n < ramp) gain = (double)(v.length - 1 - n) / ramp;
    double phase = TWO_PI * (double)v.frequency * (double)n / SOUND_RATE;
    return (int32_t)lround(BEEP_AMPLITUDE * gain * sin(phase));
}

static int16_t clip16(int32_t v) {
    return (int16_t)(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

int mix_voices(int16_t *out, int frame_count) {
    SoundState &s = library_state.sound;
    // Sums of sixteen 16-bit samples fit easily in 32 bits.
    static_assert(SOUND_VOICES * 32768LL < INT32_MAX, "the sum must not overflow");
    int32_t sums[SOUND_BUFFER_FRAMES * 2];
    int reached = 0;
    for (int start = 0; start < frame_count; start += SOUND_BUFFER_FRAMES) {
        int count =
            frame_count - start < SOUND_BUFFER_FRAMES ? frame_count - start : SOUND_BUFFER_FRAMES;
        memset(sums, 0, sizeof sums);
        for (Voice &v : s.voices) {
            if (v.length == 0) continue;
            int n = v.length - v.position < count ? v.length - v.position : count;
            if (v.clip > 0) {
                const int16_t *from = s.clips[v.clip - 1].frames + 2 * (size_t)v.position;
                for (int i = 0; i < 2 * n; ++i) sums[i] += from[i];
            } else {
                for (int i = 0; i < n; ++i) {
                    int32_t value = beep_sample(v, v.position + i);
                    sums[2 * i] += value;
                    sums[2 * i + 1] += value;
                }
            }
            v.position += n;
            if (start + n > reached) reached = start + n;
            if (v.position == v.length) v = Voice{};
        }
        for (int i = 0; i < 2 * count; ++i) out[2 * (size_t)start + i] = clip16(sums[i]);
    }
    return reached;
}

int voices_playing(void) {
    for (const Voice &v : library_state.sound.voices)
        if (v.length > 0) return 1;
    return 0;
}

void start_voice(int32_t clip, int32_t length, int32_t frequency) {
    SoundState &s = library_state.sound;
    Voice *chosen = nullptr;
    for (Voice &v : s.voices) {
        if (v.length == 0) {
            chosen = &v;
            break;
        }
        if (!chosen || v.serial - chosen->serial > 0x80000000u) chosen = &v;
    }
    chosen->clip = clip;
    chosen->position = 0;
    chosen->length = length;
    chosen->frequency = frequency;
    chosen->serial = ++s.voice_serial;
}

void stop_voices_of(int32_t clip) {
    for (Voice &v : library_state.sound.voices)
        if (clip == 0 || v.clip == clip) v = Voice{};
}
