// SDL's events as the window code wants them: window events, keys with Windows virtual-key codes
// and PC scan codes, text, mouse; and waiting for events without spinning.
#include "platform/backend/sdl/events.h"

#include "platform/backend/events.h"
#include "platform/backend/sdl/audio.h"
#include "platform/backend/sdl/video.h"
#include "platform/win32.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// PC set-1 scan codes of SDL's scan codes 0..101 (USB usage order); 0x100 marks extended keys.
const uint16_t SCAN_CODES[102] = {
    0,     0,     0,     0,     0x1E,  0x30,  0x2E,  0x20, 0x12,  0x21,  0x22,  0x23,  0x17,
    0x24,  0x25,  0x26,  0x32,  0x31,  0x18,  0x19,  0x10, 0x13,  0x1F,  0x14,  0x16,  0x2F,
    0x11,  0x2D,  0x15,  0x2C,  0x02,  0x03,  0x04,  0x05, 0x06,  0x07,  0x08,  0x09,  0x0A,
    0x0B,  0x1C,  0x01,  0x0E,  0x0F,  0x39,  0x0C,  0x0D, 0x1A,  0x1B,  0x2B,  0x2B,  0x27,
    0x28,  0x29,  0x33,  0x34,  0x35,  0x3A,  0x3B,  0x3C, 0x3D,  0x3E,  0x3F,  0x40,  0x41,
    0x42,  0x43,  0x44,  0x57,  0x58,  0x137, 0x46,  0x45, 0x152, 0x147, 0x149, 0x153, 0x14F,
    0x151, 0x14D, 0x14B, 0x150, 0x148, 0x145, 0x135, 0x37, 0x4A,  0x4E,  0x11C, 0x4F,  0x50,
    0x51,  0x4B,  0x4C,  0x4D,  0x47,  0x48,  0x49,  0x52, 0x53,  0x56,  0x15D};

int scan_code_of(SDL_Scancode code) {
    if (code >= 0 && code < 102) return SCAN_CODES[code];
    switch (code) {
        case SDL_SCANCODE_LCTRL:
            return 0x1D;
        case SDL_SCANCODE_LSHIFT:
            return 0x2A;
        case SDL_SCANCODE_LALT:
            return 0x38;
        case SDL_SCANCODE_LGUI:
            return 0x15B;
        case SDL_SCANCODE_RCTRL:
            return 0x11D;
        case SDL_SCANCODE_RSHIFT:
            return 0x36;
        case SDL_SCANCODE_RALT:
            return 0x138;
        case SDL_SCANCODE_RGUI:
            return 0x15C;
        default:
            return 0;
    }
}

// The Windows virtual key of a key: the layout's letter or digit where it has one, else what the
// key's position means.
int virtual_key_of(const SDL_Keysym &key) {
    SDL_Keycode sym = key.sym;
    if (sym >= SDLK_a && sym <= SDLK_z) return 'A' + (sym - SDLK_a);
    if (sym >= SDLK_0 && sym <= SDLK_9) return '0' + (sym - SDLK_0);
    if (sym >= SDLK_F1 && sym <= SDLK_F12) return VK_F1 + (sym - SDLK_F1);
    if (sym >= SDLK_F13 && sym <= SDLK_F24) return VK_F1 + 12 + (sym - SDLK_F13);
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (sym - SDLK_KP_1);
    switch (sym) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return VK_RETURN;
        case SDLK_ESCAPE:
            return VK_ESCAPE;
        case SDLK_BACKSPACE:
            return VK_BACK;
        case SDLK_TAB:
            return VK_TAB;
        case SDLK_SPACE:
            return VK_SPACE;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return VK_SHIFT;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return VK_CONTROL;
        case SDLK_LALT:
        case SDLK_RALT:
            return VK_MENU;
        case SDLK_LGUI:
            return 0x5B;
        case SDLK_RGUI:
            return 0x5C;
        case SDLK_APPLICATION:
            return 0x5D;
        case SDLK_PAUSE:
            return VK_PAUSE;
        case SDLK_CAPSLOCK:
            return VK_CAPITAL;
        case SDLK_NUMLOCKCLEAR:
            return 0x90;
        case SDLK_SCROLLLOCK:
            return 0x91;
        case SDLK_PRINTSCREEN:
            return 0x2C;
        case SDLK_PAGEUP:
            return VK_PRIOR;
        case SDLK_PAGEDOWN:
            return VK_NEXT;
        case SDLK_END:
            return VK_END;
        case SDLK_HOME:
            return VK_HOME;
        case SDLK_LEFT:
            return VK_LEFT;
        case SDLK_UP:
            return VK_UP;
        case SDLK_RIGHT:
            return VK_RIGHT;
        case SDLK_DOWN:
            return VK_DOWN;
        case SDLK_INSERT:
            return VK_INSERT;
        case SDLK_DELETE:
            return VK_DELETE;
        case SDLK_KP_0:
            return VK_NUMPAD0;
        case SDLK_KP_MULTIPLY:
            return VK_MULTIPLY;
        case SDLK_KP_PLUS:
            return VK_ADD;
        case SDLK_KP_MINUS:
            return VK_SUBTRACT;
        case SDLK_KP_PERIOD:
            return VK_DECIMAL;
        case SDLK_KP_DIVIDE:
            return VK_DIVIDE;
        case SDLK_SEMICOLON:
            return VK_OEM_1;
        case SDLK_EQUALS:
            return VK_OEM_PLUS;
        case SDLK_COMMA:
            return VK_OEM_COMMA;
        case SDLK_MINUS:
            return VK_OEM_MINUS;
        case SDLK_PERIOD:
            return VK_OEM_PERIOD;
        case SDLK_SLASH:
            return VK_OEM_2;
        case SDLK_BACKQUOTE:
            return VK_OEM_3;
        case SDLK_LEFTBRACKET:
            return VK_OEM_4;
        case SDLK_BACKSLASH:
            return VK_OEM_5;
        case SDLK_RIGHTBRACKET:
            return VK_OEM_6;
        case SDLK_QUOTE:
            return VK_OEM_7;
        default:
            break;
    }
    // A character the US layout lacks (a layout without Latin letters, or German ü, ß, French
    // ù): the key at this position, so the key still makes messages that can be re-posted.
    if (key.scancode >= SDL_SCANCODE_A && key.scancode <= SDL_SCANCODE_Z)
        return 'A' + (key.scancode - SDL_SCANCODE_A);
    if (key.scancode >= SDL_SCANCODE_1 && key.scancode <= SDL_SCANCODE_9)
        return '1' + (key.scancode - SDL_SCANCODE_1);
    switch (key.scancode) {
        case SDL_SCANCODE_0:
            return '0';
        case SDL_SCANCODE_MINUS:
            return VK_OEM_MINUS;
        case SDL_SCANCODE_EQUALS:
            return VK_OEM_PLUS;
        case SDL_SCANCODE_LEFTBRACKET:
            return VK_OEM_4;
        case SDL_SCANCODE_RIGHTBRACKET:
            return VK_OEM_6;
        case SDL_SCANCODE_BACKSLASH:
        case SDL_SCANCODE_NONUSHASH:
            return VK_OEM_5;
        case SDL_SCANCODE_SEMICOLON:
            return VK_OEM_1;
        case SDL_SCANCODE_APOSTROPHE:
            return VK_OEM_7;
        case SDL_SCANCODE_GRAVE:
            return VK_OEM_3;
        case SDL_SCANCODE_COMMA:
            return VK_OEM_COMMA;
        case SDL_SCANCODE_PERIOD:
            return VK_OEM_PERIOD;
        case SDL_SCANCODE_SLASH:
            return VK_OEM_2;
        case SDL_SCANCODE_NONUSBACKSLASH:
            return VK_OEM_102;
        default:
            return 0;
    }
}

unsigned modifiers_of(Uint16 mod) {
    unsigned m = 0;
    if (mod & KMOD_SHIFT) m |= KEYMOD_SHIFT;
    if (mod & KMOD_CTRL) m |= KEYMOD_CTRL;
    if (mod & KMOD_ALT) m |= KEYMOD_ALT;
    if (mod & KMOD_CAPS) m |= KEYMOD_CAPS;
    return m;
}

// A screen position to the window pixel it shows: every point of a pixel's block, and a point
// left of or above the window (a drag may report one) stays outside it.
int floor_div(int value, int scale) {
    return value >= 0 ? value / scale : -((-value + scale - 1) / scale);
}

unsigned buttons_held;  // mouse buttons down: 1 left, 2 middle, 4 right

unsigned button_bit(int button) {
    return button == SDL_BUTTON_LEFT     ? 1u
           : button == SDL_BUTTON_MIDDLE ? 2u
           : button == SDL_BUTTON_RIGHT  ? 4u
                                         : 0u;
}

void handle_window_event(const SDL_WindowEvent &e) {
    HWND hwnd = sdl_hwnd_of(e.windowID);
    if (!hwnd) return;
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE:
            input_close_requested(hwnd);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
            input_exposed(hwnd);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            input_resized(hwnd, e.data1 / sdl_scale(), e.data2 / sdl_scale());
            break;
        case SDL_WINDOWEVENT_MOVED:
            sdl_window_fit_work_area(e.windowID);
            input_moved(hwnd, floor_div(e.data1, sdl_scale()), floor_div(e.data2, sdl_scale()));
            break;
        case SDL_WINDOWEVENT_SHOWN:
            sdl_window_fit_work_area(e.windowID);
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            input_focus(hwnd);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            input_focus_lost(hwnd);
            break;
        default:
            break;
    }
}

void handle_event(const SDL_Event &e) {
    switch (e.type) {
        case SDL_WINDOWEVENT:
            handle_window_event(e.window);
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            if (HWND hwnd = sdl_hwnd_of(e.key.windowID))
                input_key(hwnd, e.type == SDL_KEYDOWN, virtual_key_of(e.key.keysym),
                          scan_code_of(e.key.keysym.scancode), e.key.repeat != 0,
                          modifiers_of(e.key.keysym.mod));
            break;
        case SDL_TEXTINPUT:
            if (HWND hwnd = sdl_hwnd_of(e.text.windowID)) input_text(hwnd, e.text.text);
            break;
        case SDL_MOUSEMOTION:
            if (HWND hwnd = sdl_hwnd_of(e.motion.windowID))
                input_mouse(hwnd, InputEvent::MOUSE_MOVE, 0, floor_div(e.motion.x, sdl_scale()),
                            floor_div(e.motion.y, sdl_scale()), buttons_held,
                            modifiers_of(SDL_GetModState()));
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            bool down = e.type == SDL_MOUSEBUTTONDOWN;
            if (down)
                buttons_held |= button_bit(e.button.button);
            else
                buttons_held &= ~button_bit(e.button.button);
            if (HWND hwnd = sdl_hwnd_of(e.button.windowID))
                input_mouse(hwnd, down ? InputEvent::MOUSE_DOWN : InputEvent::MOUSE_UP,
                            e.button.button, floor_div(e.button.x, sdl_scale()),
                            floor_div(e.button.y, sdl_scale()), buttons_held,
                            modifiers_of(SDL_GetModState()));
            break;
        }
        case SDL_MOUSEWHEEL:
            // Only the vertical wheel has a Windows message here; SDL reports X11's buttons 4
            // and 5 as one notch each, away from the user positive, as Windows counts.
            if (HWND hwnd = sdl_hwnd_of(e.wheel.windowID)) {
                int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
                input_wheel(hwnd, notches, buttons_held, modifiers_of(SDL_GetModState()));
            }
            break;
        default:
            sdl_audio_event(e.type);
            break;
    }
}

// Handles e, and with a key-down the text it made: SDL queues that text right behind its key, and
// the two must reach the queue together, or the key would be taken without its character.
void handle_with_text(const SDL_Event &e) {
    handle_event(e);
    SDL_Event text;
    if (e.type == SDL_KEYDOWN &&
        SDL_PeepEvents(&text, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
        text.type == SDL_TEXTINPUT &&
        SDL_PeepEvents(&text, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1)
        handle_event(text);
}


// While only pointer motion comes (a drag, the pointer swept over the window), SDL is pumped,
// which reads the X connection, at most once per MOTION_PACE: each pump then takes a batch of
// motion, which the queue coalesces, instead of waking the program for every motion the server
// sends. A key, click or anything else that comes meanwhile waits no longer than that; once a pump
// brings anything but motion, or nothing, the next one reads at once.
const std::chrono::microseconds MOTION_PACE(2000);
std::chrono::steady_clock::time_point paced_until;  // before it, a pump reads nothing new

// Reports the events SDL holds already, without pumping it (first: one SDL handed over already);
// true when any was reported. When all were motion, the next read waits for the pace.
bool report_queued(const SDL_Event *first = nullptr) {
    bool any = first != nullptr, only_motion = !first || first->type == SDL_MOUSEMOTION;
    if (first) handle_with_text(*first);
    SDL_Event e;
    // A full input queue takes nothing more: the rest waits in SDL's queue, in order, until the
    // program has taken some.
    while (input_queue_has_room() &&
           SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
        any = true;
        only_motion = only_motion && e.type == SDL_MOUSEMOTION;
        handle_with_text(e);
    }
    if (any && only_motion) paced_until = std::chrono::steady_clock::now() + MOTION_PACE;
    return any;
}

}  // namespace

bool sdl_pump_events() {
    // One pump reads all the X connection holds; SDL_PollEvent would pump again for every event.
    if (std::chrono::steady_clock::now() >= paced_until) SDL_PumpEvents();
    return report_queued();
}

bool sdl_wait_events(int timeout_ms) {
    if (sdl_driver_is_headless()) {
        // Nothing outside the program makes events here but the audio thread: sleeping until the
        // deadline or its wake-up is the wait.
        sdl_audio_sleep(timeout_ms < 0 ? 1000 : std::min(timeout_ms, 1000));
        return sdl_pump_events();
    }
    auto now = std::chrono::steady_clock::now();
    if (now < paced_until) {
        // Motion came last: what comes next is read when the pace allows, or at the deadline.
        auto until = paced_until;
        if (timeout_ms >= 0) until = std::min(until, now + std::chrono::milliseconds(timeout_ms));
        std::this_thread::sleep_until(until);
        paced_until = {};
        if (sdl_pump_events()) return true;
        if (timeout_ms >= 0) {
            auto slept = std::chrono::duration_cast<std::chrono::milliseconds>(until - now);
            timeout_ms = std::max(0, timeout_ms - (int)slept.count());
            if (timeout_ms == 0) return false;
        }
    }
    SDL_Event e;
    if (!SDL_WaitEventTimeout(&e, timeout_ms < 0 ? -1 : timeout_ms)) return false;
    // SDL pumped every pending event before it handed over the first.
    report_queued(&e);
    return true;
}
