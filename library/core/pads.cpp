// Gamepads for games: up to four standard controllers read through XInputGetState (on Windows
// from whichever XInput DLL the system has; elsewhere the platform's), their buttons and pads
// coming and going as events of the richer wait, and every read recorded so that a replay
// answers it as the recording did.
#include "library/core/state.h"

// XInput's button bits in the order of the TAVIX_PAD_ buttons.
static const WORD pad_button_bits[PAD_BUTTON_COUNT] = {
    XINPUT_GAMEPAD_A,          XINPUT_GAMEPAD_B,
    XINPUT_GAMEPAD_X,          XINPUT_GAMEPAD_Y,
    XINPUT_GAMEPAD_BACK,       XINPUT_GAMEPAD_START,
    XINPUT_GAMEPAD_LEFT_THUMB, XINPUT_GAMEPAD_RIGHT_THUMB,
    XINPUT_GAMEPAD_LEFT_SHOULDER, XINPUT_GAMEPAD_RIGHT_SHOULDER,
    XINPUT_GAMEPAD_DPAD_UP,    XINPUT_GAMEPAD_DPAD_DOWN,
    XINPUT_GAMEPAD_DPAD_LEFT,  XINPUT_GAMEPAD_DPAD_RIGHT,
};

static PadStateCall find_pad_call(void) {
#ifdef _WIN32
    // Windows 8 and later have xinput1_4; Vista and 7 the older xinput9_1_0. Neither: no pads.
    static const char *const names[] = {"xinput1_4.dll", "xinput9_1_0.dll"};
    for (const char *name : names) {
        HMODULE module = LoadLibraryA(name);
        if (!module) continue;
        FARPROC call = GetProcAddress(module, "XInputGetState");
        if (call) return (PadStateCall)(void *)call;
        FreeLibrary(module);
    }
    return nullptr;
#else
    return XInputGetState;
#endif
}

// A thumbstick's -32768..32767 as -1000..1000, towards zero; a trigger's 0..255 as 0..1000.
static int16_t stick_value(short value) {
    int scaled = (int)value * 1000 / 32767;
    return (int16_t)(scaled < -1000 ? -1000 : scaled);
}

static int16_t trigger_value(BYTE value) {
    return (int16_t)((value * 1000 + 127) / 255);
}

void poll_pads(void) {
    LibraryState &s = library_state;
    PadsState &p = s.pads;
    if (!p.opened || !p.read_state) return;
    if (s.script.playing_back || s.script.play_one) {
        p.replayed = 1;
        return;
    }
    // After a playback the program's state is what the script said: the pads' changes are
    // taken from there, so that each button it left held is let go (or each pad it added goes).
    if (p.replayed) {
        p.replayed = 0;
        for (int pad = 0; pad < PAD_COUNT; pad++) {
            p.live_present[pad] = p.present[pad];
            p.live_buttons[pad] = p.held[pad];
        }
        p.probed_at = GetTickCount() - PAD_PROBE_PERIOD;
    }
    DWORD now = GetTickCount();
    int probe = (DWORD)(now - p.probed_at) >= PAD_PROBE_PERIOD;
    if (probe) p.probed_at = now;
    for (int pad = 0; pad < PAD_COUNT; pad++) {
        if (!p.live_present[pad] && !probe) continue;
        XINPUT_STATE state = {};
        int present = p.read_state((DWORD)pad, &state) == ERROR_SUCCESS;
        uint16_t buttons = 0;
        int16_t axes[PAD_AXIS_COUNT] = {};
        if (present) {
            const XINPUT_GAMEPAD &g = state.Gamepad;
            for (int b = 0; b < PAD_BUTTON_COUNT; b++)
                if (g.wButtons & pad_button_bits[b]) buttons |= (uint16_t)(1u << b);
            axes[TAVIX_AXIS_LEFT_X] = stick_value(g.sThumbLX);
            axes[TAVIX_AXIS_LEFT_Y] = stick_value(g.sThumbLY);
            axes[TAVIX_AXIS_RIGHT_X] = stick_value(g.sThumbRX);
            axes[TAVIX_AXIS_RIGHT_Y] = stick_value(g.sThumbRY);
            axes[TAVIX_AXIS_LEFT_TRIGGER] = trigger_value(g.bLeftTrigger);
            axes[TAVIX_AXIS_RIGHT_TRIGGER] = trigger_value(g.bRightTrigger);
        }
        // A pad comes before its presses; a pad that goes lets go of its buttons first.
        if (present && !p.live_present[pad]) {
            p.live_present[pad] = 1;
            deliver_pad_event(TAVIX_PAD_ADDED, pad, 0, 0);
        }
        uint16_t changed = (uint16_t)(buttons ^ p.live_buttons[pad]);
        p.live_buttons[pad] = buttons;
        for (int b = 0; b < PAD_BUTTON_COUNT; b++)
            if (changed & (1u << b))
                deliver_pad_event((buttons >> b) & 1 ? TAVIX_PAD_DOWN : TAVIX_PAD_UP, pad, b, 0);
        for (int a = 0; a < PAD_AXIS_COUNT; a++) p.live_axes[pad][a] = axes[a];
        if (!present && p.live_present[pad]) {
            p.live_present[pad] = 0;
            deliver_pad_event(TAVIX_PAD_REMOVED, pad, 0, 0);
        }
    }
}

void apply_pad_event(const TAVIX_Event *event) {
    PadsState &p = library_state.pads;
    int pad = event->key, button = event->button;
    // Scripted events were checked when read; these bounds only keep the arrays safe.
    if (pad < 0 || pad >= PAD_COUNT || button < 0 || button >= PAD_BUTTON_COUNT) return;
    switch (event->type) {
        case TAVIX_PAD_DOWN:
            p.held[pad] |= (uint16_t)(1u << button);
            break;
        case TAVIX_PAD_UP:
            p.held[pad] &= (uint16_t)~(1u << button);
            break;
        case TAVIX_PAD_ADDED:
            p.present[pad] = 1;
            break;
        case TAVIX_PAD_REMOVED:
            p.present[pad] = 0;
            p.held[pad] = 0;
            break;
        default:
            break;
    }
}

// The first gamepad call opens the pads: the program's state takes in the pads there already at
// once, and the richer wait is still told of each with a TAVIX_PAD_ADDED and of its buttons held
// with a TAVIX_PAD_DOWN each. The timer wakes the
// waits to read them, since a pad sends no message; headless there is nothing to read.
static void open_pads(void) {
    LibraryState &s = library_state;
    PadsState &p = s.pads;
    if (p.opened || !s.window.graphics) return;
    p.opened = 1;
    p.read_state = find_pad_call();
    if (s.settings.headless || !p.read_state) return;
    p.probed_at = GetTickCount() - PAD_PROBE_PERIOD;
    poll_pads();
    for (int pad = 0; pad < PAD_COUNT; pad++) {
        if (!p.live_present[pad]) continue;
        deliver_pad_event(TAVIX_PAD_ADDED, pad, 0, 1);
        for (int b = 0; b < PAD_BUTTON_COUNT; b++)
            if ((p.live_buttons[pad] >> b) & 1) deliver_pad_event(TAVIX_PAD_DOWN, pad, b, 1);
    }
    if (!s.life.finished)
        SetTimer(s.window.graphics, TAVIX_PAD_TIMER_ID, PAD_READ_PERIOD, nullptr);
}

// A read's answer: the pad as last read, so that a loop that only reads the pads between its
// frames (its events kept, not taken) still sees them move; the recorded one while playing back
// (where the script holds none, the program's state: held buttons as the events delivered said,
// an axis where it last was); recorded while recording.
static int answer_read(int live, int fallback) {
    LibraryState &s = library_state;
    int value = live;
    if (s.script.playing_back) {
        if (!replay_pad_read(&value)) value = fallback;
    } else if (s.script.recording) {
        record_pad_read(value);
    }
    return value;
}

static int pad_possible(int pad, const char *what, int index, int count) {
    if (pad < 0 || pad >= PAD_COUNT) {
        TAVIX_console_printf("Gamepad %d not possible (0 to %d), reading 0\n", pad, PAD_COUNT - 1);
        return 0;
    }
    if (index < 0 || index >= count) {
        TAVIX_console_printf("Gamepad %s %d not possible (0 to %d), reading 0\n", what, index,
                             count - 1);
        return 0;
    }
    return 1;
}

int TAVIX_gamepad_button(int pad, int button) {
    LibraryState &s = library_state;
    s.events.game_calls_used = 1;
    if (!pad_possible(pad, "button", button, PAD_BUTTON_COUNT)) return 0;
    open_pads();
    int value = answer_read((s.pads.live_buttons[pad] >> button) & 1,
                            (s.pads.held[pad] >> button) & 1) != 0;
    uint16_t bit = (uint16_t)(1u << button);
    if (value != ((s.pads.answered_buttons[pad] & bit) != 0)) {
        s.pads.answered_buttons[pad] ^= bit;
        if (s.draw.logging)
            TAVIX_console_printf("gamepad %d button %d %s\n", pad, button, value ? "down" : "up");
    }
    return value;
}

int TAVIX_gamepad_axis(int pad, int axis) {
    LibraryState &s = library_state;
    s.events.game_calls_used = 1;
    if (!pad_possible(pad, "axis", axis, PAD_AXIS_COUNT)) return 0;
    open_pads();
    int16_t &answered = s.pads.answered_axes[pad][axis];
    int value = answer_read(s.pads.live_axes[pad][axis], answered);
    if (value != answered) {
        answered = (int16_t)value;
        if (s.draw.logging) TAVIX_console_printf("gamepad %d axis %d at %d\n", pad, axis, value);
    }
    return value;
}
