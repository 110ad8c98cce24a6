// The sound module's state and the routines the rest of the library calls. Every sound is held in
// one output format, 44,100 frames a second of two 16-bit signed channels (left first), so that
// the mixer only adds; sounds reach the system's audio through waveOut buffers or, with
// TAVIX_SOUND set, a WAV file. Every field is used on the client's thread only.
#ifndef TAVIX_SOUND_SOUND_H
#define TAVIX_SOUND_SOUND_H

#include "platform/win32.h"

#include <cstdint>
#include <cstdio>

#define SOUND_RATE 44100                         // output frames a second
#define SOUND_VOICES 16                          // sounds and beeps heard at once
#define SOUND_BUFFERS 4                          // waveOut buffers kept queued while sound plays
#define SOUND_BUFFER_FRAMES 1024                 // frames of one buffer, about 23 ms
#define SOUND_MAX_FRAMES (10 * 60 * SOUND_RATE)  // the longest sound loaded: ten minutes
#define SOUND_MAX_FILE_BYTES (64 << 20)          // the largest sound file read
#define BEEP_MAX_MILLISECONDS 60000              // the longest beep
#define BEEP_LOWEST 20                           // Hz
#define BEEP_HIGHEST 20000                       // Hz
#define BEEP_AMPLITUDE 8192                      // a quarter of full scale
#define BEEP_RAMP_FRAMES (SOUND_RATE / 200)      // 5 ms fade in and out, so it does not click

// A loaded sound in the output format.
struct SoundClip {
    int16_t *frames;      // frame_count frames, two samples each; null once freed
    int32_t frame_count;  // its length in frames
};

// One sound being heard: a loaded sound (clip > 0) or a beep (clip 0), idle while length is 0.
struct Voice {
    int32_t clip;       // sound number, 0 for a beep
    int32_t position;   // frames already mixed
    int32_t length;     // frames in all; 0 for an idle voice
    int32_t frequency;  // a beep's frequency in Hz
    uint32_t serial;    // when it started (a counter): the oldest is replaced when all are busy
};

enum SoundOutput {
    SOUND_UNDECIDED = 0,  // nothing has played yet: no device is open
    SOUND_OFF,            // headless, or no audio device: nothing is heard
    SOUND_DEVICE,         // waveOut buffers to the system's audio
    SOUND_FILE,           // mixed into the TAVIX_SOUND file on the sound clock
};

// Rules that span fields:
// - A voice's clip names a loaded sound while the voice plays: freeing a sound first silences
//   its voices.
// - buffer_queued[i] is set from a successful waveOutWrite of headers[i] until the header comes
//   back with WHDR_DONE; only then is the buffer filled again.
// - In the file, sound time runs on the program's own clock: the tick interval for every
//   periodic event delivered, by whichever wait, and a delay's length for every TAVIX_delay.
//   Silence is counted in file_silence and written only when a sound follows it, so the file
//   ends where the last sound ends.
struct SoundState {
    SoundClip *clips = nullptr;       // loaded sounds; sound number n is clips[n - 1], never reused
    int32_t clip_count = 0;           // sound numbers handed out
    int32_t clip_capacity = 0;        // entries allocated in clips
    Voice voices[SOUND_VOICES] = {};  // what is being heard
    uint32_t voice_serial = 0;        // serial of the newest voice
    int32_t output = SOUND_UNDECIDED;  // a SoundOutput
    const char *file_path = nullptr;   // TAVIX_SOUND: the WAV file written instead of hearing
    FILE *file = nullptr;              // open on file_path once something is written
    uint32_t file_frames = 0;          // frames written to the file
    uint32_t file_silence = 0;         // frames of silence owed to the file before the next sound
    uint8_t file_done = 0;             // the file was completed (at finish or exit)
    HWAVEOUT device = nullptr;         // the open waveOut device
    WAVEHDR headers[SOUND_BUFFERS] = {};        // its buffers' headers, prepared once
    uint8_t buffer_queued[SOUND_BUFFERS] = {};  // handed to the device and not yet back
    int16_t buffers[SOUND_BUFFERS][SOUND_BUFFER_FRAMES * 2] = {};  // the buffers' frames
};

// ---- WAV files (sound/wav.cpp) -------------------------------------------------------------
// Reads a whole WAV file held in memory (PCM, 8 or 16 bits, one or two channels, 1,000 to
// 192,000 frames a second) and converts it to the output format: 8-bit samples become
// (v - 128) * 256, a mono sample goes to both channels, and another rate is resampled by linear
// interpolation between the two nearest frames (integer arithmetic, the same on every machine).
// Returns 1 with *frames (malloc'd, null for an empty sound) and *frame_count, or 0 with *reason.
int decode_wav(const unsigned char *data, size_t size, int16_t **frames, int32_t *frame_count,
               const char **reason);
// The 44-byte header of a WAV file in the output format holding frame_count frames.
void wav_header(unsigned char header[44], uint32_t frame_count);

// ---- Mixing (sound/mixer.cpp) --------------------------------------------------------------
// Mixes frame_count frames of every voice into out (silence where none plays), each sample
// clipped to 16 bits, and moves the voices on. Returns how many leading frames any voice
// reached: 0 when nothing played.
int mix_voices(int16_t *out, int frame_count);
int voices_playing(void);  // 1 while any voice is heard
// A free voice (or the oldest, taken over) started with the given sound, length and frequency.
void start_voice(int32_t clip, int32_t length, int32_t frequency);
void stop_voices_of(int32_t clip);  // 0 stops every voice

// ---- Output (sound/sound.cpp) --------------------------------------------------------------
// Moves the sound clock of the file on by milliseconds (every periodic event, every delay).
void advance_sound_clock(int milliseconds);
// A waveOut buffer came back (MM_WOM_DONE to the graphics window): refill what is free.
void sound_buffer_done(void);
// TAVIX_SOUND was set to path: sound goes there, and the file is completed at exit at the latest.
void register_sound_file(const char *path);
// Completes the TAVIX_SOUND file: what is still playing is written to its end.
void finish_sound(void);

#endif
