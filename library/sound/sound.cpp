// The sound calls and where their sound goes: nowhere until the first sound plays; then the
// system's audio through a few waveOut buffers that come back to the graphics window as
// MM_WOM_DONE and are refilled there, so mixing runs on the client's thread while the program
// goes on; or, with TAVIX_SOUND set, a WAV file on the program's own clock.
#include "library/core/state.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

// ---- The file ------------------------------------------------------------------------------
//
// The sound is written to a new file beside the one named and takes its place only once it is
// whole, at the end: a run that cannot write it (a full disk) leaves the file there before exactly
// as it was, says why on stderr and the console, and ends with EXIT_SOUND_FAILED. The new file's
// header is rewritten after every write, so it holds a whole WAV of what was heard so far at every
// step: a signal that ends the program puts it in place as it is (keep_sound_on_signal).

static char temp_path[4096 + 32];         // the new file's name; empty when there is none
static volatile sig_atomic_t temp_whole;  // the new file on disk holds a whole WAV

// A line about the file, on the console and on stderr, once (the console may already go there).
static void tell(const char *before, const char *after, const char *why) {
    const char *path = library_state.sound.file_path;
    TAVIX_console_printf("TAVIX_SOUND: %s%s%s%s\n", before, path, after, why);
    if (!library_state.settings.console_to_stderr)
        fprintf(stderr, "TAVIX_SOUND: %s%s%s%s\n", before, path, after, why);
}

static void file_failed(const char *why) {
    SoundState &s = library_state.sound;
    tell("cannot write ", ": ", why);
    set_exit_status(EXIT_SOUND_FAILED);
    temp_whole = 0;
    if (s.file) fclose(s.file);
    s.file = nullptr;
    if (temp_path[0]) remove(temp_path);
    temp_path[0] = '\0';
    s.output = SOUND_OFF;
}

// Writes the header for the frames so far, and the file is whole again at every step.
static void write_file_header(void) {
    SoundState &s = library_state.sound;
    unsigned char header[44];
    wav_header(header, s.file_frames);
    if (fseek(s.file, 0, SEEK_SET) != 0 || fwrite(header, 1, sizeof header, s.file) != 44 ||
        fseek(s.file, 0, SEEK_END) != 0 || fflush(s.file) != 0)
        file_failed(strerror(errno));
    else
        temp_whole = 1;
}

// A new file of its own name beside the named one, with the usual permissions for a new file
// (the umask's), or the old file's when it replaces one.
static FILE *open_beside(const char *path, const char **why) {
    static unsigned counter;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; attempt++) {
        if (snprintf(temp_path, sizeof temp_path, "%s.tmp-%ld-%u", path,
#ifdef _WIN32
                     (long)GetCurrentProcessId(),
#else
                     (long)getpid(),
#endif
                     counter++) >= (int)sizeof temp_path) {
            errno = ENAMETOOLONG;
            break;
        }
#ifdef _WIN32
        fd = _open(temp_path, _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
        fd = open(temp_path, O_RDWR | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
#endif
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        *why = strerror(errno);
        temp_path[0] = '\0';
        return nullptr;
    }
#ifndef _WIN32
    struct stat old;
    if (stat(path, &old) == 0 && S_ISREG(old.st_mode) && fchmod(fd, old.st_mode & 07777) != 0) {
        // The sound is still written, with the usual permissions.
    }
    FILE *file = fdopen(fd, "w+b");
    if (!file) close(fd);
#else
    FILE *file = _fdopen(fd, "w+b");
    if (!file) _close(fd);
#endif
    if (!file) {
        *why = strerror(errno);
        remove(temp_path);
        temp_path[0] = '\0';
    }
    return file;
}

static int open_file(void) {
    SoundState &s = library_state.sound;
    if (s.file) return 1;
    if (s.file_done || s.output != SOUND_FILE) return 0;
    const char *why = nullptr;
    s.file = open_beside(s.file_path, &why);
    if (!s.file) {
        file_failed(why);
        return 0;
    }
    write_file_header();
    return s.file != nullptr;
}

// Puts the whole new file in the named one's place: 1, or 0 having said why.
static int put_file_in_place(void) {
    SoundState &s = library_state.sound;
    FILE *file = s.file;
    s.file = nullptr;
    if (!file) return 0;
    temp_whole = 0;
    if (fclose(file) != 0) {
        file_failed(strerror(errno));
        return 0;
    }
#ifdef _WIN32
    if (!MoveFileExA(temp_path, s.file_path, MOVEFILE_REPLACE_EXISTING)) {
        file_failed("the file could not be replaced");
        return 0;
    }
#else
    if (rename(temp_path, s.file_path) != 0) {
        file_failed(strerror(errno));
        return 0;
    }
#endif
    temp_path[0] = '\0';
    return 1;
}

void keep_sound_on_signal(void) {
#ifndef _WIN32
    if (temp_whole && temp_path[0] && library_state.sound.file_path)
        rename(temp_path, library_state.sound.file_path);
#endif
}

// The most frames a WAV file holds: its sizes are 32-bit, the data's counted with the header's
// 36 other bytes. A program's clock may run on far longer (a replay may jump it by days).
static const uint32_t FILE_FRAMES_MAX = (UINT32_MAX - 36) / 4;

// Sound beyond what the file holds is left out, and that is said once.
static void file_full(void) {
    static bool said;
    if (said) return;
    said = true;
    tell("", " is as long as a WAV file can be; the rest is left out", "");
}

// The frames go to the file after the silence owed before them, as far as the file holds them.
static void write_frames(const int16_t *frames, int count) {
    SoundState &s = library_state.sound;
    if (!open_file()) return;
    uint32_t room = FILE_FRAMES_MAX - s.file_frames;
    if (s.file_silence > room) s.file_silence = room;
    if ((uint32_t)count > room - s.file_silence) {
        count = (int)(room - s.file_silence);
        file_full();
    }
    temp_whole = 0;  // until the header is rewritten for these frames
    static const int16_t zeros[SOUND_BUFFER_FRAMES * 2] = {};
    unsigned char bytes[SOUND_BUFFER_FRAMES * 4];
    while (s.file && s.file_silence > 0) {
        uint32_t n = s.file_silence < SOUND_BUFFER_FRAMES ? s.file_silence : SOUND_BUFFER_FRAMES;
        if (fwrite(zeros, 4, n, s.file) != n) file_failed(strerror(errno));
        s.file_silence -= n;
        s.file_frames += n;
    }
    // Samples are little-endian in the file whatever the machine's order.
    for (int i = 0; s.file && i < 2 * count; ++i) {
        bytes[2 * i] = (unsigned char)(frames[i] & 0xFF);
        bytes[2 * i + 1] = (unsigned char)((uint16_t)frames[i] >> 8);
    }
    if (s.file && fwrite(bytes, 4, (size_t)count, s.file) != (size_t)count)
        file_failed(strerror(errno));
    if (s.file) {
        s.file_frames += (uint32_t)count;
        write_file_header();
    }
}

// Owes n more frames of silence, as many as the file can still hold.
static void owe_silence(uint64_t n) {
    SoundState &s = library_state.sound;
    uint64_t owed = s.file_silence + n;
    s.file_silence = owed > FILE_FRAMES_MAX ? FILE_FRAMES_MAX : (uint32_t)owed;
}

// Mixes frame_count frames of sound time into the file; trailing silence is only owed.
static void mix_into_file(uint64_t frame_count) {
    int16_t block[SOUND_BUFFER_FRAMES * 2];
    while (frame_count > 0) {
        // Time with nothing playing is silence, however long.
        if (!voices_playing()) {
            owe_silence(frame_count);
            return;
        }
        int n = frame_count < SOUND_BUFFER_FRAMES ? (int)frame_count : SOUND_BUFFER_FRAMES;
        int heard = mix_voices(block, n);
        if (heard > 0) write_frames(block, heard);
        owe_silence((uint64_t)(n - heard));
        frame_count -= (uint64_t)n;
    }
}

void advance_sound_clock(int milliseconds) {
    SoundState &s = library_state.sound;
    // Before the first sound the clock runs too: the silence before it is part of the file.
    if (!s.file_path || s.file_done || s.output == SOUND_OFF || milliseconds <= 0) return;
    mix_into_file((uint64_t)milliseconds * SOUND_RATE / 1000);
}

static void finish_at_exit(void) {
    finish_sound();
}

void finish_sound(void) {
    SoundState &s = library_state.sound;
    if (!s.file_path || s.file_done) return;
    if (s.output == SOUND_UNDECIDED) s.output = SOUND_FILE;
    // What is still playing is written to its end, as it would go on being heard.
    while (s.output == SOUND_FILE && voices_playing()) mix_into_file(SOUND_BUFFER_FRAMES);
    // A program that made no sound still leaves a file, with no frames: it was silent.
    if (s.output == SOUND_FILE) open_file();
    if (s.file) put_file_in_place();
    s.file_done = 1;
}

// ---- The device ----------------------------------------------------------------------------

// Refills every buffer that is back from the device while anything plays; nothing is queued
// when nothing plays, so the device idles and a new sound starts at once.
static void fill_buffers(void) {
    SoundState &s = library_state.sound;
    if (s.output != SOUND_DEVICE) return;
    for (int i = 0; i < SOUND_BUFFERS; ++i) {
        WAVEHDR &header = s.headers[i];
        if (s.buffer_queued[i] && !(header.dwFlags & WHDR_DONE)) continue;
        s.buffer_queued[i] = 0;
        if (!voices_playing()) continue;
        mix_voices(s.buffers[i], SOUND_BUFFER_FRAMES);
        header.dwBufferLength = sizeof s.buffers[i];
        if (waveOutWrite(s.device, &header, sizeof header) == MMSYSERR_NOERROR)
            s.buffer_queued[i] = 1;
    }
}

void sound_buffer_done(void) {
    fill_buffers();
}

static void say_off(const char *why) {
    TAVIX_console_printf("Sound is off: %s; the sound calls go on without it\n", why);
    library_state.sound.output = SOUND_OFF;
}

// Chooses where sound goes when the first sound plays: once, for the rest of the run.
static void open_output(void) {
    SoundState &s = library_state.sound;
    if (s.output != SOUND_UNDECIDED) return;
    if (s.file_path) {
        s.output = SOUND_FILE;
        return;
    }
    if (library_state.settings.headless) {
        say_off("headless running");
        return;
    }
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = SOUND_RATE;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = SOUND_RATE * 4;
    // Buffers come back as MM_WOM_DONE posted to the graphics window, taken by the event wait.
    MMRESULT result = waveOutOpen(&s.device, WAVE_MAPPER, &format,
                                  (DWORD_PTR)library_state.window.graphics, 0, CALLBACK_WINDOW);
    if (result != MMSYSERR_NOERROR) {
        char text[256] = "";
        waveOutGetErrorTextA(result, text, sizeof text);
        char why[320];
        snprintf(why, sizeof why, "no audio device could be opened (%s)",
                 text[0] ? text : "unknown error");
        s.device = nullptr;
        say_off(why);
        return;
    }
    for (int i = 0; i < SOUND_BUFFERS; ++i) {
        s.headers[i].lpData = (LPSTR)s.buffers[i];
        s.headers[i].dwBufferLength = sizeof s.buffers[i];
        waveOutPrepareHeader(s.device, &s.headers[i], sizeof s.headers[i]);
    }
    s.output = SOUND_DEVICE;
}

// Starts a voice wherever sound goes; 1 when the library is open.
static int play(int32_t clip, int32_t length, int32_t frequency) {
    if (!library_state.window.graphics) return 0;
    open_output();
    if (library_state.sound.output == SOUND_OFF) return 1;
    start_voice(clip, length, frequency);
    fill_buffers();
    return 1;
}

// ---- The calls -----------------------------------------------------------------------------

// The sound a number names, or null with a console line (none for 0, which a failed load
// returned and already explained).
static SoundClip *clip_of(int sound, const char *what) {
    SoundState &s = library_state.sound;
    // A freed sound's length is -1; an empty sound is loaded too, with no frames to hold.
    if (sound >= 1 && sound <= s.clip_count && s.clips[sound - 1].frame_count >= 0)
        return &s.clips[sound - 1];
    if (sound != 0) TAVIX_console_printf("Sound %d not loaded, nothing %s\n", sound, what);
    return nullptr;
}

// The file's bytes, at most limit of them, in a new malloc'd block; null with *why otherwise.
static unsigned char *read_whole_file(const char *path, size_t limit, size_t *size,
                                      const char **why) {
    FILE *file = open_regular_file(path, false, why);
    if (!file) return nullptr;
    size_t capacity = 65536, used = 0;
    unsigned char *data = (unsigned char *)malloc(capacity);
    while (data) {
        size_t got = fread(data + used, 1, capacity - used, file);
        used += got;
        if (got == 0) break;
        if (used == capacity) {
            if (capacity >= limit) {
                // A file of exactly the limit is whole once nothing follows it.
                if (used <= limit && fgetc(file) == EOF) break;
                free(data);
                data = nullptr;
                *why = "larger than 64 MB";
                break;
            }
            unsigned char *bigger = (unsigned char *)realloc(data, capacity * 2);
            if (!bigger) {
                free(data);
                *why = "not enough memory";
            }
            data = bigger;
            capacity *= 2;
        }
    }
    if (data && ferror(file)) {
        free(data);
        data = nullptr;
        *why = strerror(errno);
    }
    if (!data && !*why) *why = "not enough memory";
    fclose(file);
    *size = used;
    return data;
}

int TAVIX_load_sound(const char *path) {
    SoundState &s = library_state.sound;
    const char *why = path ? nullptr : "no file name given";
    size_t size = 0;
    unsigned char *data = path ? read_whole_file(path, SOUND_MAX_FILE_BYTES, &size, &why) : nullptr;
    if (!path) path = "(null)";
    int16_t *frames = nullptr;
    int32_t frame_count = 0;
    int decoded = data && decode_wav(data, size, &frames, &frame_count, &why);
    free(data);
    if (decoded && s.clip_count == INT_MAX) {
        free(frames);
        decoded = 0;
        why = "too many sounds loaded";
    }
    if (decoded && s.clip_count == s.clip_capacity) {
        int32_t capacity = s.clip_capacity ? s.clip_capacity * 2 : 16;
        SoundClip *bigger = (SoundClip *)realloc(s.clips, (size_t)capacity * sizeof(SoundClip));
        if (bigger) {
            s.clips = bigger;
            s.clip_capacity = capacity;
        } else {
            free(frames);
            decoded = 0;
            why = "not enough memory";
        }
    }
    if (!decoded) {
        TAVIX_console_printf("Sound file %s not loaded: %s\n", path, why);
        return 0;
    }
    s.clips[s.clip_count].frames = frames;
    s.clips[s.clip_count].frame_count = frame_count;
    int sound = ++s.clip_count;
    if (library_state.draw.logging)
        TAVIX_console_printf("sound %d loaded from %s, %d ms\n", sound, path,
                             (int)((int64_t)frame_count * 1000 / SOUND_RATE));
    return sound;
}

int TAVIX_free_sound(int sound) {
    SoundClip *clip = clip_of(sound, "freed");
    if (!clip) return 0;
    stop_voices_of(sound);
    free(clip->frames);
    clip->frames = nullptr;
    clip->frame_count = -1;  // freed: the number is never handed out again
    if (library_state.draw.logging) TAVIX_console_printf("sound %d freed\n", sound);
    return 1;
}

int TAVIX_play_sound(int sound) {
    if (!library_state.window.graphics) return 0;
    SoundClip *clip = clip_of(sound, "played");
    if (!clip) return 0;
    if (library_state.draw.logging) TAVIX_console_printf("sound %d played\n", sound);
    if (clip->frame_count == 0) return 1;
    return play(sound, clip->frame_count, 0);
}

int TAVIX_stop_sounds(void) {
    SoundState &s = library_state.sound;
    if (library_state.draw.logging) TAVIX_console_printf("sounds stopped\n");
    stop_voices_of(0);
    // The buffers already queued would still be heard for a moment: take them back.
    if (s.output == SOUND_DEVICE) waveOutReset(s.device);
    return 1;
}

int TAVIX_beep(int frequency, int milliseconds) {
    if (!library_state.window.graphics) return 0;
    int asked = frequency;
    frequency = frequency < BEEP_LOWEST    ? BEEP_LOWEST
                : frequency > BEEP_HIGHEST ? BEEP_HIGHEST
                                           : frequency;
    if (frequency != asked)
        TAVIX_console_printf("Frequency of %d Hz not possible, using %d Hz\n", asked, frequency);
    asked = milliseconds;
    if (milliseconds < 0) milliseconds = milliseconds == INT_MIN ? INT_MAX : -milliseconds;
    if (milliseconds > BEEP_MAX_MILLISECONDS) milliseconds = BEEP_MAX_MILLISECONDS;
    if (milliseconds != asked)
        TAVIX_console_printf("Length of %d ms not possible, using %d ms\n", asked, milliseconds);
    if (library_state.draw.logging)
        TAVIX_console_printf("beep of %d Hz for %d ms\n", frequency, milliseconds);
    int32_t length = (int32_t)((int64_t)milliseconds * SOUND_RATE / 1000);
    if (length == 0) return 1;
    return play(0, length, frequency);
}

void register_sound_file(const char *path) {
    library_state.sound.file_path = path;
    atexit(finish_at_exit);
}
