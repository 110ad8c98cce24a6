// SDL's game controllers as the four controller slots: its game controller subsystem is opened by
// the first read, a controller takes the lowest free slot when it appears, and its slot is freed
// when it goes. SDL's mapping database makes every known controller a standard one.
#include "platform/backend/backend.h"
#include "platform/backend/sdl/pads.h"
#include "platform/backend/sdl/state.h"

#include <SDL.h>

namespace {

const int SLOTS = SdlPads::SLOTS;

bool sdl_pads_open() {
    // SDL drops a controller's input while none of the program's windows has the keyboard focus
    // (and an offscreen window never has it); XInput and the page do not, and neither do we.
    // SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS set in the environment still decides.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (!sdl.pads.opened) sdl.pads.opened = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    return sdl.pads.opened;
}

bool slot_holds(SDL_JoystickID id) {
    for (const SdlPads::Slot &slot : sdl.pads.slots)
        if (slot.controller && slot.id == id) return true;
    return false;
}

void sdl_pads_refresh() {
    if (!sdl.pads.opened) return;
    SDL_GameControllerUpdate();
    for (SdlPads::Slot &slot : sdl.pads.slots)
        if (slot.controller && !SDL_GameControllerGetAttached(slot.controller)) {
            SDL_GameControllerClose(slot.controller);
            slot.controller = nullptr;
        }
    int count = SDL_NumJoysticks();
    for (int index = 0; index < count; index++) {
        if (!SDL_IsGameController(index)) continue;
        SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
        if (id < 0 || slot_holds(id)) continue;
        SdlPads::Slot *free_slot = nullptr;
        for (SdlPads::Slot &slot : sdl.pads.slots)
            if (!slot.controller) {
                free_slot = &slot;
                break;
            }
        if (!free_slot) return;
        free_slot->controller = SDL_GameControllerOpen(index);
        free_slot->id = id;
    }
}

// SDL's buttons in the slots' order (backend.h).
const SDL_GameControllerButton BUTTONS[14] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT,
    SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
};

// SDL's sticks point down for positive y; ours point up.
int16_t upwards(Sint16 value) {
    return (int16_t)(value == -32768 ? 32767 : -value);
}

bool sdl_pads_read(int slot, PadReading *reading) {
    if (slot < 0 || slot >= SLOTS || !sdl.pads.slots[slot].controller) return false;
    SDL_GameController *c = sdl.pads.slots[slot].controller;
    reading->buttons = 0;
    for (int b = 0; b < 14; b++)
        if (SDL_GameControllerGetButton(c, BUTTONS[b])) reading->buttons |= (uint16_t)(1u << b);
    reading->axes[0] = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX);
    reading->axes[1] = upwards(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY));
    reading->axes[2] = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTX);
    reading->axes[3] = upwards(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTY));
    // Triggers read 0 to 32767; a mapping that makes one a full axis may give less than 0.
    for (int t = 0; t < 2; t++) {
        Sint16 value = SDL_GameControllerGetAxis(
            c, t ? SDL_CONTROLLER_AXIS_TRIGGERRIGHT : SDL_CONTROLLER_AXIS_TRIGGERLEFT);
        reading->axes[4 + t] = (int16_t)(value < 0 ? 0 : value);
    }
    return true;
}

}  // namespace

extern const BackendPads sdl_pads = {
    sdl_pads_open,     // open
    sdl_pads_refresh,  // refresh
    sdl_pads_read,     // read
};
