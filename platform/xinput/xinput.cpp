// XInputGetState over the backend's controllers: the four slots read whole, in XInput's units.
// The backend's controllers are opened by the first call, and every call takes stock of them
// again, so a controller plugged in or pulled out shows at the next read.
#include "platform/backend/backend.h"
#include "platform/win32.h"

#include <cstring>

namespace {

bool tried;            // the first call has asked the backend to open its controllers
bool available;        // it could
DWORD packets[4];      // each slot's packet number: it moves on whenever the state read changes
XINPUT_GAMEPAD last[4];

// XInput's button bits in the slots' order (backend.h).
const WORD BUTTON_BITS[14] = {
    XINPUT_GAMEPAD_A,           XINPUT_GAMEPAD_B,          XINPUT_GAMEPAD_X,
    XINPUT_GAMEPAD_Y,           XINPUT_GAMEPAD_BACK,       XINPUT_GAMEPAD_START,
    XINPUT_GAMEPAD_LEFT_THUMB,  XINPUT_GAMEPAD_RIGHT_THUMB, XINPUT_GAMEPAD_LEFT_SHOULDER,
    XINPUT_GAMEPAD_RIGHT_SHOULDER, XINPUT_GAMEPAD_DPAD_UP,  XINPUT_GAMEPAD_DPAD_DOWN,
    XINPUT_GAMEPAD_DPAD_LEFT,   XINPUT_GAMEPAD_DPAD_RIGHT,
};

// A trigger's 0..32767 as XInput's byte, rounded to nearest.
BYTE trigger_byte(int16_t value) {
    int v = value < 0 ? 0 : value;
    return (BYTE)((v * 255 + 16383) / 32767);
}

}  // namespace

DWORD WINAPI XInputGetState(DWORD user, XINPUT_STATE *state) {
    if (user >= XUSER_MAX_COUNT || !state) return (DWORD)ERROR_BAD_ARGUMENTS;
    const BackendPads *pads = backend->pads;
    if (!tried) {
        tried = true;
        available = pads && pads->open();
    }
    PadReading reading;
    if (!available) return (DWORD)ERROR_DEVICE_NOT_CONNECTED;
    pads->refresh();
    if (!pads->read((int)user, &reading)) return (DWORD)ERROR_DEVICE_NOT_CONNECTED;
    XINPUT_GAMEPAD pad = {};
    for (int b = 0; b < 14; b++)
        if (reading.buttons & (1u << b)) pad.wButtons |= BUTTON_BITS[b];
    pad.sThumbLX = reading.axes[0];
    pad.sThumbLY = reading.axes[1];
    pad.sThumbRX = reading.axes[2];
    pad.sThumbRY = reading.axes[3];
    pad.bLeftTrigger = trigger_byte(reading.axes[4]);
    pad.bRightTrigger = trigger_byte(reading.axes[5]);
    if (memcmp(&pad, &last[user], sizeof pad) != 0) packets[user]++;
    last[user] = pad;
    state->dwPacketNumber = packets[user];
    state->Gamepad = pad;
    return (DWORD)ERROR_SUCCESS;
}
