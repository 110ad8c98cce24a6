// The wave output calls where no backend that can play sound is built: there is no device, so a
// program's sound calls find none and go on silently, as on a Windows machine without one.
#include "platform/win32.h"

#include <cstdio>

#ifndef TAVIX_BACKEND_SDL
UINT WINAPI waveOutGetNumDevs(void) {
    return 0;
}
MMRESULT WINAPI waveOutOpen(LPHWAVEOUT device, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD) {
    if (device) *device = nullptr;
    return MMSYSERR_NODRIVER;
}
MMRESULT WINAPI waveOutClose(HWAVEOUT) {
    return MMSYSERR_INVALHANDLE;
}
MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT, LPWAVEHDR, UINT) {
    return MMSYSERR_INVALHANDLE;
}
MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT, LPWAVEHDR, UINT) {
    return MMSYSERR_INVALHANDLE;
}
MMRESULT WINAPI waveOutWrite(HWAVEOUT, LPWAVEHDR, UINT) {
    return MMSYSERR_INVALHANDLE;
}
MMRESULT WINAPI waveOutReset(HWAVEOUT) {
    return MMSYSERR_INVALHANDLE;
}
MMRESULT WINAPI waveOutGetErrorTextA(MMRESULT error, LPSTR text, UINT size) {
    if (!text || size == 0) return MMSYSERR_INVALPARAM;
    snprintf(text, size, "%s",
             error == MMSYSERR_NOERROR ? "no error" : "no audio device was built in");
    return MMSYSERR_NOERROR;
}
#endif
