// The wave output calls, whichever backend plays the sound: one device, a queue of written
// buffers that the backend's device pulls its samples from as it plays them, and the buffers it
// finished handed back on the program's thread at every pump and wait of the message queue
// (wave_hand_back). The device may pull on a thread of its own: it touches only the queue (under
// the backend's audio lock) and reads the buffers' samples, which the program leaves alone until
// they come back; every header field is written on the program's thread alone. No device is
// opened before the first waveOutOpen.
#include "platform/backend/backend.h"
#include "platform/win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int MAX_QUEUED = 64;  // buffers written and not yet played

struct WaveDevice {
    bool open;                    // the one device is open
    const BackendAudio *audio;    // whose device it is
    HWND window;                  // where MM_WOM_DONE goes, null for CALLBACK_NULL
    uint8_t silence;              // a byte of silence in the device's format
    WAVEHDR *queue[MAX_QUEUED];   // written buffers, oldest first from head (lock)
    int head, count;              // (lock)
    uint32_t offset;              // bytes of queue[head] already played (lock)
    WAVEHDR *played[MAX_QUEUED];  // played, not yet handed back (lock)
    int played_count;             // (lock)
};
WaveDevice device;
char last_error[200];  // why the last open failed, for waveOutGetErrorTextA

HWAVEOUT handle_of_device() {
    return (HWAVEOUT)&device;
}

bool valid(HWAVEOUT h) {
    return device.open && h == handle_of_device();
}

void lock() {
    device.audio->lock(true);
}

void unlock() {
    device.audio->lock(false);
}

// The device's pull: plays the queued buffers in order, then silence.
int feed(void *, uint8_t *out, int length) {
    int sound = 0;
    while (length > 0 && device.count > 0) {
        WAVEHDR *h = device.queue[device.head];
        uint32_t left = h->dwBufferLength - device.offset;
        uint32_t n = left < (uint32_t)length ? left : (uint32_t)length;
        memcpy(out, h->lpData + device.offset, n);
        out += n;
        length -= (int)n;
        sound += (int)n;
        device.offset += n;
        if (device.offset == h->dwBufferLength) {
            device.played[device.played_count++] = h;
            device.head = (device.head + 1) % MAX_QUEUED;
            device.count--;
            device.offset = 0;
        }
    }
    if (length > 0) memset(out, device.silence, (size_t)length);
    return sound;
}

// Marks the played buffers done and posts them back, oldest first: true when any came back.
bool hand_back() {
    WAVEHDR *played[MAX_QUEUED];
    lock();
    int n = device.played_count;
    memcpy(played, device.played, sizeof(WAVEHDR *) * (size_t)n);
    device.played_count = 0;
    bool idle = device.count == 0;
    unlock();
    // Nothing left to play: the device stops pulling until the next write.
    if (idle && n > 0) device.audio->pause(true);
    for (int i = 0; i < n; ++i) {
        played[i]->dwFlags = (played[i]->dwFlags & ~(DWORD)WHDR_INQUEUE) | WHDR_DONE;
        if (device.window)
            PostMessageA(device.window, MM_WOM_DONE, (WPARAM)handle_of_device(), (LPARAM)played[i]);
    }
    return n > 0;
}

bool format_playable(const WAVEFORMATEX *f) {
    return f && f->wFormatTag == WAVE_FORMAT_PCM && (f->nChannels == 1 || f->nChannels == 2) &&
           (f->wBitsPerSample == 8 || f->wBitsPerSample == 16) && f->nSamplesPerSec >= 1000 &&
           f->nSamplesPerSec <= 192000 && f->nBlockAlign == f->nChannels * f->wBitsPerSample / 8;
}

// Closes the device when the program ends, so that a device's own thread is gone before
// anything it reads is torn down.
void close_at_exit() {
    if (!device.open) return;
    device.audio->close();
    device.open = false;
}

}  // namespace

bool wave_hand_back() {
    return device.open && hand_back();
}

UINT WINAPI waveOutGetNumDevs(void) {
    const BackendAudio *audio = backend->audio;
    return audio ? (UINT)audio->count() : 0;
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
    const BackendAudio *audio = backend->audio;
    if (!audio) {
        snprintf(last_error, sizeof last_error, "the %s backend has no audio device",
                 backend->name);
        return MMSYSERR_NODRIVER;
    }
    device.audio = audio;
    device.head = device.count = device.played_count = 0;
    device.offset = 0;
    device.silence = format->wBitsPerSample == 8 ? 0x80 : 0;
    AudioFormat want = {(int)format->nSamplesPerSec, (int)format->nChannels,
                        (int)format->wBitsPerSample};
    char why[sizeof last_error] = "";
    if (!audio->open(&want, feed, nullptr, why, sizeof why)) {
        snprintf(last_error, sizeof last_error, "%s", why[0] ? why : "no audio device");
        return MMSYSERR_NODRIVER;
    }
    static bool exit_hooked = false;
    if (!exit_hooked) atexit(close_at_exit);
    exit_hooked = true;
    device.window = kind == CALLBACK_WINDOW ? (HWND)callback : nullptr;
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
    lock();
    // Played buffers wait for the hand-back in a list of the same size: both must keep room.
    bool room = device.count + device.played_count < MAX_QUEUED;
    if (room) {
        device.queue[(device.head + device.count) % MAX_QUEUED] = header;
        device.count++;
    }
    unlock();
    if (!room) {
        header->dwFlags &= ~(DWORD)WHDR_INQUEUE;
        return MMSYSERR_NOMEM;
    }
    device.audio->pause(false);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT h) {
    if (!valid(h)) return MMSYSERR_INVALHANDLE;
    // Every buffer not yet played is played no further and comes back done at once.
    lock();
    while (device.count > 0) {
        device.played[device.played_count++] = device.queue[device.head];
        device.head = (device.head + 1) % MAX_QUEUED;
        device.count--;
    }
    device.offset = 0;
    unlock();
    hand_back();
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutClose(HWAVEOUT h) {
    if (!valid(h)) return MMSYSERR_INVALHANDLE;
    lock();
    bool busy = device.count > 0;
    unlock();
    if (busy) return WAVERR_STILLPLAYING;
    // Buffers played since the last hand-back still come back before the device goes.
    hand_back();
    device.audio->close();
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
