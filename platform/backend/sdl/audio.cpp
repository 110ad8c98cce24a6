// waveOut over SDL's audio: one device, a queue of written buffers that SDL's audio thread
// copies out as it plays them, and the buffers it finished handed back on the program's thread.
// The audio thread touches only the queue (under SDL's device lock) and reads the buffers'
// samples, which the program leaves alone until they come back; every header field is written
// on the program's thread alone. SDL's audio starts with the first waveOutOpen, never before.
#include "platform/backend/sdl/audio.h"

#include "platform/win32.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace {

const int MAX_QUEUED = 64;  // buffers written and not yet played

struct WaveDevice {
    bool open;                    // the one device is open
    SDL_AudioDeviceID id;         // SDL's device
    HWND window;                  // where MM_WOM_DONE goes, null for CALLBACK_NULL
    uint32_t wake_event;          // the SDL event type that wakes the pump
    SDL_atomic_t wake_pending;    // a wake-up event is in SDL's queue and not yet taken
    WAVEHDR *queue[MAX_QUEUED];   // written buffers, oldest first from head (device lock)
    int head, count;              // (device lock)
    uint32_t offset;              // bytes of queue[head] already played (device lock)
    WAVEHDR *played[MAX_QUEUED];  // played, not yet handed back (device lock)
    int played_count;             // (device lock)
};
WaveDevice device;
char last_error[200];  // why the last open failed, for waveOutGetErrorTextA

HWAVEOUT handle_of_device() {
    return (HWAVEOUT)&device;
}

bool valid(HWAVEOUT h) {
    return device.open && h == handle_of_device();
}

// SDL's audio thread, with the device locked: plays the queued buffers in order, then silence.
void SDLCALL feed(void *, Uint8 *stream, int length) {
    bool finished = false;
    while (length > 0 && device.count > 0) {
        WAVEHDR *h = device.queue[device.head];
        uint32_t left = h->dwBufferLength - device.offset;
        uint32_t n = left < (uint32_t)length ? left : (uint32_t)length;
        memcpy(stream, h->lpData + device.offset, n);
        stream += n;
        length -= (int)n;
        device.offset += n;
        if (device.offset == h->dwBufferLength) {
            device.played[device.played_count++] = h;
            device.head = (device.head + 1) % MAX_QUEUED;
            device.count--;
            device.offset = 0;
            finished = true;
        }
    }
    if (length > 0) memset(stream, 0, (size_t)length);
    // One wake-up at a time: the pump hands back everything played by then.
    if (finished && SDL_AtomicCAS(&device.wake_pending, 0, 1)) {
        SDL_Event e = {};
        e.type = device.wake_event;
        if (SDL_PushEvent(&e) != 1) SDL_AtomicSet(&device.wake_pending, 0);
    }
}

// On the program's thread: marks the played buffers done and posts them back, oldest first.
void hand_back() {
    WAVEHDR *played[MAX_QUEUED];
    SDL_LockAudioDevice(device.id);
    int n = device.played_count;
    memcpy(played, device.played, sizeof(WAVEHDR *) * (size_t)n);
    device.played_count = 0;
    bool idle = device.count == 0;
    SDL_UnlockAudioDevice(device.id);
    // Nothing left to play: SDL stops calling for more until the next write.
    if (idle) SDL_PauseAudioDevice(device.id, 1);
    for (int i = 0; i < n; ++i) {
        played[i]->dwFlags = (played[i]->dwFlags & ~(DWORD)WHDR_INQUEUE) | WHDR_DONE;
        if (device.window)
            PostMessageA(device.window, MM_WOM_DONE, (WPARAM)handle_of_device(), (LPARAM)played[i]);
    }
}

bool format_playable(const WAVEFORMATEX *f) {
    return f && f->wFormatTag == WAVE_FORMAT_PCM && (f->nChannels == 1 || f->nChannels == 2) &&
           (f->wBitsPerSample == 8 || f->wBitsPerSample == 16) && f->nSamplesPerSec >= 1000 &&
           f->nSamplesPerSec <= 192000 && f->nBlockAlign == f->nChannels * f->wBitsPerSample / 8;
}

// Closes the device when the program ends, so that SDL's audio thread is gone before anything
// it reads is torn down.
void close_at_exit() {
    if (!device.open) return;
    SDL_CloseAudioDevice(device.id);
    device.open = false;
}

}  // namespace

bool sdl_audio_event(uint32_t event_type) {
    if (!device.open || event_type != device.wake_event) return false;
    SDL_AtomicSet(&device.wake_pending, 0);
    hand_back();
    return true;
}

UINT WINAPI waveOutGetNumDevs(void) {
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    int n = SDL_GetNumAudioDevices(0);
    // -1: the driver cannot list its devices, but has a default one.
    return n < 0 ? 1 : (UINT)n;
}

MMRESULT WINAPI waveOutOpen(LPHWAVEOUT result, UINT id, LPCWAVEFORMATEX format, DWORD_PTR callback,
                            DWORD_PTR instance, DWORD flags) {
    (void)instance;
    if (id != WAVE_MAPPER && id != 0) return MMSYSERR_BADDEVICEID;
    if (!format_playable(format)) return WAVERR_BADFORMAT;
    DWORD kind = flags & 0x00070000L;
    if (kind != CALLBACK_NULL && kind != CALLBACK_WINDOW) return MMSYSERR_INVALFLAG;
    if (flags & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
    if (!result) return MMSYSERR_INVALPARAM;
    if (device.open) return MMSYSERR_ALLOCATED;
    if (!SDL_WasInit(SDL_INIT_AUDIO) && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        snprintf(last_error, sizeof last_error, "%s", SDL_GetError());
        return MMSYSERR_NODRIVER;
    }
    // A driver that lists no device at all has none to open (asking would only make some
    // drivers complain on standard error).
    if (SDL_GetNumAudioDevices(0) == 0) {
        snprintf(last_error, sizeof last_error, "no audio device is there");
        return MMSYSERR_BADDEVICEID;
    }
    if (!device.wake_event) device.wake_event = SDL_RegisterEvents(1);
    if (device.wake_event == (uint32_t)-1) {
        device.wake_event = 0;
        snprintf(last_error, sizeof last_error, "%s", SDL_GetError());
        return MMSYSERR_ERROR;
    }
    SDL_AudioSpec want = {};
    want.freq = (int)format->nSamplesPerSec;
    want.format = format->wBitsPerSample == 16 ? AUDIO_S16LSB : AUDIO_U8;
    want.channels = (Uint8)format->nChannels;
    want.samples = 1024;
    want.callback = feed;
    // No changes allowed: SDL converts to whatever the hardware takes.
    SDL_AudioSpec have;
    SDL_AudioDeviceID sdl_id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (sdl_id == 0) {
        snprintf(last_error, sizeof last_error, "%s", SDL_GetError());
        return MMSYSERR_BADDEVICEID;
    }
    static bool exit_hooked = false;
    if (!exit_hooked) atexit(close_at_exit);
    exit_hooked = true;
    device.id = sdl_id;
    device.window = kind == CALLBACK_WINDOW ? (HWND)callback : nullptr;
    device.head = device.count = device.played_count = 0;
    device.offset = 0;
    SDL_AtomicSet(&device.wake_pending, 0);
    device.open = true;
    *result = handle_of_device();
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT h, LPWAVEHDR header, UINT size) {
    if (!valid(h)) return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT h, LPWAVEHDR header, UINT size) {
    if (!valid(h)) return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->dwFlags &= ~(DWORD)WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutWrite(HWAVEOUT h, LPWAVEHDR header, UINT size) {
    if (!valid(h)) return MMSYSERR_INVALHANDLE;
    if (!header || size < sizeof(WAVEHDR) || !header->lpData) return MMSYSERR_INVALPARAM;
    if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->dwFlags = (header->dwFlags & ~(DWORD)WHDR_DONE) | WHDR_INQUEUE;
    SDL_LockAudioDevice(device.id);
    // Played buffers wait for the pump in a list of the same size: both must keep room.
    bool room = device.count + device.played_count < MAX_QUEUED;
    if (room) {
        device.queue[(device.head + device.count) % MAX_QUEUED] = header;
        device.count++;
    }
    SDL_UnlockAudioDevice(device.id);
    if (!room) {
        header->dwFlags &= ~(DWORD)WHDR_INQUEUE;
        return MMSYSERR_NOMEM;
    }
    SDL_PauseAudioDevice(device.id, 0);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT h) {
    if (!valid(h)) return MMSYSERR_INVALHANDLE;
    // Every buffer not yet played is played no further and comes back done at once.
    SDL_LockAudioDevice(device.id);
    while (device.count > 0) {
        device.played[device.played_count++] = device.queue[device.head];
        device.head = (device.head + 1) % MAX_QUEUED;
        device.count--;
    }
    device.offset = 0;
    SDL_UnlockAudioDevice(device.id);
    hand_back();
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutClose(HWAVEOUT h) {
    if (!valid(h)) return MMSYSERR_INVALHANDLE;
    SDL_LockAudioDevice(device.id);
    bool busy = device.count > 0;
    SDL_UnlockAudioDevice(device.id);
    if (busy) return WAVERR_STILLPLAYING;
    // Buffers played since the last pump still come back before the device goes.
    hand_back();
    SDL_CloseAudioDevice(device.id);
    device.open = false;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutGetErrorTextA(MMRESULT error, LPSTR text, UINT size) {
    if (!text || size == 0) return MMSYSERR_INVALPARAM;
    const char *what = "unknown error";
    switch (error) {
        case MMSYSERR_NOERROR:
            what = "no error";
            break;
        case MMSYSERR_BADDEVICEID:
        case MMSYSERR_NODRIVER:
        case MMSYSERR_ERROR:
            what = last_error[0] ? last_error : "no audio device";
            break;
        case MMSYSERR_ALLOCATED:
            what = "the device is already open";
            break;
        case MMSYSERR_INVALHANDLE:
            what = "not an open device";
            break;
        case MMSYSERR_NOMEM:
            what = "too many buffers queued";
            break;
        case WAVERR_BADFORMAT:
            what = "the format cannot be played";
            break;
        case WAVERR_STILLPLAYING:
            what = "buffers are still playing";
            break;
        case WAVERR_UNPREPARED:
            what = "the buffer is not prepared";
            break;
        default:
            break;
    }
    snprintf(text, size, "%s", what);
    return MMSYSERR_NOERROR;
}
